#include "support/testregistry.h"
#include "webserver/serverlog.h"

#include <QSignalSpy>
#include <QTest>

#include <thread>

class ServerLogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Entries cross from the server's thread to the window's: when more come
    // than the log shows, the newest wait; the window hears once a batch.
    void keepsTheNewestAndTellsOncePerBatch()
    {
        ServerLog log(3);
        QSignalSpy waiting(&log, &ServerLog::linesWaiting);
        const auto taken = [&log] {
            QStringList texts;
            for (const ServerLog::Entry &entry : log.takeAll())
                texts.append(entry.text);
            return texts;
        };
        std::thread([&log] {
            for (const char *line : {"0", "1", "2", "3", "4"})
                log.append(line);
        }).join();
        QCOMPARE(std::pair(waiting.size(), taken()),
            std::pair(qsizetype(1), QStringList{"2", "3", "4"}));
        log.append("next");
        QCOMPARE(std::pair(waiting.size(), taken()), std::pair(qsizetype(2), QStringList{"next"}));
    }
};

WAVECREST_TEST(ServerLogTest)
#include "tst_webserverlog.moc"
