#include "platform/downloadsaver.h"

#include "platform/messagebox.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineView>

#include <filesystem>
#include <system_error>

namespace {

// Partial downloads stay on the user's disk rather than in a temporary file
// system that may live in memory.
QString partialDirectoryTemplate()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache))
        return cache + QStringLiteral("/download-XXXXXX");
    return QDir::tempPath() + QStringLiteral("/wavecrest-download-XXXXXX");
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

QHash<quint32, DownloadSaver *> &saversById()
{
    static QHash<quint32, DownloadSaver *> savers;
    return savers;
}

// The engine may leave an interrupted download waiting to be resumed; nothing
// here would resume it, so to the user it has failed.
bool hasEnded(const QWebEngineDownloadRequest &download)
{
    const auto state = download.state();
    return state != QWebEngineDownloadRequest::DownloadRequested
        && state != QWebEngineDownloadRequest::DownloadInProgress;
}

} // namespace

void DownloadSaver::start(QWebEngineDownloadRequest *download)
{
    if (DownloadSaver *saver = saversById().value(download->id())) {
        saver->giveUp(download->interruptReasonString());
        return;
    }
    // Only downloads from a page on screen are taken; left unaccepted, the
    // engine drops the rest.
    if (QWidget *view = QWebEngineView::forPage(download->page()))
        new DownloadSaver(download, view);
}

DownloadSaver::DownloadSaver(QWebEngineDownloadRequest *download, QWidget *view)
    : QObject(view), m_download(download), m_view(view), m_fileName(download->downloadFileName()),
      m_partialDirectory(partialDirectoryTemplate())
{
    if (!m_partialDirectory.isValid()) {
        reportFailure(m_partialDirectory.errorString());
        deleteLater();
        return;
    }
    saversById().insert(download->id(), this);
    download->setDownloadDirectory(m_partialDirectory.path());
    download->accept();
    connect(
        download, &QWebEngineDownloadRequest::stateChanged, this, &DownloadSaver::finishWhenReady);

    m_dialog = new QFileDialog(view, QStringLiteral("Save As"),
        QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setAcceptMode(QFileDialog::AcceptSave);
    m_dialog->selectFile(m_fileName);
    connect(m_dialog, &QFileDialog::fileSelected, this, &DownloadSaver::fileChosen);
    connect(m_dialog, &QDialog::rejected, this, &QObject::deleteLater);
    m_dialog->open();
}

DownloadSaver::~DownloadSaver()
{
    saversById().removeIf([this](auto saver) { return saver.value() == this; });
    // Refused, or the window went away, while the download was still running.
    if (m_download && !m_download->isFinished()) {
        m_download->disconnect(this);
        m_download->cancel();
    }
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

void DownloadSaver::fileChosen(const QString &path)
{
    m_target = path;
    finishWhenReady();
}

void DownloadSaver::finishWhenReady()
{
    if (m_target.isEmpty() || (m_download && !hasEnded(*m_download)))
        return;
    if (!m_download)
        reportFailure(m_failureReason);
    else if (m_download->state() != QWebEngineDownloadRequest::DownloadCompleted)
        reportFailure(m_download->interruptReasonString());
    else
        moveIntoPlace();
    deleteLater();
}

void DownloadSaver::moveIntoPlace() const
{
    QString error;
    const QString source
        = QDir(m_download->downloadDirectory()).filePath(m_download->downloadFileName());
    if (!moveFinishedFile(source, m_target, &error)) {
        showFailure(QStringLiteral("%1 could not be saved: %2")
                        .arg(QDir::toNativeSeparators(m_target), error));
    }
}

void DownloadSaver::reportFailure(const QString &reason) const
{
    showFailure(reason.isEmpty()
            ? QStringLiteral("The download of %1 failed.").arg(m_fileName)
            : QStringLiteral("The download of %1 failed: %2").arg(m_fileName, reason));
}

void DownloadSaver::showFailure(const QString &text) const
{
    // Never a box from inside the engine's own signal.
    QWidget *view = m_view;
    QTimer::singleShot(0, view, [view, text] { showMessageBox(view, text, QMessageBox::Warning); });
}

void DownloadSaver::removeLeftovers() { }
