#include "app/applicationshell.h"
#include "app/commandline.h"
#include "app/runninginstance.h"
#include "settings/textfile.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

// What comes from outside: the command line, later starts, the files found.
class OutsideTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLineAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("error");
        QTest::newRow("web") << "https://a.example/" << QString();
        QTest::newRow("script") << "javascript:alert(1)"
                                << "refused to open a \"javascript:\" address; only http, https, "
                                   "ftp and file addresses and about:blank are opened from outside";
        QTest::newRow("data") << "data:text/html,x"
                              << "refused to open a \"data:\" address";
    }
    void commandLineAddresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, error);
        const CommandLine parsed = parseCommandLine({"wavecrest", address}, QDir::currentPath());
        QCOMPARE(
            parsed.action, error.isEmpty() ? CommandLine::Action::Run : CommandLine::Action::Fail);
        QVERIFY2(parsed.error.startsWith(error), qPrintable(parsed.error));
    }

    // A later start never runs beside the copy that runs: what it cannot
    // hand over, it ends with a word why.
    void laterStartsEndWithAWord_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("handed over") << "https://a.example/" << QString();
        QTest::newRow("too long") << "https://a.example/"
                + QString(70000,
                    u'a') << "The address is too long to be handed to the Wavecrest that runs.";
        QTest::newRow("refused by the copy that runs")
            << "javascript:document.cookie"
            << "The Wavecrest that runs refused the address.";
    }
    void laterStartsEndWithAWord()
    {
        QFETCH(QString, address);
        QFETCH(QString, refusal);
        QTemporaryDir runtime;
        RunningInstance running(runtime.filePath("data"), runtime.path());
        QVERIFY(running.claim(QString()));
        QSignalSpy received(&running, &RunningInstance::addressReceived);
        RunningInstance later(runtime.filePath("data"), runtime.path());
        std::atomic<int> claimed = -1;
        std::thread start([&] { claimed = later.claim(address); });
        QTRY_VERIFY_WITH_TIMEOUT(claimed >= 0, 10000);
        start.join();
        QCOMPARE(claimed, 0);
        QCOMPARE(later.refusal(), refusal);
        QCOMPARE(received.count(), refusal.isEmpty() ? 1 : 0);
    }

    // Files too large to be the program's own are named at start.
    void largeFilesAreNamedAtStart()
    {
        TestContext ctx;
        QFile list(ctx.file("Favorites2.lst"));
        QVERIFY(list.open(QIODevice::WriteOnly) && list.resize(MaxTextFileBytes + 1));
        MessageBoxRecorder boxes;
        ApplicationShell shell(*ctx.context);
        shell.start();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.startsWith("Favorites2.lst is larger than 16 MiB"));
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::Warning);
    }
};

WAVECREST_TEST(OutsideTest)
#include "tst_outside.moc"
