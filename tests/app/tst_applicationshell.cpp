#include "app/applicationshell.h"
#include "app/splashscreen.h"
#include "browser/browserwindow.h"
#include "core/version.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// The data directory's files by name: their bytes, "/" for a folder in the
// file's place, "(none)" for no file.
using Files = QMap<QString, QByteArray>;

// The files before, how the program is asked to end, the files after, the
// page it opened at start and how many boxes it showed.
using StartAndEnd = std::tuple<Files, QString, Files, QString, int>;

const QByteArray DefaultColour = "[Wavecrest]\r\nColor=-2147483633\r\n";
const Files Unsaved = {{"Wavecrest.ini", "[Wavecrest]\r\nColor=abc\r\n"},
    {"Address.lst", "first,second\r\n"}, {"Favorties.lst", "(none)"}, {"Favorites2.lst", "(none)"}};
const Files Saved = {{"Wavecrest.ini", DefaultColour}, {"Address.lst", "first\r\nsecond\r\n"},
    {"Favorties.lst", ""}, {"Favorites2.lst", ""}};

} // namespace

class TestApplicationShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A list that cannot be saved is reported and the rest saved all the same.
    void startAndEnd_data()
    {
        QTest::addColumn<StartAndEnd>("row");
        const Files kept = {{"Wavecrest.ini",
                                "; kept\r\n[Wavecrest]\r\nHomePage=http://127.0.0.1/\r\n"
                                "Color=16711680\r\n"},
            {"Address.lst", "first\r\n\"with, comma\"\r\nCaf\xc3\xa9\r\n"},
            {"Favorties.lst", "Alpha\r\nBeta\r\n"},
            {"Favorites2.lst", "http://a.example/\r\nhttp://b.example/\r\n"}};
        const auto row = [](const char *name, const Files &before, const char *end,
                             const Files &after, const char *home = "about:blank", int boxes = 0) {
            QTest::newRow(name) << StartAndEnd{before, end, after, home, boxes};
        };
        row("first start writes the defaults", {}, "close",
            {{"Wavecrest.ini", DefaultColour}, {"Address.lst", ""}, {"Favorties.lst", ""},
                {"Favorites2.lst", ""}});
        row("settings and lists read and written back unchanged", kept, "close", kept,
            "http://127.0.0.1/");
        row("a colour that is no number written back as the default", Unsaved, "close", Saved);
        row("a list that cannot be saved is reported, the others saved", {{"Address.lst", "/"}},
            "close", {{"Address.lst", "/"}, {"Favorites2.lst", ""}}, "about:blank", 1);
        row("end asked before the main window exists: nothing saved", Unsaved, "before start",
            Unsaved);
        row("end asked while the splash is up", Unsaved, "splash", Saved);
        row("end asked once the main window is shown", Unsaved, "shown", Saved);
        row("end asked by the session manager", Unsaved, "session", Saved);
    }
    void startAndEnd()
    {
        QFETCH(StartAndEnd, row);
        const auto &[before, end, after, home, boxes] = row;
        TestContext ctx;
        for (auto file = before.cbegin(); file != before.cend(); ++file) {
            if (file.value() == "/")
                QVERIFY(QDir(ctx.dir.path()).mkdir(file.key()));
            else if (file.value() != "(none)")
                ctx.writeFile(file.key(), file.value());
        }
        MessageBoxRecorder recorder;
        ApplicationShell shell(*ctx.context);
        QSignalSpy finished(&shell, &ApplicationShell::finished);
        if (end != "before start") {
            shell.start();
            QVERIFY(!shell.mainWindow()->isVisible());
            QCOMPARE(ctx.engines.first()->navigations, QStringList{home});
        }
        if (end == "shown") {
            QTest::keyClick(shell.splash(), Qt::Key_A);
            QVERIFY(shell.mainWindow()->isVisible());
        }
        if (end == "close")
            shell.mainWindow()->close();
        else if (end == "session")
            Q_EMIT qGuiApp->commitDataRequest(*qGuiApp->findChild<QSessionManager *>());
        else
            shell.end();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!shell.mainWindow() || !shell.mainWindow()->isVisible());
        for (auto file = after.cbegin(); file != after.cend(); ++file) {
            const QFileInfo info(ctx.file(file.key()));
            QCOMPARE(info.isDir()   ? "/"
                    : info.exists() ? ctx.readFile(file.key())
                                    : "(none)",
                file.value());
        }
        QCOMPARE(recorder.boxes.size(), boxes);
        for (const MessageBoxRequest &box : std::as_const(recorder.boxes)) {
            QCOMPARE(box.caption, "Wavecrest");
            QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
            QVERIFY(!box.text.isEmpty());
        }
    }

    // The splash names the program, its version and maker, and ends once.
    void splashEndsOnce_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<bool>("endsAtOnce");
        QTest::newRow("the timer ends it") << "timer" << false;
        QTest::newRow("a character key ends it at once") << "key" << true;
        QTest::newRow("a click on the frame ends it at once") << "Frame1" << true;
        QTest::newRow("a click on a label does not") << "lblCompany" << false;
        QTest::newRow("Shift alone does not") << "shift" << false;
    }
    void splashEndsOnce()
    {
        QFETCH(QString, trigger);
        QFETCH(bool, endsAtOnce);
        TestContext ctx;
        ApplicationShell shell(*ctx.context);
        shell.start();
        QPointer<SplashScreen> splash = shell.splash();
        QVERIFY(splash && splash->isVisible());
        const auto text
            = [&](const char *name) { return splash->findChild<QLabel *>(name)->text(); };
        QCOMPARE(QStringList({text("lblProductName"), text("lblVersion"), text("lblCompany")}),
            QStringList({"Wavecrest", "Version " + productVersion(), "Brimlow"}));
        QSignalSpy ended(splash.data(), &SplashScreen::finished);
        if (trigger == "key" || trigger == "shift")
            QTest::keyClick(splash.data(), trigger == "key" ? Qt::Key_A : Qt::Key_Shift);
        else if (QWidget *clicked = splash->findChild<QWidget *>(trigger))
            QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(ended.count(), endsAtOnce ? 1 : 0);
        QCOMPARE(shell.mainWindow()->isVisible(), endsAtOnce);

        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);
        QVERIFY(shell.mainWindow()->isVisible());
        QVERIFY(shell.mainWindow()->windowState() & Qt::WindowMaximized);
        // The timer of an ended splash never shows the window a second time.
        QTest::qWait(SplashScreen::DisplayMilliseconds + 100);
        QCOMPARE(ended.count(), 1);
    }

    // A logout that sends its signal twice must not wait for a user who is
    // gone: the second request ends the program while the failed save's box
    // is up, without saving again.
    void secondEndRequestWhileTheSaveWaits()
    {
        TestContext ctx;
        QVERIFY(QDir(ctx.dir.path()).mkdir("Address.lst"));
        ApplicationShell shell(*ctx.context);
        QSignalSpy finished(&shell, &ApplicationShell::finished);
        shell.start();
        shell.end();
        QPointer<QMessageBox> box = shell.mainWindow()->findChild<QMessageBox *>();
        QVERIFY(box && box->isVisible());
        QCOMPARE(finished.count(), 0);
        QVERIFY(QFile::remove(ctx.file("Favorites2.lst")));

        shell.end();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!QFile::exists(ctx.file("Favorites2.lst")));
        // The box's going would have ended the program too; it must not end twice.
        delete box.data();
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
    }
};

WAVECREST_TEST(TestApplicationShell)
#include "tst_applicationshell.moc"
