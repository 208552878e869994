#include "app/applicationshell.h"
#include "app/applicationwindows.h"
#include "app/splashscreen.h"
#include "browser/browserwindow.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString settingsFile = QStringLiteral("Wavecrest.ini");

} // namespace

class TestApplicationShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunWritesDefaults();
    void settingsAndListsRoundTrip();
    void badColourIsReplacedAtExit();
    void splashEndsOnce_data();
    void splashEndsOnce();
    void splashShowsTitleAndVersion();
    void failedListSaveIsReportedAndTheRestSaved();
};

void TestApplicationShell::firstRunWritesDefaults()
{
    TestContext ctx;
    ApplicationShell shell(*ctx.context);
    QSignalSpy finished(&shell, &ApplicationShell::finished);
    shell.start();

    BrowserWindow *window = shell.mainWindow();
    QVERIFY(window);
    QVERIFY(!window->isVisible());
    QCOMPARE(ctx.engines.first()->navigations, QStringList{QStringLiteral("about:blank")});

    window->close();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(ctx.readFile(settingsFile), QByteArray("[Wavecrest]\r\nColor=-2147483633\r\n"));
    for (const char *list : {"Address.lst", "Favorties.lst", "Favorites2.lst"}) {
        QVERIFY2(QFile::exists(ctx.file(QLatin1String(list))), list);
        QCOMPARE(ctx.readFile(QLatin1String(list)), QByteArray());
    }
}

void TestApplicationShell::settingsAndListsRoundTrip()
{
    TestContext ctx;
    const QByteArray settings = "; kept\r\n[Wavecrest]\r\nHomePage=http://127.0.0.1/\r\n"
                                "Color=16711680\r\n";
    const QByteArray history = "first\r\n\"with, comma\"\r\nCaf\xc3\xa9\r\n";
    const QByteArray titles = "Alpha\r\nBeta\r\n";
    const QByteArray addresses = "http://a.example/\r\nhttp://b.example/\r\n";
    ctx.writeFile(settingsFile, settings);
    ctx.writeFile(QStringLiteral("Address.lst"), history);
    ctx.writeFile(QStringLiteral("Favorties.lst"), titles);
    ctx.writeFile(QStringLiteral("Favorites2.lst"), addresses);

    ApplicationShell shell(*ctx.context);
    shell.start();
    BrowserWindow *window = shell.mainWindow();
    QCOMPARE(window->backgroundColorValue(), 16711680);
    QCOMPARE(ctx.engines.first()->navigations, QStringList{QStringLiteral("http://127.0.0.1/")});
    auto *addressBar = window->findChild<QComboBox *>(QStringLiteral("Combo1"));
    QCOMPARE(addressBar->count(), 3);
    QCOMPARE(addressBar->itemText(1), QStringLiteral("with, comma"));
    QCOMPARE(window->findChild<QComboBox *>(QStringLiteral("Combo3"))->itemText(1),
        QStringLiteral("http://b.example/"));

    window->close();
    QCOMPARE(ctx.readFile(settingsFile), settings);
    QCOMPARE(ctx.readFile(QStringLiteral("Address.lst")), history);
    QCOMPARE(ctx.readFile(QStringLiteral("Favorties.lst")), titles);
    QCOMPARE(ctx.readFile(QStringLiteral("Favorites2.lst")), addresses);
}

void TestApplicationShell::badColourIsReplacedAtExit()
{
    TestContext ctx;
    ctx.writeFile(settingsFile, "[Wavecrest]\r\nColor=abc\r\n");
    ApplicationShell shell(*ctx.context);
    shell.start();
    QCOMPARE(shell.mainWindow()->backgroundColorValue(), qint32(0x8000000F));
    shell.mainWindow()->close();
    QCOMPARE(ctx.readFile(settingsFile), QByteArray("[Wavecrest]\r\nColor=-2147483633\r\n"));
}

void TestApplicationShell::splashEndsOnce_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("endsAtOnce");
    QTest::newRow("timer") << "timer" << false;
    QTest::newRow("character key") << "key" << true;
    QTest::newRow("click on the frame") << "frame" << true;
    QTest::newRow("click on a label") << "label" << false;
    QTest::newRow("shift alone") << "shift" << false;
}

void TestApplicationShell::splashEndsOnce()
{
    QFETCH(QString, trigger);
    QFETCH(bool, endsAtOnce);
    TestContext ctx;
    ApplicationShell shell(*ctx.context);
    shell.start();
    QPointer<SplashScreen> splash = shell.splash();
    QVERIFY(splash && splash->isVisible());
    QSignalSpy ended(splash.data(), &SplashScreen::finished);

    if (trigger == QLatin1String("key")) {
        QTest::keyClick(splash.data(), Qt::Key_A);
    } else if (trigger == QLatin1String("shift")) {
        QTest::keyClick(splash.data(), Qt::Key_Shift);
    } else if (trigger == QLatin1String("frame")) {
        QTest::mouseClick(splash->findChild<QFrame *>(QStringLiteral("Frame1")), Qt::LeftButton, {},
            QPoint(5, 5));
    } else if (trigger == QLatin1String("label")) {
        QTest::mouseClick(splash->findChild<QLabel *>(QStringLiteral("lblCompany")), Qt::LeftButton,
            {}, QPoint(2, 2));
    }
    QCOMPARE(ended.count(), endsAtOnce ? 1 : 0);
    QCOMPARE(shell.mainWindow()->isVisible(), endsAtOnce);

    QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 5000);
    QVERIFY(shell.mainWindow()->isVisible());
    QVERIFY(shell.mainWindow()->windowState() & Qt::WindowMaximized);
    // The timer of an ended splash never shows the window a second time.
    QTest::qWait(SplashScreen::DisplayMilliseconds + 100);
    QCOMPARE(ended.count(), 1);
}

void TestApplicationShell::splashShowsTitleAndVersion()
{
    SplashScreen splash{QIcon()};
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblProductName"))->text(),
        QStringLiteral("Wavecrest"));
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
        QStringLiteral("Version 2.0.0"));
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblCompany"))->text(),
        QStringLiteral("Brimlow"));
}

void TestApplicationShell::failedListSaveIsReportedAndTheRestSaved()
{
    TestContext ctx;
    // A folder where the history file belongs cannot be replaced by a file.
    QVERIFY(QDir(ctx.dir.path()).mkdir(QStringLiteral("Address.lst")));
    MessageBoxRecorder boxes;
    ApplicationShell shell(*ctx.context);
    QSignalSpy finished(&shell, &ApplicationShell::finished);
    shell.start();
    shell.mainWindow()->close();

    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().caption, QStringLiteral("Wavecrest"));
    QCOMPARE(boxes.boxes.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!boxes.boxes.first().text.isEmpty());
    QVERIFY(QFile::exists(ctx.file(QStringLiteral("Favorites2.lst"))));
    QCOMPARE(finished.count(), 1);
}

WAVECREST_TEST(TestApplicationShell)
#include "tst_applicationshell.moc"
