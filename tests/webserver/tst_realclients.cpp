#include "expectedpages.h"
#include "support/testregistry.h"
#include "testclient.h"
#include "webserver/httpserver.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The clients people use, run against the server as separate programs.
class RealClientsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void clients_data();
    void clients();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HttpServer> m_server;
};

namespace {

// Prints the status, the Content-Type and then the body as received.
const char pythonClient[] = R"(
import http.client, sys
connection = http.client.HTTPConnection('127.0.0.1', int(sys.argv[1]), timeout=20)
connection.request('GET', sys.argv[2])
response = connection.getresponse()
head = '%d %s|%s|' % (response.status, response.reason, response.getheader('Content-Type'))
sys.stdout.buffer.write(head.encode() + response.read())
)";

} // namespace

void RealClientsTest::initTestCase()
{
    for (const char *program : {"curl", "python3"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps)")
                                 .arg(QLatin1String(program))));
    }
}

void RealClientsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<HttpServer>(m_dir->path(), 0, QHostAddress::LocalHost);
    QVERIFY(m_server->start());
    for (const auto &[name, content] : {std::pair{"page.html", "<html>server $ip</html>"},
             std::pair{"plain.html", "<html>plain</html>"}}) {
        QFile page(m_dir->filePath(QLatin1String(name)));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(content);
    }
}

void RealClientsTest::cleanup()
{
    m_server.reset();
    m_dir.reset();
}

// Arguments name the port as <port>; the output names the address as <ip>.
void RealClientsTest::clients_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");

    const QString url = QStringLiteral("http://127.0.0.1:<port>");
    const QByteArray page = "<html>server <ip></html>\r\n";
    const QByteArray plain = "<html>plain</html>\r\n";
    const QByteArray notFound = expectedNotFoundAnswer();

    QTest::newRow("curl, HTTP/1.1")
        << "curl" << QStringList{"-sS", "--http1.1", "-D", "-", url + "/plain.html"}
        << httpHead("200 OK", "text/html", plain.size()) + plain;
    // curl cannot leave out the version, but a method that ends the line
    // makes the request line the bare "GET /page.html".
    QTest::newRow("curl, bare form")
        << "curl" << QStringList{"-sS", "--http0.9", "-X", "GET /page.html\r\n", url + "/"} << page;
    QTest::newRow("python http.client")
        << "python3" << QStringList{"-c", pythonClient, "<port>", "/page.html"}
        << "200 OK|text/html|" + page;
    QTest::newRow("python http.client, missing page")
        << "python3" << QStringList{"-c", pythonClient, "<port>", "/none.html"}
        << "404 Not Found|text/html|" + notFound;
}

void RealClientsTest::clients()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);

    arguments.replaceInStrings(QStringLiteral("<port>"), QString::number(m_server->serverPort()));
    QProcess client;
    client.start(program, arguments);
    // The server runs in this thread: wait with the event loop running.
    QVERIFY(waitUntil([&] { return client.state() == QProcess::NotRunning; }, 30000));
    QCOMPARE(client.readAllStandardError(), QByteArray());
    QCOMPARE(client.exitCode(), 0);
    QCOMPARE(client.readAllStandardOutput(),
        output.replace("<ip>", m_server->localAddress().toLatin1()));
}

WAVECREST_TEST(RealClientsTest)
#include "tst_realclients.moc"
