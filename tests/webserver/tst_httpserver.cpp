#include "expectedpages.h"
#include "support/testregistry.h"
#include "testclient.h"
#include "webserver/httpserver.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

// The server under test serves the folder "site" of a temporary directory,
// so that a path leaving it has somewhere real to go.
class HttpServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void bareAnswers_data();
    void bareAnswers();
    void httpAnswers_data();
    void httpAnswers();
    void ignoredLinesLeaveTheConnectionWaiting_data();
    void ignoredLinesLeaveTheConnectionWaiting();
    void refusedPaths_data();
    void refusedPaths();
    void overlappingConnectionsGetTheirOwnAnswers();
    void requestLineSplitAcrossPauses();
    void idleConnectionsDoNotHoldUpOthers();
    void longLines_data();
    void longLines();
    void connectionsBeyondTheCapWait();
    void answerSurvivesTrailingRequestBytes();
    void stopEndsOpenConnections();
    void failedListenIsReported();

private:
    QString sitePath(const QString &name = QString()) const;
    void writeFile(const QString &path, const QByteArray &bytes) const;
    quint16 port() const { return m_server->serverPort(); }
    QByteArray address() const { return m_server->localAddress().toLatin1(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HttpServer> m_server;
};

QString HttpServerTest::sitePath(const QString &name) const
{
    return m_dir->filePath(QStringLiteral("site/") + name);
}

void HttpServerTest::writeFile(const QString &path, const QByteArray &bytes) const
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void HttpServerTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("site")));
    m_server = std::make_unique<HttpServer>(sitePath(), 0, QHostAddress::LocalHost);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    QVERIFY(port() != 0);
}

void HttpServerTest::cleanup()
{
    m_server.reset();
    m_dir.reset();
}

// Rows: a file to create (none when the name is empty), the request, and the
// answer; "<ip>" in the answer stands for the server's own address.
void HttpServerTest::bareAnswers_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray notFound = expectedNotFoundAnswer();
    const QByteArray binary("GIF89a\x00\x01\xff\r\n\x1a$i p", 18);

    QTest::newRow("index for /, $ip in any case")
        << "index.html" << QByteArray("<a href=\"http://$ip/\">$IP</a> $Ip$iP $i")
        << QByteArray("GET /\r\n")
        << QByteArray("<a href=\"http://<ip>/\"><ip></a> <ip><ip> $i\r\n");
    QTest::newRow("index missing") << QString() << QByteArray() << QByteArray("GET /\r\n")
                                   << expectedMissingIndexText() + "\r\n" + notFound;
    QTest::newRow("index.html asked for by name, missing")
        << QString() << QByteArray() << QByteArray("GET /index.html\r\n") << notFound;
    QTest::newRow("index.html without the slash, missing")
        << QString() << QByteArray() << QByteArray("GET index.html\r\n")
        << expectedMissingIndexText() + "\r\n" + notFound;
    QTest::newRow("other file missing")
        << "index.html" << QByteArray("home") << QByteArray("GET /other.html\r\n") << notFound;
    QTest::newRow("query makes it another file")
        << "a.html" << QByteArray("page a") << QByteArray("GET /a.html?x=1\r\n") << notFound;
    QTest::newRow("query is part of the file name")
        << "q.html?x=1" << QByteArray("page q") << QByteArray("GET /q.html?x=1\r\n")
        << QByteArray("page q\r\n");
    QTest::newRow("no %-decoding") << "a%20b.html" << QByteArray("spaced")
                                   << QByteArray("GET /a%20b.html\r\n") << QByteArray("spaced\r\n");
    QTest::newRow("page without $ip sent as stored")
        << "picture.gif" << binary << QByteArray("GET /picture.gif\r\n") << binary + "\r\n";
    QTest::newRow("empty file") << "empty.html" << QByteArray() << QByteArray("GET /empty.html\n")
                                << QByteArray("\r\n");
    QTest::newRow("subfolder") << "docs/a.htm" << QByteArray("in docs")
                               << QByteArray("GET /docs/a.htm\r\n") << QByteArray("in docs\r\n");
    QTest::newRow("doubled slashes")
        << "docs/a.htm" << QByteArray("in docs") << QByteArray("GET //docs//a.htm\r\n")
        << QByteArray("in docs\r\n");
    QTest::newRow("folder is no file")
        << "docs/a.htm" << QByteArray("in docs") << QByteArray("GET /docs\r\n") << notFound;
    QTest::newRow("hidden file is no file")
        << ".hidden" << QByteArray("secret") << QByteArray("GET /.hidden\r\n") << notFound;
    QTest::newRow("other version gets the bare answer")
        << "a.html" << QByteArray("page a") << QByteArray("GET /a.html HTTP/0.9\r\n")
        << QByteArray("page a\r\n");
    QTest::newRow("headers after a bare line are not read")
        << "a.html" << QByteArray("page a")
        << QByteArray("GET /a.html\r\nHost: x\r\nGET /b.html HTTP/1.1\r\n\r\n")
        << QByteArray("page a\r\n");
}

void HttpServerTest::bareAnswers()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);

    if (!file.isEmpty())
        writeFile(sitePath(file), content);
    const auto received = fetch(port(), request);
    QVERIFY(received);
    QCOMPARE(*received, answer.replace("<ip>", address()));
}

void HttpServerTest::httpAnswers_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");

    const QByteArray notFound = expectedNotFoundAnswer();
    const QByteArray page = "<html>$IP</html>";
    const QByteArray pageBody = "<html><ip></html>\r\n";

    QTest::newRow("HTTP/1.0 file") << "a.html" << page << QByteArray("GET /a.html HTTP/1.0\r\n\r\n")
                                   << QByteArray("200 OK") << QByteArray("text/html") << pageBody;
    QTest::newRow("HTTP/1.1 with headers")
        << "a.html" << page
        << QByteArray("GET /a.html HTTP/1.1\r\nHost: localhost\r\nAccept: */*\r\n\r\n")
        << QByteArray("200 OK") << QByteArray("text/html") << pageBody;
    QTest::newRow("index for /") << "index.html" << page << QByteArray("GET / HTTP/1.1\r\n\r\n")
                                 << QByteArray("200 OK") << QByteArray("text/html") << pageBody;
    QTest::newRow("plain text") << "notes.txt" << QByteArray("notes")
                                << QByteArray("GET /notes.txt HTTP/1.0\r\n\r\n")
                                << QByteArray("200 OK") << QByteArray("text/plain")
                                << QByteArray("notes\r\n");
    QTest::newRow("style sheet") << "site.css" << QByteArray("p{}")
                                 << QByteArray("GET /site.css HTTP/1.1\r\n\r\n")
                                 << QByteArray("200 OK") << QByteArray("text/css")
                                 << QByteArray("p{}\r\n");
    QTest::newRow("missing file") << QString() << QByteArray()
                                  << QByteArray("GET /gone.html HTTP/1.1\r\n\r\n")
                                  << QByteArray("404 Not Found") << QByteArray("text/html")
                                  << notFound;
    QTest::newRow("missing index")
        << QString() << QByteArray() << QByteArray("GET / HTTP/1.0\r\n\r\n")
        << QByteArray("404 Not Found") << QByteArray("text/html")
        << expectedMissingIndexText() + "\r\n" + notFound;
    QTest::newRow("POST") << "a.html" << page << QByteArray("POST /a.html HTTP/1.1\r\n\r\n")
                          << QByteArray("501 Not Implemented") << QByteArray() << QByteArray();
    QTest::newRow("lower-case get with a version")
        << "a.html" << page << QByteArray("get /a.html HTTP/1.0\r\n\r\n")
        << QByteArray("501 Not Implemented") << QByteArray() << QByteArray();
}

void HttpServerTest::httpAnswers()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);

    if (!file.isEmpty())
        writeFile(sitePath(file), content);
    body.replace("<ip>", address());
    const auto received = fetch(port(), request);
    QVERIFY(received);
    QCOMPARE(*received, httpHead(status, contentType, body.size()) + body);
}

void HttpServerTest::ignoredLinesLeaveTheConnectionWaiting_data()
{
    QTest::addColumn<QByteArray>("ignored");

    QTest::newRow("lower-case get") << QByteArray("get /a.html\r\n");
    QTest::newRow("other method, no version") << QByteArray("POST /a.html\r\n");
    QTest::newRow("GET without a path") << QByteArray("GET \r\n");
    QTest::newRow("GET alone") << QByteArray("GET\r\n");
    QTest::newRow("empty line") << QByteArray("\r\n");
    QTest::newRow("several lines") << QByteArray("HELO there\r\nHost: x\r\n\n");
}

void HttpServerTest::ignoredLinesLeaveTheConnectionWaiting()
{
    QFETCH(QByteArray, ignored);

    writeFile(sitePath(QStringLiteral("a.html")), "page a");
    // The ignored line gets no answer and the connection stays open: the
    // request after it is answered alone.
    const auto received = fetch(port(), ignored + "GET /a.html\r\n");
    QVERIFY(received);
    QCOMPARE(*received, QByteArray("page a\r\n"));
}

void HttpServerTest::refusedPaths_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray notFound = expectedNotFoundAnswer();
    QTest::newRow("parent folder") << QByteArray("GET /../outside.html\r\n") << notFound;
    QTest::newRow("parent of a subfolder")
        << QByteArray("GET /docs/../../outside.html\r\n") << notFound;
    QTest::newRow("parent segment, even staying inside")
        << QByteArray("GET /docs/../a.html\r\n") << notFound;
    QTest::newRow("parent segment at the end") << QByteArray("GET /docs/..\r\n") << notFound;
    QTest::newRow("backslash") << QByteArray("GET /a\\b.html\r\n") << notFound;
    QTest::newRow("backslash parent") << QByteArray("GET /..\\outside.html\r\n") << notFound;
    QTest::newRow("NUL byte") << QByteArray("GET /a.html\0.txt\r\n", 19) << notFound;
    QTest::newRow("settings file") << QByteArray("GET /Wavecrest.ini\r\n") << notFound;
    QTest::newRow("address history") << QByteArray("GET /Address.lst\r\n") << notFound;
    QTest::newRow("favourite titles") << QByteArray("GET /Favorties.lst\r\n") << notFound;
    QTest::newRow("favourite addresses") << QByteArray("GET //./Favorites2.lst\r\n") << notFound;
    QTest::newRow("versioned parent folder")
        << QByteArray("GET /../outside.html HTTP/1.1\r\n\r\n")
        << httpHead("404 Not Found", "text/html", notFound.size()) + notFound;
    QTest::newRow("versioned settings file")
        << QByteArray("GET /Wavecrest.ini HTTP/1.0\r\n\r\n")
        << httpHead("404 Not Found", "text/html", notFound.size()) + notFound;
}

void HttpServerTest::refusedPaths()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);

    // Every file asked for exists where the path would lead.
    writeFile(m_dir->filePath(QStringLiteral("outside.html")), "outside the data directory");
    writeFile(sitePath(QStringLiteral("a.html")), "page a");
    writeFile(sitePath(QStringLiteral("a\\b.html")), "name with a backslash");
    writeFile(sitePath(QStringLiteral("docs/x.html")), "docs");
    for (const char *name : {"Wavecrest.ini", "Address.lst", "Favorties.lst", "Favorites2.lst"})
        writeFile(sitePath(QLatin1String(name)), "private");
    QVERIFY(QFile::exists(sitePath(QStringLiteral("docs/../../outside.html"))));

    const auto received = fetch(port(), request);
    QVERIFY(received);
    QCOMPARE(*received, answer);
}

void HttpServerTest::overlappingConnectionsGetTheirOwnAnswers()
{
    const int count = 200;
    QList<QByteArray> contents;
    for (int i = 0; i < count; ++i) {
        contents.append(
            "file " + QByteArray::number(i) + ' ' + QByteArray(i * 37, char('a' + i % 26)));
        writeFile(sitePath(QStringLiteral("f%1.html").arg(i)), contents.last());
    }

    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < count; ++i)
        clients.push_back(std::make_unique<TestClient>(port()));
    QVERIFY(waitUntil([&] {
        return std::all_of(
            clients.begin(), clients.end(), [](const auto &c) { return c->isConnected(); });
    }));
    // All are connected before any asks; they ask in the reverse order.
    for (int i = count - 1; i >= 0; --i) {
        const QByteArray path = "/f" + QByteArray::number(i) + ".html";
        clients[i]->send(
            i % 2 ? "GET " + path + "\r\n" : "GET " + path + " HTTP/1.1\r\nHost: x\r\n\r\n");
    }
    QVERIFY(waitUntil([&] {
        return std::all_of(
            clients.begin(), clients.end(), [](const auto &c) { return c->isClosed(); });
    }));
    for (int i = 0; i < count; ++i) {
        const QByteArray body = contents[i] + "\r\n";
        const QByteArray expected
            = i % 2 ? body : httpHead("200 OK", "text/html", body.size()) + body;
        QCOMPARE(clients[i]->received, expected);
    }
}

void HttpServerTest::requestLineSplitAcrossPauses()
{
    writeFile(sitePath(QStringLiteral("split.html")), "split page");
    TestClient client(port());
    QVERIFY(waitUntil([&] { return client.isConnected(); }));
    for (const char *piece : {"GE", "T /spl", "it.html HT", "TP/1.", "1\r"}) {
        client.send(piece);
        QTest::qWait(100);
        QVERIFY(client.received.isEmpty());
        QVERIFY(!client.isClosed());
    }
    client.send("\nHost: x\r\n\r\n");
    QVERIFY(waitUntil([&] { return client.isClosed(); }));
    QCOMPARE(client.received, httpHead("200 OK", "text/html", 12) + "split page\r\n");
}

void HttpServerTest::idleConnectionsDoNotHoldUpOthers()
{
    writeFile(sitePath(QStringLiteral("a.html")), "page a");
    m_server->setIdleLimitMs(3000);
    QSignalSpy accepted(m_server.get(), &HttpServer::connectionAccepted);

    std::vector<std::unique_ptr<TestClient>> idle;
    for (int i = 0; i < 50; ++i) {
        idle.push_back(std::make_unique<TestClient>(port()));
        // Half say nothing, half start a request line and never end it.
        if (i % 2)
            idle.back()->send("GET /a.html HTTP/1.1");
    }
    QVERIFY(waitUntil([&] { return accepted.count() == 50; }));

    for (int i = 0; i < 20; ++i) {
        const auto received = fetch(port(), "GET /a.html\r\n");
        QVERIFY(received);
        QCOMPARE(*received, QByteArray("page a\r\n"));
    }
    // The quiet ones are closed once their time is up, without an answer.
    QVERIFY(waitUntil([&] {
        return std::all_of(idle.begin(), idle.end(), [](const auto &c) { return c->isClosed(); });
    }));
    for (const auto &client : idle)
        QCOMPARE(client->received, QByteArray());
}

void HttpServerTest::longLines_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<bool>("answered");

    const QByteArray longest = "GET /" + QByteArray(8192 - 5, 'a');
    QTest::newRow("8 KiB line") << QByteArrayList{longest + "\r\n"} << true;
    QTest::newRow("8 KiB line in pieces") << QByteArrayList{longest.first(3000),
        longest.sliced(3000, 3000), longest.sliced(6000), "\r\n"}
                                          << true;
    QTest::newRow("one byte over, ended") << QByteArrayList{longest + "a\r\n"} << false;
    QTest::newRow("one byte over, in pieces")
        << QByteArrayList{longest.first(5000), longest.sliced(5000) + "a"} << false;
    QTest::newRow("64 KiB, no line break") << QByteArrayList{QByteArray(64 * 1024, 'G')} << false;
}

void HttpServerTest::longLines()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(bool, answered);

    TestClient client(port());
    QVERIFY(waitUntil([&] { return client.isConnected(); }));
    for (const QByteArray &piece : pieces) {
        client.send(piece);
        QTest::qWait(50);
    }
    QVERIFY(waitUntil([&] { return client.isClosed(); }));
    QCOMPARE(client.received, answered ? expectedNotFoundAnswer() : QByteArray());
}

void HttpServerTest::connectionsBeyondTheCapWait()
{
    writeFile(sitePath(QStringLiteral("a.html")), "page a");
    QSignalSpy accepted(m_server.get(), &HttpServer::connectionAccepted);
    std::vector<std::unique_ptr<TestClient>> idle;
    for (int i = 0; i < HttpServer::MaxRequestsInProgress; ++i)
        idle.push_back(std::make_unique<TestClient>(port()));
    QVERIFY(waitUntil([&] { return accepted.count() == HttpServer::MaxRequestsInProgress; }));

    TestClient late(port());
    QVERIFY(waitUntil([&] { return late.isConnected(); }));
    late.send("GET /a.html\r\n");
    QTest::qWait(300);
    QCOMPARE(accepted.count(), HttpServer::MaxRequestsInProgress);
    QVERIFY(late.received.isEmpty());

    // A place frees: the waiting one is taken and answered.
    idle.front()->disconnectFromServer();
    QVERIFY(waitUntil([&] { return late.isClosed(); }));
    QCOMPARE(late.received, QByteArray("page a\r\n"));
    QCOMPARE(accepted.count(), HttpServer::MaxRequestsInProgress + 1);
}

void HttpServerTest::answerSurvivesTrailingRequestBytes()
{
    QByteArray big;
    for (int i = 0; big.size() < 2 * 1024 * 1024; ++i)
        big += "line " + QByteArray::number(i) + "\n";
    writeFile(sitePath(QStringLiteral("big.txt")), big);

    // The client goes on sending while the answer is under way; the server
    // must finish the answer and close without resetting the connection.
    TestClient client(port());
    QVERIFY(waitUntil([&] { return client.isConnected(); }));
    client.send("GET /big.txt\r\n");
    QTimer junk;
    connect(&junk, &QTimer::timeout, &client, [&client] {
        if (!client.isClosed())
            client.send(QByteArray(4096, 'x'));
    });
    junk.start(1);
    QVERIFY(
        waitUntil([&] { return client.received.size() >= big.size() + 2 || client.isClosed(); }));
    junk.stop();
    QVERIFY(waitUntil([&] { return client.isClosed(); }));
    QCOMPARE(client.received.size(), big.size() + 2);
    QVERIFY(client.received == big + "\r\n");
}

void HttpServerTest::stopEndsOpenConnections()
{
    QSignalSpy accepted(m_server.get(), &HttpServer::connectionAccepted);
    TestClient silent(port());
    TestClient partial(port());
    partial.send("GET /a.ht");
    QVERIFY(waitUntil([&] { return accepted.count() == 2; }));

    const quint16 oldPort = port();
    m_server->stop();
    QVERIFY(!m_server->isListening());
    QVERIFY(waitUntil([&] { return silent.isClosed() && partial.isClosed(); }));
    QCOMPARE(silent.received + partial.received, QByteArray());

    TestClient refused(oldPort);
    QVERIFY(waitUntil([&] { return refused.isClosed(); }));
    QVERIFY(!refused.isConnected());
}

void HttpServerTest::failedListenIsReported()
{
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    HttpServer second(sitePath(), holder.serverPort(), QHostAddress::LocalHost);
    QVERIFY(!second.start());
    QVERIFY(!second.isListening());
    QVERIFY2(second.errorString().contains(QLatin1String("in use"), Qt::CaseInsensitive),
        qPrintable(second.errorString()));
}

WAVECREST_TEST(HttpServerTest)
#include "tst_httpserver.moc"
