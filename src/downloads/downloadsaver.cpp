#include "downloads/downloadsaver.h"

#include "downloads/downloadname.h"
#include "downloads/downloadwindow.h"
#include "ui/messagebox.h"
#include "ui/windowutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHash>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <filesystem>
#include <system_error>

namespace {

const QString PartialPrefix = QStringLiteral("download-");
const QString LockSuffix = QStringLiteral(".lock");

// Partial downloads stay on the user's disk rather than in a temporary file
// system that may live in memory.
QString partialRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

bool copyThroughSaveFile(const QString &source, const QString &target, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    for (QByteArray chunk = in.read(1 << 20); !chunk.isEmpty(); chunk = in.read(1 << 20)) {
        if (out.write(chunk) != chunk.size()) {
            *error = out.errorString();
            return false;
        }
    }
    if (in.error() != QFileDevice::NoError) {
        *error = in.errorString();
        return false;
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

// Puts the finished file in place of target. A rename replaces atomically;
// across file systems the copy goes through a QSaveFile, so a failed copy
// still leaves an earlier file of that name whole.
bool moveFinishedFile(const QString &source, const QString &target, QString *error)
{
    std::error_code renameError;
    std::filesystem::rename(std::filesystem::path(source.toStdU16String()),
        std::filesystem::path(target.toStdU16String()), renameError);
    return !renameError || copyThroughSaveFile(source, target, error);
}

// The engine's last rename of a download may land between listing the
// folder and removing it; it cannot land twice.
void removeFolder(const QString &path)
{
    QDir folder(path);
    if (!folder.removeRecursively())
        folder.removeRecursively();
}

QHash<quint32, DownloadSaver *> &saversById()
{
    static QHash<quint32, DownloadSaver *> savers;
    return savers;
}

// The Save As dialog opens where the user saved last, while that folder is
// there, and in the Downloads folder before.
QString &lastSaveFolder()
{
    static QString folder;
    return folder;
}

QString saveDialogFolder()
{
    if (!lastSaveFolder().isEmpty() && QFileInfo(lastSaveFolder()).isDir())
        return lastSaveFolder();
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
}

} // namespace

// A folder of its own for one download, with a lock beside it that says a
// running program owns it. The lock is taken before the folder is made, so
// the sweep of another copy never sees the folder unowned.
class DownloadSaver::PartialFolder
{
public:
    static std::unique_ptr<PartialFolder> create(QString *error)
    {
        const QString root = partialRoot();
        if (root.isEmpty() || !QDir().mkpath(root)) {
            *error = tr("There is no folder for partial downloads.");
            return nullptr;
        }
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QString path = QDir(root).filePath(
                PartialPrefix + QString::number(QRandomGenerator::global()->generate64(), 36));
            auto folder = std::unique_ptr<PartialFolder>(new PartialFolder(path));
            if (folder->m_lock.tryLock(0)
                && QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
                return folder;
            folder->m_path.clear();
        }
        *error = tr("No folder for the partial download could be made in %1.")
                     .arg(QDir::toNativeSeparators(root));
        return nullptr;
    }

    ~PartialFolder() { remove(); }

    QString path() const { return m_path; }

    void remove()
    {
        if (!m_path.isEmpty())
            removeFolder(m_path);
        m_path.clear();
        m_lock.unlock();
    }

private:
    explicit PartialFolder(const QString &path) : m_path(path), m_lock(path + LockSuffix)
    {
        // Only a dead owner makes the lock stale, never its age: a download
        // may run for hours.
        m_lock.setStaleLockTime(0);
    }

    QString m_path;
    QLockFile m_lock;
};

void DownloadSaver::removeLeftovers()
{
    const QString root = partialRoot();
    if (root.isEmpty())
        return;
    QSet<QString> names;
    const QDir dir(root);
    for (const QFileInfo &entry : dir.entryInfoList({PartialPrefix + u'*'},
             QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        QString name = entry.fileName();
        if (name.endsWith(LockSuffix))
            name.chop(LockSuffix.size());
        names.insert(name);
    }
    for (const QString &name : std::as_const(names)) {
        QLockFile lock(dir.filePath(name + LockSuffix));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue;
        const QFileInfo folder(dir.filePath(name));
        if (folder.isDir() && !folder.isSymLink())
            removeFolder(folder.filePath());
    }
}

void DownloadSaver::start(QWebEngineDownloadRequest *download)
{
    if (DownloadSaver *saver = saversById().value(download->id())) {
        saver->giveUp(download->interruptReasonString());
        return;
    }
    // Only downloads from a page on screen are taken; left unaccepted, the
    // engine drops the rest.
    QWebEnginePage *page = download->page();
    QWidget *view = page ? QWebEngineView::forPage(page) : nullptr;
    if (!view)
        return;
    QString error;
    std::unique_ptr<PartialFolder> folder = PartialFolder::create(&error);
    if (!folder) {
        const QString text = tr("The download of %1 failed: %2")
                                 .arg(cleanDownloadName(download->downloadFileName()), error);
        QTimer::singleShot(
            0, view, [view, text] { showMessageBox(view, text, QMessageBox::Warning); });
        return;
    }
    new DownloadSaver(download, view, std::move(folder));
}

DownloadSaver::DownloadSaver(
    QWebEngineDownloadRequest *download, QWidget *view, std::unique_ptr<PartialFolder> folder)
    : QObject(download->page()->profile()), m_download(download), m_owner(view->window()),
      m_fileName(cleanDownloadName(download->downloadFileName())), m_folder(std::move(folder))
{
    saversById().insert(download->id(), this);
    download->setDownloadDirectory(m_folder->path());
    // The partial file, too, carries no name the file system would refuse.
    download->setDownloadFileName(m_fileName);
    download->accept();
    connect(download, &QWebEngineDownloadRequest::isFinishedChanged, this,
        &DownloadSaver::finishWhenReady);
    connect(
        download, &QWebEngineDownloadRequest::stateChanged, this, &DownloadSaver::finishWhenReady);
    connect(download, &QWebEngineDownloadRequest::receivedBytesChanged, this,
        &DownloadSaver::showProgress);
    connect(download, &QWebEngineDownloadRequest::totalBytesChanged, this,
        &DownloadSaver::showProgress);
    // The profile let go of it: nothing more will come.
    connect(download, &QObject::destroyed, this, [this] { giveUp(QString()); });
    // The program ends while the download runs: the engine is not there to
    // report anything after this, so the partial folder goes now.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
        [this] { delete this; });
    askWhereToSave(view);
}

DownloadSaver::~DownloadSaver()
{
    saversById().removeIf([this](auto saver) { return saver.value() == this; });
    // The program ends while the download still runs.
    if (m_download && !m_download->isFinished()) {
        m_download->disconnect(this);
        m_download->cancel();
    }
    if (m_window && m_window->isRunning())
        m_window->close();
}

void DownloadSaver::askWhereToSave(QWidget *view)
{
    m_dialog = new QFileDialog(view, tr("Save As"), saveDialogFolder());
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setAcceptMode(QFileDialog::AcceptSave);
    m_dialog->selectFile(m_fileName);
    connect(m_dialog, &QFileDialog::fileSelected, this, &DownloadSaver::fileChosen);
    connect(m_dialog, &QDialog::rejected, this, &DownloadSaver::decline);
    // Gone with its browser window before the user chose.
    connect(m_dialog, &QObject::destroyed, this, [this] {
        if (m_target.isEmpty())
            decline();
    });
    m_dialog->open();
}

void DownloadSaver::fileChosen(const QString &path)
{
    if (m_declined || !m_target.isEmpty())
        return;
    m_target = path;
    m_fileName = QFileInfo(path).fileName();
    lastSaveFolder() = QFileInfo(path).absolutePath();
    m_window = new DownloadWindow(m_fileName, path);
    connect(m_window, &DownloadWindow::cancelRequested, this, &DownloadSaver::decline);
    showProgress();
    centerOverWindow(m_window, m_owner);
    m_window->show();
    finishWhenReady();
}

// Refused in the dialog, or cancelled from the progress window. The folder
// goes once the engine has confirmed the end.
void DownloadSaver::decline()
{
    if (m_declined || m_done)
        return;
    m_declined = true;
    if (m_download && !m_download->isFinished())
        m_download->cancel();
    finishWhenReady();
}

// After a network failure the engine asks about the same download again,
// under a new request, and the first request hears no more of it. Nothing
// here would resume it, so it has failed; the new request is left
// unaccepted, which makes the engine drop the download.
void DownloadSaver::giveUp(const QString &reason)
{
    if (m_download)
        m_download->disconnect(this);
    m_download.clear();
    m_failureReason = reason;
    finishWhenReady();
}

// The engine leaves an interrupted download waiting to be resumed, no longer
// writing; nothing here would resume it, so to the user it has failed.
bool DownloadSaver::engineHasEnded() const
{
    return !m_download || m_download->isFinished()
        || m_download->state() == QWebEngineDownloadRequest::DownloadInterrupted;
}

void DownloadSaver::showProgress()
{
    if (m_window && m_download)
        m_window->setProgress(m_download->receivedBytes(), m_download->totalBytes());
}

void DownloadSaver::finishWhenReady()
{
    if (m_done || !engineHasEnded() || (m_target.isEmpty() && !m_declined))
        return;
    m_done = true;
    if (!m_declined) {
        if (!m_download)
            reportFailure(m_failureReason);
        else if (m_download->state() != QWebEngineDownloadRequest::DownloadCompleted)
            reportFailure(m_download->interruptReasonString());
        else if (const QString error = moveIntoPlace(); !error.isEmpty())
            reportFailure(error);
        else if (m_window)
            m_window->showFinished();
    }
    if (m_download) {
        // An interrupted download is dropped, so that the engine forgets it.
        m_download->disconnect(this);
        m_download->cancel();
        m_download->deleteLater();
    }
    m_folder->remove();
    deleteLater();
}

// Returns why the file could not be put in place, or nothing.
QString DownloadSaver::moveIntoPlace() const
{
    QString error;
    const QString source
        = QDir(m_download->downloadDirectory()).filePath(m_download->downloadFileName());
    if (moveFinishedFile(source, m_target, &error))
        return QString();
    return tr("%1 could not be saved: %2").arg(QDir::toNativeSeparators(m_target), error);
}

void DownloadSaver::reportFailure(const QString &reason) const
{
    const QString text = reason.isEmpty()
        ? tr("The download of %1 failed.").arg(m_fileName)
        : tr("The download of %1 failed: %2").arg(m_fileName, reason);
    if (m_window)
        m_window->showFailed(text);
}
