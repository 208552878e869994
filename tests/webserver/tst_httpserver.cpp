#include "support/testregistry.h"
#include "webserver/generatedpages.h"
#include "webserver/httpserver.h"
#include "webserver/localip.h"
#include "webservertest.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

const QByteArray gif("GIF89a\x00\x01\xff\r\n\x1a$i p", 16);

// An answer to a request that named HTTP/1.0 or HTTP/1.1.
QByteArray http(const QByteArray &status, const QByteArray &type, const QByteArray &body)
{
    QByteArray head = "HTTP/1.0 " + status + "\r\n";
    if (!type.isEmpty())
        head += "Content-Type: " + type + "\r\n";
    return head + "Content-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

// Prints the status, the Content-Type and then the body as received.
const char pythonClient[] = R"(import http.client, sys
c = http.client.HTTPConnection('127.0.0.1', int(sys.argv[1]), timeout=20)
c.request('GET', sys.argv[2])
r = c.getresponse()
sys.stdout.buffer.write(b'%d %s|%s|' % (r.status, r.reason.encode(), r.getheader('Content-Type').encode()) + r.read()))";

} // namespace

// The server under test serves the folder "site" of a temporary directory,
// so that a path leaving it has somewhere real to go.
class HttpServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void answers_data();
    void answers();
    void replaceText_data();
    void replaceText();
    void overlappingConnectionsGetTheirOwnAnswers();
    void idleConnectionsNeitherBlockNorStay();
    void answerSurvivesTrailingRequestBytes();
    void realClients_data();
    void realClients();

private:
    void writeFile(const QString &name, const QByteArray &bytes) const;
    quint16 port() const { return m_server->serverPort(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HttpServer> m_server;
};

void HttpServerTest::writeFile(const QString &name, const QByteArray &bytes) const
{
    const QString path = m_dir->filePath(QStringLiteral("site/") + name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void HttpServerTest::init()
{
    m_server.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    // Each file holds its own name, so an answer shows which file was read.
    for (const char *name : {"../outside.html", "a.html", "q.html?x=1", "a%20b.html", "docs/a.htm",
             ".hidden", "notes.txt", "a\\b.html", "Wavecrest.ini", "Address.lst", "Favorties.lst",
             "Favorites2.lst"})
        writeFile(QString::fromLatin1(name), name);
    writeFile(QStringLiteral("picture.gif"), gif);
    writeFile(QStringLiteral("empty.html"), {});
    m_server = std::make_unique<HttpServer>(m_dir->filePath("site"), 0, QHostAddress::LocalHost);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
}

// The request goes out in pieces with a pause after each.
void HttpServerTest::answers_data()
{
    QTest::addColumn<bool>("index");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const QByteArray &name, const QByteArrayList &pieces,
                         const QByteArray &expected, bool index = false) {
        QTest::addRow("%s", name.constData()) << index << pieces << expected;
    };
    const QByteArray notFound = testData("notfound.txt"), noIndex = testData("missingindex.txt");
    const QByteArray ip = LocalIP().toLatin1();
    const QByteArray index = "<a href=\"http://" + ip + "/\">" + ip + "</a> " + ip + ip + " $i\r\n";
    const QByteArray ok = "200 OK", html = "text/html", a = "a.html\r\n";
    const QByteArray missing = "404 Not Found", notImplemented = "501 Not Implemented";

    row("index for /, $ip in any case", {"GET /\r\n"}, index, true);
    row("index missing", {"GET /\r\n"}, noIndex);
    row("index.html without the slash, missing", {"GET index.html\n"}, noIndex);
    row("index.html by name, missing", {"GET /index.html\r\n"}, notFound);
    row("other file missing", {"GET /other.html\r\n"}, notFound, true);
    row("query is part of the file name", {"GET /q.html?x=1\r\n"}, "q.html?x=1\r\n");
    row("no %-decoding", {"GET /a%20b.html\r\n"}, "a%20b.html\r\n");
    row("page without $ip sent as stored", {"GET /picture.gif\r\n"}, gif + "\r\n");
    row("empty file", {"GET /empty.html\r\n"}, "\r\n");
    row("subfolder, doubled slashes", {"GET //docs//a.htm\r\n"}, "docs/a.htm\r\n");
    row("folder is no file", {"GET /docs\r\n"}, notFound);
    row("hidden file is no file", {"GET /.hidden\r\n"}, notFound);
    row("lower-case get dropped, connection kept", {"get /notes.txt\r\n", "GET /a.html\r\n"}, a);
    row("lines that are no request dropped",
        {"POST /notes.txt\r\nGET \r\nHost: x\r\n\n", "GET /a.html\r\n"}, a);
    row("lines after a bare request not read", {"GET /a.html\r\nGET /notes.txt HTTP/1.1\r\n"}, a);
    row("other version: bare", {"GET /a.html HTTP/0.9\r\n"}, a);
    row("version not last: bare", {"GET /a.html HTTP/1.1 x\r\n"}, a);
    row("no space after GET", {"GET/a.html HTTP/1.0\r\n"}, http(ok, html, a));
    row("words between path and version", {"GET /a.html b HTTP/1.1\r\n"}, http(ok, html, a));

    row("HTTP/1.0, index", {"GET / HTTP/1.0\r\n\r\n"}, http(ok, html, index), true);
    row("HTTP/1.1 with headers", {"GET /notes.txt HTTP/1.1\r\nHost: x\r\n\r\n"},
        http(ok, "text/plain", "notes.txt\r\n"));
    row("HTTP, missing file", {"GET /gone.html HTTP/1.1\r\n\r\n"}, http(missing, html, notFound));
    row("HTTP, missing index", {"GET / HTTP/1.0\r\n\r\n"}, http(missing, html, noIndex));
    row("POST", {"POST /a.html HTTP/1.1\r\n\r\n"}, http(notImplemented, {}, {}));
    row("lower-case get with a version", {"get /a.html HTTP/1.0\r\n"},
        http(notImplemented, {}, {}));

    // Nothing outside the data directory, nor the user's private files.
    for (const QByteArray path :
        {"/../outside.html", "/docs/../../outside.html", "/docs/../a.html", "/a\\b.html",
            "/Wavecrest.ini", "/Address.lst", "/Favorties.lst", "//./Favorites2.lst"}) {
        row(path, {"GET " + path + "\r\n"}, notFound);
        row(path + " HTTP/1.1", {"GET " + path + " HTTP/1.1\r\n"}, http(missing, html, notFound));
    }
    row("NUL byte", {QByteArray("GET /a.html\0.txt\r\n", 19)}, notFound);

    row("request line split across pauses", {"GE", "T /a.h", "tml HT", "TP/1.", "1\r", "\n\r\n"},
        http(ok, html, a));
    const QByteArray longest = "GET /" + QByteArray(8192 - 5, 'a');
    row("8 KiB line in pieces", {longest.first(5000), longest.sliced(5000), "\r\n"}, notFound);
    row("one byte over, in pieces", {longest.first(5000), longest.sliced(5000) + "a"}, {});
    row("one byte over, ended", {longest + "a\r\n"}, {});
}

void HttpServerTest::answers()
{
    QFETCH(bool, index);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, expected);

    if (index)
        writeFile(QStringLiteral("index.html"), "<a href=\"http://$ip/\">$IP</a> $Ip$iP $i");
    TestClient client(port());
    // Until the last piece the connection waits, unanswered.
    for (const QByteArray &piece : pieces.first(pieces.size() - 1)) {
        client.socket.write(piece);
        QTest::qWait(100);
        QCOMPARE(client.received, QByteArray());
        QVERIFY(!client.closed);
    }
    client.socket.write(pieces.last());
    QVERIFY(QTest::qWaitFor([&] { return client.closed; }, 15000));
    QCOMPARE(client.received, expected);
}

void HttpServerTest::replaceText_data()
{
    QTest::addColumn<QByteArrayList>("textFindReplacementResult");

    QTest::newRow("letter first, either case found first")
        << QByteArrayList{"IP ip Ip iP", "ip", "x", "x x x x"};
    QTest::newRow("accented letters in Latin-1 case")
        << QByteArrayList{"caf\xc9 caf\xe9", "CAF\xe9", "tea", "tea tea"};
    QTest::newRow("replacement not searched again")
        << QByteArrayList{"a$ipb", "$ip", "$IP$ip", "a$IP$ipb"};
    QTest::newRow("overlapping candidates") << QByteArrayList{"aaa", "aa", "b", "ba"};
    QTest::newRow("nothing to find") << QByteArrayList{"text", "", "x", "text"};
}

void HttpServerTest::replaceText()
{
    QFETCH(QByteArrayList, textFindReplacementResult);
    const QByteArrayList &t = textFindReplacementResult;
    QCOMPARE(ReplaceText(t[0], t[1], t[2]), t[3]);
}

void HttpServerTest::overlappingConnectionsGetTheirOwnAnswers()
{
    const auto content = [](int i) {
        return "file " + QByteArray::number(i) + ' ' + QByteArray(i * 37, char('a' + i % 26));
    };
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 200; ++i) {
        writeFile(QStringLiteral("f%1.html").arg(i), content(i));
        clients.push_back(std::make_unique<TestClient>(port()));
    }
    QVERIFY(QTest::qWaitFor([&] {
        return std::ranges::all_of(clients,
            [](const auto &c) { return c->socket.state() == QAbstractSocket::ConnectedState; });
    }));
    // All are connected before any asks; they ask in the reverse order.
    for (int i = 199; i >= 0; --i) {
        const QByteArray line = "GET /f" + QByteArray::number(i) + ".html";
        clients[i]->socket.write(line + (i % 2 ? "\r\n" : " HTTP/1.1\r\n\r\n"));
    }
    QVERIFY(QTest::qWaitFor(
        [&] { return std::ranges::all_of(clients, [](const auto &c) { return c->closed; }); },
        30000));
    for (int i = 0; i < 200; ++i) {
        const QByteArray body = content(i) + "\r\n";
        QCOMPARE(clients[i]->received, i % 2 ? body : http("200 OK", "text/html", body));
    }
}

void HttpServerTest::idleConnectionsNeitherBlockNorStay()
{
    QSignalSpy accepted(m_server.get(), &HttpServer::connectionAccepted);
    std::vector<std::unique_ptr<TestClient>> idle;
    const auto openIdle = [&](int count) {
        accepted.clear();
        idle.clear();
        for (int i = 0; i < count; ++i) {
            idle.push_back(std::make_unique<TestClient>(port()));
            // Half say nothing, half start a request line and never end it.
            if (i % 2)
                idle.back()->socket.write("GET /a.html HTTP/1.1");
        }
        return QTest::qWaitFor([&] { return accepted.count() == count; });
    };

    // They do not hold up others, and are closed unanswered once their time
    // is up.
    m_server->setIdleLimitMs(3000);
    QVERIFY(openIdle(50));
    for (int i = 0; i < 20; ++i)
        QCOMPARE(fetch(port(), "GET /a.html\r\n"), QByteArray("a.html\r\n"));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return std::ranges::all_of(
                idle, [](const auto &c) { return c->closed && c->received.isEmpty(); });
        },
        15000));

    // With every place taken a client waits until one leaves.
    m_server->setIdleLimitMs(HttpServer::DefaultIdleLimitMs);
    QVERIFY(openIdle(HttpServer::MaxRequestsInProgress));
    TestClient late(port());
    late.socket.write("GET /a.html\r\n");
    QTest::qWait(300);
    QCOMPARE(late.received, QByteArray());
    idle.front()->socket.disconnectFromHost();
    QVERIFY(QTest::qWaitFor([&] { return late.closed; }, 15000));
    QCOMPARE(late.received, QByteArray("a.html\r\n"));
}

// The client goes on sending while the answer is under way; the server must
// finish the answer and close without resetting the connection.
void HttpServerTest::answerSurvivesTrailingRequestBytes()
{
    QByteArray big;
    while (big.size() < 2 * 1024 * 1024)
        big += "line " + QByteArray::number(big.size()) + "\n";
    writeFile(QStringLiteral("big.txt"), big);

    TestClient client(port());
    client.socket.write("GET /big.txt\r\n");
    QTimer junk;
    connect(&junk, &QTimer::timeout, &client.socket, [&client] {
        if (!client.closed)
            client.socket.write(QByteArray(4096, 'x'));
    });
    junk.start(1);
    QVERIFY(QTest::qWaitFor([&] { return client.received.size() > big.size() || client.closed; }));
    junk.stop();
    QVERIFY(QTest::qWaitFor([&] { return client.closed; }));
    QVERIFY(client.received == big + "\r\n");
}

// Arguments name the port as <port>.
void HttpServerTest::realClients_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");

    const QString url = QStringLiteral("http://127.0.0.1:<port>/");
    const QByteArray page = "page on " + LocalIP().toLatin1() + "\r\n";
    QTest::newRow("curl, HTTP/1.1")
        << "curl" << QStringList{"-sS", "--http1.1", "-D", "-", url + "a.html"}
        << http("200 OK", "text/html", "a.html\r\n");
    // curl cannot leave out the version, but a method that ends the line
    // makes the request line the bare "GET /index.html".
    QTest::newRow("curl, bare form")
        << "curl" << QStringList{"-sS", "--http0.9", "-X", "GET /index.html\r\n", url} << page;
    QTest::newRow("python http.client")
        << "python3" << QStringList{"-c", pythonClient, "<port>", "/index.html"}
        << "200 OK|text/html|" + page;
}

void HttpServerTest::realClients()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);

    writeFile(QStringLiteral("index.html"), "page on $ip");
    arguments.replaceInStrings(QStringLiteral("<port>"), QString::number(port()));
    QProcess client;
    client.start(program, arguments);
    QVERIFY2(client.waitForStarted(), qPrintable(program + ": " + client.errorString()));
    // The server runs in this thread: wait with the event loop running.
    QVERIFY(QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 30000));
    QCOMPARE(client.readAllStandardError(), QByteArray());
    QCOMPARE(client.exitCode(), 0);
    QCOMPARE(client.readAllStandardOutput(), output);
}

WAVECREST_TEST(HttpServerTest)
#include "tst_httpserver.moc"
