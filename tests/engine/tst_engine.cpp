#include "support/testregistry.h"

#include "app/applicationwindows.h"
#include "browser/browserwindow.h"
#include "core/appcontext.h"
#include "core/windownames.h"
#include "downloads/downloadsaver.h"
#include "downloads/downloadwindow.h"
#include "engine/useraddress.h"
#include "engine/webenginefactory.h"
#include "support/messageboxrecorder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSysInfo>
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

enum class Held { Save, Refuse, CancelInWindow, Break, FinishFirst };

// A download of held.bin from a loopback server that sends the first half
// of the file at once and the rest only when told, into an engine window.
struct HeldDownload {
    HeldDownload()
    {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            QTcpSocket *socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
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
        QWebEngineProfile *profile = window.page()->profile();
        QObject::connect(profile, &QWebEngineProfile::downloadRequested, &window.widget,
            [this](QWebEngineDownloadRequest *request) {
                download = request;
                DownloadSaver::start(request);
            });
    }

    // Starts the download; returns the Save As dialog once data has come.
    QFileDialog *begin()
    {
        if (!server.listen(QHostAddress::LocalHost))
            return nullptr;
        window.engine->Navigate(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()));
        QFileDialog *dialog = nullptr;
        if (!QTest::qWaitFor(
                [&] { return (dialog = window.widget.findChild<QFileDialog *>()); }, LoadTimeout)
            || !QTest::qWaitFor(
                [&] { return download && download->receivedBytes() > 0; }, LoadTimeout))
            return nullptr;
        return download->isFinished() ? nullptr : dialog;
    }

    void sendRest() { client->write(body.mid(body.size() / 2)); }
    void breakOff() { client->abort(); }

    const QByteArray body = QByteArray(64 * 1024, 'w') + "end";
    QTcpServer server;
    QPointer<QTcpSocket> client;
    EngineWindow window;
    QPointer<QWebEngineDownloadRequest> download;
};

DownloadWindow *findDownloadWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<DownloadWindow *>(widget))
            return window;
    }
    return nullptr;
}

QString statusOf(const QWidget *window)
{
    return window->findChild<QLabel *>(QStringLiteral("lblStatus"))->toolTip();
}

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
        QTest::addColumn<Held>("then");
        QTest::newRow("saved while it runs") << Held::Save;
        QTest::newRow("cancelled while it runs") << Held::Refuse;
        QTest::newRow("cancelled in its window while it runs") << Held::CancelInWindow;
        QTest::newRow("broken off by the server") << Held::Break;
        QTest::newRow("finished before the user chose") << Held::FinishFirst;
    }

    // The user answers while the loopback server still holds back half the
    // file. Whatever happens, the partial folder is gone as soon as the
    // engine has reported the download's end.
    void download()
    {
        QFETCH(Held, then);
        MessageBoxRecorder boxes;
        HeldDownload held;
        QFileDialog *dialog = held.begin();
        QVERIFY(dialog);
        QPointer<QWebEngineDownloadRequest> download = held.download;
        const QString partialFolder = download->downloadDirectory();
        QVERIFY(partialFolder.startsWith(
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
        QVERIFY(QFileInfo(partialFolder).isDir());
        QTemporaryDir saveDirectory;
        dialog->setDirectory(saveDirectory.path());
        const QString target = saveDirectory.filePath(QStringLiteral("held.bin"));

        if (then == Held::FinishFirst) {
            held.sendRest();
            QTRY_VERIFY_WITH_TIMEOUT(download->isFinished(), LoadTimeout);
            // Kept for the user, who has not answered yet.
            QVERIFY(QFileInfo(partialFolder).isDir());
        }
        // QDialog::accept(), as the Save button ends up calling.
        then == Held::Refuse ? dialog->reject() : static_cast<QDialog *>(dialog)->accept();
        QPointer<DownloadWindow> window = findDownloadWindow();
        QCOMPARE(bool(window), then != Held::Refuse);
        if (then == Held::Save || then == Held::CancelInWindow || then == Held::Break) {
            // Progress shows while the rest is held back.
            auto *bar = window->findChild<QProgressBar *>(QStringLiteral("prgDownload"));
            QTRY_VERIFY(bar->value() > 0);
            QVERIFY(bar->value() < bar->maximum());
            QVERIFY(statusOf(window).contains(QStringLiteral(" of ")));
            QVERIFY(window->isVisible());
        }
        if (then == Held::Save)
            held.sendRest();
        else if (then == Held::CancelInWindow)
            QTest::mouseClick(
                window->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        else if (then == Held::Break)
            held.breakOff();

        if (then == Held::Break) {
            // The engine gives a broken download up without calling it finished.
            QTRY_VERIFY_WITH_TIMEOUT(window && !window->isRunning(), LoadTimeout);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!download || download->isFinished(), LoadTimeout);
        }
        QVERIFY2(!QFileInfo::exists(partialFolder), qPrintable(partialFolder));
        const bool saved = then == Held::Save || then == Held::FinishFirst;
        QFile file(target);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : "nothing",
            saved ? held.body : "nothing");
        if (saved) {
            QCOMPARE(window->windowTitle(), QStringLiteral("Downloaded held.bin"));
            QCOMPARE(statusOf(window), QStringLiteral("Saved to %1").arg(target));
        } else if (then == Held::Break) {
            QCOMPARE(window->windowTitle(), QStringLiteral("Download of held.bin failed"));
            QVERIFY(statusOf(window).startsWith(QStringLiteral("The download of held.bin failed")));
        } else {
            QTRY_VERIFY(!window);
        }
        QVERIFY(boxes.boxes.isEmpty());
        delete window.data();
    }

    // The Save As dialog starts in the Downloads folder, then where the user
    // saved last; the window names the file as the user named it.
    void saveDialogFolder()
    {
        const QString downloads
            = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        const QString first = QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
        QTemporaryDir saveDirectory;
        const std::pair<QString, QString> runs[] = {{first, QStringLiteral("first.bin")},
            {saveDirectory.path(), QStringLiteral("second.bin")}};
        for (const auto &[expected, name] : runs) {
            HeldDownload held;
            QFileDialog *dialog = held.begin();
            QVERIFY(dialog);
            QCOMPARE(dialog->directory().absolutePath(), QDir(expected).absolutePath());
            dialog->setDirectory(saveDirectory.path());
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(name);
            static_cast<QDialog *>(dialog)->accept();
            held.sendRest();
            QPointer<DownloadWindow> window;
            QTRY_VERIFY_WITH_TIMEOUT(
                (window = findDownloadWindow()) && !window->isRunning(), LoadTimeout);
            QCOMPARE(window->windowTitle(), QStringLiteral("Downloaded %1").arg(name));
            QVERIFY(QFile::exists(saveDirectory.filePath(name)));
            delete window.data();
        }
    }

    // Folders of downloads cut short by a killed run go at the next start;
    // those of a copy that runs now stay.
    void removesDownloadLeftovers()
    {
        const QDir cache(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
        QVERIFY(cache.mkpath(QStringLiteral(".")));
        const auto makeFolder = [&](const QString &name) {
            return cache.mkpath(name + QStringLiteral("/sub"))
                && QFile(cache.filePath(name + QStringLiteral("/sub/part.download")))
                       .open(QIODevice::WriteOnly);
        };
        QVERIFY(makeFolder(QStringLiteral("download-unlocked")));
        QVERIFY(makeFolder(QStringLiteral("download-deadowner")));
        QVERIFY(makeFolder(QStringLiteral("download-running")));
        QVERIFY(makeFolder(QStringLiteral("unrelated")));
        // A lock left by a process that has ended.
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted());
        const qint64 deadPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QFile deadLock(cache.filePath(QStringLiteral("download-deadowner.lock")));
        QVERIFY(deadLock.open(QIODevice::WriteOnly));
        deadLock.write(QByteArray::number(deadPid) + "\nwavecrest\n"
            + QSysInfo::machineHostName().toUtf8() + "\n");
        deadLock.close();
        QLockFile running(cache.filePath(QStringLiteral("download-running.lock")));
        QVERIFY(running.tryLock(0));
        // A link named like a partial folder is not followed.
        QTemporaryDir elsewhere;
        QVERIFY(QFile(elsewhere.filePath(QStringLiteral("keep"))).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(elsewhere.path(), cache.filePath(QStringLiteral("download-link"))));

        DownloadSaver::removeLeftovers();
        QVERIFY(!cache.exists(QStringLiteral("download-unlocked")));
        QVERIFY(!cache.exists(QStringLiteral("download-deadowner")));
        QVERIFY(!cache.exists(QStringLiteral("download-unlocked.lock")));
        QVERIFY(!cache.exists(QStringLiteral("download-deadowner.lock")));
        QVERIFY(cache.exists(QStringLiteral("download-running/sub/part.download")));
        QVERIFY(cache.exists(QStringLiteral("unrelated/sub/part.download")));
        QVERIFY(QFile::exists(elsewhere.filePath(QStringLiteral("keep"))));
        running.unlock();
        QVERIFY(QFile::remove(cache.filePath(QStringLiteral("download-link"))));
        QVERIFY(QDir(cache.filePath(QStringLiteral("download-running"))).removeRecursively());
        QVERIFY(QDir(cache.filePath(QStringLiteral("unrelated"))).removeRecursively());
    }

    void downloadWindow_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("barMaximum");
        QTest::addColumn<int>("barValue");
        QTest::addColumn<QString>("status");
        QTest::newRow("size known") << qint64(1536) << qint64(6144) << 1000 << 250
                                    << QStringLiteral("1.50 KiB of 6.00 KiB");
        QTest::newRow("size unknown: busy")
            << qint64(2048) << qint64(-1) << 0 << 0 << QStringLiteral("2.00 KiB");
        QTest::newRow("more than announced") << qint64(9000) << qint64(3000) << 1000 << 1000
                                             << QStringLiteral("8.79 KiB of 2.93 KiB");
    }

    // Closing the window of a running download cancels it; once it has
    // ended, closing only closes.
    void downloadWindow()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(int, barMaximum);
        QFETCH(int, barValue);
        QFETCH(QString, status);
        QPointer<DownloadWindow> window
            = new DownloadWindow(QStringLiteral("a.bin"), QStringLiteral("/tmp/a.bin"));
        QSignalSpy cancel(window.data(), &DownloadWindow::cancelRequested);
        window->show();
        window->setProgress(received, total);
        auto *bar = window->findChild<QProgressBar *>(QStringLiteral("prgDownload"));
        QCOMPARE(bar->maximum(), barMaximum);
        if (barMaximum > 0)
            QCOMPARE(bar->value(), barValue);
        QCOMPARE(statusOf(window), status);
        QVERIFY(!bar->accessibleName().isEmpty());
        QTest::keyClick(window.data(), Qt::Key_Escape);
        QCOMPARE(cancel.count(), 1);
        QTRY_VERIFY(!window);

        window = new DownloadWindow(QStringLiteral("a.bin"), QStringLiteral("/tmp/a.bin"));
        QSignalSpy noCancel(window.data(), &DownloadWindow::cancelRequested);
        window->showFinished();
        QVERIFY(window->isVisible());
        auto *button = window->findChild<QPushButton *>(QStringLiteral("cmdCancel"));
        QCOMPARE(button->text(), QStringLiteral("Close"));
        QTest::keyClick(button, Qt::Key_Return);
        QTRY_VERIFY(!window);
        QCOMPARE(noCancel.count(), 0);
    }
};

WAVECREST_TEST(EngineTest)
#include "tst_engine.moc"
