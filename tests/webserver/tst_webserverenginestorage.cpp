#include "engine/webengineprofile.h"
#include "support/testregistry.h"
#include "webserver/httpserver.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>

// An installed copy: its data directory is the per-user one, where older
// versions had the page engine keep its profile. After the start a crawl of
// the server gets nothing the engine wrote, neither from the profile moved
// away nor from what an older version may write into the old place again.
class WebServerEngineStorageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void crawlGetsNothingTheEngineWrote()
    {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", home.filePath("cache").toLocal8Bit());
        const QDir data(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        QVERIFY(data.mkpath(oldWebEngineStorageFolder()));
        write(oldWebEngineStorageFolder() + "/Cookies", "sign-in");
        write(data.filePath("index.html"),
            "<script>document.cookie = 'session=1; max-age=9999'; localStorage.x = 'y';"
            "document.title = 'stored'</script>");

        // What main() does at start.
        moveOldWebEngineStorage();
        QWebEnginePage page(sharedWebEngineProfile());
        HttpServer server(data.path(), 0, QHostAddress::LocalHost);
        server.setPrivateFolders(webEngineStorageFolders());
        QVERIFY(server.start());
        QCOMPARE(read(webEngineStorageFolder() + "/Cookies"), QByteArray("sign-in"));

        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort())));
        QVERIFY(QTest::qWaitFor([&] { return page.title() == "stored"; }, 30000));
        // An older version started meanwhile.
        QVERIFY(data.mkpath(oldWebEngineStorageFolder()));
        write(oldWebEngineStorageFolder() + "/Cookies", "again");

        int crawled = 0;
        QDirIterator files(data.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = data.relativeFilePath(files.next());
            const QByteArray answer
                = fetch(server.serverPort(), QUrl::toPercentEncoding(path, "/"));
            QCOMPARE(answer.left(12), path == "index.html" ? "HTTP/1.1 200" : "HTTP/1.1 404");
            ++crawled;
        }
        QCOMPARE(crawled, 2);
        QVERIFY(
            QDir(webEngineStorageFolder()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size()
            > 1);
    }

private:
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QByteArray fetch(quint16 port, const QByteArray &path)
    {
        QTcpSocket socket;
        QByteArray received;
        connect(&socket, &QTcpSocket::readyRead, &socket, [&] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.write("GET /" + path + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
        return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; })
            ? received
            : QByteArray();
    }
};

WAVECREST_TEST(WebServerEngineStorageTest)
#include "tst_webserverenginestorage.moc"
