#include "net/socketio.h"
#include "support/testregistry.h"
#include "webserver/httpserver.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Bytes that tell their place: any slice shows where it came from.
QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

const QByteArray binary = pattern(300 * 1000);

// A raw client: writes its request and collects what comes until the server
// closes, or, with `answers`, until that many heads have come.
struct Raw {
    // Reading nothing, it takes no more than the system holds for it.
    Raw(quint16 port, const QByteArray &request, bool read = true) : reading(read)
    {
        socket.setReadBufferSize(read ? 0 : 1);
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
            if (reading)
                received += socket.readAll();
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.write(request);
    }
    bool closed() const { return socket.state() == QAbstractSocket::UnconnectedState; }
    QTcpSocket socket;
    QByteArray received;
    bool reading;
};

QByteArray exchange(quint16 port, const QByteArray &request)
{
    Raw client(port, request);
    return QTest::qWaitFor([&] { return client.closed(); }, 20000) ? client.received : "(open)";
}

QByteArray header(const QByteArray &answer, const QByteArray &name)
{
    const qsizetype at = answer.indexOf("\r\n" + name + ": ");
    return at < 0
        ? QByteArray()
        : answer.mid(at + name.size() + 4, answer.indexOf("\r\n", at + 2) - at - name.size() - 4);
}

// Sends fifty rounds of three requests in one go, then reads the answers.
const char pipelining[] = R"(import http.client, io, socket, sys
s = socket.create_connection(('127.0.0.1', int(sys.argv[1])))
s.sendall(b''.join(b'GET /v.bin HTTP/1.1\r\n\r\nGET /v.bin HTTP/1.1\r\nRange: bytes=1-1\r\n\r\n'
                   b'GET /t.html HTTP/1.1\r\n\r\n' for _ in range(50)))
class Kept(io.BufferedReader):
    def close(self): pass
class Source:
    f = Kept(socket.SocketIO(s, 'rb'))
    def makefile(self, *args, **kwargs): return self.f
for _ in range(150):
    r = http.client.HTTPResponse(Source())
    r.begin()
    b = r.read()
    sys.stdout.write(f'{r.status} {len(b) if len(b) > 100 else b if r.status == 206 else b.decode()}|'))";

// A file of several pieces, then a page, on one connection of network-sized
// packets: each body's digest, or the page itself.
const char smallPackets[] = R"(import hashlib, http.client, socket, sys
c = http.client.HTTPConnection('127.0.0.1', int(sys.argv[1]))
c.sock = socket.socket()
c.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_MAXSEG, 1400)
c.sock.connect(('127.0.0.1', int(sys.argv[1])))
for path in ('/long.bin', '/t.html'):
    c.request('GET', path)
    b = c.getresponse().read()
    print(hashlib.md5(b).hexdigest() if len(b) > 100 else b.decode(), end='|'))";

} // namespace

class HttpProtocolTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("site/engine")));
        write("v.bin", binary);
        write("long.bin", pattern(5 * 1000 * 1000));
        write("t.html", "at $ip");
        write("big.txt", m_text);
        write("engine/Cookies", "secret");
        QVERIFY(QFile::link(site("engine"), site("alias")));
        // Changed a while ago: its time is a strong validator.
        QFile file(site("v.bin"));
        QVERIFY(file.open(QIODevice::ReadWrite)
            && file.setFileTime(
                QDateTime(QDate(2020, 2, 2), QTime(2, 2)), QFileDevice::FileModificationTime));
    }

    void init()
    {
        m_server = std::make_unique<HttpServer>(site(""), 0, QHostAddress::LocalHost);
        m_server->setLimits({10 * 1000, 30 * 1000, 500});
        m_server->setPrivateFolders({site("engine")});
        QVERIFY(m_server->start());
    }

    // Rows give the request's header lines; <etag> and <date> stand for the
    // file's validators. Expected: the status, the part of the file sent
    // (whole: -1), and the log's outcome.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last");
        QTest::addColumn<QByteArray>("outcome");

        const QByteArray get = "GET /v.bin HTTP/1.1", size = "/300000";
        const auto row
            = [](const char *name, const QByteArray &request, const QByteArray &fields, int status,
                  qint64 first = -1, qint64 last = -1, const QByteArray &outcome = {}) {
                  QTest::newRow(name) << request << fields << status << first << last
                                      << (outcome.isEmpty() ? QByteArray::number(status) : outcome);
              };
        const auto range = [&](const char *name, const QByteArray &value, int status,
                               qint64 first = -1, qint64 last = -1) {
            const QByteArray part
                = status == 206 ? QByteArray::number(first) + '-' + QByteArray::number(last) : "*";
            row(name, get, "Range: " + value, status, first, last,
                status == 200 ? "200" : QByteArray::number(status) + " bytes " + part + size);
        };
        range("first bytes", "bytes=0-99", 206, 0, 99);
        range("open end", "bytes=299990-", 206, 299990, 299999);
        range("last bytes", "bytes=-10", 206, 299990, 299999);
        range("end beyond the file", "bytes=299000-999999", 206, 299000, 299999);
        range("suffix longer than the file", "bytes=-400000", 206, 0, 299999);
        range("overflowing end", "bytes=5-99999999999999999999999", 206, 5, 299999);
        range("unit in capitals, blanks", "BYTES= 1-1 ,", 206, 1, 1);
        range("start beyond the end", "bytes=300000-", 416);
        range("overflowing start", "bytes=99999999999999999999999-", 416);
        range("empty suffix", "bytes=-0", 416);
        range("several", "bytes=0-0,5-9", 200);
        range("several, none satisfiable", "bytes=400000-,500000-", 416);
        range("negative", "bytes=-5-9", 200);
        range("backwards", "bytes=9-5", 200);
        range("other unit", "items=0-5", 200);
        QByteArray many = "bytes=0-0";
        while (many.size() < 6000)
            many += ",1-1";
        range("a thousand", many, 200);
        while (many.size() < 60000)
            many += ",1-1";
        row("ten thousand", get, "Range: " + many, 431, -1, -1, "(none)");
        row("two ranges", get, "Range: bytes=0-1\r\nRange: bytes=2-3", 200);
        row("HEAD ignores a range", "HEAD /v.bin HTTP/1.1", "Range: bytes=0-9", 200);
        row("If-Range, same tag", get, "Range: bytes=0-9\r\nIf-Range: <etag>", 206, 0, 9,
            "206 bytes 0-9" + size);
        row("If-Range, same date", get, "Range: bytes=0-9\r\nIf-Range: <date>", 206, 0, 9,
            "206 bytes 0-9" + size);
        row("If-Range, other tag", get, "Range: bytes=0-9\r\nIf-Range: \"x\"", 200);
        row("If-Range, weak tag", get, "Range: bytes=0-9\r\nIf-Range: W/<etag>", 200);
        row("If-None-Match", get, "If-None-Match: \"a\", W/<etag>", 304);
        row("If-None-Match *", get, "If-None-Match: *", 304);
        row("If-None-Match, other tag", get, "If-None-Match: \"a\"", 200);
        row("If-None-Match wins", get, "If-None-Match: \"a\"\r\nIf-Modified-Since: <date>", 200);
        row("If-Modified-Since, same", get, "If-Modified-Since: <date>", 304);
        row("If-Modified-Since, RFC 850", get, "If-Modified-Since: Sunday, 06-Nov-94 08:49:37 GMT",
            200);
        row("If-Modified-Since, later, asctime", get, "If-Modified-Since: Sun Nov  6 08:49:37 2094",
            304);
        row("If-Modified-Since, not a date", get, "If-Modified-Since: yesterday", 200);
        row("Host, this machine", get, "Host: LOCALHOST.:80", 200);
        row("Host, an address", get, "Host: 192.168.1.7", 200);
        row("Host, IPv6", get, "Host: [::1]:8080", 200);
        row("Host, another site", get, "Host: attacker.example", 421, -1, -1,
            "421 attacker.example");
        row("Host, an address spelled as a name", get, "Host: 127.0.0.1.nip.io", 421, -1, -1,
            "421 127.0.0.1.nip.io");
        row("absolute target, another site", "GET http://attacker.example/v.bin HTTP/1.1",
            "Host: localhost", 421, -1, -1, "421 attacker.example");
        row("no Host, HTTP/1.0", "GET /v.bin HTTP/1.0", "Range: bytes=1-2", 206, 1, 2,
            "206 bytes 1-2" + size);
        row("two Hosts", get, "Host: localhost\r\nHost: localhost", 400);
        row("blank before the colon", get, "Host : localhost", 400);
        row("folded line", get, "Range: bytes=0-1\r\n 2-3", 400);
        row("inside the engine's storage", "GET /engine/Cookies HTTP/1.1", "", 404);
        row("through a link to it", "GET /alias/Cookies HTTP/1.1", "", 404);
    }

    void answers()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, fields);
        QFETCH(int, status);
        QFETCH(qint64, first);
        QFETCH(qint64, last);
        QFETCH(QByteArray, outcome);

        const QByteArray head = exchange(port(), "HEAD /v.bin HTTP/1.0\r\n\r\n");
        fields.replace("<etag>", header(head, "ETag"))
            .replace("<date>", header(head, "Last-Modified"));
        QSignalSpy log(m_server.get(), &HttpServer::requestReceived);
        const QByteArray answer
            = exchange(port(), request + "\r\nConnection: close\r\n" + fields + "\r\n\r\n");
        QCOMPARE(answer.left(12), "HTTP/1.1 " + QByteArray::number(status));
        QCOMPARE(log.isEmpty() ? QByteArray("(none)") : log.last().at(1).toByteArray(), outcome);
        if (status == 404)
            return;
        const QByteArray body = answer.sliced(answer.indexOf("\r\n\r\n") + 4);
        const bool whole = status == 200 && request.startsWith("GET");
        QCOMPARE(body, whole ? binary : first >= 0 ? binary.sliced(first, last - first + 1) : "");
        QCOMPARE(header(answer, "Content-Length").toLongLong(),
            status == 200 ? binary.size() : body.size());
        if (status == 206 || status == 200)
            QCOMPARE(header(answer, "Accept-Ranges"), QByteArray("bytes"));
    }

    // Real clients, on connections they keep: each row's output, with
    // <ip> for the server's address, and how many connections it took.
    void realClients_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<int>("connections");

        const QString url = QStringLiteral("http://127.0.0.1:<port>/");
        const QStringList curl{"-sS", "--http1.1"};
        QTest::newRow("curl, a range") << "curl" << curl + QStringList{"-r", "10-19", url + "v.bin"}
                                       << binary.sliced(10, 10) << 1;
        QTest::newRow("curl, three files on one connection, one of several pieces")
            << "curl" << curl + QStringList{url + "t.html", url + "long.bin", url + "t.html"}
            << "at <ip>" + pattern(5 * 1000 * 1000) + "at <ip>" << 1;
        QTest::newRow("python, a file of several pieces, then a page, in small packets")
            << "python3" << QStringList{"-c", smallPackets, "<port>"}
            << QCryptographicHash::hash(pattern(5 * 1000 * 1000), QCryptographicHash::Md5).toHex()
                + "|at <ip>|"
            << 1;
        QTest::newRow("curl, long text chunked")
            << "curl" << curl + QStringList{url + "big.txt", url + "t.html"}
            << QByteArray(m_text).replace("$IP", "<ip>") + "at <ip>" << 1;
        QTest::newRow("curl -z, file unchanged") << "curl"
                                                 << curl
                + QStringList{"-z", "Sun, 02 Feb 2020 03:00:00 GMT", "-w", "%{http_code}",
                    url + "v.bin"} << QByteArray("304")
                                                 << 1;
        // Python's http.client: one connection for all, and requests sent
        // ahead of their answers, read back in order.
        QTest::newRow("python, pipelined")
            << "python3" << QStringList{"-c", pipelining, "<port>"}
            << QByteArray("200 300000|206 b'\\x07'|200 at <ip>|").repeated(50) << 1;
    }

    void realClients()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, output);
        QFETCH(int, connections);

        arguments.replaceInStrings(QStringLiteral("<port>"), QString::number(port()));
        QSignalSpy accepted(m_server.get(), &HttpServer::connectionAccepted);
        QProcess client;
        client.start(program, arguments);
        QVERIFY(QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(client.readAllStandardError(), QByteArray());
        QCOMPARE(client.readAllStandardOutput(),
            output.replace("<ip>", m_server->localAddress().toLatin1()));
        QCOMPARE(accepted.count(), connections);
    }

    // A download cut short resumes where it stopped, to the same bytes.
    void curlResumes()
    {
        const QString target = m_dir.filePath("resumed.bin");
        QFile part(target);
        QVERIFY(part.open(QIODevice::WriteOnly) && part.write(binary.first(123457)) == 123457);
        part.close();
        QProcess curl;
        curl.start("curl",
            {"-sS", "-C", "-", "-o", target,
                QStringLiteral("http://127.0.0.1:%1/v.bin").arg(port())});
        QVERIFY(QTest::qWaitFor([&] { return curl.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(curl.exitCode(), 0);
        QVERIFY(part.open(QIODevice::ReadOnly));
        QCOMPARE(part.readAll(), binary);
    }

    // A client kept open that asks nothing more is closed once its time is
    // up, and gives way first when every place is taken.
    void idleClientsGiveWay()
    {
        m_server->setMaxConnections(3);
        m_server->setLimits({2000, 30 * 1000, 500});
        const QByteArray request = "GET /t.html HTTP/1.1\r\n\r\n";
        Raw opener(port(), {});
        QVERIFY(QTest::qWaitFor([&] { return m_server->connectionCount() == 1; }));
        Raw first(port(), request);
        QVERIFY(QTest::qWaitFor([&] { return !first.received.isEmpty(); }));
        Raw second(port(), request);
        QVERIFY(QTest::qWaitFor([&] { return !second.received.isEmpty(); }));
        QVERIFY(exchange(port(), "GET /t.html HTTP/1.0\r\n\r\n")
                    .endsWith("at " + m_server->localAddress().toLatin1()));
        QVERIFY(QTest::qWaitFor([&] { return first.closed(); }));
        QVERIFY(!second.closed() && !opener.closed());
        QVERIFY(QTest::qWaitFor([&] { return second.closed(); }, 1000));
        QVERIFY(!opener.closed());
        QVERIFY(QTest::qWaitFor([&] { return opener.closed(); }, 3000));
    }

    // A client that sends a thousand requests without reading holds no more
    // than the head of one answer while others are served, and then gets
    // every answer, in order, the last one closing the connection.
    void pipelinedWithoutReading()
    {
        write("s.bin", binary.first(16000));
        QByteArray requests;
        for (int i = 0; i < 1000; ++i)
            requests
                += "GET /s.bin HTTP/1.1\r\nRange: bytes=" + QByteArray::number(i) + "-\r\n\r\n";
        Raw client(port(), requests, false);
        qint64 queued = -1;
        QVERIFY(QTest::qWaitFor([&] {
            const qint64 now = m_server->queuedBytes();
            return std::exchange(queued, now) == now && client.socket.bytesToWrite() == 0;
        }));
        QVERIFY(queued < 1024);
        QVERIFY(exchange(port(), "GET /t.html HTTP/1.0\r\n\r\n").startsWith("HTTP/1.1 200"));
        QVERIFY(!client.closed());
        client.reading = true;
        client.socket.setReadBufferSize(0);
        client.received += client.socket.readAll();
        QVERIFY(QTest::qWaitFor([&] { return client.closed(); }, 30000));
        qsizetype at = 0;
        for (int i = 0; i < 1000; ++i) {
            at = client.received.indexOf("\r\nContent-Range: bytes ", at);
            QVERIFY(at > 0);
            at += 23;
            QCOMPARE(client.received.mid(at, client.received.indexOf('-', at) - at).toInt(), i);
        }
        QVERIFY(client.received.sliced(client.received.lastIndexOf("HTTP/1.1 206"))
                    .contains("\r\nConnection: close\r\n"));
    }

    // The system raises a signal for a file sent to a peer that has gone,
    // which must not end the program, nor wait on a thread that holds it back.
    void sendingToAGonePeer()
    {
        for (const bool heldByThread : {false, true}) {
            int pair[2];
            QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
            ::close(pair[1]);
            QFile file(site("v.bin"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            // Sent, and whether the signal is left waiting.
            std::pair<qint64, bool> outcome;
            std::thread([&] {
                if (heldByThread)
                    holdBrokenPipeSignal();
                qint64 offset = 0;
                sigset_t waiting;
                outcome.first = sendFileToSocket(pair[0], file.handle(), &offset, 1000);
                outcome.second = ::sigpending(&waiting) != 0 || sigismember(&waiting, SIGPIPE);
            }).join();
            QCOMPARE(outcome, std::pair(qint64(-1), false));
            ::close(pair[0]);
        }
    }

private:
    void write(const char *name, const QByteArray &bytes)
    {
        QFile file(site(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QString site(const char *name) const { return m_dir.filePath(QStringLiteral("site/") + name); }
    quint16 port() const { return m_server->serverPort(); }

    const QByteArray m_text = [] {
        QByteArray text;
        while (text.size() < 200 * 1000)
            text += "line " + QByteArray::number(text.size()) + " of $IP\n";
        return text;
    }();
    QTemporaryDir m_dir;
    std::unique_ptr<HttpServer> m_server;
};

WAVECREST_TEST(HttpProtocolTest)
#include "tst_webserverprotocol.moc"
