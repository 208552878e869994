#include "support/testregistry.h"

#include "platform/webenginefactory.h"
#include "support/fakebrowserengine.h"
#include "support/messageboxrecorder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

// The engine's loads take a renderer process to start; generous, as the
// machine may be busy.
constexpr int LoadTimeout = 30000;

const QString PageTitle = QStringLiteral("Engine test page");
const QString TargetTitle = QStringLiteral("Target page");

// A window with one real engine, made by the program's factory, and the log
// of everything the engine reported, one line per event.
struct EngineWindow {
    EngineWindow() : widget(std::make_unique<QWidget>()), engine(webEngineFactory()(widget.get()))
    {
        auto *layout = new QVBoxLayout(widget.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(engine->view());
        widget->resize(640, 480);
        widget->show();
        QObject::connect(engine, &BrowserEngine::DownloadBegin, engine,
            [this] { log.append(QStringLiteral("DownloadBegin")); });
        QObject::connect(engine, &BrowserEngine::NavigateComplete2, engine,
            [this](const QString &url) { log.append("NavigateComplete2 " + url); });
        QObject::connect(engine, &BrowserEngine::ProgressChange, engine, [this](int p, int max) {
            log.append(QStringLiteral("ProgressChange %1 %2").arg(p).arg(max));
        });
        QObject::connect(engine, &BrowserEngine::TitleChange, engine,
            [this](const QString &text) { log.append("TitleChange " + text); });
        QObject::connect(engine, &BrowserEngine::DownloadComplete, engine,
            [this] { log.append(QStringLiteral("DownloadComplete")); });
        QObject::connect(engine, &BrowserEngine::StatusTextChange, engine,
            [this](const QString &text) { status = text; });
    }

    QWebEnginePage *page() const { return qobject_cast<QWebEngineView *>(engine->view())->page(); }
    bool showsTitle(const QString &title) const
    {
        return log.contains("TitleChange " + title) && page()->title() == title;
    }

    QStringList log;
    QString status;
    std::unique_ptr<QWidget> widget;
    BrowserEngine *engine;
};

// Serves one file for download, holding back its second half until told.
struct HeldBackServer {
    HeldBackServer()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            QTcpSocket *socket = server.nextPendingConnection();
            QObject::connect(
                socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }

    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/held.bin").arg(server.serverPort());
    }

    void answer(QTcpSocket *socket)
    {
        if (!socket->peek(4096).contains("\r\n\r\n"))
            return;
        socket->readAll();
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                      "Content-Disposition: attachment; filename=\"held.bin\"\r\n"
                      "Content-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body.left(body.size() / 2));
        client = socket;
    }

    void sendRest()
    {
        if (client)
            client->write(body.mid(body.size() / 2));
    }

    // Drops the connection and takes no more, so the engine cannot resume.
    void breakOff()
    {
        server.close();
        if (client)
            client->abort();
    }

    QTcpServer server;
    QPointer<QTcpSocket> client;
    QByteArray body = QByteArray(64 * 1024, 'w') + "end";
};

} // namespace

class WebEngineBrowserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void localPageLoads_data();
    void localPageLoads();
    void sameAddressAgainCompletesNavigation_data();
    void sameAddressAgainCompletesNavigation();
    void ignoresEmptyOrMalformedAddress_data();
    void ignoresEmptyOrMalformedAddress();
    void newWindow_data();
    void newWindow();
    void hoverShowsLinkAndClearsOnLeave();
    void recoversAfterRendererCrash_data();
    void recoversAfterRendererCrash();
    void enginesShareDiskBackedProfile();
    void download_data();
    void download();

private:
    QString pageFile() const { return m_dir.filePath(QStringLiteral("page.html")); }
    QString pageUrl() const { return QUrl::fromLocalFile(pageFile()).toString(); }
    void writeFile(const QString &name, const QByteArray &content);
    static void verifyLoadOrder(const QStringList &log, const QString &url);

    QTemporaryDir m_dir;
};

void WebEngineBrowserTest::initTestCase()
{
    // Keeps the engine's profile, cookies and cache out of the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    writeFile(QStringLiteral("page.html"),
        "<html><head><title>Engine test page</title></head><body style=\"margin:0\">"
        "<a href=\"target.html\" style=\"display:block;height:200px\">Target</a>"
        "</body></html>");
    writeFile(QStringLiteral("target.html"),
        "<html><head><title>Target page</title></head><body>Target</body></html>");
    writeFile(QStringLiteral("opener.html"),
        "<html><head><title>Opener</title></head><body>"
        "<script>window.open('target.html')</script></body></html>");
    writeFile(QStringLiteral("archive.zip"), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
}

void WebEngineBrowserTest::writeFile(const QString &name, const QByteArray &content)
{
    QFile file(m_dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

// One load reports its start, then its address, then its end.
void WebEngineBrowserTest::verifyLoadOrder(const QStringList &log, const QString &url)
{
    const qsizetype begin = log.indexOf(QStringLiteral("DownloadBegin"));
    const qsizetype navigated = log.indexOf("NavigateComplete2 " + url, begin);
    const qsizetype complete = log.indexOf(QStringLiteral("DownloadComplete"), navigated);
    QVERIFY2(begin >= 0 && navigated > begin && complete > navigated, qPrintable(log.join('\n')));
}

void WebEngineBrowserTest::localPageLoads_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("fromPageFolder");

    QTest::newRow("absolute path") << "{dir}/page.html" << false;
    QTest::newRow("relative path") << "page.html" << true;
    QTest::newRow("file URL") << "file://{dir}/page.html" << false;
}

void WebEngineBrowserTest::localPageLoads()
{
    QFETCH(QString, address);
    QFETCH(bool, fromPageFolder);
    const QString previousDirectory = QDir::currentPath();
    if (fromPageFolder)
        QVERIFY(QDir::setCurrent(m_dir.path()));
    EngineWindow window;
    window.engine->Navigate(address.replace(QStringLiteral("{dir}"), m_dir.path()));
    QDir::setCurrent(previousDirectory);

    QTRY_VERIFY_WITH_TIMEOUT(window.log.contains(QStringLiteral("DownloadComplete")), LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(window.showsTitle(PageTitle), LoadTimeout);
    QCOMPARE(window.engine->LocationURL(), pageUrl());
    verifyLoadOrder(window.log, pageUrl());
    QVERIFY2(window.log.contains(QStringLiteral("ProgressChange 100 100")),
        qPrintable(window.log.join('\n')));
    for (const QString &line : std::as_const(window.log)) {
        if (line.startsWith(QStringLiteral("ProgressChange ")))
            QVERIFY2(line.endsWith(QStringLiteral(" 100")), qPrintable(line));
    }
}

void WebEngineBrowserTest::sameAddressAgainCompletesNavigation_data()
{
    QTest::addColumn<bool>("refresh");
    QTest::newRow("Navigate to it again") << false;
    QTest::newRow("Refresh") << true;
}

// The address bar shows LocationURL on every NavigateComplete2; a load that
// keeps the address must still send one.
void WebEngineBrowserTest::sameAddressAgainCompletesNavigation()
{
    QFETCH(bool, refresh);
    EngineWindow window;
    window.engine->Navigate(pageFile());
    QTRY_VERIFY_WITH_TIMEOUT(window.log.contains(QStringLiteral("DownloadComplete")), LoadTimeout);

    window.log.clear();
    if (refresh)
        window.engine->Refresh();
    else
        window.engine->Navigate(pageFile());
    QTRY_VERIFY_WITH_TIMEOUT(window.log.contains(QStringLiteral("DownloadComplete")), LoadTimeout);
    verifyLoadOrder(window.log, pageUrl());
}

void WebEngineBrowserTest::ignoresEmptyOrMalformedAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("scheme only") << "http://";
    QTest::newRow("blank in host") << "http://exa mple.org";
    QTest::newRow("bad escapes") << "%%%";
}

// Nothing loads for the bad text: the next good address is the only load.
void WebEngineBrowserTest::ignoresEmptyOrMalformedAddress()
{
    QFETCH(QString, address);
    MessageBoxRecorder boxes;
    EngineWindow window;
    window.engine->Navigate(address);
    window.engine->Navigate(pageFile());
    QTRY_VERIFY_WITH_TIMEOUT(window.log.contains(QStringLiteral("DownloadComplete")), LoadTimeout);

    QCOMPARE(window.log.count(QStringLiteral("DownloadBegin")), 1);
    for (const QString &line : std::as_const(window.log)) {
        if (line.startsWith(QStringLiteral("NavigateComplete2 ")))
            QCOMPARE(line, "NavigateComplete2 " + pageUrl());
    }
    QVERIFY(boxes.boxes.isEmpty());
}

enum class Target { OtherEngine, SameEngine, None, ForeignEngine, ClosedInHandler, ClosingLater };

void WebEngineBrowserTest::newWindow_data()
{
    QTest::addColumn<Target>("target");
    QTest::newRow("another engine") << Target::OtherEngine;
    QTest::newRow("the opener's own engine") << Target::SameEngine;
    QTest::newRow("refused") << Target::None;
    QTest::newRow("an engine of another kind") << Target::ForeignEngine;
    QTest::newRow("target closed by the handler") << Target::ClosedInHandler;
    QTest::newRow("target closing after the handler") << Target::ClosingLater;
}

void WebEngineBrowserTest::newWindow()
{
    QFETCH(Target, target);
    EngineWindow opener;
    auto second = std::make_unique<EngineWindow>();
    QPointer<QWidget> secondWidget = second->widget.get();
    QWidget foreignWindow;
    auto *foreign = new FakeBrowserEngine(&foreignWindow);
    int requests = 0;
    QObject::connect(
        opener.engine, &BrowserEngine::NewWindow2, opener.engine, [&](NewWindowRequest *request) {
            ++requests;
            switch (target) {
            case Target::OtherEngine:
                request->target = second->engine;
                break;
            case Target::SameEngine:
                request->target = opener.engine;
                break;
            case Target::None:
                break;
            case Target::ForeignEngine:
                request->target = foreign;
                break;
            case Target::ClosedInHandler:
                request->target = second->engine;
                second.reset();
                break;
            case Target::ClosingLater:
                request->target = second->engine;
                second->widget.release()->deleteLater();
                break;
            }
        });
    const qsizetype topLevelsBefore = QApplication::topLevelWidgets().size();

    opener.engine->Navigate(m_dir.filePath(QStringLiteral("opener.html")));
    QTRY_COMPARE_WITH_TIMEOUT(requests, 1, LoadTimeout);
    switch (target) {
    case Target::OtherEngine:
        QTRY_VERIFY_WITH_TIMEOUT(second->showsTitle(TargetTitle), LoadTimeout);
        QCOMPARE(second->engine->LocationURL(),
            QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("target.html"))).toString());
        QVERIFY(!opener.log.contains("TitleChange " + TargetTitle));
        break;
    case Target::SameEngine:
        QTRY_VERIFY_WITH_TIMEOUT(opener.showsTitle(TargetTitle), LoadTimeout);
        break;
    default:
        QTRY_VERIFY_WITH_TIMEOUT(
            opener.log.contains(QStringLiteral("DownloadComplete")), LoadTimeout);
        QVERIFY(opener.showsTitle(QStringLiteral("Opener")));
        if (target == Target::ClosingLater)
            QTRY_VERIFY(!secondWidget);
        else if (second)
            QVERIFY(second->engine->LocationURL().isEmpty());
        break;
    }
    QCOMPARE(requests, 1);
    const bool closed = target == Target::ClosedInHandler || target == Target::ClosingLater;
    QCOMPARE(QApplication::topLevelWidgets().size(), topLevelsBefore - (closed ? 1 : 0));
}

void WebEngineBrowserTest::hoverShowsLinkAndClearsOnLeave()
{
    EngineWindow window;
    window.engine->Navigate(pageFile());
    QTRY_VERIFY_WITH_TIMEOUT(window.showsTitle(PageTitle), LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(window.engine->view()->focusProxy(), LoadTimeout);
    QWidget *surface = window.engine->view()->focusProxy();
    const QString link
        = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("target.html"))).toString();

    // The page may not have laid out yet when the first move arrives.
    QTRY_VERIFY_WITH_TIMEOUT(
        (QTest::mouseMove(surface, QPoint(30, 30)), window.status == link), LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(
        (QTest::mouseMove(surface, QPoint(30, 400)), window.status.isEmpty()), LoadTimeout);
}

void WebEngineBrowserTest::recoversAfterRendererCrash_data()
{
    QTest::addColumn<bool>("byRefresh");
    QTest::newRow("Refresh") << true;
    QTest::newRow("the page's reload link") << false;
}

void WebEngineBrowserTest::recoversAfterRendererCrash()
{
#ifndef Q_OS_UNIX
    QSKIP("ends the renderer with a signal");
#else
    QFETCH(bool, byRefresh);
    MessageBoxRecorder boxes;
    EngineWindow window;
    window.engine->Navigate(pageFile());
    QTRY_VERIFY_WITH_TIMEOUT(window.showsTitle(PageTitle), LoadTimeout);
    QTRY_VERIFY(window.page()->renderProcessPid() > 0);

    QCOMPARE(::kill(pid_t(window.page()->renderProcessPid()), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(window.showsTitle(QStringLiteral("Page stopped")), LoadTimeout);
    QCOMPARE(window.engine->LocationURL(), pageUrl());
    QVERIFY(boxes.boxes.isEmpty());

    window.log.clear();
    if (byRefresh)
        window.engine->Refresh();
    else
        window.page()->runJavaScript(QStringLiteral("document.links[0].click()"));
    QTRY_VERIFY_WITH_TIMEOUT(window.showsTitle(PageTitle), LoadTimeout);
    QCOMPARE(window.engine->LocationURL(), pageUrl());
#endif
}

// Cookies and cache outlast the run only on a named, disk-based profile;
// pages opened in another window keep their session only on the same one.
void WebEngineBrowserTest::enginesShareDiskBackedProfile()
{
    EngineWindow first;
    EngineWindow second;
    QWebEngineProfile *profile = first.page()->profile();
    QCOMPARE(second.page()->profile(), profile);
    QVERIFY(!profile->isOffTheRecord());
    QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::ForcePersistentCookies);
    QVERIFY2(profile->persistentStoragePath().startsWith(
                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + '/'),
        qPrintable(profile->persistentStoragePath()));
}

enum class Choice { Save, Cancel, CloseWindow };

void WebEngineBrowserTest::download_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<Choice>("choice");
    QTest::addColumn<bool>("breakOff");

    QTest::newRow("saved after it finished") << false << Choice::Save << false;
    QTest::newRow("saved while it runs") << true << Choice::Save << false;
    QTest::newRow("cancelled after it finished") << false << Choice::Cancel << false;
    QTest::newRow("cancelled while it runs") << true << Choice::Cancel << false;
    QTest::newRow("window closed while it runs") << true << Choice::CloseWindow << false;
    QTest::newRow("connection lost after the choice") << true << Choice::Save << true;
}

// held: served by the loopback server, which keeps back half the file until
// the user has chosen; otherwise a local file, finished before the choice.
void WebEngineBrowserTest::download()
{
    QFETCH(bool, held);
    QFETCH(Choice, choice);
    QFETCH(bool, breakOff);
    MessageBoxRecorder boxes;
    HeldBackServer server;
    QVERIFY(server.server.isListening());
    EngineWindow window;
    QObject context;
    QPointer<QWebEngineDownloadRequest> download;
    QObject::connect(window.page()->profile(), &QWebEngineProfile::downloadRequested, &context,
        [&download](QWebEngineDownloadRequest *request) { download = request; });

    QFile source(m_dir.filePath(QStringLiteral("archive.zip")));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray expected = held ? server.body : source.readAll();
    window.engine->Navigate(held ? server.url() : source.fileName());

    QFileDialog *dialog = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((dialog = window.widget->findChild<QFileDialog *>()), LoadTimeout);
    QTRY_VERIFY(download);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    if (held) {
        QTRY_VERIFY_WITH_TIMEOUT(download->receivedBytes() > 0, LoadTimeout);
        QVERIFY(!download->isFinished());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(download->isFinished(), LoadTimeout);
    }
    const QString partialDirectory = download->downloadDirectory();

    QTemporaryDir saveDirectory;
    QVERIFY(saveDirectory.isValid());
    switch (choice) {
    case Choice::Save:
        dialog->setDirectory(saveDirectory.path());
        static_cast<QDialog *>(dialog)->accept(); // as the Save button does
        break;
    case Choice::Cancel:
        dialog->reject();
        break;
    case Choice::CloseWindow:
        window.widget.reset();
        break;
    }
    if (breakOff)
        server.breakOff();
    else
        server.sendRest();

    const bool saved = choice == Choice::Save && !breakOff;
    if (saved) {
        // The dialog offers the download's own name.
        const QString target = saveDirectory.filePath(held ? "held.bin" : "archive.zip");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(target), LoadTimeout);
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    } else if (held && !breakOff) {
        QTRY_COMPARE(download->state(), QWebEngineDownloadRequest::DownloadCancelled);
    }
    if (breakOff) {
        QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1, LoadTimeout);
        QVERIFY2(boxes.boxes.first().text.contains(QStringLiteral("held.bin")),
            qPrintable(boxes.boxes.first().text));
        QCOMPARE(boxes.boxes.first().icon, QMessageBox::Warning);
    }
    QTRY_VERIFY(!QFileInfo::exists(partialDirectory));
    QCOMPARE(QDir(saveDirectory.path()).isEmpty(), !saved);
    QCOMPARE(boxes.boxes.size(), breakOff ? 1 : 0);
}

WAVECREST_TEST(WebEngineBrowserTest)
#include "tst_webenginebrowser.moc"
