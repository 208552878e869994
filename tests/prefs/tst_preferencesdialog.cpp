#include "app/applicationwindows.h"
#include "app/windownames.h"
#include "browser/browserwindow.h"
#include "platform/colorvalue.h"
#include "settings/preferencesdialog.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

const QString HomePage = QStringLiteral("HomePage");
const QString Background = QStringLiteral("Background");
const QColor Chosen(200, 30, 60);

// A running program: the main window with its settings, lists and pictures.
struct Session {
    Session()
    {
        writePicture(QStringLiteral("old.bmp"), QSize(4, 4));
        writePicture(QStringLiteral("new.bmp"), QSize(8, 8));
        ctx.context->writeSetting(HomePage, QStringLiteral("http://old.example/"));
        ctx.context->writeSetting(Background, ctx.file(QStringLiteral("old.bmp")));
        ctx.writeFile(QStringLiteral("Address.lst"), "http://a.example/,http://b.example/");
        ctx.writeFile(QStringLiteral("Favorties.lst"), "A,B");
        ctx.writeFile(QStringLiteral("Favorites2.lst"), "http://a.example/,http://b.example/");
        registerApplicationWindows(*ctx.context);
        main = startMainWindow();
        ctx.context->windows().adopt(QLatin1String(WindowNames::Main), main);
    }

    void writePicture(const QString &name, const QSize &size) const
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        image.save(ctx.file(name));
    }

    // A main window loaded from the files, as at the program's start.
    BrowserWindow *startMainWindow() const
    {
        auto *window = new BrowserWindow(*ctx.context, BrowserWindow::Role::Main);
        window->loadFromSettings();
        return window;
    }

    PreferencesDialog *openPreferences()
    {
        return qobject_cast<PreferencesDialog *>(
            ctx.context->windows().open(QLatin1String(WindowNames::Preferences)));
    }

    TestContext ctx;
    BrowserWindow *main = nullptr;
};

// Pickers that answer only when the test says so, or never (a cancel).
struct ScriptedPickers {
    void install(PreferencesDialog *dialog)
    {
        dialog->setColorChooser(
            [this](QWidget *, const QColor &initial, std::function<void(const QColor &)> chosen) {
                initialColors.append(initial);
                colorAnswer = std::move(chosen);
            });
        dialog->setFileChooser([this](QWidget *, const QStringList &filters,
                                   std::function<void(const QString &)> chosen) {
            fileFilters.append(filters);
            fileAnswer = std::move(chosen);
        });
    }

    QList<QColor> initialColors;
    QList<QStringList> fileFilters;
    std::function<void(const QColor &)> colorAnswer;
    std::function<void(const QString &)> fileAnswer;
};

template <typename T> T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no %s", name);
    return found;
}

QColor swatchColor(PreferencesDialog *dialog)
{
    return child<QWidget>(dialog, "Shape1")->palette().color(QPalette::Window);
}

void clickSwatch(PreferencesDialog *dialog)
{
    QTest::mouseClick(child<QWidget>(dialog, "Image1"), Qt::LeftButton);
}

void click(PreferencesDialog *dialog, const char *button)
{
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

void retype(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

bool closed(const QPointer<PreferencesDialog> &dialog)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return dialog.isNull();
}

} // namespace

class TestPreferencesDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captions_data();
    void captions();
    void opensWithStoredValues();
    void tabOrder();
    void escapeDoesNotCancel();
    void cancelChangesNothing();
    void okAndApply_data();
    void okAndApply();
    void applyKeepsSystemColour();
    void pickers_data();
    void pickers();
    void pictureFilter();
    void pickerAnswerAfterClose();
    void clearing_data();
    void clearing();
    void actsOnMainWindowFromSecondary();
    void oneInstanceReloadedAfterClose();
};

void TestPreferencesDialog::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Frame1") << "Frame1"
                            << "Home Page";
    QTest::newRow("Frame2") << "Frame2"
                            << "Wavecrest Color";
    QTest::newRow("Frame3") << "Frame3"
                            << "History";
    QTest::newRow("Frame4") << "Frame4"
                            << "Background Image";
    QTest::newRow("Command1") << "Command1"
                              << "OK";
    QTest::newRow("Command2") << "Command2"
                              << "Cancel";
    QTest::newRow("Command3") << "Command3"
                              << "Clear Address Bar";
    QTest::newRow("Command4") << "Command4"
                              << "Clear Favorites";
    QTest::newRow("Command5") << "Command5"
                              << "Get";
    QTest::newRow("Command6") << "Command6"
                              << "Apply";
}

void TestPreferencesDialog::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Session session;
    PreferencesDialog *dialog = session.openPreferences();

    QCOMPARE(dialog->objectName(), QStringLiteral("Form2"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Wavecrest Preferences"));
    QWidget *widget = dialog->findChild<QWidget *>(name);
    QVERIFY(widget);
    if (auto *frame = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(frame->title(), caption);
    else
        QCOMPARE(qobject_cast<QPushButton *>(widget)->text(), caption);
    QCOMPARE(widget->font().family(), QStringLiteral("Arial"));
    QCOMPARE(widget->font().pointSize(), 9);
    QVERIFY(widget->font().bold());
}

void TestPreferencesDialog::opensWithStoredValues()
{
    Session session;
    session.main->setBackgroundColorValue(ColorValue::fromColor(Qt::darkGreen));
    PreferencesDialog *dialog = session.openPreferences();

    QCOMPARE(child<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("http://old.example/"));
    QCOMPARE(child<QLineEdit>(dialog, "Text2")->text(), session.ctx.file("old.bmp"));
    QCOMPARE(swatchColor(dialog), QColor(Qt::darkGreen));
    QVERIFY(!child<QPushButton>(dialog, "Command6")->isEnabled());
    QCOMPARE(dialog->focusWidget(), child<QWidget>(dialog, "Text1"));
    QVERIFY(child<QPushButton>(dialog, "Command1")->isDefault());
    QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->size(), QSize(307, 164));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    const QImage icon = child<QLabel>(dialog, "Image2")->pixmap().toImage();
    QCOMPARE(icon, session.main->windowIcon().pixmap(32, 32).toImage());
}

void TestPreferencesDialog::tabOrder()
{
    Session session;
    PreferencesDialog *dialog = session.openPreferences();
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(dialog, "Text1"));
    // Apply takes part once an edit has enabled it.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));

    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited,
        (QStringList{"Text1", "Command1", "Command2", "Command3", "Command4", "Text2", "Command5",
            "Command6", "Text1"}));
}

void TestPreferencesDialog::escapeDoesNotCancel()
{
    Session session;
    QPointer<PreferencesDialog> dialog = session.openPreferences();
    retype(child<QLineEdit>(dialog, "Text1"), QStringLiteral("http://typed.example/"));

    QTest::keyClick(child<QLineEdit>(dialog, "Text1"), Qt::Key_Escape);

    QVERIFY(!closed(dialog));
    QVERIFY(dialog->isVisible());
    QCOMPARE(child<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("http://typed.example/"));
}

void TestPreferencesDialog::cancelChangesNothing()
{
    Session session;
    const QByteArray settingsBefore = session.ctx.readFile(QStringLiteral("Wavecrest.ini"));
    const qint32 colorBefore = session.main->backgroundColorValue();
    QPointer<PreferencesDialog> dialog = session.openPreferences();
    ScriptedPickers pickers;
    pickers.install(dialog);

    retype(child<QLineEdit>(dialog, "Text1"), QStringLiteral("http://typed.example/"));
    clickSwatch(dialog);
    pickers.colorAnswer(Chosen);
    click(dialog, "Command5");
    pickers.fileAnswer(session.ctx.file("new.bmp"));
    QVERIFY(child<QPushButton>(dialog, "Command6")->isEnabled());
    click(dialog, "Command2");

    QVERIFY(closed(dialog));
    QCOMPARE(session.ctx.readFile(QStringLiteral("Wavecrest.ini")), settingsBefore);
    QCOMPARE(session.main->backgroundColorValue(), colorBefore);
    QCOMPARE(session.main->backgroundPicture().size(), QSize(4, 4));
}

void TestPreferencesDialog::okAndApply_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("choosePicture");
    QTest::addColumn<bool>("closes");

    QTest::newRow("OK, picture chosen") << "Command1" << true << true;
    QTest::newRow("Apply, picture chosen") << "Command6" << true << false;
    QTest::newRow("OK, picture removed") << "Command1" << false << true;
    QTest::newRow("Apply, picture removed") << "Command6" << false << false;
}

void TestPreferencesDialog::okAndApply()
{
    QFETCH(QString, button);
    QFETCH(bool, choosePicture);
    QFETCH(bool, closes);
    Session session;
    QPointer<PreferencesDialog> dialog = session.openPreferences();
    ScriptedPickers pickers;
    pickers.install(dialog);
    const QString newPicture = session.ctx.file(QStringLiteral("new.bmp"));

    retype(child<QLineEdit>(dialog, "Text1"), QStringLiteral("http://new.example/"));
    clickSwatch(dialog);
    pickers.colorAnswer(Chosen);
    if (choosePicture) {
        click(dialog, "Command5");
        pickers.fileAnswer(newPicture);
    } else {
        child<QLineEdit>(dialog, "Text2")->clear();
    }
    click(dialog, button.toLatin1().constData());

    QCOMPARE(closed(dialog), closes);
    QCOMPARE(session.ctx.context->setting(HomePage), QStringLiteral("http://new.example/"));
    QCOMPARE(session.ctx.context->setting(Background), choosePicture ? newPicture : QString());
    QCOMPARE(session.main->backgroundColorValue(), ColorValue::fromColor(Chosen));
    QCOMPARE(session.main->backgroundPicture().size(), choosePicture ? QSize(8, 8) : QSize(0, 0));
    if (!closes)
        QVERIFY(child<QPushButton>(dialog, "Command6")->isEnabled());

    // What was applied is also what the next start shows.
    const std::unique_ptr<BrowserWindow> restarted(session.startMainWindow());
    QCOMPARE(restarted->backgroundPicture().size(), choosePicture ? QSize(8, 8) : QSize(0, 0));
}

void TestPreferencesDialog::applyKeepsSystemColour()
{
    Session session;
    QCOMPARE(session.main->backgroundColorValue(), ColorValue::ButtonFace);
    PreferencesDialog *dialog = session.openPreferences();

    retype(child<QLineEdit>(dialog, "Text1"), QStringLiteral("http://new.example/"));
    click(dialog, "Command6");

    // A colour the user did not touch stays the system colour it names.
    QCOMPARE(session.main->backgroundColorValue(), ColorValue::ButtonFace);
}

void TestPreferencesDialog::pickers_data()
{
    QTest::addColumn<bool>("colour");
    QTest::addColumn<bool>("realDialog");
    QTest::addColumn<bool>("confirm");

    for (bool colour : {true, false}) {
        for (bool realDialog : {false, true}) {
            for (bool confirm : {false, true}) {
                QTest::addRow("%s, %s, %s", colour ? "colour" : "file",
                    realDialog ? "real dialog" : "scripted", confirm ? "confirmed" : "cancelled")
                    << colour << realDialog << confirm;
            }
        }
    }
}

void TestPreferencesDialog::pickers()
{
    QFETCH(bool, colour);
    QFETCH(bool, realDialog);
    QFETCH(bool, confirm);
    Session session;
    session.main->setBackgroundColorValue(ColorValue::fromColor(Qt::darkGreen));
    PreferencesDialog *dialog = session.openPreferences();
    ScriptedPickers pickers;
    if (!realDialog)
        pickers.install(dialog);
    const QString oldPath = child<QLineEdit>(dialog, "Text2")->text();
    const QString newPath = session.ctx.file(QStringLiteral("new.bmp"));

    if (colour)
        clickSwatch(dialog);
    else
        click(dialog, "Command5");
    if (realDialog && colour) {
        auto *picker = dialog->findChild<QColorDialog *>();
        QVERIFY(picker && picker->isVisible());
        QCOMPARE(picker->currentColor(), QColor(Qt::darkGreen));
        picker->setCurrentColor(Chosen);
        confirm ? picker->accept() : picker->reject();
    } else if (realDialog) {
        auto *picker = dialog->findChild<QFileDialog *>();
        QVERIFY(picker && picker->isVisible());
        picker->selectFile(newPath);
        QDialog *asDialog = picker;
        confirm ? asDialog->accept() : asDialog->reject();
    } else if (confirm) {
        colour ? pickers.colorAnswer(Chosen) : pickers.fileAnswer(newPath);
    }

    QCOMPARE(swatchColor(dialog), colour && confirm ? Chosen : QColor(Qt::darkGreen));
    QCOMPARE(child<QLineEdit>(dialog, "Text2")->text(), !colour && confirm ? newPath : oldPath);
    QCOMPARE(child<QPushButton>(dialog, "Command6")->isEnabled(), confirm);
    QCOMPARE(session.main->backgroundColorValue(), ColorValue::fromColor(Qt::darkGreen));
}

void TestPreferencesDialog::pictureFilter()
{
    Session session;
    PreferencesDialog *dialog = session.openPreferences();
    ScriptedPickers pickers;
    pickers.install(dialog);

    click(dialog, "Command5");

    QCOMPARE(pickers.fileFilters,
        (QList<QStringList>{{"All Image Files (*.bmp *.gif *.jpg)", "JPG Images (*.jpg)",
            "GIF Images (*.gif)", "BMP Images (*.bmp)"}}));
}

void TestPreferencesDialog::pickerAnswerAfterClose()
{
    Session session;
    QPointer<PreferencesDialog> dialog = session.openPreferences();
    ScriptedPickers pickers;
    pickers.install(dialog);
    clickSwatch(dialog);
    click(dialog, "Command5");
    click(dialog, "Command2");
    QVERIFY(closed(dialog));

    pickers.colorAnswer(Chosen);
    pickers.fileAnswer(session.ctx.file(QStringLiteral("new.bmp")));

    QCOMPARE(session.main->backgroundColorValue(), ColorValue::ButtonFace);
    QCOMPARE(session.main->backgroundPicture().size(), QSize(4, 4));
}

void TestPreferencesDialog::clearing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("clearsHistory");

    QTest::newRow("Clear Address Bar") << "Command3" << true;
    QTest::newRow("Clear Favorites") << "Command4" << false;
}

void TestPreferencesDialog::clearing()
{
    QFETCH(QString, button);
    QFETCH(bool, clearsHistory);
    Session session;
    PreferencesDialog *dialog = session.openPreferences();
    const auto lists = [](BrowserWindow *window) {
        return QList<int>{child<QComboBox>(window, "Combo1")->count(),
            child<QComboBox>(window, "Combo2")->count(),
            child<QComboBox>(window, "Combo3")->count()};
    };
    QCOMPARE(lists(session.main), (QList<int>{2, 2, 2}));
    const QList<int> expected = clearsHistory ? QList<int>{0, 2, 2} : QList<int>{2, 0, 0};

    click(dialog, button.toLatin1().constData());

    QCOMPARE(lists(session.main), expected);
    if (clearsHistory)
        QCOMPARE(child<QComboBox>(session.main, "Combo1")->currentText(), QString());
    QCOMPARE(QFile::exists(session.ctx.file(QStringLiteral("Address.lst"))), !clearsHistory);
    QCOMPARE(QFile::exists(session.ctx.file(QStringLiteral("Favorties.lst"))), clearsHistory);
    QCOMPARE(QFile::exists(session.ctx.file(QStringLiteral("Favorites2.lst"))), clearsHistory);
    QVERIFY(!child<QPushButton>(dialog, "Command6")->isEnabled());

    session.main->saveToSettings();
    const std::unique_ptr<BrowserWindow> restarted(session.startMainWindow());
    QCOMPARE(lists(restarted.get()), expected);
}

void TestPreferencesDialog::actsOnMainWindowFromSecondary()
{
    Session session;
    auto *secondary = qobject_cast<BrowserWindow *>(
        session.ctx.context->windows().open(QLatin1String(WindowNames::Secondary)));
    QVERIFY(secondary);
    const qint32 secondaryColor = secondary->backgroundColorValue();

    child<QAction>(secondary, "mnuEditPrefs")->trigger();
    auto *dialog = session.ctx.context->windows().find<PreferencesDialog>(
        QLatin1String(WindowNames::Preferences));
    QVERIFY(dialog);
    ScriptedPickers pickers;
    pickers.install(dialog);
    clickSwatch(dialog);
    pickers.colorAnswer(Chosen);
    click(dialog, "Command4");
    click(dialog, "Command6");

    QCOMPARE(session.main->backgroundColorValue(), ColorValue::fromColor(Chosen));
    QCOMPARE(child<QComboBox>(session.main, "Combo2")->count(), 0);
    QCOMPARE(secondary->backgroundColorValue(), secondaryColor);
    QCOMPARE(child<QComboBox>(secondary, "Combo2")->count(), 2);
}

void TestPreferencesDialog::oneInstanceReloadedAfterClose()
{
    Session session;
    QPointer<PreferencesDialog> first = session.openPreferences();
    QCOMPARE(session.openPreferences(), first.data());
    retype(child<QLineEdit>(first, "Text1"), QStringLiteral("http://typed.example/"));
    click(first, "Command2");
    QVERIFY(closed(first));

    PreferencesDialog *second = session.openPreferences();

    QCOMPARE(child<QLineEdit>(second, "Text1")->text(), QStringLiteral("http://old.example/"));
    int shown = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        shown += window->objectName() == QLatin1String("Form2") && window->isVisible();
    QCOMPARE(shown, 1);
}

WAVECREST_TEST(TestPreferencesDialog)
#include "tst_preferencesdialog.moc"
