#include "support/testregistry.h"

#include "app/applicationwindows.h"
#include "browser/browserwindow.h"
#include "core/appcontext.h"
#include "core/windownames.h"
#include "platform/useraddress.h"
#include "platform/webenginefactory.h"
#include "support/messageboxrecorder.h"

#include <QAction>
#include <QDir>
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

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

// A load takes a renderer process to start; generous, as the machine may be busy.
constexpr int LoadTimeout = 30000;

// The test pages lie in the working directory.
QString fileUrl(const char *name)
{
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(name)).toString();
}

// One real engine from the program's factory, shown in a window of its own,
// and one line for each event it reported.
struct EngineWindow {
    EngineWindow() : engine(webEngineFactory()(&widget))
    {
        (new QVBoxLayout(&widget))->addWidget(engine->view());
        widget.show();
        using E = BrowserEngine;
        const auto note = [this](const QString &line) { log << line; };
        QObject::connect(engine, &E::DownloadBegin, engine, [=] { note("DownloadBegin"); });
        QObject::connect(engine, &E::NavigateComplete2, engine,
            [=](const QString &url) { note("NavigateComplete2 " + url); });
        QObject::connect(engine, &E::DownloadComplete, engine, [=] { note("DownloadComplete"); });
        QObject::connect(engine, &E::TitleChange, engine, [this](const QString &t) { title = t; });
        QObject::connect(engine, &E::ProgressChange, engine,
            [this](int p, int max) { progress << QStringLiteral("%1 of %2").arg(p).arg(max); });
    }

    QWebEnginePage *page() const { return qobject_cast<QWebEngineView *>(engine->view())->page(); }
    bool loaded() const { return log.contains(QStringLiteral("DownloadComplete")); }
    bool showsLoaded(QStringView page) const { return loaded() && title == page; }

    QWidget widget;
    BrowserEngine *engine;
    QStringList log; // the load events in order
    QString title;
    QStringList progress;
};

enum class Then { Nothing, NavigateAgain, Refresh, CrashAndRefresh };

} // namespace

class EngineTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        // Keeps the engine's profile, cookies and cache out of the user's own.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
        const auto write = [](const char *name, const QByteArray &html) {
            QFile file(QString::fromUtf8(name));
            return file.open(QIODevice::WriteOnly) && file.write(html) == html.size();
        };
        QVERIFY(write("page.html", "<title>Engine test page</title>"));
        QVERIFY(write("target.html", "<title>Target page</title>"));
        QVERIFY(
            write("pop.html", "<title>Opener</title><script>window.open('target.html')</script>"));
    }

    void readsUserAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // "{dir}": the working directory
        const std::pair<const char *, const char *> rows[] = {
            {"http://example.org/a?b=c", "http://example.org/a?b=c"},
            {"example.org", "http://example.org"}, {" localhost:8080 ", "http://localhost:8080"},
            {"www.example.org/p?q=1", "http://www.example.org/p?q=1"},
            {"http://example.org/?q=a b", "http://example.org/?q=a b"},
            {"page.html", "file://{dir}/page.html"}, {"/no/such.html", "file:///no/such.html"},
            {"file:///a.html", "file:///a.html"}, {"", ""}, {"   ", ""}, {"http://", ""},
            {"ftp://", ""}, {"http://exa mple.org", ""}, {"http://[::1", ""},
            {"https://example.org:99999/", ""}, {"%%%", ""}, {"a b c", ""}};
        for (const auto &[text, expected] : rows)
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(expected);
    }

    void readsUserAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString dir = QDir::currentPath();
        QCOMPARE(urlFromUserAddress(text, dir).toString(), expected.replace("{dir}", dir));
    }

    void loadReportsInOrder_data()
    {
        QTest::addColumn<Then>("then");
        QTest::newRow("one load") << Then::Nothing;
        QTest::newRow("same address again") << Then::NavigateAgain;
        QTest::newRow("Refresh") << Then::Refresh;
#ifdef Q_OS_UNIX
        QTest::newRow("Refresh after a crash") << Then::CrashAndRefresh;
#endif
    }

    // Every load, even one that keeps the address, reports its start, then
    // its address (the address bar shows it), then its end.
    void loadReportsInOrder()
    {
        QFETCH(Then, then);
        const QString url = fileUrl("page.html");
        EngineWindow window;
        window.engine->Navigate(QStringLiteral("page.html")); // relative to the working directory
        QTRY_VERIFY_WITH_TIMEOUT(window.showsLoaded(u"Engine test page"), LoadTimeout);
#ifdef Q_OS_UNIX
        if (then == Then::CrashAndRefresh) {
            QTRY_VERIFY(window.page()->renderProcessPid() > 0);
            window.log.clear();
            QCOMPARE(::kill(pid_t(window.page()->renderProcessPid()), SIGKILL), 0);
            QTRY_VERIFY_WITH_TIMEOUT(window.showsLoaded(u"Page stopped"), LoadTimeout);
            QCOMPARE(window.engine->LocationURL(), url); // still shown in the address bar
        }
#endif
        if (then != Then::Nothing) {
            window.log.clear();
            window.engine->Navigate(QStringLiteral("http://exa mple.org")); // malformed: ignored
            then == Then::NavigateAgain ? window.engine->Navigate(QStringLiteral("page.html"))
                                        : window.engine->Refresh();
            QTRY_VERIFY_WITH_TIMEOUT(window.loaded(), LoadTimeout);
        }
        QCOMPARE(window.log,
            QStringList({"DownloadBegin", "NavigateComplete2 " + url, "DownloadComplete"}));
        QTRY_COMPARE(window.title, QStringLiteral("Engine test page"));
        QVERIFY(window.progress.contains(QStringLiteral("100 of 100")));
        QCOMPARE(window.progress.filter(QStringLiteral(" of 100")), window.progress);
        QCOMPARE(window.engine->LocationURL(), url);
    }

    void popUp_data()
    {
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("closeTarget");
        QTest::newRow("allowed") << true << false;
        QTest::newRow("blocked") << false << false;
        QTest::newRow("target closed before it is used") << true << true;
    }

    void popUp()
    {
        QFETCH(bool, allowed);
        QFETCH(bool, closeTarget);
        QTemporaryDir data;
        AppContext context(data.path(), webEngineFactory());
        registerApplicationWindows(context);
        BrowserWindow main(context, BrowserWindow::Role::Main);
        main.findChild<QAction *>(QStringLiteral("mnuEditAllowPopUps"))->setChecked(allowed);
        main.show();
        const QString secondary = QLatin1String(WindowNames::Secondary);
        int requests = 0;
        // Connected after the window's own handler, so it sees the target chosen.
        QObject::connect(main.engine(), &BrowserEngine::NewWindow2, &main, [&] {
            ++requests;
            if (closeTarget)
                delete context.windows().find(secondary);
        });

        main.engine()->Navigate(QStringLiteral("pop.html"));
        QTRY_COMPARE_WITH_TIMEOUT(requests, 1, LoadTimeout);
        if (allowed && !closeTarget) {
            BrowserWindow *popUp = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((popUp = context.windows().find<BrowserWindow>(secondary))
                    && popUp->windowTitle().startsWith(QStringLiteral("Target page")),
                LoadTimeout);
            QCOMPARE(popUp->engine()->LocationURL(), fileUrl("target.html"));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(
                main.windowTitle().startsWith(QStringLiteral("Opener")), LoadTimeout);
            QVERIFY(!context.windows().find(secondary));
        }
    }

    void download_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("saved while it runs") << true;
        QTest::newRow("cancelled while it runs") << false;
    }

    // The user chooses while the loopback server still holds back half the file.
    void download()
    {
        QFETCH(bool, save);
        const QByteArray body = QByteArray(64 * 1024, 'w') + "end";
        QPointer<QTcpSocket> client;
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            QTcpSocket *socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
                if (!socket->peek(4096).contains("\r\n\r\n"))
                    return;
                socket->readAll();
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                              "Content-Disposition: attachment; filename=\"held.bin\"\r\n"
                              "Content-Length: "
                    + QByteArray::number(body.size()) + "\r\n\r\n" + body.left(body.size() / 2));
                client = socket;
            });
        });
        MessageBoxRecorder boxes;
        EngineWindow window;
        QPointer<QWebEngineDownloadRequest> download;
        QObject::connect(window.page()->profile(), &QWebEngineProfile::downloadRequested,
            &window.widget, [&](QWebEngineDownloadRequest *request) { download = request; });

        window.engine->Navigate(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()));
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((dialog = window.widget.findChild<QFileDialog *>()), LoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(download && download->receivedBytes() > 0, LoadTimeout);
        QVERIFY(!download->isFinished());
        const QString partialDirectory = download->downloadDirectory();
        QTemporaryDir saveDirectory;
        dialog->setDirectory(saveDirectory.path());
        // QDialog::accept(), as the Save button ends up calling.
        save ? static_cast<QDialog *>(dialog)->accept() : dialog->reject();
        client->write(body.mid(body.size() / 2));

        QTRY_COMPARE_WITH_TIMEOUT(download->state(),
            save ? QWebEngineDownloadRequest::DownloadCompleted
                 : QWebEngineDownloadRequest::DownloadCancelled,
            LoadTimeout);
        QTRY_VERIFY(!QFileInfo::exists(partialDirectory));
        // Saved under the name the dialog offers, the download's own.
        QFile saved(saveDirectory.filePath(QStringLiteral("held.bin")));
        QCOMPARE(
            saved.open(QIODevice::ReadOnly) ? saved.readAll() : "nothing", save ? body : "nothing");
        QVERIFY(boxes.boxes.isEmpty());
    }
};

WAVECREST_TEST(EngineTest)
#include "tst_engine.moc"
