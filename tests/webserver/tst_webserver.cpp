#include "app/applicationwindows.h"
#include "core/windownames.h"
#include "platform/socketshutdown.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"
#include "webserver/fileanswer.h"
#include "webserver/httpserver.h"
#include "webserver/localip.h"
#include "webserver/preparedpages.h"
#include "webserver/serverhelpwindow.h"
#include "webserver/serverwindow.h"

#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A client on a plain socket with a small receive buffer, which reads only
// when told to: the server meets a client that takes its answer slowly or
// not at all, and the system cannot hide that behind megabytes of buffers.
struct RawClient {
    RawClient(quint16 port, const QByteArray &request)
    {
        const int small = 16 * 1024;
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::send(fd, request.constData(), size_t(request.size()), 0) == request.size();
    }
    ~RawClient() { ::close(fd); }

    // Takes what has arrived, at most `limit` bytes; notes the end.
    void read(qsizetype limit = 1 << 30)
    {
        char buffer[64 * 1024];
        while (!closed && limit > 0) {
            const ssize_t n
                = ::recv(fd, buffer, size_t(qMin<qsizetype>(limit, sizeof buffer)), MSG_DONTWAIT);
            if (n <= 0) {
                closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
                return;
            }
            received.append(buffer, n);
            limit -= n;
        }
    }

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool connected = false;
    QByteArray received;
    bool closed = false;
};

// Expected bytes kept under data/: whole answers and texts, CR LF included.
QByteArray testData(const char *name)
{
    QFile file(QStringLiteral(WAVECREST_TEST_DATA_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An answer to a request that named an HTTP version, its date left open;
// a length < 0 leaves Content-Length out.
QByteArray http(
    const QByteArray &status, const QByteArray &type, const QByteArray &body, qint64 length)
{
    return "HTTP/1.0 " + status + "\r\nDate: (date)\r\n"
        + (type.isEmpty() ? QByteArray() : "Content-Type: " + type + "\r\n")
        + (length < 0 ? QByteArray() : "Content-Length: " + QByteArray::number(length) + "\r\n")
        + "Connection: close\r\n\r\n" + body;
}

QByteArray http(const QByteArray &status, const QByteArray &type, const QByteArray &body)
{
    return http(status, type, body, body.size());
}

// The answer's head without its body, as HEAD gets it.
QByteArray headOf(const QByteArray &answer)
{
    return answer.first(answer.indexOf("\r\n\r\n") + 4);
}

QByteArray bodyOf(const QByteArray &answer)
{
    return answer.sliced(headOf(answer).size());
}

// An answer with its Date header's value checked and taken out, so that
// answers compare byte for byte.
QByteArray withoutDate(QByteArray answer)
{
    const qsizetype start = answer.indexOf("\r\nDate: ");
    if (start < 0 || !answer.startsWith("HTTP/"))
        return answer;
    const qsizetype end = answer.indexOf("\r\n", start + 2);
    const QByteArray value = answer.mid(start + 8, end - start - 8);
    const QDateTime date = QDateTime::fromString(
        QString::fromLatin1(value).replace(QLatin1String(" GMT"), QLatin1String(" +0000")),
        Qt::RFC2822Date);
    const bool now = date.isValid() && value.endsWith(" GMT")
        && qAbs(date.secsTo(QDateTime::currentDateTimeUtc())) < 120;
    return answer.replace(start + 8, end - start - 8, now ? "(date)" : "(wrong date) " + value);
}

const QByteArray gif("GIF89a\x00\x01\xff\r\n\x1a$IP p", 16);

// Prints the status, the Content-Type and then the body as received.
const char pythonClient[] = R"(import http.client, sys
c = http.client.HTTPConnection('127.0.0.1', int(sys.argv[1]), timeout=20)
c.request('GET', sys.argv[2])
r = c.getresponse()
sys.stdout.buffer.write(f'{r.status} {r.reason}|{r.getheader("Content-Type")}|'.encode() + r.read()))";

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The test runs itself as a second process to starve a server of file
// descriptors without starving the test: with this variable set the
// executable only serves the folder it names.
constexpr char ChildServerVariable[] = "WAVECREST_TEST_CHILD_SERVER";
constexpr int ChildSpareDescriptors = 24;

int serveAsChild()
{
    HttpServer server(qEnvironmentVariable(ChildServerVariable), 0, QHostAddress::LocalHost);
    // Answered clients that never close hold their descriptors.
    server.setLimits({10 * 1000, 60 * 1000});
    QObject::connect(&server, &HttpServer::acceptingPaused, [] { std::puts("paused"); });
    QObject::connect(&server, &HttpServer::acceptingResumed, [] { std::puts("resumed"); });
    if (!server.start())
        return 2;
    // Room for what runs already and a handful of clients: new descriptors
    // take the lowest free numbers below the limit.
    QSet<int> open;
    for (const QString &entry : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files))
        open.insert(entry.toInt());
    rlim_t limit = 0;
    for (int free = 0; free < ChildSpareDescriptors; ++limit)
        free += open.contains(int(limit)) ? 0 : 1;
    const rlimit limits{limit, limit};
    setrlimit(RLIMIT_NOFILE, &limits);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("port %u\n", unsigned(server.serverPort()));
    // Ends with the test that started it.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
    return QCoreApplication::exec();
}

// CPU time a process has used, in clock ticks.
qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

QByteArray pattern(qsizetype size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7 + i / 4099);
    return bytes;
}

} // namespace

// The server under test serves the folder "site" of the data directory, so
// that a path leaving it has somewhere real to go; the window serves the
// data directory itself.
class WebServerTest : public QObject
{
    Q_OBJECT

public:
    WebServerTest()
    {
        if (qEnvironmentVariableIsSet(ChildServerVariable))
            std::exit(serveAsChild());
    }

private Q_SLOTS:
    void init();
    void cleanup();
    void answers_data();
    void answers();
    void containment_data();
    void containment();
    void downloads_data();
    void downloads();
    void overlappingConnectionsGetTheirOwnAnswers();
    void idleOpenersGiveWay_data();
    void idleOpenersGiveWay();
    void placesTakenByAnswersMakeClientsWait();
    void slowAndStoppedReaders_data();
    void slowAndStoppedReaders();
    void fileRewrittenMidAnswer_data();
    void fileRewrittenMidAnswer();
    void answerSurvivesWhatTheClientSendsMeanwhile_data();
    void answerSurvivesWhatTheClientSendsMeanwhile();
    void fileChangedAfterServingIsServedAnew();
    void descriptorExhaustionPausesAndRecovers();
    void realClients_data();
    void realClients();
    void windowStartsServesLogsStopsAndCloses();
    void windowFallsBackFromARefusedPort_data();
    void windowFallsBackFromARefusedPort();
    void logKeepsTheNewestLines();
    void logFollowsTheNewestLineUnlessScrolledUp();
    void fieldsAreNamedForScreenReaders();
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
    QListWidget *logList() const { return m_window->findChild<QListWidget *>("List1"); }
    QStringList shownLog() const
    {
        QStringList lines;
        for (const auto *item : logList()->findItems({}, Qt::MatchContains))
            lines.append(item->text());
        return lines;
    }
    void writeSite(const QString &name, const QByteArray &bytes) const
    {
        m_test->writeFile(QStringLiteral("site/") + name, bytes);
    }
    QString site(const QString &name) const { return m_test->file(QStringLiteral("site/") + name); }

    std::unique_ptr<TestContext> m_test;
    std::unique_ptr<HttpServer> m_server;
    QPointer<ServerWindow> m_window;
};

void WebServerTest::init()
{
    m_test = std::make_unique<TestContext>();
    registerApplicationWindows(*m_test->context);
    QVERIFY(QDir(m_test->dir.path()).mkpath(QStringLiteral("site/docs")));
    QVERIFY(QDir(m_test->dir.path()).mkpath(QStringLiteral("site/.private")));
    // Each file holds its own name, so an answer shows which file was read.
    for (const char *name : {"../outside.html", "a.html", "q.html?x=1", "a%20b.html", "a b.html",
             "docs/a.htm", ".hidden", ".private/inside.html", "notes.txt", "a\\b.html",
             "Wavecrest.ini", "Address.lst", "Favorties.lst", "Favorites2.lst",
             ".Address.lst.a1B2c3", ".Favorites2.lst.Z9y8X7", "café.html"})
        writeSite(QString::fromUtf8(name), name);
    writeSite(QStringLiteral("picture.gif"), gif);
    writeSite(QStringLiteral("empty.html"), {});
    m_server = std::make_unique<HttpServer>(m_test->file("site"), 0, QHostAddress::LocalHost);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
}

void WebServerTest::cleanup()
{
    delete m_window.data();
    m_server.reset();
    m_test.reset();
}

// The request goes out in pieces; after each but the last the connection
// must still wait, unanswered.
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
    const QByteArray index = "<a href=\"http://" + ip + "/\">" + ip + "</a> " + ip + ip + " $i";
    const QByteArray ok = "200 OK", missing = "404 Not Found", html = "text/html", a = "a.html";
    const QByteArray bad = http("400 Bad Request", {}, {});

    // Without a version: the bare page and CR LF.
    row("index for /, $ip in any case", {"GET /\r\n"}, index + "\r\n", true);
    row("index missing", {"GET /\r\n"}, noIndex);
    row("index.html without the slash, missing", {"GET index.html\n"}, noIndex);
    row("index.html by name, missing", {"GET /index.html\r\n"}, notFound);
    row("other file missing", {"GET /other.html\r\n"}, notFound, true);
    row("query is part of the file name", {"GET /q.html?x=1\r\n"}, "q.html?x=1\r\n");
    row("no %-decoding", {"GET /a%20b.html\r\n"}, "a%20b.html\r\n");
    row("$ip replaced in any file", {"GET /picture.gif\r\n"},
        QByteArray(gif).replace("$IP", ip) + "\r\n");
    row("HTTP: $ip kept in other than text", {"GET /picture.gif HTTP/1.1\r\n"},
        http(ok, "image/gif", gif));
    row("empty file", {"GET /empty.html\r\n"}, "\r\n");
    row("subfolder, doubled slashes and dots", {"GET //docs/.//a.htm\r\n"}, "docs/a.htm\r\n");
    row("folder is no file", {"GET /docs\r\n"}, notFound);
    row("lower-case get dropped, connection kept", {"get /notes.txt\r\n", "GET /a.html\r\n"},
        a + "\r\n");
    row("lines that are no request dropped",
        {"POST /notes.txt\r\nGET \r\nHost: x\r\n\n", "GET /a.html\r\n"}, a + "\r\n");
    row("lines after a bare request not read", {"GET /a.html\r\nGET /notes.txt HTTP/1.1\r\n"},
        a + "\r\n");
    row("version not last: bare", {"GET /a.html HTTP/1.1 x\r\n"}, a + "\r\n");
    row("HEAD without a version dropped", {"HEAD /notes.txt\r\n", "GET /a.html\r\n"}, a + "\r\n");

    // HTTP/1.x: status line, headers, the file's bytes.
    row("HTTP/1.0, index", {"GET / HTTP/1.0\r\n\r\n"}, http(ok, html, index), true);
    row("HTTP/1.1 with headers", {"GET /notes.txt HTTP/1.1\r\nHost: x\r\n\r\n"},
        http(ok, "text/plain", "notes.txt"));
    row("HTTP/1.2 is HTTP/1.x", {"GET /a.html HTTP/1.2\r\n"}, http(ok, html, a));
    row("%-decoded", {"GET /a%20b.html HTTP/1.1\r\n"}, http(ok, html, "a b.html"));
    row("query dropped", {"GET /a.html?x=1&y=%zz HTTP/1.1\r\n"}, http(ok, html, a));
    row("non-ASCII name", {"GET /caf%C3%A9.html HTTP/1.1\r\n"}, http(ok, html, "café.html"));
    row("absolute form", {"GET http://example.org:80/docs/a.htm?x HTTP/1.1\r\n"},
        http(ok, html, "docs/a.htm"));
    row("absolute form, no path", {"GET HTTP://example.org HTTP/1.1\r\n"},
        http(missing, html, noIndex));
    row("HEAD", {"HEAD /notes.txt HTTP/1.1\r\n\r\n"}, headOf(http(ok, "text/plain", "notes.txt")));
    row("HEAD, missing file", {"HEAD /gone.html HTTP/1.0\r\n"},
        headOf(http(missing, html, notFound)));
    row("missing file", {"GET /gone.html HTTP/1.1\r\n\r\n"}, http(missing, html, notFound));
    row("missing index", {"GET / HTTP/1.0\r\n\r\n"}, http(missing, html, noIndex));
    row("POST", {"POST /a.html HTTP/1.1\r\n\r\n"}, http("501 Not Implemented", {}, {}));
    row("lower-case get", {"get /a.html HTTP/1.0\r\n"}, http("501 Not Implemented", {}, {}));
    row("HTTP/2.0", {"GET /a.html HTTP/2.0\r\n"}, http("505 HTTP Version Not Supported", {}, {}));
    row("HTTP/0.9", {"GET /a.html HTTP/0.9\r\n"}, http("505 HTTP Version Not Supported", {}, {}));
    row("lower-case version", {"GET /a.html http/1.1\r\n"}, bad);
    row("version without its dot", {"GET /a.html HTTP/11\r\n"}, bad);
    row("no space after GET", {"GET/a.html HTTP/1.0\r\n"}, bad);
    row("two spaces", {"GET  /a.html HTTP/1.1\r\n"}, bad);
    row("words between target and version", {"GET /a.html b HTTP/1.1\r\n"}, bad);
    row("target without a slash", {"GET a.html HTTP/1.1\r\n"}, bad);
    row("broken escape", {"GET /a%2.html HTTP/1.1\r\n"}, bad);

    // Nothing outside the data directory, nor the user's private files.
    for (const QByteArray path : {"/../outside.html", "/docs/../../outside.html", "/docs/../a.html",
             "/a\\b.html", "/Wavecrest.ini", "/address.LST", "/Favorties.lst", "//./Favorites2.lst",
             "/.Address.lst.a1B2c3", "/.hidden", "/.private/inside.html"}) {
        row(path, {"GET " + path + "\r\n"}, notFound);
        row(path + " HTTP/1.1", {"GET " + path + " HTTP/1.1\r\n"}, http(missing, html, notFound));
    }
    row("escaped climb", {"GET /docs/%2e%2e/%2E%2E/outside.html HTTP/1.1\r\n"},
        http(missing, html, notFound));
    row("escaped private file", {"GET /Wavecrest%2eini HTTP/1.1\r\n"},
        http(missing, html, notFound));
    row("escaped NUL", {"GET /a.html%00.txt HTTP/1.1\r\n"}, http(missing, html, notFound));
    row("NUL byte", {QByteArray("GET /a.html\0.txt\r\n", 19)}, notFound);

    row("request line split", {"GE", "T /a.h", "tml HT", "TP/1.", "1\r", "\n\r\n"},
        http(ok, html, a));
    const QByteArray longest = "GET /" + QByteArray(8192 - 5, 'a');
    row("8 KiB line in pieces", {longest.first(5000), longest.sliced(5000), "\r\n"}, notFound);
    row("one byte over, bare", {longest.first(5000), longest.sliced(5000) + "a\r\n"}, {});
    row("one byte over, with a version",
        {longest.first(5000), longest.sliced(5000) + "a HTTP/1.1\r\n\r\n"},
        http("414 URI Too Long", {}, {}));
}

void WebServerTest::answers()
{
    QFETCH(bool, index);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, expected);

    if (index)
        writeSite(QStringLiteral("index.html"), "<a href=\"http://$ip/\">$IP</a> $Ip$iP $i");
    TestClient client(port());
    for (const QByteArray &piece : pieces.first(pieces.size() - 1)) {
        client.socket.write(piece);
        QVERIFY(client.socket.waitForBytesWritten());
        // Another client served meanwhile shows that the server has had its
        // turns with the first one's bytes.
        QCOMPARE(fetch(port(), "GET /a.html\r\n"), QByteArray("a.html\r\n"));
        QCOMPARE(client.received, QByteArray());
        QVERIFY(!client.closed);
    }
    client.socket.write(pieces.last());
    QVERIFY(QTest::qWaitFor([&] { return client.closed; }, 15000));
    QCOMPARE(withoutDate(client.received), expected);
}

// Links are followed, and the file they lead to must be one the server may
// send; the request spells only names that may be sent.
void WebServerTest::containment_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("hardLink");
    QTest::addColumn<QByteArray>("body");

    const auto row = [](const char *name, const QString &target, const QByteArray &body,
                         bool hardLink = false) {
        QTest::newRow(name) << QString::fromUtf8(name) << target << hardLink << body;
    };
    row("link to a file beside it", "a.html", "a.html");
    row("link to a subfolder", "docs", "docs/a.htm");
    row("link out to a folder", "/etc", {});
    row("link out to a file", "/etc/passwd", {});
    row("link to a file outside the data directory", "../outside.html", {});
    row("link to the settings", "Wavecrest.ini", {});
    row("link to a leftover of a save", ".Address.lst.a1B2c3", {});
    row("link to a hidden file", ".hidden", {});
    row("link to a hidden folder", ".private", {});
    row("hard link to the settings", "Wavecrest.ini", {}, true);
    row("hard link to a page", "a.html", "a.html", true);
}

void WebServerTest::containment()
{
    QFETCH(QString, name);
    QFETCH(QString, target);
    QFETCH(bool, hardLink);
    QFETCH(QByteArray, body);

    const QString link = site(QStringLiteral("link"));
    if (hardLink)
        QCOMPARE(::link(QFile::encodeName(site(target)), QFile::encodeName(link)), 0);
    else
        QVERIFY(QFile::link(target, link));
    const bool folder = QFileInfo(link).isDir();
    const QByteArray path = folder ? "/link/" + QFileInfo(body).fileName().toUtf8() : "/link";
    const QByteArray inside = folder && body.isEmpty() ? "/link/passwd" : path;
    const QByteArray request
        = "GET " + (folder && target == ".private" ? "/link/inside.html" : inside);
    if (body.isEmpty()) {
        QCOMPARE(fetch(port(), request + "\r\n"), testData("notfound.txt"));
        QCOMPARE(withoutDate(fetch(port(), request + " HTTP/1.1\r\n")),
            http("404 Not Found", "text/html", testData("notfound.txt")));
    } else {
        QCOMPARE(fetch(port(), request + "\r\n"), body + "\r\n");
    }
}

// Files larger than a chunk, and types told by name or by content.
void WebServerTest::downloads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray ip = LocalIP().toLatin1();
    const qsizetype large = FileAnswer::FirstChunkSize + 3 * FileAnswer::ChunkSize + 17;
    // Binary data with a "$ip" at a chunk's end and one across two chunks.
    QByteArray binary = pattern(large, 1);
    const qsizetype straddling = FileAnswer::FirstChunkSize + FileAnswer::ChunkSize - 1;
    binary.replace(FileAnswer::FirstChunkSize - 3, 3, "$ip");
    binary.replace(straddling, 3, "$IP");
    binary.replace(100, 4, QByteArray("\r\n\0\x1a", 4));
    QByteArray text;
    while (text.size() < large)
        text += "line " + QByteArray::number(text.size()) + " served by $ip\n";
    QByteArray replacedText = text;
    replacedText.replace("$ip", ip);
    QByteArray replacedBinary = binary;
    replacedBinary.replace(FileAnswer::FirstChunkSize - 3, 3, ip);
    replacedBinary.replace(straddling + ip.size() - 3, 3, ip);
    const QByteArray get = "GET /file HTTP/1.1\r\n\r\n", bare = "GET /file\r\n";

    QTest::newRow("binary, byte for byte")
        << "file.bin" << binary << get << http("200 OK", "application/octet-stream", binary);
    QTest::newRow("binary, bare: the old form")
        << "file.bin" << binary << bare << replacedBinary + "\r\n";
    QTest::newRow("binary told by content")
        << "file" << binary << get << http("200 OK", "application/octet-stream", binary);
    QTest::newRow("large text, no length")
        << "file.txt" << text << get << http("200 OK", "text/plain", replacedText, -1);
    const QByteArray smallText = text.first(1000);
    QTest::newRow("text told by content")
        << "file" << smallText << get
        << http("200 OK", "text/plain", QByteArray(smallText).replace("$ip", ip));
    QTest::newRow("HEAD of a large binary")
        << "file.bin" << binary << QByteArray("HEAD /file HTTP/1.1\r\n\r\n")
        << headOf(http("200 OK", "application/octet-stream", binary));
}

void WebServerTest::downloads()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);

    writeSite(name, content);
    QFile::link(name, site(QStringLiteral("file")));
    const QByteArray received = withoutDate(fetch(port(), request));
    QCOMPARE(received.size(), expected.size());
    QVERIFY(received == expected);
}

void WebServerTest::overlappingConnectionsGetTheirOwnAnswers()
{
    const auto content = [](int i) {
        return "file " + QByteArray::number(i) + ' ' + QByteArray(i * 37, char('a' + i % 26));
    };
    Clients clients;
    for (int i = 0; i < 200; ++i) {
        writeSite(QStringLiteral("f%1.html").arg(i), content(i));
        const QByteArray line = "GET /f" + QByteArray::number(i) + ".html";
        clients.push_back(
            std::make_unique<TestClient>(port(), line + (i % 2 ? "\r\n" : " HTTP/1.1\r\n\r\n")));
    }
    QVERIFY(QTest::qWaitFor([&] { return allClosed(clients); }, 30000));
    for (int i = 0; i < 200; ++i) {
        QCOMPARE(withoutDate(clients[i]->received),
            i % 2 ? content(i) + "\r\n" : http("200 OK", "text/html", content(i)));
    }
}

// Clients that open a connection and send no complete request line cannot
// keep others out: with every place taken, a newcomer takes the place of the
// one that has waited longest, and each is closed unanswered when its time
// for the request line is up.
void WebServerTest::idleOpenersGiveWay_data()
{
    QTest::addColumn<QByteArray>("idleRequest");
    QTest::newRow("silent") << QByteArray();
    QTest::newRow("half a request line") << QByteArray("GET /a.html HTTP/1.1");
}

void WebServerTest::idleOpenersGiveWay()
{
    QFETCH(QByteArray, idleRequest);

    const int places = 20;
    m_server->setMaxConnections(places);
    m_server->setLimits({3000, 30 * 1000});
    QSignalSpy accepted(m_server.get(), &HttpServer::connectionAccepted);
    Clients idle;
    for (int i = 0; i < 3 * places; ++i)
        idle.push_back(std::make_unique<TestClient>(port(), idleRequest));
    QTRY_COMPARE(accepted.count(), 3 * places);
    QCOMPARE(m_server->connectionCount(), places);

    for (int i = 0; i < 5; ++i)
        QCOMPARE(fetch(port(), "GET /a.html\r\n"), QByteArray("a.html\r\n"));
    // The oldest gave way, first come first closed.
    QVERIFY(idle.front()->closed);
    QVERIFY(!idle.back()->closed);
    QVERIFY(QTest::qWaitFor([&] { return allClosed(idle); }, 15000));
    for (const auto &client : idle)
        QCOMPARE(client->received, QByteArray());
    QCOMPARE(m_server->connectionCount(), 0);
}

// Answers under way are not given up for newcomers; a client that finds
// every place taken by them waits until one is free.
void WebServerTest::placesTakenByAnswersMakeClientsWait()
{
    writeSite(QStringLiteral("big.bin"), QByteArray(16 * 1024 * 1024, 'b'));
    m_server->setMaxConnections(3);
    m_server->setLimits({10 * 1000, 1000});
    std::vector<std::unique_ptr<RawClient>> stalled;
    for (int i = 0; i < 3; ++i) {
        stalled.push_back(std::make_unique<RawClient>(port(), "GET /big.bin HTTP/1.1\r\n\r\n"));
        QVERIFY(stalled.back()->connected);
    }
    QTRY_COMPARE(m_server->connectionCount(), 3);
    TestClient waiting(port(), "GET /a.html\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(waiting.closed, 15000);
    QCOMPARE(waiting.received, QByteArray("a.html\r\n"));
    // It got in only once the stalled ones had been dropped.
    for (const auto &client : stalled)
        QVERIFY(QTest::qWaitFor([&] { return client->read(), client->closed; }));
}

// A client that stops taking its answer is dropped once the limit is up; one
// that takes it slowly gets all of it. Either way the server holds no more
// than a bounded part of the file in memory.
void WebServerTest::slowAndStoppedReaders_data()
{
    QTest::addColumn<bool>("reads");
    QTest::newRow("stopped") << false;
    QTest::newRow("slow") << true;
}

void WebServerTest::slowAndStoppedReaders()
{
    QFETCH(bool, reads);

    const QByteArray content = pattern(16 * 1024 * 1024, 3);
    writeSite(QStringLiteral("big.bin"), content);
    m_server->setLimits({10 * 1000, 1000});
    const int count = 8;
    std::vector<std::unique_ptr<RawClient>> clients;
    QSignalSpy requests(m_server.get(), &HttpServer::requestReceived);
    for (int i = 0; i < count; ++i)
        clients.push_back(std::make_unique<RawClient>(port(), "GET /big.bin HTTP/1.1\r\n\r\n"));
    qint64 mostQueued = 0;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] {
        mostQueued = qMax(mostQueued, m_server->queuedBytes());
        for (const auto &client : clients) {
            if (reads)
                client->read(48 * 1024);
        }
    });
    sampler.start(2);
    QVERIFY(QTest::qWaitFor(
        [&] { return requests.count() == count && m_server->connectionCount() == 0; }, 60000));
    sampler.stop();

    const qint64 perConnection = HttpConnection::LowWater + FileAnswer::FirstChunkSize + 1024;
    QVERIFY2(mostQueued <= count * perConnection, qPrintable(QString::number(mostQueued)));
    for (const auto &client : clients) {
        QVERIFY(QTest::qWaitFor([&] { return client->read(), client->closed; }));
        const QByteArray body = bodyOf(client->received);
        if (reads)
            QVERIFY(body == content);
        else
            QVERIFY(body.size() < content.size());
    }
}

// The file is rewritten while its answer is under way. A file replaced by a
// new one (as programs save) leaves the answer whole; one cut short in place
// cuts the answer short, which the client can tell by its length.
void WebServerTest::fileRewrittenMidAnswer_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("replaced") << false;
    QTest::newRow("cut short in place") << true;
}

void WebServerTest::fileRewrittenMidAnswer()
{
    QFETCH(bool, inPlace);

    const QByteArray old = pattern(16 * 1024 * 1024, 5);
    writeSite(QStringLiteral("big.bin"), old);
    RawClient client(port(), "GET /big.bin HTTP/1.1\r\n\r\n");
    QTRY_VERIFY((client.read(1), !client.received.isEmpty()));
    if (inPlace) {
        QVERIFY(QFile::resize(site(QStringLiteral("big.bin")), 1024 * 1024));
    } else {
        writeSite(QStringLiteral("new.bin"), pattern(old.size(), 9));
        QVERIFY(::rename(QFile::encodeName(site(QStringLiteral("new.bin"))),
                    QFile::encodeName(site(QStringLiteral("big.bin"))))
            == 0);
    }
    QVERIFY(QTest::qWaitFor([&] { return client.read(), client.closed; }, 30000));
    const QByteArray head = "Content-Length: " + QByteArray::number(old.size()) + "\r\n";
    QVERIFY(client.received.contains(head));
    const QByteArray body = bodyOf(client.received);
    if (inPlace) {
        QVERIFY(body.size() < old.size());
        QVERIFY(old.startsWith(body.first(1024 * 1024)));
    } else {
        QVERIFY(body == old);
    }
}

// The client goes on sending while the answer is under way, or closes its
// sending side right after the request: the server must finish the answer.
void WebServerTest::answerSurvivesWhatTheClientSendsMeanwhile_data()
{
    QTest::addColumn<bool>("halfClose");
    QTest::newRow("sends on") << false;
    QTest::newRow("closes its side") << true;
}

void WebServerTest::answerSurvivesWhatTheClientSendsMeanwhile()
{
    QFETCH(bool, halfClose);

    QByteArray big;
    while (big.size() < 2 * 1024 * 1024)
        big += "line " + QByteArray::number(big.size()) + "\n";
    writeSite(QStringLiteral("big.txt"), big);

    TestClient client(port(), "GET /big.txt\r\n");
    QVERIFY(client.socket.waitForBytesWritten());
    QTimer junk;
    if (halfClose) {
        QVERIFY(shutdownSending(client.socket.socketDescriptor()));
    } else {
        connect(&junk, &QTimer::timeout, &client.socket, [&client] {
            if (!client.closed)
                client.socket.write(QByteArray(4096, 'x'));
        });
        junk.start(1);
    }
    QVERIFY(QTest::qWaitFor([&] { return client.received.size() > big.size() || client.closed; }));
    junk.stop();
    QVERIFY(QTest::qWaitFor([&] { return client.closed; }));
    QVERIFY(client.received == big + "\r\n");
}

// A page served often is kept ready; rewriting its file, even to the same
// size, must show at the next request.
void WebServerTest::fileChangedAfterServingIsServedAnew()
{
    writeSite(QStringLiteral("kept.html"), "old text");
    // Kept only once its file has been left alone for a while.
    QByteArray served;
    QTRY_VERIFY_WITH_TIMEOUT((served = fetch(port(), "GET /kept.html\r\n"),
                                 served != "old text\r\n" || m_server->keptPages() == 1),
        (PreparedPages::SettleSeconds + 5) * 1000);
    QCOMPARE(served, QByteArray("old text\r\n"));
    QCOMPARE(fetch(port(), "GET /./kept.html\r\n"), QByteArray("old text\r\n"));
    writeSite(QStringLiteral("kept.html"), "new text");
    QCOMPARE(fetch(port(), "GET /kept.html\r\n"), QByteArray("new text\r\n"));
}

// Clients that are answered and never close use up the process's
// descriptors. The server then rests instead of retrying as fast as it can,
// and serves again by itself once descriptors are free.
void WebServerTest::descriptorExhaustionPausesAndRecovers()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(ChildServerVariable), m_test->file("site"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    const auto lines = [&](const char *word) {
        output += child.readAllStandardOutput();
        return int(output.count(QByteArray("\n") + word + "\n") + output.startsWith(word));
    };
    QVERIFY(QTest::qWaitFor([&] { return lines("port") == 1 && output.contains('\n'); }, 30000));
    const quint16 childPort = quint16(output.mid(5, output.indexOf('\n') - 5).toUInt());
    QVERIFY(childPort != 0);

    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < 2 * ChildSpareDescriptors; ++i)
        clients.push_back(std::make_unique<RawClient>(childPort, "GET /a.html HTTP/1.0\r\n\r\n"));
    QVERIFY(QTest::qWaitFor([&] { return lines("paused") >= 1; }, 15000));
    QElapsedTimer watch;
    watch.start();
    const qint64 ticksBefore = cpuTicks(child.processId());
    // Still out of descriptors: every retry fails and is followed by a rest.
    QVERIFY(QTest::qWaitFor([&] { return lines("resumed") >= 3; }, 15000));
    const qint64 ticks = cpuTicks(child.processId()) - ticksBefore;
    const qint64 elapsedTicks = watch.elapsed() * sysconf(_SC_CLK_TCK) / 1000;
    QVERIFY2(ticks * 4 < elapsedTicks,
        qPrintable(QStringLiteral("%1 of %2").arg(ticks).arg(elapsedTicks)));
    QVERIFY(lines("paused") <= lines("resumed") + 1);

    clients.clear();
    QCOMPARE(fetch(childPort, "GET /a.html\r\n"), QByteArray("a.html\r\n"));
    child.closeWriteChannel();
    QVERIFY(child.waitForFinished(10000));
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
        << http("200 OK", "text/html", "a.html");
    QTest::newRow("curl, HEAD") << "curl" << QStringList{"-sS", "-I", url + "a.html"}
                                << headOf(http("200 OK", "text/html", "a.html"));
    QTest::newRow("curl, a name with a space and a letter beyond ASCII")
        << "curl" << QStringList{"-sS", url + "a%20b.html", url + "caf%C3%A9.html?x=1"}
        << QByteArray("a b.htmlcafé.html");
    // curl cannot leave out the version, but a method that ends the line
    // makes the request line the bare "GET /a.html".
    QTest::newRow("curl, bare form")
        << "curl" << QStringList{"-sS", "--http0.9", "-X", "GET /a.html\r\n", url}
        << QByteArray("a.html\r\n");
    QTest::newRow("python http.client")
        << "python3" << QStringList{"-c", pythonClient, "<port>", "/a.html"}
        << QByteArray("200 OK|text/html|a.html");
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
    QCOMPARE(withoutDate(client.readAllStandardOutput()), output);
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

    // The port is taken: the user is told why, nothing pretends to run, and
    // no other port is tried for a port that is merely in use.
    MessageBoxRecorder recorder;
    click("Command1");
    QCOMPARE(recorder.boxes.size(), 1);
    const MessageBoxRequest &box = recorder.boxes.first();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY2(box.text.contains(QString::number(port)), qPrintable(box.text));
    QVERIFY2(box.text.contains(QLatin1String("in use"), Qt::CaseInsensitive), qPrintable(box.text));
    QVERIFY2(!box.text.contains(QLatin1String("8080")), qPrintable(box.text));
    QCOMPARE(clickable(), std::pair(true, false));
    QCOMPARE(text("Text1"), QString());

    holder.close();
    m_test->writeFile(QStringLiteral("index.html"), "served from $IP");
    click("Command1");
    QCOMPARE(clickable(), std::pair(false, true));
    // Any port but 80 is part of the address.
    const QString shown = text("Text1");
    const QString suffix = u':' + QString::number(port);
    QVERIFY2(
        shown.startsWith(QLatin1String("http://")) && shown.endsWith(suffix), qPrintable(shown));
    const QString ip = shown.mid(7).chopped(suffix.size());
    QCOMPARE(QHostAddress(ip).protocol(), QAbstractSocket::IPv4Protocol);
    // Pages name the server by the address the window shows.
    QCOMPARE(fetch(port, "GET /\r\n"), "served from " + ip.toLatin1() + "\r\n");
    fetch(port, "GET /a%20b.html?x=1 HTTP/1.1\r\n\r\n");
    fetch(port, "HEAD /../Wavecrest.ini HTTP/1.0\r\n");
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

// As an ordinary user meets it: the system keeps the first port for its
// administrator. The server goes to the first free fallback port, shows it in
// the address and says so in the log.
void WebServerTest::windowFallsBackFromARefusedPort_data()
{
    QTest::addColumn<bool>("fromSettings");
    QTest::addColumn<int>("busyFallbacks");
    QTest::newRow("first fallback free") << false << 0;
    QTest::newRow("first fallback in use") << false << 1;
    QTest::newRow("every fallback in use") << false << 2;
    QTest::newRow("first port from the settings") << true << 0;
}

void WebServerTest::windowFallsBackFromARefusedPort()
{
    QFETCH(bool, fromSettings);
    QFETCH(int, busyFallbacks);

    // Stands for 80; never bound.
    const quint16 refused = freePort();
    QTcpServer busy[2];
    QList<quint16> fallbacks;
    for (int i = 0; i < 2; ++i) {
        if (i < busyFallbacks)
            QVERIFY(busy[i].listen(QHostAddress::LocalHost, 0));
        fallbacks.append(i < busyFallbacks ? busy[i].serverPort() : freePort());
    }
    const quint16 configured = freePort();
    if (fromSettings) {
        m_test->writeFile(QStringLiteral("Wavecrest.ini"),
            "[Wavecrest]\r\nWebServerPort=" + QByteArray::number(configured) + "\r\n");
    }
    const QByteArray before = m_test->readFile(QStringLiteral("Wavecrest.ini"));
    openWindow(refused);
    m_window->server()->setFallbackPorts(fallbacks);
    m_window->server()->setListen(
        [refused](QTcpServer &listener, const QHostAddress &address, quint16 port) {
            if (port == refused) {
                return std::optional(HttpServer::ListenError{QAbstractSocket::SocketAccessError,
                    QStringLiteral("The address is protected")});
            }
            return HttpServer::listenNormally(listener, address, port);
        });
    MessageBoxRecorder recorder;
    m_test->writeFile(QStringLiteral("a.html"), "served");
    click("Command1");

    if (busyFallbacks == 2) {
        QCOMPARE(recorder.boxes.size(), 1);
        QCOMPARE(recorder.boxes.first().text,
            QStringLiteral("The web server could not listen on port %1.\nThe address is "
                           "protected\nPorts %2 to %3 could not be used either.")
                .arg(refused)
                .arg(fallbacks.first())
                .arg(fallbacks.last()));
        QCOMPARE(clickable(), std::pair(true, false));
        return;
    }
    const quint16 expected = fromSettings ? configured : fallbacks.at(busyFallbacks);
    QCOMPARE(recorder.boxes.size(), 0);
    QVERIFY2(text("Text1").endsWith(u':' + QString::number(expected)), qPrintable(text("Text1")));
    QCOMPARE(fetch(expected, "GET /a.html\r\n"), QByteArray("served\r\n"));
    QTRY_VERIFY(!shownLog().isEmpty());
    if (fromSettings) {
        QCOMPARE(shownLog().first(), QStringLiteral("127.0.0.1 connected"));
    } else {
        QCOMPARE(shownLog().mid(0, 2),
            QStringList({QStringLiteral("Port %1 is reserved.").arg(refused),
                QStringLiteral("Serving on port %1.").arg(expected)}));
    }
    // The setting is read, never written.
    QCOMPARE(m_test->readFile(QStringLiteral("Wavecrest.ini")), before);
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

void WebServerTest::logFollowsTheNewestLineUnlessScrolledUp()
{
    openWindow(0);
    QListWidget *log = logList();
    QScrollBar *scroll = log->verticalScrollBar();
    const auto add = [this](int from, int count) {
        for (int i = from; i < from + count; ++i)
            Q_EMIT m_window->server()->connectionAccepted(QString::number(i));
    };
    const auto topLine = [log] { return log->itemAt(2, 2)->text(); };
    add(0, 200);
    QTRY_COMPARE(log->count(), 200);
    QTRY_VERIFY(scroll->maximum() > 0 && scroll->value() == scroll->maximum());
    add(200, 100);
    QTRY_COMPARE(log->count(), 300);
    QTRY_COMPARE(scroll->value(), scroll->maximum());

    // Scrolled up, the lines in view stay, also when old lines go.
    log->scrollToItem(log->item(150), QAbstractItemView::PositionAtTop);
    QCOMPARE(topLine(), QStringLiteral("150 connected"));
    add(300, 100);
    QTRY_COMPARE(log->count(), 400);
    QCOMPARE(topLine(), QStringLiteral("150 connected"));
    add(400, ServerWindow::MaxLogLines);
    QTRY_COMPARE(log->item(0)->text(), QStringLiteral("400 connected"));
    QVERIFY(scroll->value() < scroll->maximum());
    QVERIFY(topLine() != QStringLiteral("150 connected"));
    QCOMPARE(topLine(), QStringLiteral("400 connected"));
}

void WebServerTest::fieldsAreNamedForScreenReaders()
{
    openWindow(0);
    for (const auto &[label, field, name] :
        {std::tuple{"Label1", "List1", "Log On History"}, {"Label2", "Text1", "Your IP Adress"}}) {
        QCOMPARE(QAccessible::queryAccessibleInterface(control(field))->text(QAccessible::Name),
            QLatin1String(name));
        const auto labelled = QAccessible::queryAccessibleInterface(control(label))
                                  ->relations(QAccessible::Labelled);
        QCOMPARE(labelled.size(), 1);
        QCOMPARE(labelled.first().first->object(), control(field));
    }
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
    auto *text = help->findChild<QPlainTextEdit *>("Text1");
    QCOMPARE(text->toPlainText(), ServerHelpWindow::helpText().replace("\r\n", "\n"));
    QCOMPARE(QAccessible::queryAccessibleInterface(text)->text(QAccessible::Name),
        QStringLiteral("Web Server Help"));
    delete help.data();
}

WAVECREST_TEST(WebServerTest)
#include "tst_webserver.moc"
