#include "blocking/contentblocking.h"
#include "core/contentblockingstate.h"
#include "engine/navigationgate.h"
#include "engine/webenginefactory.h"
#include "engine/webengineprofile.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QDir>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {

// Made-up host names reach the test's server on the loopback interface. Set
// before the page engine starts, which reads the flags once.
const bool resolverMapped = [] {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --host-resolver-rules=\"MAP *.test 127.0.0.1\"";
    return qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}();

constexpr int LoadTimeout = 30000;

// Serves a news page with an advert from a blocked host, an advert on the
// user's own network, and elements that rules hide; notes every request as
// "host path".
class TestSite : public QTcpServer
{
public:
    TestSite()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QString url(const char *host, const char *path) const
    {
        return QStringLiteral("http://%1:%2%3")
            .arg(QLatin1String(host))
            .arg(serverPort())
            .arg(QLatin1String(path));
    }
    QStringList requests;

private:
    void answer(QTcpSocket *socket)
    {
        const QByteArray head = socket->readAll();
        const QByteArray path = head.split(' ').value(1);
        const QByteArray host
            = head.mid(head.indexOf("Host: ") + 6).split('\r').first().split(':').first();
        requests << QString::fromLatin1(host + ' ' + path);
        QByteArray body = "GIF89a\1\0\1\0\0\0\0;";
        QByteArray type = "image/gif";
        if (path == "/page") {
            type = "text/html";
            body = QStringLiteral(
                "<html><body><img src='%1'><img src='%2'>"
                "<div class='ad-slot' id='slot'>a</div><div class='promo' id='promo'>"
                "b</div><div id='keep'>c</div></body></html>")
                       .arg(url("ads.blocked.test", "/ad.gif"), url("127.0.0.1", "/ads/banner.gif"))
                       .toUtf8();
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nCache-Control: no-store\r\n"
            + "Connection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n"
            + body);
        socket->disconnectFromHost();
    }
};

} // namespace

// Content blocking in the real page engine: what a page loads and shows.
class PageBlockingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blocksAndHides_data();
    void blocksAndHides();
};

void PageBlockingTest::blocksAndHides_data()
{
    QTest::addColumn<QByteArray>("blocking"); // the ContentBlocking setting
    QTest::addColumn<bool>("siteOn");
    QTest::addColumn<bool>("blocked");

    QTest::newRow("on") << QByteArray() << true << true;
    QTest::newRow("off for the site") << QByteArray() << false << false;
    QTest::newRow("off") << QByteArray("0") << true << false;
}

void PageBlockingTest::blocksAndHides()
{
    QFETCH(QByteArray, blocking);
    QFETCH(bool, siteOn);
    QFETCH(bool, blocked);
    QVERIFY(resolverMapped);
    TestContext ctx;
    TestSite site;
    ctx.writeFile("list.txt",
        "[Adblock Plus 2.0]\n||blocked.test^\n/ads/banner.\n##.ad-slot\nnews.test##.promo\n");
    const QString list = QUrl::fromLocalFile(ctx.file("list.txt")).toString();
    ctx.writeFile("Wavecrest.ini",
        "[Wavecrest]\r\nFilterLists=" + list.toUtf8() + "\r\nContentBlocking=" + blocking + "\r\n");
    if (!siteOn)
        ctx.writeFile("Unblocked.lst", "news.test\r\n");

    QWidget window;
    BrowserEngine *engine = webEngineFactory()(&window);
    (new QVBoxLayout(&window))->addWidget(engine->view());
    window.show();
    // With no list on disk yet, there is nothing to hold pages back for.
    ContentBlocking(*TestContext().context, sharedWebEngineProfile()).start();
    QVERIFY(NavigationGate::instance().isOpen());
    ContentBlocking contentBlocking(*ctx.context, sharedWebEngineProfile());
    contentBlocking.attach(engine, static_cast<QWebEngineView *>(engine->view())->page());
    QSignalSpy loaded(engine, &BrowserEngine::DownloadComplete);
    contentBlocking.start();
    // Asked before the lists are read, the page waits for them.
    engine->Navigate(site.url("news.test", "/page"));
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(site.requests.contains("127.0.0.1 /ads/banner.gif"), LoadTimeout);
    QCOMPARE(site.requests.contains("ads.blocked.test /ad.gif"), !blocked);
    QCOMPARE(ctx.context->contentBlocking().blockedCount(engine), blocked ? 1 : 0);

    QWebEnginePage *page = static_cast<QWebEngineView *>(engine->view())->page();
    QStringList shown;
    page->runJavaScript(QStringLiteral("['slot', 'promo', 'keep'].map(id => getComputedStyle("
                                       "document.getElementById(id)).display).join(' ')"),
        [&shown](const QVariant &result) { shown << result.toString(); });
    QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), LoadTimeout);
    QCOMPARE(shown.first(),
        blocked ? QStringLiteral("none none block") : QStringLiteral("block block block"));
    QVERIFY(NavigationGate::instance().isOpen());

    // Whatever blocking does, a page opened from the disk reads no other file.
    ctx.writeFile("local.html",
        "<script>fetch('file:///etc/passwd').then(() => 'read', () => "
        "'refused').then(t => document.title = 'said ' + t)</script>");
    QSignalSpy titles(engine, &BrowserEngine::TitleChange);
    engine->Navigate(ctx.file("local.html"));
    QTRY_COMPARE_WITH_TIMEOUT(titles.size() ? titles.last().first().toString() : QString(),
        QStringLiteral("said refused"), LoadTimeout);
    // Nor does it get the hiding script, which has nothing to do there.
    QStringList hiding;
    page->runJavaScript(QStringLiteral("typeof __wavecrestHidingRun"),
        QWebEngineScript::ApplicationWorld,
        [&hiding](const QVariant &r) { hiding << r.toString(); });
    QTRY_COMPARE_WITH_TIMEOUT(hiding, QStringList{QStringLiteral("undefined")}, LoadTimeout);
}

WAVECREST_TEST(PageBlockingTest)
#include "tst_pageblocking.moc"
