#include "support/testregistry.h"
#include "webserver/httpserver.h"
#include "webserver/serverlog.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

class WebServerLogAndTypesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Lines cross from the server's thread to the window's: when more come
    // than the log shows, the newest wait; the window hears once a batch.
    void logKeepsTheNewestAndTellsOncePerBatch_data()
    {
        QTest::addColumn<int>("added");
        QTest::addColumn<QStringList>("taken");
        QTest::newRow("fewer than the log holds") << 2 << QStringList{"0", "1"};
        QTest::newRow("more than the log holds") << 5 << QStringList{"2", "3", "4"};
    }
    void logKeepsTheNewestAndTellsOncePerBatch()
    {
        QFETCH(int, added);
        QFETCH(QStringList, taken);
        ServerLog log(3);
        QSignalSpy waiting(&log, &ServerLog::linesWaiting);
        std::thread([&log, added] {
            for (int i = 0; i < added; ++i)
                log.append(QString::number(i));
        }).join();
        QCOMPARE(std::pair(waiting.size(), log.takeAll()), std::pair(qsizetype(1), taken));
        log.append("next");
        QCOMPARE(
            std::pair(waiting.size(), log.takeAll()), std::pair(qsizetype(2), QStringList{"next"}));
    }

    // A type read from a file's first bytes holds while the file stays as it
    // is; another file put in its place under the same name gets its own.
    void replacedFileGetsItsOwnType_data()
    {
        QTest::addColumn<QByteArrayList>("contents");
        const QByteArray pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n",
                         page = "<html><body>x</body></html>";
        QTest::newRow("a document, then a page") << QByteArrayList{pdf, page};
        QTest::newRow("a page, then a document") << QByteArrayList{page, pdf};
    }
    void replacedFileGetsItsOwnType()
    {
        QFETCH(QByteArrayList, contents);
        QTemporaryDir dir;
        HttpServer server(dir.path(), 0, QHostAddress::LocalHost);
        QVERIFY(server.start());
        for (const QByteArray &content : contents) {
            QFile file(dir.filePath("clip"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) > 0 && file.flush());
            QTcpSocket client;
            client.connectToHost(QHostAddress::LocalHost, server.serverPort());
            client.write("GET /clip HTTP/1.0\r\n\r\n");
            QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
            const char *type = content.startsWith('%') ? "application/pdf" : "text/html";
            QVERIFY(client.readAll().contains(QByteArray("\r\nContent-Type: ") + type + "\r\n"));
        }
    }
};

WAVECREST_TEST(WebServerLogAndTypesTest)
#include "tst_webserverlogandtypes.moc"
