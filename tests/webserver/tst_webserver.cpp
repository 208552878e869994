#include "app/applicationwindows.h"
#include "core/windownames.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"
#include "webserver/httpresponder.h"
#include "webserver/httpserver.h"
#include "webserver/localip.h"
#include "webserver/serverhelpwindow.h"
#include "webserver/serverwindow.h"

#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

// A loopback client: sends its request once connected and keeps everything
// the server sends until the connection ends.
struct TestClient {
    TestClient(quint16 port, const QByteArray &request = {})
    {
        QObject::connect(
            &socket, &QTcpSocket::readyRead, &socket, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::stateChanged, &socket,
            [this](auto state) { closed = state == QAbstractSocket::UnconnectedState; });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.write(request);
    }

    QTcpSocket socket;
    QByteArray received;
    bool closed = false;
};
using Clients = std::vector<std::unique_ptr<TestClient>>;

bool allClosed(const Clients &clients)
{
    return std::ranges::all_of(clients, [](const auto &c) { return c->closed; });
}

QByteArray fetch(quint16 port, const QByteArray &request)
{
    TestClient client(port, request);
    return QTest::qWaitFor([&] { return client.closed; }, 15000) ? client.received : "(left open)";
}

// Expected bytes kept under data/: whole answers and texts, CR LF included.
QByteArray testData(const char *name)
{
    QFile file(QStringLiteral(WAVECREST_TEST_DATA_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An answer to a request that named HTTP/1.0 or HTTP/1.1.
QByteArray http(const QByteArray &status, const QByteArray &type, const QByteArray &body)
{
    return "HTTP/1.0 " + status + "\r\n"
        + (type.isEmpty() ? QByteArray() : "Content-Type: " + type + "\r\n") + "Content-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

const QByteArray gif("GIF89a\x00\x01\xff\r\n\x1a$i p", 16);

// Prints the status, the Content-Type and then the body as received.
const char pythonClient[] = R"(import http.client, sys
c = http.client.HTTPConnection('127.0.0.1', int(sys.argv[1]), timeout=20)
c.request('GET', sys.argv[2])
r = c.getresponse()
sys.stdout.buffer.write(f'{r.status} {r.reason}|{r.getheader("Content-Type")}|'.encode() + r.read()))";

} // namespace

// The server under test serves the folder "site" of the data directory, so
// that a path leaving it has somewhere real to go; the window serves the
// data directory itself.
class WebServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void answers_data();
    void answers();
    void overlappingConnectionsGetTheirOwnAnswers();
    void idleConnectionsNeitherBlockNorStay();
    void answerSurvivesTrailingRequestBytes();
    void fileChangedAfterServingIsServedAnew();
    void realClients_data();
    void realClients();
    void windowStartsServesLogsStopsAndCloses();
    void logKeepsTheNewestLines();
    void helpWindow();

private:
    quint16 port() const { return m_server->serverPort(); }
    void openWindow(quint16 port)
    {
        m_window = new ServerWindow(*m_test->context, port, QHostAddress::LocalHost);
        m_window->show();
    }
    QWidget *control(const char *name) const { return m_window->findChild<QWidget *>(name); }
    QString text(const char *name) const { return control(name)->property("text").toString(); }
    void click(const char *name) const { QTest::mouseClick(control(name), Qt::LeftButton); }
    // Whether Start and Stop can be clicked.
    std::pair<bool, bool> clickable() const
    {
        return {control("Command1")->isEnabled(), control("Command2")->isEnabled()};
    }
    QStringList shownLog() const
    {
        QStringList lines;
        for (const auto *item :
            m_window->findChild<QListWidget *>("List1")->findItems({}, Qt::MatchContains))
            lines.append(item->text());
        return lines;
    }

    std::unique_ptr<TestContext> m_test;
    std::unique_ptr<HttpServer> m_server;
    QPointer<ServerWindow> m_window;
};

void WebServerTest::init()
{
    m_test = std::make_unique<TestContext>();
    registerApplicationWindows(*m_test->context);
    QVERIFY(QDir(m_test->dir.path()).mkpath(QStringLiteral("site/docs")));
    // Each file holds its own name, so an answer shows which file was read.
    for (const char *name : {"../outside.html", "a.html", "q.html?x=1", "a%20b.html", "docs/a.htm",
             ".hidden", "notes.txt", "a\\b.html", "Wavecrest.ini", "Address.lst", "Favorties.lst",
             "Favorites2.lst"})
        m_test->writeFile(QStringLiteral("site/") + QLatin1String(name), name);
    m_test->writeFile(QStringLiteral("site/picture.gif"), gif);
    m_test->writeFile(QStringLiteral("site/empty.html"), {});
    m_server = std::make_unique<HttpServer>(m_test->file("site"), 0, QHostAddress::LocalHost);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
}

void WebServerTest::cleanup()
{
    delete m_window.data();
    m_server.reset();
    m_test.reset();
}

// The request goes out in pieces with a pause after each.
void WebServerTest::answers_data()
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
    const QByteArray ok = "200 OK", missing = "404 Not Found", html = "text/html", a = "a.html\r\n";

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
    row("POST", {"POST /a.html HTTP/1.1\r\n\r\n"}, http("501 Not Implemented", {}, {}));
    row("lower-case get with a version", {"get /a.html HTTP/1.0\r\n"},
        http("501 Not Implemented", {}, {}));

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

void WebServerTest::answers()
{
    QFETCH(bool, index);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, expected);

    if (index)
        m_test->writeFile(
            QStringLiteral("site/index.html"), "<a href=\"http://$ip/\">$IP</a> $Ip$iP $i");
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

void WebServerTest::overlappingConnectionsGetTheirOwnAnswers()
{
    const auto content = [](int i) {
        return "file " + QByteArray::number(i) + ' ' + QByteArray(i * 37, char('a' + i % 26));
    };
    Clients clients;
    for (int i = 0; i < 200; ++i) {
        m_test->writeFile(QStringLiteral("site/f%1.html").arg(i), content(i));
        const QByteArray line = "GET /f" + QByteArray::number(i) + ".html";
        clients.push_back(
            std::make_unique<TestClient>(port(), line + (i % 2 ? "\r\n" : " HTTP/1.1\r\n\r\n")));
    }
    QVERIFY(QTest::qWaitFor([&] { return allClosed(clients); }, 30000));
    for (int i = 0; i < 200; ++i) {
        const QByteArray body = content(i) + "\r\n";
        QCOMPARE(clients[i]->received, i % 2 ? body : http("200 OK", "text/html", body));
    }
}

void WebServerTest::idleConnectionsNeitherBlockNorStay()
{
    QSignalSpy accepted(m_server.get(), &HttpServer::connectionAccepted);
    Clients idle;
    const auto openIdle = [&](int count) {
        accepted.clear();
        idle.clear();
        // Half say nothing, half start a request line and never end it.
        for (int i = 0; i < count; ++i)
            idle.push_back(
                std::make_unique<TestClient>(port(), i % 2 ? "GET /a.html HTTP/1.1" : ""));
        return QTest::qWaitFor([&] { return accepted.count() == count; });
    };

    // They do not hold up others, and are closed unanswered once their time
    // is up.
    m_server->setIdleLimitMs(3000);
    QVERIFY(openIdle(50));
    for (int i = 0; i < 20; ++i)
        QCOMPARE(fetch(port(), "GET /a.html\r\n"), QByteArray("a.html\r\n"));
    QVERIFY(QTest::qWaitFor([&] { return allClosed(idle); }, 15000));
    for (const auto &client : idle)
        QCOMPARE(client->received, QByteArray());

    // With every place taken a client waits until one leaves.
    m_server->setIdleLimitMs(HttpServer::DefaultIdleLimitMs);
    QVERIFY(openIdle(HttpServer::MaxRequestsInProgress));
    TestClient late(port(), "GET /a.html\r\n");
    QTest::qWait(300);
    QCOMPARE(late.received, QByteArray());
    idle.front()->socket.disconnectFromHost();
    QVERIFY(QTest::qWaitFor([&] { return late.closed; }, 15000));
    QCOMPARE(late.received, QByteArray("a.html\r\n"));
}

// A page served often is kept ready; rewriting its file, even to the same
// size, must show at the next request.
void WebServerTest::fileChangedAfterServingIsServedAnew()
{
    m_test->writeFile(QStringLiteral("site/kept.html"), "old text");
    QTest::qWait((HttpResponder::SettleSeconds + 1) * 1000);
    for (int i = 0; i < 2; ++i)
        QCOMPARE(fetch(port(), "GET /kept.html\r\n"), QByteArray("old text\r\n"));
    m_test->writeFile(QStringLiteral("site/kept.html"), "new text");
    QCOMPARE(fetch(port(), "GET /kept.html\r\n"), QByteArray("new text\r\n"));
}

// The client goes on sending while the answer is under way; the server must
// finish the answer and close without resetting the connection.
void WebServerTest::answerSurvivesTrailingRequestBytes()
{
    QByteArray big;
    while (big.size() < 2 * 1024 * 1024)
        big += "line " + QByteArray::number(big.size()) + "\n";
    m_test->writeFile(QStringLiteral("site/big.txt"), big);

    TestClient client(port(), "GET /big.txt\r\n");
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
void WebServerTest::realClients_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");

    const QString url = QStringLiteral("http://127.0.0.1:<port>/");
    QTest::newRow("curl, HTTP/1.1")
        << "curl" << QStringList{"-sS", "--http1.1", "-D", "-", url + "a.html"}
        << http("200 OK", "text/html", "a.html\r\n");
    // curl cannot leave out the version, but a method that ends the line
    // makes the request line the bare "GET /a.html".
    QTest::newRow("curl, bare form")
        << "curl" << QStringList{"-sS", "--http0.9", "-X", "GET /a.html\r\n", url}
        << QByteArray("a.html\r\n");
    QTest::newRow("python http.client")
        << "python3" << QStringList{"-c", pythonClient, "<port>", "/a.html"}
        << QByteArray("200 OK|text/html|a.html\r\n");
}

void WebServerTest::realClients()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);

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

void WebServerTest::windowStartsServesLogsStopsAndCloses()
{
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    const quint16 port = holder.serverPort();
    openWindow(port);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Brimlow Web Server"));
    for (const auto &[name, shown] :
        {std::pair{"Label1", "Log On History"}, {"Label2", "Your IP Adress"}, {"Text1", ""},
            {"Command1", "Start"}, {"Command2", "Stop"}, {"Command3", "Help"}})
        QCOMPARE(text(name), QLatin1String(shown));
    QCOMPARE(clickable(), std::pair(true, false));

    // The port is taken: the user is told why and nothing pretends to run.
    MessageBoxRecorder recorder;
    click("Command1");
    QCOMPARE(recorder.boxes.size(), 1);
    const MessageBoxRequest &box = recorder.boxes.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY2(box.text.contains(QString::number(port)), qPrintable(box.text));
    QVERIFY2(box.text.contains(QLatin1String("in use"), Qt::CaseInsensitive), qPrintable(box.text));
    QCOMPARE(clickable(), std::pair(true, false));
    QCOMPARE(text("Text1"), QString());

    holder.close();
    m_test->writeFile(QStringLiteral("index.html"), "served from $IP");
    click("Command1");
    QCOMPARE(clickable(), std::pair(false, true));
    const QString shown = text("Text1");
    QVERIFY2(shown.startsWith(QLatin1String("http://")), qPrintable(shown));
    QCOMPARE(QHostAddress(shown.mid(7)).protocol(), QAbstractSocket::IPv4Protocol);
    // Pages name the server by the address the window shows.
    QCOMPARE(fetch(port, "GET /\r\n"), "served from " + shown.mid(7).toLatin1() + "\r\n");
    fetch(port, "GET /a%20b.html?x=1 HTTP/1.1\r\n\r\n");
    fetch(port, "GET /../Wavecrest.ini\r\n");
    TestClient waiting(port, "get /\r\n");
    QTRY_COMPARE(shownLog(),
        QStringList({"127.0.0.1 connected", "requested page: /", "127.0.0.1 connected",
            "requested page: /a%20b.html?x=1", "127.0.0.1 connected",
            "requested page: /../Wavecrest.ini", "127.0.0.1 connected"}));

    click("Command2");
    QCOMPARE(clickable(), std::pair(true, false));
    QCOMPARE(text("Text1"), QString());
    QCOMPARE(shownLog(), QStringList());
    QTRY_VERIFY(waiting.closed);
    QCOMPARE(waiting.received, QByteArray());
    TestClient refused(port);
    QTRY_VERIFY(refused.closed);
    QCOMPARE(refused.socket.error(), QAbstractSocket::ConnectionRefusedError);

    // Closing the window ends the server and its connections with it.
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    click("Command1");
    TestClient unfinished(port, "GET /unfinished");
    QTRY_COMPARE(shownLog().size(), 1);
    m_window->close();
    QTRY_VERIFY(m_window.isNull());
    QTRY_VERIFY(unfinished.closed);
    QCOMPARE(unfinished.received, QByteArray());
}

void WebServerTest::logKeepsTheNewestLines()
{
    openWindow(0);
    // A burst far larger than the log, as the server reports it, then more
    // once the log is full.
    const int burst = ServerWindow::MaxLogLines + 2500;
    for (int i = 0; i < burst; ++i)
        Q_EMIT m_window->server()->connectionAccepted(QString::number(i));
    QTRY_COMPARE(shownLog().size(), ServerWindow::MaxLogLines);
    for (int i = 0; i < 100; ++i)
        Q_EMIT m_window->server()->requestReceived("/more");
    QTRY_COMPARE(shownLog().last(), QStringLiteral("requested page: /more"));

    const QStringList lines = shownLog();
    QCOMPARE(lines.size(), ServerWindow::MaxLogLines);
    QCOMPARE(
        lines.first(), QString::number(burst + 100 - ServerWindow::MaxLogLines) + " connected");
    QCOMPARE(lines.at(lines.size() - 101), QString::number(burst - 1) + " connected");
}

void WebServerTest::helpWindow()
{
    openWindow(0);
    click("Command3");
    QPointer<QWidget> help
        = m_test->context->windows().find(QLatin1String(WindowNames::WebServerHelp));
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->windowTitle(), QStringLiteral("Web Server Help"));
    // Eight lines, each with its CR LF.
    QCOMPARE(ServerHelpWindow::helpText(), QString::fromLatin1(testData("help.txt")));
    QCOMPARE(help->findChild<QPlainTextEdit *>("Text1")->toPlainText(),
        ServerHelpWindow::helpText().replace("\r\n", "\n"));
    delete help.data();
}

WAVECREST_TEST(WebServerTest)
#include "tst_webserver.moc"
