#include "support/testregistry.h"
#include "webserver/serverlog.h"

#include <QSignalSpy>
#include <QTest>

#include <thread>

// Lines cross from the server's thread to the window's: when more come than
// the log shows, the newest wait; the window hears once for each batch.
class ServerLogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsTheNewestAndTellsOncePerBatch_data()
    {
        QTest::addColumn<int>("added");
        QTest::addColumn<QStringList>("taken");
        QTest::newRow("fewer than the log holds") << 2 << QStringList{"0", "1"};
        QTest::newRow("more than the log holds") << 5 << QStringList{"2", "3", "4"};
    }
    void keepsTheNewestAndTellsOncePerBatch()
    {
        QFETCH(int, added);
        QFETCH(QStringList, taken);
        ServerLog log(3);
        QSignalSpy waiting(&log, &ServerLog::linesWaiting);
        std::thread server([&log, added] {
            for (int i = 0; i < added; ++i)
                log.append(QString::number(i));
        });
        server.join();
        QCOMPARE(waiting.size(), 1);
        QCOMPARE(log.takeAll(), taken);
        log.append("next");
        QCOMPARE(waiting.size(), 2);
        QCOMPARE(log.takeAll(), QStringList{"next"});
    }
};

WAVECREST_TEST(ServerLogTest)
#include "tst_webserverlog.moc"
