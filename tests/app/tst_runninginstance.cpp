#include "app/applicationshell.h"
#include "app/runninginstance.h"
#include "browser/browserwindow.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QtNetwork>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

// A later start runs in a thread of its own, as it would in a process of its
// own, while this thread's event loop lets the running copy answer.
bool claimElsewhere(RunningInstance &later, const QString &address)
{
    std::atomic<int> result = -1;
    std::thread start([&] { result = later.claim(address) ? 1 : 0; });
    const bool ended = QTest::qWaitFor([&] { return result >= 0; }, 10000);
    start.join();
    return ended && result == 1;
}

} // namespace

class TestRunningInstance : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_runtime;
    QString runtime() const { return m_runtime->path(); }
    QString dataDirectory(const char *name) const { return m_runtime->filePath(name); }
    // The running copy's socket and lock, as found in the runtime folder.
    QStringList channelFiles() const
    {
        return QDir(runtime()).entryList(QDir::System | QDir::Files | QDir::Hidden);
    }

private Q_SLOTS:
    void init() { m_runtime.emplace(); }

    void laterStartsHandOver_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("an address reaches the running copy")
            << QStringLiteral("http://example.test/a b?c=d#e");
        QTest::newRow("no address: the running copy comes to the front") << QString();
        QTest::newRow("letters beyond ASCII arrive whole")
            << QStringLiteral("https://b\u00fccher.example/\u00e9");
    }
    void laterStartsHandOver()
    {
        QFETCH(QString, address);
        RunningInstance running(dataDirectory("one"), runtime());
        QVERIFY(running.claim(QString()));
        QSignalSpy received(&running, &RunningInstance::addressReceived);

        for (int start = 0; start < 2; ++start) {
            RunningInstance later(dataDirectory("one"), runtime());
            QVERIFY(!claimElsewhere(later, address));
        }
        QCOMPARE(received.count(), 2);
        QCOMPARE(received.last().first().toString(), address);
    }

    // Portable copies in other folders keep their own files, so they run
    // side by side; with no lock to be had at all, the program runs alone.
    void copiesElsewhereAndWithoutLocksRun()
    {
        RunningInstance one(dataDirectory("one"), runtime());
        RunningInstance other(dataDirectory("other"), runtime());
        RunningInstance alone(dataDirectory("one"), m_runtime->filePath("missing/folder"));
        QVERIFY(one.claim(QString()) && other.claim(QString()) && alone.claim(QString()));
    }

    // A copy that was killed leaves its socket and a lock naming a process
    // that is gone; neither stops the next start.
    void killedCopyLeavesNothingInTheWay()
    {
        QStringList leftovers;
        {
            RunningInstance killed(dataDirectory("one"), runtime());
            QVERIFY(killed.claim(QString()));
            leftovers = channelFiles();
        }
        QCOMPARE(leftovers.size(), 2);
        for (const QString &name : leftovers) {
            QFile file(m_runtime->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name.endsWith(".lock")
                    ? "999999999\nwavecrest\n" + QSysInfo::machineHostName().toUtf8() + '\n'
                    : QByteArray("not a socket"));
        }
        RunningInstance next(dataDirectory("one"), runtime());
        QVERIFY(next.claim(QString()));
        QSignalSpy received(&next, &RunningInstance::addressReceived);
        RunningInstance later(dataDirectory("one"), runtime());
        QVERIFY(!claimElsewhere(later, QStringLiteral("http://after.test/")));
        QCOMPARE(received.count(), 1);
    }

    // Whatever else connects is turned away without an address: an endless
    // line, a line too long.
    void strangersAreTurnedAway_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("no line end") << QByteArray(RunningInstance::MaxMessageBytes + 10, 'a');
        QTest::newRow("a line too long")
            << QByteArray(RunningInstance::MaxMessageBytes, 'a') + '\n';
    }
    void strangersAreTurnedAway()
    {
        QFETCH(QByteArray, message);
        RunningInstance running(dataDirectory("one"), runtime());
        QVERIFY(running.claim(QString()));
        QSignalSpy received(&running, &RunningInstance::addressReceived);
        const QString socket = channelFiles().filter(QRegularExpression("^[^.]+$")).value(0);
        QLocalSocket stranger;
        stranger.connectToServer(m_runtime->filePath(socket));
        QTRY_COMPARE(stranger.state(), QLocalSocket::ConnectedState);
        stranger.write(message);
        QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(received.count(), 0);
    }

    // The running copy's main window opens what a later start asked for.
    void mainWindowOpensTheAddress()
    {
        TestContext ctx;
        ApplicationShell shell(*ctx.context);
        shell.start();
        shell.open(QStringLiteral("http://later.test/"));
        QCOMPARE(ctx.engines.first()->navigations.last(), QStringLiteral("http://later.test/"));
    }
};

WAVECREST_TEST(TestRunningInstance)
#include "tst_runninginstance.moc"
