#include "blocking/contentblocking.h"
#include "core/appcontext.h"
#include "core/contentblockingstate.h"
#include "engine/webenginefactory.h"
#include "engine/webengineprofile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// The page's hosts are made-up names that reach the loopback server, so
// that every request goes the whole way through the matcher (addresses on
// the user's own network would be let through at once). Set before the
// page engine starts.
const bool resolverMapped = [] {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --disable-gpu --host-resolver-rules=\"MAP *.test 127.0.0.1\"";
    return qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}();

constexpr int SubResources = 100;

// A photo gallery: a page with 80 pictures from eight hosts, ten scripts and
// ten style sheets, none of which the lists block. Nothing is cached.
class Gallery : public QTcpServer
{
public:
    Gallery()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QString pageUrl(int visit) const
    {
        return QStringLiteral("http://www.gallery.test:%1/album?visit=%2")
            .arg(serverPort())
            .arg(visit);
    }

private:
    QByteArray page() const
    {
        QByteArray html = "<!DOCTYPE html><html><head><title>Album</title>";
        const QByteArray port = QByteArray::number(serverPort());
        for (int i = 0; i < 10; ++i) {
            html += "<link rel=stylesheet href='http://static.gallery.test:" + port + "/css/album-"
                + QByteArray::number(i) + ".css'>";
            html += "<script src='http://static.gallery.test:" + port + "/js/viewer-"
                + QByteArray::number(i) + ".js'></script>";
        }
        html += "</head><body><h1>Album</h1>";
        for (int i = 0; i < SubResources - 20; ++i) {
            html += "<div class='photo'><img src='http://cdn" + QByteArray::number(i % 8)
                + ".gallery.test:" + port + "/photos/2026/holiday-" + QByteArray::number(i)
                + ".gif' width=32 height=32><p>Photo " + QByteArray::number(i) + "</p></div>";
        }
        return html + "</body></html>";
    }
    void answer(QTcpSocket *socket)
    {
        const QByteArray path = socket->readAll().split(' ').value(1);
        QByteArray type = "image/gif";
        QByteArray body = "GIF89a\1\0\1\0\0\0\0;";
        if (path.startsWith("/album")) {
            type = "text/html";
            body = page();
        } else if (path.endsWith(".css")) {
            type = "text/css";
            body = ".photo { display: inline-block; margin: 2px; }";
        } else if (path.endsWith(".js")) {
            type = "text/javascript";
            body = "window.viewer = (window.viewer || 0) + 1;";
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nCache-Control: no-store\r\n"
            + "Connection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n"
            + body);
        socket->disconnectFromHost();
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

// One iteration loads the page once with content blocking off and once with
// it on (EasyList and EasyPrivacy), one right after the other, so that the
// machine's ups and downs fall on both alike. The counters give the median
// load time of each and what blocking adds.
static void BM_PageLoadWithAndWithoutBlocking(benchmark::State &state)
{
    QTemporaryDir dir;
    QFile settings(dir.filePath(QStringLiteral("Wavecrest.ini")));
    const QDir lists(QStringLiteral(WAVECREST_BENCH_LISTS));
    if (!resolverMapped || !settings.open(QIODevice::WriteOnly)) {
        state.SkipWithError("no settings");
        return;
    }
    settings.write("[Wavecrest]\r\nFilterLists="
        + QUrl::fromLocalFile(lists.filePath(QStringLiteral("easylist.txt"))).toEncoded() + ' '
        + QUrl::fromLocalFile(lists.filePath(QStringLiteral("easyprivacy.txt"))).toEncoded()
        + "\r\n");
    settings.close();
    AppContext context(dir.path(), webEngineFactory());
    QWidget window;
    BrowserEngine *engine = context.createEngine(&window);
    (new QVBoxLayout(&window))->addWidget(engine->view());
    window.resize(1024, 768);
    window.show();
    QWebEnginePage *page = static_cast<QWebEngineView *>(engine->view())->page();
    ContentBlocking blocking(context, sharedWebEngineProfile());
    blocking.attach(engine, page);
    QEventLoop listsRead;
    QObject::connect(&blocking, &ContentBlocking::listsLoaded, &listsRead, &QEventLoop::quit);
    blocking.start();
    listsRead.exec();

    Gallery gallery;
    int visit = 0;
    const auto load = [&](bool on) {
        context.contentBlocking().setEnabled(on);
        QEventLoop loaded;
        QObject::connect(page, &QWebEnginePage::loadFinished, &loaded, &QEventLoop::quit);
        QTimer::singleShot(30000, &loaded, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        page->load(QUrl(gallery.pageUrl(++visit)));
        loaded.exec();
        return double(timer.nsecsElapsed()) / 1e6;
    };
    for (int i = 0; i < 3; ++i) {
        load(false);
        load(true);
    }
    std::vector<double> off;
    std::vector<double> on;
    for (auto _ : state) {
        // Which goes first changes from one iteration to the next, so that
        // neither is always the one after the other.
        const bool onFirst = (on.size() % 2) == 1;
        if (onFirst)
            on.push_back(load(true));
        off.push_back(load(false));
        if (!onFirst)
            on.push_back(load(true));
        state.SetIterationTime((off.back() + on.back()) / 1000);
    }
    if (context.contentBlocking().blockedCount(engine) != 0)
        state.SkipWithError("the lists blocked part of the page");
    state.counters["off_ms"] = median(off);
    state.counters["on_ms"] = median(on);
    state.counters["overhead_pct"] = (median(on) / median(off) - 1) * 100;
}
BENCHMARK(BM_PageLoadWithAndWithoutBlocking)
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
