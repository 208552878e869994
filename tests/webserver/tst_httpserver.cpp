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

    void answers_data();
    void answers();
    void ignoredLinesLeaveTheConnectionWaiting_data();
    void ignoredLinesLeaveTheConnectionWaiting();
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
    // Every file a row asks for exists where its path would lead, the index
    // page apart, which the rows bring themselves.
    const QList<std::pair<QString, QByteArray>> files = {
        {"../outside.html", "outside the data directory"},
        {"a.html", "page a"},
        {"q.html?x=1", "page q"},
        {"a%20b.html", "spaced"},
        {"picture.gif", QByteArray("GIF89a\x00\x01\xff\r\n\x1a$i p", 16)},
        {"empty.html", ""},
        {"docs/a.htm", "in docs"},
        {".hidden", "secret"},
        {"notes.txt", "notes"},
        {"site.css", "p{}"},
        {"a\\b.html", "name with a backslash"},
        {"Wavecrest.ini", "private"},
        {"Address.lst", "private"},
        {"Favorties.lst", "private"},
        {"Favorites2.lst", "private"},
    };
    for (const auto &[name, content] : files)
        writeFile(sitePath(name), content);
    m_server = std::make_unique<HttpServer>(sitePath(), 0, QHostAddress::LocalHost);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    QVERIFY(port() != 0);
}

void HttpServerTest::cleanup()
{
    m_server.reset();
    m_dir.reset();
}

// A row without a status expects the bare answer, one with a status the
// same body after a status line and headers. "<ip>" stands for the server's
// own address.
void HttpServerTest::answers_data()
{
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("body");

    const QByteArray notFound = expectedNotFoundAnswer();
    const QByteArray missingIndex = expectedMissingIndexText() + "\r\n" + notFound;
    const QByteArray index = "<a href=\"http://$ip/\">$IP</a> $Ip$iP $i";
    const QByteArray indexBody = "<a href=\"http://<ip>/\"><ip></a> <ip><ip> $i\r\n";
    const auto row = [](const char *name, const QByteArray &index, const QByteArray &request,
                         const QByteArray &status, const QByteArray &type, const QByteArray &body) {
        QTest::newRow(name) << index << request << status << type << body;
    };
    const QByteArray ok = "200 OK", missing = "404 Not Found", html = "text/html";

    row("index for /, $ip in any case", index, "GET /\r\n", {}, {}, indexBody);
    row("index missing", {}, "GET /\r\n", {}, {}, missingIndex);
    row("index.html by name, missing", {}, "GET /index.html\r\n", {}, {}, notFound);
    row("index.html without the slash, missing", {}, "GET index.html\n", {}, {}, missingIndex);
    row("other file missing", index, "GET /other.html\r\n", {}, {}, notFound);
    row("query makes it another file", {}, "GET /a.html?x=1\r\n", {}, {}, notFound);
    row("query is part of the file name", {}, "GET /q.html?x=1\r\n", {}, {}, "page q\r\n");
    row("no %-decoding", {}, "GET /a%20b.html\r\n", {}, {}, "spaced\r\n");
    row("page without $ip sent as stored", {}, "GET /picture.gif\r\n", {}, {},
        QByteArray("GIF89a\x00\x01\xff\r\n\x1a$i p\r\n", 18));
    row("empty file", {}, "GET /empty.html\r\n", {}, {}, "\r\n");
    row("subfolder, doubled slashes", {}, "GET //docs//a.htm\r\n", {}, {}, "in docs\r\n");
    row("folder is no file", {}, "GET /docs\r\n", {}, {}, notFound);
    row("hidden file is no file", {}, "GET /.hidden\r\n", {}, {}, notFound);
    row("other version gets the bare answer", {}, "GET /a.html HTTP/0.9\r\n", {}, {}, "page a\r\n");
    row("lines after a bare request are not read", {},
        "GET /a.html\r\nGET /notes.txt HTTP/1.1\r\n\r\n", {}, {}, "page a\r\n");

    row("HTTP/1.0", index, "GET / HTTP/1.0\r\n\r\n", ok, html, indexBody);
    row("HTTP/1.1 with headers", {}, "GET /a.html HTTP/1.1\r\nHost: x\r\n\r\n", ok, html,
        "page a\r\n");
    row("plain text", {}, "GET /notes.txt HTTP/1.0\r\n\r\n", ok, "text/plain", "notes\r\n");
    row("style sheet", {}, "GET /site.css HTTP/1.1\r\n\r\n", ok, "text/css", "p{}\r\n");
    row("HTTP, missing file", {}, "GET /gone.html HTTP/1.1\r\n\r\n", missing, html, notFound);
    row("HTTP, missing index", {}, "GET / HTTP/1.0\r\n\r\n", missing, html, missingIndex);
    row("POST", {}, "POST /a.html HTTP/1.1\r\n\r\n", "501 Not Implemented", {}, {});
    row("lower-case get with a version", {}, "get /a.html HTTP/1.0\r\n\r\n", "501 Not Implemented",
        {}, {});

    row("parent folder", {}, "GET /../outside.html\r\n", {}, {}, notFound);
    row("parent of a subfolder", {}, "GET /docs/../../outside.html\r\n", {}, {}, notFound);
    row("parent segment, even staying inside", {}, "GET /docs/../a.html\r\n", {}, {}, notFound);
    row("backslash", {}, "GET /a\\b.html\r\n", {}, {}, notFound);
    row("NUL byte", {}, QByteArray("GET /a.html\0.txt\r\n", 19), {}, {}, notFound);
    row("settings file", {}, "GET /Wavecrest.ini\r\n", {}, {}, notFound);
    row("address history", {}, "GET /Address.lst\r\n", {}, {}, notFound);
    row("favourite titles", {}, "GET /Favorties.lst\r\n", {}, {}, notFound);
    row("favourite addresses", {}, "GET //./Favorites2.lst\r\n", {}, {}, notFound);
    row("HTTP, parent folder", {}, "GET /../outside.html HTTP/1.1\r\n\r\n", missing, html,
        notFound);
    row("HTTP, settings file", {}, "GET /Wavecrest.ini HTTP/1.0\r\n\r\n", missing, html, notFound);
}

void HttpServerTest::answers()
{
    QFETCH(QByteArray, index);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, body);

    if (!index.isNull())
        writeFile(sitePath(QStringLiteral("index.html")), index);
    body.replace("<ip>", m_server->localAddress().toLatin1());
    const auto received = fetch(port(), request);
    QVERIFY(received);
    QCOMPARE(*received, status.isEmpty() ? body : httpHead(status, type, body.size()) + body);
}

void HttpServerTest::ignoredLinesLeaveTheConnectionWaiting_data()
{
    QTest::addColumn<QByteArray>("ignored");

    QTest::newRow("lower-case get") << QByteArray("get /a.html\r\n");
    QTest::newRow("other method, no version") << QByteArray("POST /a.html\r\n");
    QTest::newRow("GET without a path") << QByteArray("GET \r\n");
    QTest::newRow("several lines") << QByteArray("HELO there\r\nHost: x\r\n\n");
}

void HttpServerTest::ignoredLinesLeaveTheConnectionWaiting()
{
    QFETCH(QByteArray, ignored);

    // The ignored line gets no answer and the connection stays open: the
    // request after it is answered alone.
    const auto received = fetch(port(), ignored + "GET /a.html\r\n");
    QVERIFY(received);
    QCOMPARE(*received, QByteArray("page a\r\n"));
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
    TestClient client(port());
    QVERIFY(waitUntil([&] { return client.isConnected(); }));
    for (const char *piece : {"GE", "T /a.h", "tml HT", "TP/1.", "1\r"}) {
        client.send(piece);
        QTest::qWait(100);
        QVERIFY(client.received.isEmpty());
        QVERIFY(!client.isClosed());
    }
    client.send("\nHost: x\r\n\r\n");
    QVERIFY(waitUntil([&] { return client.isClosed(); }));
    QCOMPARE(client.received, httpHead("200 OK", "text/html", 8) + "page a\r\n");
}

void HttpServerTest::idleConnectionsDoNotHoldUpOthers()
{
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
    QTest::newRow("8 KiB line in pieces")
        << QByteArrayList{longest.first(5000), longest.sliced(5000), "\r\n"} << true;
    QTest::newRow("one byte over, in pieces")
        << QByteArrayList{longest.first(5000), longest.sliced(5000) + "a"} << false;
    QTest::newRow("one byte over, ended") << QByteArrayList{longest + "a\r\n"} << false;
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
