#include "support/testregistry.h"

#include "downloads/downloadsaver.h"
#include "downloads/downloadwindow.h"
#include "engine/browserengine.h"
#include "engine/webenginefactory.h"
#include "support/messageboxrecorder.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWebEngineCore>
#include <QtWebEngineWidgets>
#include <QtWidgets>

namespace {

// A load takes a renderer process to start; generous, as the machine may be busy.
constexpr int LoadTimeout = 30000;

// What happens after the user was asked where to save, while the server still
// holds back half the file.
enum class Held { Save, Refuse, CancelInWindow, Break, FinishFirst, CannotMove };

// A download of held.bin from a loopback server that sends the first half of
// the file at once and the rest only when told, into a real engine's view.
struct HeldDownload {
    HeldDownload() : engine(webEngineFactory()(&widget))
    {
        (new QVBoxLayout(&widget))->addWidget(engine->view());
        widget.show();
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
        QWebEngineProfile *profile
            = qobject_cast<QWebEngineView *>(engine->view())->page()->profile();
        QObject::connect(profile, &QWebEngineProfile::downloadRequested, &widget,
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
        engine->Navigate(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()));
        QFileDialog *dialog = nullptr;
        if (!QTest::qWaitFor(
                [&] { return (dialog = widget.findChild<QFileDialog *>()); }, LoadTimeout)
            || !QTest::qWaitFor(
                [&] { return download && download->receivedBytes() > 0; }, LoadTimeout))
            return nullptr;
        return download->isFinished() ? nullptr : dialog;
    }

    const QByteArray body = QByteArray(64 * 1024, 'w') + "end";
    QTcpServer server;
    QPointer<QTcpSocket> client;
    QWidget widget;
    BrowserEngine *engine;
    QPointer<QWebEngineDownloadRequest> download;
};

using Progress = std::tuple<qint64, qint64, int, int, QString>;

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
    return window->findChild<QLabel *>("lblStatus")->toolTip();
}

} // namespace

class DownloadsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_saveFolder;
    bool m_savedBefore = false;

private Q_SLOTS:
    // Keeps the engine's profile, cookies and cache out of the user's own.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void download_data()
    {
        QTest::addColumn<Held>("then");
        QTest::newRow("saved while it runs") << Held::Save;
        QTest::newRow("cancelled while it runs") << Held::Refuse;
        QTest::newRow("cancelled in its window while it runs") << Held::CancelInWindow;
        QTest::newRow("broken off by the server") << Held::Break;
        QTest::newRow("finished before the user chose") << Held::FinishFirst;
        QTest::newRow("finished but cannot be put in place") << Held::CannotMove;
    }
    // The Save As dialog starts in the Downloads folder, then where the user
    // saved last; the user names the file saved.bin. Whatever happens, the
    // partial folder is gone as soon as the engine has reported the
    // download's end, and nothing but a whole file is left where the user
    // wanted it.
    void download()
    {
        QFETCH(Held, then);
        QVERIFY(
            QDir(m_saveFolder.path()).removeRecursively() && QDir().mkpath(m_saveFolder.path()));
        MessageBoxRecorder boxes;
        HeldDownload held;
        QFileDialog *dialog = held.begin();
        QVERIFY(dialog);
        QPointer<QWebEngineDownloadRequest> download = held.download;
        const QString partialFolder = download->downloadDirectory();
        QVERIFY(partialFolder.startsWith(
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
        QVERIFY(QFileInfo(partialFolder).isDir());
        const QString downloads
            = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        const QString firstFolder = QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
        QCOMPARE(dialog->directory().absolutePath(),
            QDir(m_savedBefore ? m_saveFolder.path() : firstFolder).absolutePath());
        dialog->setDirectory(m_saveFolder.path());
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText("saved.bin");
        const QString target = m_saveFolder.filePath("saved.bin");

        if (then == Held::FinishFirst) {
            held.client->write(held.body.mid(held.body.size() / 2));
            QTRY_VERIFY_WITH_TIMEOUT(download->isFinished(), LoadTimeout);
            // Kept for the user, who has not answered yet.
            QVERIFY(QFileInfo(partialFolder).isDir());
        }
        // QDialog::accept(), as the Save button ends up calling.
        then == Held::Refuse ? dialog->reject() : static_cast<QDialog *>(dialog)->accept();
        m_savedBefore = m_savedBefore || then != Held::Refuse;
        QPointer<DownloadWindow> window = findDownloadWindow();
        QCOMPARE(bool(window), then != Held::Refuse);
        if (then != Held::Refuse && then != Held::FinishFirst) {
            // Progress shows while the rest is held back.
            auto *bar = window->findChild<QProgressBar *>("prgDownload");
            QTRY_VERIFY(bar->value() > 0);
            QVERIFY(bar->value() < bar->maximum());
            QVERIFY(statusOf(window).contains(" of "));
            QVERIFY(window->isVisible());
        }
        // Something took the chosen name meanwhile: a folder, with a file in it.
        if (then == Held::CannotMove)
            QVERIFY(QDir(m_saveFolder.path()).mkpath("saved.bin/other"));
        if (then == Held::Save || then == Held::CannotMove)
            held.client->write(held.body.mid(held.body.size() / 2));
        else if (then == Held::CancelInWindow)
            QTest::mouseClick(window->findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
        else if (then == Held::Break)
            held.client->abort();

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
        const QString failed = "The download of saved.bin failed";
        if (saved) {
            QCOMPARE(window->windowTitle(), "Downloaded saved.bin");
            QCOMPARE(statusOf(window), "Saved to " + target);
        } else if (then == Held::Break || then == Held::CannotMove) {
            QCOMPARE(window->windowTitle(), "Download of saved.bin failed");
            QVERIFY2(statusOf(window).startsWith(then == Held::Break
                             ? failed
                             : failed + ": " + target + " could not be saved: "),
                qPrintable(statusOf(window)));
        } else {
            QTRY_VERIFY(!window);
        }
        QVERIFY(boxes.boxes.isEmpty());
        const QStringList left
            = QDir(m_saveFolder.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(
            left, saved || then == Held::CannotMove ? QStringList{"saved.bin"} : QStringList());
        if (then == Held::CannotMove)
            QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                QStringList{"other"});
        delete window.data();
    }

    // Folders of downloads cut short by a killed run go at the next start;
    // those of a copy that runs now stay.
    void removesDownloadLeftovers()
    {
        const QDir cache(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
        const auto makeFolder = [&](const QString &name) {
            return cache.mkpath(name + "/sub")
                && QFile(cache.filePath(name + "/sub/part.download")).open(QIODevice::WriteOnly);
        };
        for (const char *name :
            {"download-unlocked", "download-deadowner", "download-running", "unrelated"})
            QVERIFY(makeFolder(name));
        // A lock left by a process that is gone (no process has so large a number).
        QFile deadLock(cache.filePath("download-deadowner.lock"));
        QVERIFY(deadLock.open(QIODevice::WriteOnly));
        deadLock.write("999999999\nwavecrest\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        deadLock.close();
        QLockFile running(cache.filePath("download-running.lock"));
        QVERIFY(running.tryLock(0));
        // A link named like a partial folder is not followed.
        QTemporaryDir elsewhere;
        QVERIFY(QFile(elsewhere.filePath("keep")).open(QIODevice::WriteOnly));
        // (One left by a run that failed half-way goes first.)
        QFile::remove(cache.filePath("download-link"));
        QVERIFY(QFile::link(elsewhere.path(), cache.filePath("download-link")));

        DownloadSaver::removeLeftovers();
        for (const char *gone : {"download-unlocked", "download-deadowner",
                 "download-unlocked.lock", "download-deadowner.lock"})
            QVERIFY2(!cache.exists(gone), gone);
        QVERIFY(cache.exists("download-running/sub/part.download"));
        QVERIFY(cache.exists("unrelated/sub/part.download"));
        QVERIFY(QFile::exists(elsewhere.filePath("keep")));
        running.unlock();
        QVERIFY(QFile::remove(cache.filePath("download-link")));
        QVERIFY(QDir(cache.filePath("download-running")).removeRecursively());
        QVERIFY(QDir(cache.filePath("unrelated")).removeRecursively());
    }

    void downloadWindow_data()
    {
        // Bytes received and in all, the bar's maximum and value, the status.
        QTest::addColumn<Progress>("row");
        QTest::newRow("progress as a part of the size")
            << Progress{1536, 6144, 1000, 250, "1.50 KiB of 6.00 KiB"};
        QTest::newRow("size unknown: a busy bar") << Progress{2048, -1, 0, 0, "2.00 KiB"};
        QTest::newRow("more than announced: the bar stops full")
            << Progress{9000, 3000, 1000, 1000, "8.79 KiB of 2.93 KiB"};
    }
    // Closing the window of a running download cancels it; once it has
    // ended, closing only closes.
    void downloadWindow()
    {
        QFETCH(Progress, row);
        const auto &[received, total, barMaximum, barValue, status] = row;
        QPointer<DownloadWindow> window = new DownloadWindow("a.bin", "/tmp/a.bin");
        QSignalSpy cancel(window.data(), &DownloadWindow::cancelRequested);
        window->show();
        window->setProgress(received, total);
        auto *bar = window->findChild<QProgressBar *>("prgDownload");
        QCOMPARE(bar->maximum(), barMaximum);
        if (barMaximum > 0)
            QCOMPARE(bar->value(), barValue);
        QCOMPARE(statusOf(window), status);
        QTest::keyClick(window.data(), Qt::Key_Escape);
        QCOMPARE(cancel.count(), 1);
        QTRY_VERIFY(!window);

        window = new DownloadWindow("a.bin", "/tmp/a.bin");
        QSignalSpy noCancel(window.data(), &DownloadWindow::cancelRequested);
        window->showFinished();
        QVERIFY(window->isVisible());
        auto *button = window->findChild<QPushButton *>("cmdCancel");
        QCOMPARE(button->text(), "Close");
        QTest::keyClick(button, Qt::Key_Return);
        QTRY_VERIFY(!window);
        QCOMPARE(noCancel.count(), 0);
    }
};

WAVECREST_TEST(DownloadsTest)
#include "tst_downloads.moc"
