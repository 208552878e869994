#include "about/aboutbox.h"
#include "about/systeminformation.h"
#include "app/applicationwindows.h"
#include "browser/browserwindow.h"
#include "core/version.h"
#include "core/windownames.h"
#include "settings/profile.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"
#include "system/programlauncher.h"
#include "system/systemregistry.h"
#include "ui/colorvalue.h"

#include <QtTest>
#include <QtWidgets>

namespace {

QWidget *child(QObject *parent, const QString &name)
{
    return parent->findChild<QWidget *>(name);
}

// Holds the registry values ("key|value name") and the programs on the PATH
// that a test puts in it, and records what would have been started.
struct FakePlatform : SystemRegistry, ProgramLauncher {
    bool GetKeyValue(
        quint32 root, const QString &key, const QString &name, QString *to) const override
    {
        *to = values.value(key + '|' + name);
        return root == RegistryRoots::LocalMachine && values.contains(key + '|' + name);
    }
    QString findProgram(const QString &name) const override
    {
        return onPath.contains(name) ? "/usr/bin/" + name : QString();
    }
    bool startProgram(const QString &path) override
    {
        started.append(path);
        return starts;
    }
    QHash<QString, QString> values;
    QStringList onPath, started;
    bool starts = true;
};

using Edits = std::tuple<QString, bool, QString>;
using Filters = std::tuple<QString, QString, QStringList>;
// The first registry key (the tool's path; null: no such key), the second
// (null: none; else it names a folder "with" the tool or "without"), whether
// the programs looked for are on the PATH and start, and what was started
// ("dir": the folder the second key names).
using SystemInfo = std::tuple<QString, QString, bool, bool, QString>;

} // namespace

class TestPreferencesAndAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void preferences_data()
    {
        // The edits, whether Preferences opens from the secondary window, the
        // button pressed at the end.
        QTest::addColumn<Edits>("row");
        QTest::newRow("OK keeps the home page and shows colour and picture")
            << Edits{"home colour picture", false, "Command1"};
        QTest::newRow("Apply from the secondary window changes the main window")
            << Edits{"home colour picture", true, "Command6"};
        QTest::newRow("Cancel changes nothing") << Edits{"home colour picture", false, "Command2"};
        QTest::newRow("a picture alone leaves home page and colour")
            << Edits{"picture", false, "Command1"};
        QTest::newRow("cancelled pickers change nothing") << Edits{"", true, "Command1"};
        QTest::newRow("Clear Address Bar empties the history for good")
            << Edits{"", false, "Command3"};
        QTest::newRow("Clear Favorites from the secondary window empties the main window's")
            << Edits{"", true, "Command4"};
    }
    // Opens Preferences from a window, makes the row's edits, cancels the
    // pickers it does not use, presses Escape (which must not cancel) and then
    // the button; checks what the main window, the settings and the next
    // start show.
    void preferences()
    {
        QFETCH(Edits, row);
        const auto &[edits, fromSecondary, button] = row;
        TestContext ctx;
        // Two blank pictures, 8 x 8 and 4 x 4, as binary portable bitmaps.
        ctx.writeFile("8.pbm", "P4 8 8\n" + QByteArray(8, '\0'));
        ctx.writeFile("4.pbm", "P4 4 4\n" + QByteArray(4, '\0'));
        ctx.context->writeSetting(SettingsKey::HomePage, "http://old.example/");
        ctx.context->writeSetting(SettingsKey::Background, ctx.file("4.pbm"));
        for (const char *list : {"Address.lst", "Favorties.lst", "Favorites2.lst"})
            ctx.writeFile(list, "http://a.example/,http://b.example/");
        auto *main = new BrowserWindow(*ctx.context, BrowserWindow::Role::Main);
        main->loadFromSettings();
        registerApplicationWindows(*ctx.context);
        ctx.context->windows().adopt(WindowNames::Main, main);
        // A colour left alone stays the system colour it names.
        const qint32 colour
            = fromSecondary ? ColorValue::fromColor(Qt::darkGreen) : ColorValue::ButtonFace;
        main->setBackgroundColorValue(colour);
        QWidget *opener
            = fromSecondary ? ctx.context->windows().open(WindowNames::Secondary) : main;
        opener->findChild<QAction *>("mnuEditPrefs")->trigger();
        QWidget *dialog = ctx.context->windows().find(WindowNames::Preferences);

        if (edits.contains("home"))
            QTest::keyClicks(child(dialog, "Text1"), "http://new.example/");
        QTest::mouseClick(child(dialog, "Image1"), Qt::LeftButton);
        auto *colours = dialog->findChild<QColorDialog *>();
        colours->setCurrentColor(Qt::red);
        edits.contains("colour") ? colours->accept() : colours->reject();
        QTest::mouseClick(child(dialog, "Command5"), Qt::LeftButton);
        auto *files = dialog->findChild<QFileDialog *>();
        files->selectFile(ctx.file("8.pbm"));
        // The file dialog keeps accept() to itself; a user's Open ends in QDialog's.
        edits.contains("picture") ? static_cast<QDialog *>(files)->accept() : files->reject();
        QCOMPARE(child(dialog, "Command6")->isEnabled(), !edits.isEmpty());
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTest::mouseClick(child(dialog, button), Qt::LeftButton);
        QCOMPARE(dialog->isHidden(), button == "Command1" || button == "Command2");

        const bool stored = button == "Command1" || button == "Command6";
        QCOMPARE(GetIniString("Wavecrest", "HomePage", ctx.context->settingsFile()),
            stored && edits.contains("home") ? "http://new.example/" : "http://old.example/");
        QCOMPARE(main->backgroundColorValue(),
            stored && edits.contains("colour") ? ColorValue::fromColor(Qt::red) : colour);
        const auto lists = [](QWidget *window) {
            return QList<int>{child(window, "Combo1")->property("count").toInt(),
                child(window, "Combo2")->property("count").toInt(),
                child(window, "Combo3")->property("count").toInt()};
        };
        const int favourites = button == "Command4" ? 0 : 2;
        const QList<int> expected{button == "Command3" ? 0 : 2, favourites, favourites};
        // The next start reads the files the dialog left behind.
        BrowserWindow restarted(*ctx.context, BrowserWindow::Role::Main);
        restarted.loadFromSettings();
        for (BrowserWindow *window : {main, &restarted}) {
            QCOMPARE(
                window->backgroundPicture().width(), stored && edits.contains("picture") ? 8 : 4);
            QCOMPARE(lists(window), expected);
        }
    }

    // The file dialogs offer their filters as the user reads them, the first
    // one chosen.
    void fileChooserFilters_data()
    {
        // The window, the control that opens the dialog and the filters.
        QTest::addColumn<Filters>("row");
        QTest::newRow("File > Open File") << Filters{WindowNames::Main, "mnuFileOpen",
            QStringList{"Image Files (*.jpg *.bmp *.gif *.ico *.wmf)",
                "HTML Files (*.htm, *.html) (*.html *.htm)", "Text Files (*.txt *.ini *.nfo *.diz)",
                "All Files (*.*)"}};
        QTest::newRow("the background picture in Preferences")
            << Filters{WindowNames::Preferences, "Command5",
                   QStringList{"All Image Files (*.bmp *.gif *.jpg)", "JPG Images (*.jpg)",
                       "GIF Images (*.gif)", "BMP Images (*.bmp)"}};
    }
    void fileChooserFilters()
    {
        QFETCH(Filters, row);
        const auto &[window, control, filters] = row;
        TestContext ctx;
        registerApplicationWindows(*ctx.context);
        BrowserWindow main(*ctx.context, BrowserWindow::Role::Main);
        QWidget *opened = window == WindowNames::Main ? &main : ctx.context->windows().open(window);
        if (auto *item = opened->findChild<QAction *>(control))
            item->trigger();
        else
            QTest::mouseClick(child(opened, control), Qt::LeftButton);
        auto *dialog = opened->findChild<QFileDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->nameFilters(), filters);
        QCOMPARE(dialog->selectedNameFilter(), filters.first());
    }

    void aboutBox_data()
    {
        QTest::addColumn<SystemInfo>("row");
        const QString tool = "C:\\Tools\\msinfo32.exe", none;
        const QString found = "/usr/bin/" + systemInformationPrograms().value(0);
        QTest::newRow("the tool the registry names is started")
            << SystemInfo{tool, "with", true, true, tool};
        QTest::newRow("a named tool that will not start is reported")
            << SystemInfo{tool, "with", true, false, tool};
        QTest::newRow("an empty name counts as none")
            << SystemInfo{QString(""), "with", true, true, none};
        QTest::newRow("the tool in the folder the registry names")
            << SystemInfo{none, "with", true, true, "dir/MSINFO32.EXE"};
        QTest::newRow("no tool in that folder: the one on the PATH")
            << SystemInfo{none, "without", true, true, found};
        QTest::newRow("no tool anywhere is reported") << SystemInfo{none, none, false, true, none};
        QTest::newRow("a tool on the PATH that will not start is reported")
            << SystemInfo{none, none, true, false, found};
    }
    // System Info in the one About box, with a fake registry and PATH; when
    // nothing starts, the box says so.
    void aboutBox()
    {
        QFETCH(SystemInfo, row);
        const auto &[firstKey, secondKey, onPath, starts, started] = row;
        TestContext ctx;
        registerApplicationWindows(*ctx.context);
        auto *box = qobject_cast<AboutBox *>(ctx.context->windows().open(WindowNames::About));
        QVERIFY(box);
        QCOMPARE(ctx.context->windows().open(WindowNames::About), box);
        QCOMPARE(box->windowTitle(), "About Wavecrest");
        QCOMPARE(
            child(box, "lblVersion")->property("text").toString(), "Version " + productVersion());
        auto registry = std::make_unique<FakePlatform>(),
             launcher = std::make_unique<FakePlatform>();
        FakePlatform *launched = launcher.get();
        if (!firstKey.isNull())
            registry->values["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH"] = firstKey;
        if (!secondKey.isNull())
            registry->values["SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO"] = ctx.dir.path();
        if (secondKey == "with")
            ctx.writeFile("MSINFO32.EXE", {});
        launcher->onPath = onPath ? systemInformationPrograms() : QStringList();
        launcher->starts = starts;
        box->setPlatform(std::move(registry), std::move(launcher));
        MessageBoxRecorder recorder;

        QTest::mouseClick(child(box, "cmdSysInfo"), Qt::LeftButton);

        QCOMPARE(launched->started.join(' ').replace(ctx.dir.path(), "dir"), started);
        QCOMPARE(recorder.boxes.size(), started.isEmpty() || !starts ? 1 : 0);
        for (const MessageBoxRequest &shown : recorder.boxes)
            QVERIFY(shown.text == "System Information Is Unavailable At This Time"
                && shown.parent == box);
    }
};

WAVECREST_TEST(TestPreferencesAndAbout)
#include "tst_preferencesandabout.moc"
