#include "app/applicationwindows.h"
#include "core/windownames.h"
#include "net/socketshutdown.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"
#include "webserver/fileanswer.h"
#include "webserver/httpserver.h"
#include "webserver/localip.h"
#include "webserver/preparedpages.h"
#include "webserver/serverhelpwindow.h"
#include "webserver/serverwindow.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Runs the event loop until `done` holds. QTest::qWaitFor sleeps 10 ms
// between passes of the loop, and the server reads one chunk of a file per
// pass: a large answer would crawl.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 30000)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

// A loopback client: sends its request once connected and keeps what the
// server sends until the connection ends. Given a read buffer, it holds no
// more than that beyond what the system holds and takes only what take()
// asks for, so the server meets a client that reads slowly or not at all.
struct Client {
    explicit Client(quint16 port, const QByteArray &request = {}, qint64 readBuffer = 0)
        : eager(readBuffer == 0)
    {
        socket.setReadBufferSize(readBuffer);
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
            if (eager)
                take();
        });
        QObject::connect(&socket, &QTcpSocket::stateChanged, &socket,
            [this](auto state) { closed = state == QAbstractSocket::UnconnectedState; });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.write(request);
    }
    // Asks for no more than is there: reading asks for room for all it may
    // be given first.
    void take(qint64 most = 1 << 30)
    {
        received += socket.read(qMin(most, socket.bytesAvailable()));
    }
    bool sent() const
    {
        return socket.state() == QAbstractSocket::ConnectedState && socket.bytesToWrite() == 0;
    }
    void readOn()
    {
        eager = true;
        socket.setReadBufferSize(0);
        take();
    }

    QTcpSocket socket;
    QByteArray received;
    bool eager;
    bool closed = false;
};
using Clients = std::vector<std::unique_ptr<Client>>;

bool allClosed(const Clients &clients)
{
    return std::ranges::all_of(clients, [](const auto &c) { return c->closed; });
}

QByteArray fetch(quint16 port, const QByteArray &request)
{
    Client client(port, request);
    return waitUntil([&] { return client.closed; }) ? client.received : "(left open)";
}

// Expected bytes kept under data/: whole answers and texts, CR LF included.
QByteArray testData(const char *name)
{
    QFile file(WAVECREST_TEST_DATA_DIR "/" + QString(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An answer to a request that named an HTTP version, its date left open and
// without the headers withoutDate() takes out; a text streamed at its length
// unknown has no Content-Length.
QByteArray http(const QByteArray &status, const QByteArray &type, const QByteArray &body,
    bool withLength = true)
{
    return "HTTP/1.1 " + status + "\r\nDate: (date)\r\n"
        + (type.isEmpty() ? QByteArray() : "Content-Type: " + type + "\r\n")
        + (withLength ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n" : "") + "\r\n"
        + body;
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
// answers compare byte for byte; the file's validators and whether the
// connection stays open are tested elsewhere.
QByteArray withoutDate(QByteArray answer)
{
    const qsizetype start = answer.indexOf("\r\nDate: ");
    if (start < 0 || !answer.startsWith("HTTP/"))
        return answer;
    const qsizetype headEnd = answer.indexOf("\r\n\r\n");
    for (const char *name :
        {"\r\nLast-Modified: ", "\r\nETag: ", "\r\nAccept-Ranges: ", "\r\nConnection: "}) {
        const qsizetype at = answer.indexOf(name);
        if (at >= 0 && at < headEnd)
            answer.remove(at, answer.indexOf("\r\n", at + 2) - at);
    }
    const qsizetype end = answer.indexOf("\r\n", start + 2);
    const QByteArray value = answer.mid(start + 8, end - start - 8);
    const QDateTime date = QDateTime::fromString(
        QString::fromLatin1(value).replace(" GMT", " +0000"), Qt::RFC2822Date);
    const bool now = date.isValid() && value.endsWith(" GMT")
        && qAbs(date.secsTo(QDateTime::currentDateTimeUtc())) < 120;
    return answer.replace(start + 8, end - start - 8, now ? "(date)" : "(wrong date) " + value);
}

QByteArray pattern(qsizetype size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7 + i / 4099);
    return bytes;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The test runs itself as a second process to starve a server of file
// descriptors without starving the test: with this variable set the
// executable only serves the folder it names. The test class below must be
// the first the executable makes, so this file's name sorts before the other
// files of the folder.
constexpr char ChildServerVariable[] = "WAVECREST_TEST_CHILD_SERVER";
constexpr int ChildSpareDescriptors = 24;

int serveAsChild()
{
    HttpServer server(qEnvironmentVariable(ChildServerVariable), 0, QHostAddress::LocalHost);
    // Answered clients that keep their connections and never ask again
    // hold their descriptors.
    server.setLimits({10 * 1000, 60 * 1000, 60 * 1000});
    QObject::connect(&server, &HttpServer::acceptingPaused, [] { std::puts("paused"); });
    QObject::connect(&server, &HttpServer::acceptingResumed, [] { std::puts("resumed"); });
    if (!server.start())
        return 2;
    // Room for what is open already and a handful of clients.
    const rlim_t limit = ChildSpareDescriptors
        + QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size();
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

// What happens while a large answer is on its way.
enum class Midway { FileReplaced, FileCutShort, ClientHalfCloses };

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
    void init()
    {
        m_test = std::make_unique<TestContext>();
        registerApplicationWindows(*m_test->context);
        QVERIFY(QDir(m_test->dir.path()).mkpath("site/docs"));
        QVERIFY(QDir(m_test->dir.path()).mkpath("site/.private"));
        // Each file holds its own name, so an answer shows which file was read.
        for (const char *name : {"../outside.html", "a.html", "q.html?x=1", "a%20b.html",
                 "a b.html", "docs/a.htm", ".hidden", ".private/inside.html", "notes.txt",
                 "a\\b.html", "Wavecrest.ini", "Address.lst", "Favorties.lst", "Favorites2.lst",
                 ".Address.lst.a1B2c3", "café.html"})
            writeSite(QString::fromUtf8(name), name);
        writeSite("empty.html", {});
        m_server = std::make_unique<HttpServer>(m_test->file("site"), 0, QHostAddress::LocalHost);
        // Small system buffers on the server's side: a file of a megabyte or two
        // is then far more than the system holds on its way to a client.
        m_server->setListen([](QTcpServer &listener, const QHostAddress &address, quint16 port) {
            const auto error = HttpServer::listenNormally(listener, address, port);
            const int small = 16 * 1024;
            if (!error)
                setsockopt(
                    int(listener.socketDescriptor()), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
            return error;
        });
        // Connections kept open for a next request end at once.
        m_server->setLimits({10 * 1000, 30 * 1000, 0});
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    }

    void cleanup()
    {
        delete m_window.data();
        m_server.reset();
        m_test.reset();
    }

    // Pages name the server by an address of this machine that others can
    // reach: one the system lists for it, loopback only when it has no other.
    void pagesNameThisMachine()
    {
        QProcess hostname;
        hostname.start("hostname", {"-I"});
        QVERIFY(hostname.waitForFinished());
        QStringList addresses
            = QString(hostname.readAllStandardOutput()).split(QRegularExpression("\\s+"));
        addresses = addresses.filter(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$"));
        if (addresses.isEmpty())
            addresses << "127.0.0.1";
        QVERIFY2(addresses.contains(LocalIP()),
            qPrintable(LocalIP() + " is none of " + addresses.join(' ')));
        QCOMPARE(m_server->localAddress(), LocalIP());
    }

    // The request goes out in pieces; after each but the last the connection
    // must still wait, unanswered. A row may add a file, also reachable as
    // "file": the type is the resolved file's.
    void answers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("expected");
        const auto row
            = [](const QByteArray &name, const QByteArrayList &pieces, const QByteArray &expected,
                  const QString &file = {}, const QByteArray &content = {}) {
                  QTest::addRow("%s", name.constData()) << file << content << pieces << expected;
              };
        // Rows named by their request line.
        const auto line = [&row](const QByteArray &request, const QByteArray &expected) {
            row(request, {request + "\r\n\r\n"}, expected);
        };
        const QByteArray notFound = testData("notfound.txt"),
                         noIndex = testData("missingindex.txt");
        const QByteArray ip = LocalIP().toLatin1();
        const QString index = "index.html";
        const QByteArray indexContent = "<a href=\"http://$ip/\">$IP</a> $Ip$iP $i";
        const QByteArray indexPage
            = "<a href=\"http://" + ip + "/\">" + ip + "</a> " + ip + ip + " $i";
        const QByteArray ok = "200 OK", missing = "404 Not Found", html = "text/html", a = "a.html";

        // Without a version: the bare page and CR LF.
        row("index for /, $ip in any case", {"GET /\r\n"}, indexPage + "\r\n", index, indexContent);
        line("GET /", noIndex);
        row("index.html without the slash, LF", {"GET index.html\n"}, noIndex);
        line("GET /index.html", notFound);
        line("GET /q.html?x=1", "q.html?x=1\r\n");
        line("GET /a%20b.html", "a%20b.html\r\n");
        line("GET /empty.html", "\r\n");
        line("GET //docs/.//a.htm", "docs/a.htm\r\n");
        line("GET /docs", notFound);
        row("lines that are no request dropped, connection kept",
            {"get /notes.txt\r\nHEAD /notes.txt\r\n", "POST /notes.txt\r\nGET \r\nHost: x\r\n\n",
                "GET /a.html\r\n"},
            a + "\r\n");
        row("lines after a bare request not read", {"GET /a.html\r\nGET /notes.txt HTTP/1.1\r\n"},
            a + "\r\n");
        line("GET /a.html HTTP/1.1 x", a + "\r\n");

        // HTTP/1.x: status line, headers, the file's bytes.
        row("HTTP/1.0, index", {"GET / HTTP/1.0\r\n\r\n"}, http(ok, html, indexPage), index,
            indexContent);
        row("HTTP/1.1 with headers", {"GET /notes.txt HTTP/1.1\r\nHost: localhost\r\n\r\n"},
            http(ok, "text/plain", "notes.txt"));
        line("GET /a.html HTTP/1.2", http(ok, html, a));
        line("GET /a%20b.html HTTP/1.1", http(ok, html, "a b.html"));
        line("GET /a.html?x=1&y=%zz HTTP/1.1", http(ok, html, a));
        line("GET /caf%C3%A9.html HTTP/1.1", http(ok, html, "café.html"));
        line("GET http://127.0.0.1:80/docs/a.htm?x HTTP/1.1", http(ok, html, "docs/a.htm"));
        line("GET HTTP://localhost HTTP/1.1", http(missing, html, noIndex));
        line("HEAD /notes.txt HTTP/1.1", headOf(http(ok, "text/plain", "notes.txt")));
        line("HEAD /gone.html HTTP/1.0", headOf(http(missing, html, notFound)));
        for (const QByteArray request : {"POST /a.html HTTP/1.1", "get /a.html HTTP/1.0"})
            line(request, http("501 Not Implemented", {}, {}));
        for (const QByteArray request : {"GET /a.html HTTP/2.0", "GET /a.html HTTP/0.9"})
            line(request, http("505 HTTP Version Not Supported", {}, {}));
        for (const QByteArray request : {"GET /a.html http/1.1", "GET /a.html HTTP/11",
                 "GET/a.html HTTP/1.0", "GET  /a.html HTTP/1.1", "GET /a.html b HTTP/1.1",
                 "GET a.html HTTP/1.1", "GET /a%2.html HTTP/1.1"})
            line(request, http("400 Bad Request", {}, {}));

        row("request line split", {"GE", "T /a.h", "tml HT", "TP/1.", "1\r", "\n\r\n"},
            http(ok, html, a));
        const QByteArray longest = "GET /" + QByteArray(8192 - 5, 'a');
        row("8 KiB line in pieces", {longest.first(5000), longest.sliced(5000), "\r\n"}, notFound);
        row("one byte over, bare", {longest.first(5000), longest.sliced(5000) + "a\r\n"}, {});
        row("one byte over, with a version",
            {longest.first(5000), longest.sliced(5000) + "a HTTP/1.1\r\n\r\n"},
            http("414 URI Too Long", {}, {}));

        // Files larger than a chunk: binary data with a "$ip" at a chunk's end
        // and one across two chunks goes out byte for byte, except in the bare
        // form; text gets the address. Types are told by name or by content.
        const qsizetype large = FileAnswer::FirstChunkSize + 3 * FileAnswer::ChunkSize + 17;
        const qsizetype straddling = FileAnswer::FirstChunkSize + FileAnswer::ChunkSize - 1;
        QByteArray binary = pattern(large, 1);
        binary.replace(FileAnswer::FirstChunkSize - 3, 3, "$ip").replace(straddling, 3, "$IP");
        binary.replace(100, 4, QByteArray("\r\n\0\x1a", 4));
        QByteArray bareBinary = binary;
        bareBinary.replace(FileAnswer::FirstChunkSize - 3, 3, ip);
        bareBinary.replace(straddling + ip.size() - 3, 3, ip);
        QByteArray text;
        while (text.size() < large)
            text += "line " + QByteArray::number(text.size()) + " served by $ip\n";
        const QByteArray smallText = text.first(1000), octets = "application/octet-stream";
        const QByteArrayList get = {"GET /file HTTP/1.1\r\n\r\n"};
        row("binary, byte for byte", get, http(ok, octets, binary), "file.bin", binary);
        row("binary, bare", {"GET /file\r\n"}, bareBinary + "\r\n", "file.bin", binary);
        row("binary told by content", get, http(ok, octets, binary), "file", binary);
        row("large text, no length", {"GET /file HTTP/1.0\r\n\r\n"},
            http(ok, "text/plain", QByteArray(text).replace("$ip", ip), false), "file.txt", text);
        row("text told by content", get,
            http(ok, "text/plain", QByteArray(smallText).replace("$ip", ip)), "file", smallText);
        row("HEAD of a large binary", {"HEAD /file HTTP/1.1\r\n\r\n"},
            headOf(http(ok, octets, binary)), "file.bin", binary);
    }
    void answers()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArray, expected);
        if (!file.isEmpty()) {
            writeSite(file, content);
            QVERIFY(file == "file" || QFile::link(file, site("file")));
        }
        Client client(port());
        for (const QByteArray &piece : pieces.first(pieces.size() - 1)) {
            client.socket.write(piece);
            QVERIFY(client.socket.waitForBytesWritten());
            // Another client served meanwhile shows that the server has had its
            // turns with the first one's bytes.
            QCOMPARE(fetch(port(), "GET /a.html\r\n"), "a.html\r\n");
            QCOMPARE(client.received, QByteArray());
            QVERIFY(!client.closed);
        }
        client.socket.write(pieces.last());
        QVERIFY(waitUntil([&] { return client.closed; }));
        QCOMPARE(withoutDate(client.received), expected);
    }

    // Nothing outside the data directory, nor the user's private files, hidden
    // files, files in hidden folders or what a cut short save left behind:
    // neither by any spelling of the name nor by a link (named "link") that
    // leads there. Both forms of the request are tried.
    void containment_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("linkTarget");
        QTest::addColumn<bool>("hardLink");
        QTest::addColumn<QByteArray>("served");
        for (const QByteArray path :
            {"/../outside.html", "/docs/../../outside.html", "/docs/../a.html", "/a\\b.html",
                "/Wavecrest.ini", "/address.LST", "/Favorties.lst", "//./Favorites2.lst",
                "/.Address.lst.a1B2c3", "/.hidden", "/.private/inside.html",
                "/docs/%2e%2e/%2E%2E/outside.html", "/Wavecrest%2eini", "/a.html%00.txt"})
            QTest::newRow(path) << path << QString() << false << QByteArray();
        const auto link = [](const char *name, const QString &target, const QByteArray &path,
                              const QByteArray &served = {}, bool hardLink = false) {
            QTest::newRow(name) << path << target << hardLink << served;
        };
        link("link to a file beside it", "a.html", "/link", "a.html");
        link("link to a subfolder", "docs", "/link/a.htm", "docs/a.htm");
        link("link out to a folder", "/etc", "/link/passwd");
        link("link out to a file", "/etc/passwd", "/link");
        link("link to a file outside the data directory", "../outside.html", "/link");
        link("link to the settings", "Wavecrest.ini", "/link");
        link("link to a leftover of a save", ".Address.lst.a1B2c3", "/link");
        link("link to a hidden file", ".hidden", "/link");
        link("link to a hidden folder", ".private", "/link/inside.html");
        link("hard link to the settings", "Wavecrest.ini", "/link", {}, true);
        link("hard link to a page", "a.html", "/link", "a.html", true);
    }
    void containment()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, linkTarget);
        QFETCH(bool, hardLink);
        QFETCH(QByteArray, served);
        if (hardLink)
            QCOMPARE(
                ::link(QFile::encodeName(site(linkTarget)), QFile::encodeName(site("link"))), 0);
        else if (!linkTarget.isEmpty())
            QVERIFY(QFile::link(linkTarget, site("link")));
        const QByteArray bare = fetch(port(), "GET " + path + "\r\n");
        const QByteArray versioned
            = withoutDate(fetch(port(), "GET " + path + " HTTP/1.1\r\n\r\n"));
        const QByteArray notFound = testData("notfound.txt");
        QCOMPARE(bare, served.isEmpty() ? notFound : served + "\r\n");
        if (served.isEmpty())
            QCOMPARE(versioned, http("404 Not Found", "text/html", notFound));
        else
            QCOMPARE(versioned.first(15) + bodyOf(versioned), "HTTP/1.1 200 OK" + served);
    }

    void overlappingConnectionsGetTheirOwnAnswers()
    {
        const auto content = [](int i) { return QByteArray::number(i) + QByteArray(i * 37, 'a'); };
        Clients clients;
        for (int i = 0; i < 200; ++i) {
            writeSite(QStringLiteral("f%1.html").arg(i), content(i));
            const QByteArray line = "GET /f" + QByteArray::number(i) + ".html";
            clients.push_back(
                std::make_unique<Client>(port(), line + (i % 2 ? "\r\n" : " HTTP/1.1\r\n\r\n")));
        }
        QVERIFY(waitUntil([&] { return allClosed(clients); }));
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(withoutDate(clients[i]->received),
                i % 2 ? content(i) + "\r\n" : http("200 OK", "text/html", content(i)));
        }
    }

    // Clients that open a connection and send no complete request line, silent
    // ones and ones that stop halfway, cannot keep others out: with every place
    // taken, a newcomer takes the place of the one that has waited longest, and
    // each is closed unanswered when its time for the request line is up.
    void idleOpenersGiveWay()
    {
        const int places = 20;
        m_server->setMaxConnections(places);
        m_server->setLimits({2000, 30 * 1000});
        QSignalSpy accepted(m_server.get(), &HttpServer::connectionAccepted);
        Clients idle;
        for (int i = 0; i < 3 * places; ++i)
            idle.push_back(std::make_unique<Client>(port(), i % 2 ? "GET /a.html HTTP/1.1" : ""));
        QVERIFY(waitUntil([&] { return accepted.count() == 3 * places; }));
        QCOMPARE(m_server->connectionCount(), places);

        for (int i = 0; i < 5; ++i)
            QCOMPARE(fetch(port(), "GET /a.html\r\n"), "a.html\r\n");
        // The oldest gave way, first come first closed.
        QVERIFY(idle.front()->closed);
        QVERIFY(!idle.back()->closed);
        QVERIFY(waitUntil([&] { return allClosed(idle); }));
        for (const auto &client : idle)
            QCOMPARE(client->received, QByteArray());
        QCOMPARE(m_server->connectionCount(), 0);
    }

    // Clients that take a large answer slowly, and ones that stop taking theirs,
    // hold every place. A slow one gets all of its file, though that takes longer
    // in all than the limit for taking nothing; a stopped one is dropped once the
    // limit is up. A newcomer waits for a free place: answers under way are not
    // given up for it. Throughout, the server holds no more than a bounded part
    // of each file.
    void slowAndStoppedReaders()
    {
        const int count = 4, stalledMs = 1000;
        m_server->setMaxConnections(count);
        m_server->setLimits({10 * 1000, stalledMs});
        QList<QByteArray> contents;
        Clients clients;
        // The oldest reads slowly: it would be the first to give way.
        for (int i = 0; i < count; ++i) {
            contents.append(pattern(1024 * 1024, char(i)));
            writeSite(QStringLiteral("big%1.bin").arg(i), contents.last());
            clients.push_back(std::make_unique<Client>(
                port(), "GET /big" + QByteArray::number(i) + ".bin HTTP/1.1\r\n\r\n", 16 * 1024));
        }
        QVERIFY(waitUntil([&] { return m_server->connectionCount() == count; }));
        Client newcomer(port(), "GET /a.html\r\n");
        // 4 KiB a turn every 6 ms: a megabyte takes one and a half times the limit.
        qint64 mostQueued = 0;
        QTimer pace;
        connect(&pace, &QTimer::timeout, this, [&] {
            mostQueued = qMax(mostQueued, m_server->queuedBytes());
            for (int i = 0; i < count; i += 2)
                clients[i]->take(4096);
        });
        pace.start(6);
        QVERIFY(waitUntil([&] { return newcomer.closed && m_server->connectionCount() == 0; }));
        pace.stop();

        QCOMPARE(newcomer.received, "a.html\r\n");
        const qint64 perConnection = HttpConnection::LowWater + FileAnswer::FirstChunkSize + 1024;
        QVERIFY2(mostQueued <= count * perConnection, qPrintable(QString::number(mostQueued)));
        for (int i = 0; i < count; ++i) {
            clients[i]->readOn();
            QVERIFY(waitUntil([&] { return clients[i]->closed; }));
            const QByteArray body = bodyOf(clients[i]->received);
            QVERIFY(i % 2 ? body.size() < contents[i].size() : body == contents[i]);
        }
    }

    // A file replaced by a new one (as programs save) leaves the answer under
    // way whole; one cut short in place cuts it short, which the client can tell
    // by its length. A client that closes its sending side right after its
    // request must still get the whole answer.
    void changesMidAnswer_data()
    {
        QTest::addColumn<Midway>("midway");
        QTest::newRow("file replaced") << Midway::FileReplaced;
        QTest::newRow("file cut short in place") << Midway::FileCutShort;
        QTest::newRow("client closes its sending side") << Midway::ClientHalfCloses;
    }
    void changesMidAnswer()
    {
        QFETCH(Midway, midway);
        const QByteArray old = pattern(2 * 1024 * 1024, 5);
        const QByteArray shortened = old.first(old.size() / 2);
        writeSite("big.bin", old);
        Client client(port(), "GET /big.bin HTTP/1.1\r\n\r\n", 16 * 1024);
        if (midway == Midway::ClientHalfCloses) {
            QVERIFY(client.socket.waitForBytesWritten());
            QVERIFY(shutdownSending(client.socket.socketDescriptor()));
        }
        QVERIFY(waitUntil([&] { return client.take(1), !client.received.isEmpty(); }));
        if (midway == Midway::FileReplaced) {
            writeSite("new.bin", pattern(old.size(), 9));
            QCOMPARE(
                ::rename(QFile::encodeName(site("new.bin")), QFile::encodeName(site("big.bin"))),
                0);
        } else if (midway == Midway::FileCutShort) {
            QVERIFY(QFile::resize(site("big.bin"), shortened.size()));
        }
        client.readOn();
        QVERIFY(waitUntil([&] { return client.closed; }));
        QVERIFY(client.received.contains("Content-Length: " + QByteArray::number(old.size())));
        const QByteArray body = bodyOf(client.received);
        QVERIFY(midway == Midway::FileCutShort ? !body.isEmpty() && shortened.startsWith(body)
                                               : body == old);
    }

    // A type read from a file's first bytes holds while the file stays as it
    // is; another file put in its place under the same name gets its own.
    // Bytes that merely begin as a kind of text does are sent untouched.
    void replacedFileGetsItsOwnType()
    {
        const QByteArray pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
        const QByteArray binary = QByteArray("%\x01\x02\0$ip\xff", 8).repeated(100);
        for (const auto &[content, type] :
            {std::pair{pdf, "application/pdf"}, {"<html>x</html>", "text/html"},
                {binary, "application/octet-stream"}, {pdf, "application/pdf"}}) {
            writeSite("clip", content);
            const QByteArray answer = fetch(port(), "GET /clip HTTP/1.0\r\n\r\n");
            QVERIFY(answer.contains(QByteArray("\r\nContent-Type: ") + type + "\r\n"));
            QVERIFY(answer.endsWith("\r\n\r\n" + content));
        }
    }

    // A page served often is kept ready, known by its file however the request
    // spells it; rewriting the file, even to the same size, must show at the
    // next request. A large one goes from its file, kept open.
    void fileChangedAfterServingIsServedAnew_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("small page")
            << QByteArray("kept.html") << QByteArray("old text") << QByteArray("new text");
        QTest::newRow("large file")
            << QByteArray("kept.bin") << QByteArray(40000, '\0') << QByteArray(39999, '\0') + 'x';
    }
    void fileChangedAfterServingIsServedAnew()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QByteArray type = path.endsWith(".bin") ? "application/octet-stream" : "text/html";
        writeSite(path, before);
        // Kept only once its file has been left alone for a while.
        QByteArray served;
        QTRY_VERIFY_WITH_TIMEOUT((served = fetch(port(), "GET /" + path + "\r\n"),
                                     served != before + "\r\n" || m_server->keptPages() == 1),
            10000);
        QCOMPARE(served, before + "\r\n");
        QCOMPARE(fetch(port(), "GET /./" + path + "\r\n"), before + "\r\n");
        for (int twice = 0; twice < 2; ++twice) {
            QCOMPARE(withoutDate(fetch(port(), "GET /.//" + path + "?x HTTP/1.1\r\n\r\n")),
                http("200 OK", type, before));
        }
        QCOMPARE(m_server->keptPages(), 1);
        writeSite(path, after);
        QCOMPARE(withoutDate(fetch(port(), "GET /" + path + " HTTP/1.0\r\n\r\n")),
            http("200 OK", type, after));
    }

    // Clients that are answered, keep their connections and never ask again
    // use up the process's descriptors. The server then rests instead of retrying as fast as it
    // can, serves again by itself once descriptors are free, and rests no
    // more after that, whether it served before it ran out or not.
    void descriptorExhaustion_data()
    {
        QTest::addColumn<bool>("servedBefore");
        QTest::newRow("out of descriptors at once") << false;
        QTest::newRow("after serving a client") << true;
    }
    void descriptorExhaustion()
    {
        QFETCH(bool, servedBefore);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(ChildServerVariable, m_test->file("site"));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        const auto end = qScopeGuard([&child] {
            child.kill();
            child.waitForFinished();
        });
        QByteArray output;
        const auto lines = [&](const char *word) {
            output += child.readAllStandardOutput();
            return int(output.count(QByteArray("\n") + word + "\n") + output.startsWith(word));
        };
        QVERIFY(waitUntil([&] { return lines("port") == 1 && output.contains('\n'); }));
        const quint16 childPort = quint16(output.mid(5, output.indexOf('\n') - 5).toUInt());
        if (servedBefore) {
            // Served once it has settled, the page is kept and needs no
            // descriptor again: the clients below meet a server out of
            // descriptors, not one that cannot open the page and closes.
            const QDateTime settled = QFileInfo(m_test->file("site/a.html"))
                                          .metadataChangeTime()
                                          .addSecs(PreparedPages::SettleSeconds + 1);
            QTest::qWait(int(qMax(0, QDateTime::currentDateTime().msecsTo(settled))));
            QCOMPARE(fetch(childPort, "GET /a.html\r\n"), "a.html\r\n");
        }

        // Stopped meanwhile, the child finds them all waiting at once.
        if (!servedBefore)
            ::kill(pid_t(child.processId()), SIGSTOP);
        Clients clients;
        for (int i = 0; i < 2 * ChildSpareDescriptors; ++i)
            clients.push_back(std::make_unique<Client>(
                childPort, "GET /a.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
        QVERIFY(waitUntil(
            [&] { return std::ranges::all_of(clients, [](const auto &c) { return c->sent(); }); }));
        ::kill(pid_t(child.processId()), SIGCONT);
        QElapsedTimer watch;
        watch.start();
        const qint64 ticksBefore = cpuTicks(child.processId());
        // Still out of descriptors: every retry fails and is followed by a rest.
        // Half a second of the child's time spent meanwhile tells a spin.
        const auto spent = [&] { return cpuTicks(child.processId()) - ticksBefore; };
        waitUntil(
            [&] { return lines("resumed") >= 2 || spent() > sysconf(_SC_CLK_TCK) / 2; }, 4000);
        const bool rested = lines("resumed") >= 2;
        const qint64 ticks = spent();
        const qint64 elapsedTicks = watch.elapsed() * sysconf(_SC_CLK_TCK) / 1000;
        QVERIFY2(rested && ticks * 4 < elapsedTicks,
            qPrintable(QStringLiteral("%1 of %2 ticks").arg(ticks).arg(elapsedTicks)));
        QVERIFY(lines("paused") <= lines("resumed") + 1);

        // The clients that never got in have gone too, but their requests still
        // wait in the listen queue: the child serves again once through them.
        clients.clear();
        QVERIFY(waitUntil([&] { return fetch(childPort, "GET /a.html\r\n") == "a.html\r\n"; }));
        const int rests = lines("paused");
        for (int i = 0; i < 3; ++i)
            QCOMPARE(fetch(childPort, "GET /a.html\r\n"), "a.html\r\n");
        QCOMPARE(lines("paused"), rests);
    }

    void windowStartsServesLogsStopsAndCloses()
    {
        const quint16 port = freePort();
        openWindow(port);
        QCOMPARE(m_window->windowTitle(), "Brimlow Web Server");
        for (const auto &[name, shown] :
            {std::pair{"Label1", "Log On History"}, {"Label2", "Your IP Adress"}, {"Text1", ""},
                {"Command1", "Start"}, {"Command2", "Stop"}, {"Command3", "Help"}})
            QCOMPARE(text(name), shown);
        QCOMPARE(clickable(), std::pair(true, false));

        m_test->writeFile("index.html", "served from $IP");
        click("Command1");
        QCOMPARE(clickable(), std::pair(false, true));
        // Any port but 80 is part of the address, which pages use too.
        QCOMPARE(text("Text1"),
            "http://" + m_window->server()->localAddress() + ':' + QString::number(port));
        QCOMPARE(fetch(port, "GET /\r\n"),
            "served from " + m_window->server()->localAddress().toLatin1() + "\r\n");
        fetch(port, "GET /a%20b.html?x=1 HTTP/1.1\r\n\r\n");
        fetch(port, "HEAD /../Wavecrest.ini HTTP/1.0\r\n\r\n");
        Client waiting(port, "get /\r\n");
        QTRY_COMPARE(shownLog(),
            QStringList({"127.0.0.1 connected", "requested page: / 200", "127.0.0.1 connected",
                "requested page: /a%20b.html?x=1 404", "127.0.0.1 connected",
                "requested page: /../Wavecrest.ini 404", "127.0.0.1 connected"}));

        click("Command2");
        QCOMPARE(clickable(), std::pair(true, false));
        QCOMPARE(text("Text1"), QString());
        QCOMPARE(shownLog(), QStringList());
        QTRY_VERIFY(waiting.closed);
        QCOMPARE(waiting.received, QByteArray());
        Client refused(port);
        QTRY_VERIFY(refused.closed);
        QCOMPARE(refused.socket.error(), QAbstractSocket::ConnectionRefusedError);

        // Closing the window ends the server and its connections with it.
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        click("Command1");
        Client unfinished(port, "GET /unfinished");
        QTRY_COMPARE(shownLog().size(), 1);
        m_window->close();
        QTRY_VERIFY(m_window.isNull());
        QTRY_VERIFY(unfinished.closed);
        QCOMPARE(unfinished.received, QByteArray());
    }

    // The first port (standing for 80) cannot be had. One merely in use is the
    // user's to free: the user is told why, and no other port is tried. One the
    // system keeps for its administrator, as an ordinary user meets it, sends
    // the server to the first free fallback port, which the address and the log
    // show. A port in the settings comes first, and the settings stay unwritten.
    void windowFallsBackFromARefusedPort_data()
    {
        QTest::addColumn<bool>("inUse");
        QTest::addColumn<int>("busyFallbacks");
        QTest::addColumn<bool>("fromSettings");
        QTest::newRow("first port in use") << true << 0 << false;
        QTest::newRow("first fallback free") << false << 0 << false;
        QTest::newRow("first fallback in use") << false << 1 << false;
        QTest::newRow("every fallback in use") << false << 2 << false;
        QTest::newRow("first port from the settings") << false << 0 << true;
    }
    void windowFallsBackFromARefusedPort()
    {
        QFETCH(bool, inUse);
        QFETCH(int, busyFallbacks);
        QFETCH(bool, fromSettings);
        // The first port, then two fallbacks.
        QTcpServer busy[3];
        QList<quint16> fallbacks;
        for (int i = 0; i < 3; ++i) {
            const bool taken = i == 0 ? inUse : i <= busyFallbacks;
            QVERIFY(!taken || busy[i].listen(QHostAddress::LocalHost, 0));
            fallbacks.append(taken ? busy[i].serverPort() : freePort());
        }
        const quint16 first = fallbacks.takeFirst(), configured = freePort();
        if (fromSettings) {
            m_test->writeFile("Wavecrest.ini",
                "[Wavecrest]\r\nWebServerPort=" + QByteArray::number(configured) + "\r\n");
        }
        const QByteArray settings = m_test->readFile("Wavecrest.ini");
        openWindow(first);
        m_window->server()->setFallbackPorts(fallbacks);
        m_window->server()->setListen(
            [first, inUse](QTcpServer &listener, const QHostAddress &address, quint16 port) {
                if (port == first && !inUse) {
                    return std::optional(HttpServer::ListenError{
                        QAbstractSocket::SocketAccessError, "The address is protected"});
                }
                return HttpServer::listenNormally(listener, address, port);
            });
        MessageBoxRecorder recorder;
        m_test->writeFile("a.html", "served");
        click("Command1");
        QCOMPARE(m_test->readFile("Wavecrest.ini"), settings);

        if (inUse || busyFallbacks == 2) {
            // A port in use is told in the system's words.
            QTcpServer probe;
            const QString reason = inUse && !probe.listen(QHostAddress::LocalHost, first)
                ? probe.errorString()
                : QStringLiteral("The address is protected\nPorts %1 to %2 could not be used "
                                 "either.")
                      .arg(fallbacks.first())
                      .arg(fallbacks.last());
            QCOMPARE(recorder.boxes.size(), 1);
            QCOMPARE(recorder.boxes.first().text,
                QStringLiteral("The web server could not listen on port %1.\n").arg(first)
                    + reason);
            QCOMPARE(recorder.boxes.first().icon, QMessageBox::Critical);
            QCOMPARE(clickable(), std::pair(true, false));
            QCOMPARE(text("Text1"), QString());
            return;
        }
        const quint16 expected = fromSettings ? configured : fallbacks.at(busyFallbacks);
        QCOMPARE(recorder.boxes.size(), 0);
        QVERIFY2(
            text("Text1").endsWith(u':' + QString::number(expected)), qPrintable(text("Text1")));
        QCOMPARE(fetch(expected, "GET /a.html\r\n"), "served\r\n");
        QTRY_VERIFY(shownLog().size() >= 2);
        QCOMPARE(shownLog().first(2),
            fromSettings ? QStringList({"127.0.0.1 connected", "requested page: /a.html 200"})
                         : QStringList({QStringLiteral("Port %1 is reserved.").arg(first),
                             QStringLiteral("Serving on port %1.").arg(expected)}));
    }

    // The log keeps its newest lines and follows the newest one; scrolled up,
    // the lines in view stay, also when old lines go.
    void logFollowsTheNewestLineUnlessScrolledUp()
    {
        openWindow(0);
        HttpServer *server = m_window->server();
        QListView *log = m_window->findChild<QListView *>("List1");
        QAbstractItemModel *lines = log->model();
        QScrollBar *scroll = log->verticalScrollBar();
        const auto add = [server](int from, int count) {
            for (int i = from; i < from + count; ++i)
                Q_EMIT server->connectionAccepted(QString::number(i));
        };
        const auto line = [lines](int row) {
            return lines->index(row < 0 ? lines->rowCount() + row : row, 0).data().toString();
        };
        const auto topLine = [log] { return log->indexAt({2, 2}).data().toString(); };
        add(0, 200);
        Q_EMIT server->requestReceived("/more");
        QTRY_COMPARE(lines->rowCount(), 201);
        QCOMPARE(line(-1), "requested page: /more");
        QTRY_VERIFY(scroll->maximum() > 0 && scroll->value() == scroll->maximum());

        log->scrollTo(lines->index(150, 0), QAbstractItemView::PositionAtTop);
        add(300, 100);
        QTRY_COMPARE(lines->rowCount(), 301);
        QCOMPARE(topLine(), "150 connected");
        // A burst far larger than the log, as the server reports it.
        add(400, ServerWindow::MaxLogLines + 2500);
        QTRY_COMPARE(line(0), "2900 connected");
        QCOMPARE(lines->rowCount(), ServerWindow::MaxLogLines);
        QCOMPARE(line(-1), QString::number(2899 + ServerWindow::MaxLogLines) + " connected");
        QVERIFY(scroll->value() < scroll->maximum());
        QCOMPARE(topLine(), "2900 connected");

        // Back at the end, the full log follows again.
        log->scrollToBottom();
        Q_EMIT server->requestReceived("/last");
        QTRY_COMPARE(line(-1), "requested page: /last");
        QCOMPARE(line(0), "2901 connected");
        QTRY_COMPARE(scroll->value(), scroll->maximum());
    }

    void helpWindow()
    {
        openWindow(0);
        click("Command3");
        QPointer<QWidget> help = m_test->context->windows().find(WindowNames::WebServerHelp);
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->windowTitle(), "Web Server Help");
        // Eight lines, each with its CR LF.
        QCOMPARE(ServerHelpWindow::helpText(), QString::fromLatin1(testData("help.txt")));
        QCOMPARE(help->findChild<QPlainTextEdit *>("Text1")->toPlainText(),
            ServerHelpWindow::helpText().replace("\r\n", "\n"));
        delete help.data();
    }

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
        const QAbstractItemModel *log = m_window->findChild<QListView *>("List1")->model();
        QStringList lines;
        for (int row = 0; row < log->rowCount(); ++row)
            lines.append(log->index(row, 0).data().toString());
        return lines;
    }
    void writeSite(const QString &name, const QByteArray &bytes) const
    {
        m_test->writeFile("site/" + name, bytes);
    }
    QString site(const QString &name) const { return m_test->file("site/" + name); }

    std::unique_ptr<TestContext> m_test;
    std::unique_ptr<HttpServer> m_server;
    QPointer<ServerWindow> m_window;
};

WAVECREST_TEST(WebServerTest)
#include "tst_webserver.moc"
