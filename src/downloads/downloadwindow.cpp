#include "downloads/downloadwindow.h"

#include "ui/placement.h"

#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

namespace {

// Fine enough for a smooth bar, far from int's limits for any file size.
constexpr int ProgressSteps = 1000;

} // namespace

DownloadWindow::DownloadWindow(const QString &fileName, const QString &target)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), m_fileName(fileName),
      m_target(QDir::toNativeSeparators(target))
{
    setObjectName(QStringLiteral("frmDownload"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Downloading %1").arg(fileName));
    setFont(windowFont());
    setFixedSize(Twips::toPixels(6000), Twips::toPixels(1875));

    m_name = placeControl(new QLabel(this), "lblFileName", {120, 120, 5760, 255});
    setElidedText(m_name, m_target);
    m_progress = placeControl(new QProgressBar(this), "prgDownload", {120, 480, 5760, 300});
    m_progress->setAccessibleName(tr("Download progress"));
    m_progress->setRange(0, 0);
    m_status = placeControl(new QLabel(this), "lblStatus", {120, 900, 5760, 255});
    m_button
        = placeControl(new QPushButton(tr("Cancel"), this), "cmdCancel", {4560, 1380, 1320, 375});
    m_button->setDefault(true);
    m_button->setFocus();
    connect(m_button, &QPushButton::clicked, this, &QWidget::close);
    setProgress(0, -1);
}

void DownloadWindow::setProgress(qint64 receivedBytes, qint64 totalBytes)
{
    if (!m_running)
        return;
    const QLocale locale;
    const QString received = locale.formattedDataSize(receivedBytes);
    if (totalBytes > 0) {
        m_progress->setRange(0, ProgressSteps);
        m_progress->setValue(
            int(qBound<qint64>(0, receivedBytes, totalBytes) * ProgressSteps / totalBytes));
        setElidedText(m_status, tr("%1 of %2").arg(received, locale.formattedDataSize(totalBytes)));
    } else {
        // The server gave no size: a busy bar and what has come so far.
        m_progress->setRange(0, 0);
        setElidedText(m_status, received);
    }
}

void DownloadWindow::showFinished()
{
    m_progress->setRange(0, ProgressSteps);
    m_progress->setValue(ProgressSteps);
    showEnd(tr("Downloaded %1").arg(m_fileName), tr("Saved to %1").arg(m_target));
}

void DownloadWindow::showFailed(const QString &reason)
{
    m_progress->setRange(0, ProgressSteps);
    m_progress->setValue(0);
    showEnd(tr("Download of %1 failed").arg(m_fileName), reason);
}

void DownloadWindow::showEnd(const QString &caption, const QString &status)
{
    m_running = false;
    setWindowTitle(caption);
    setElidedText(m_status, status);
    m_button->setText(tr("Close"));
    // The end is news: bring the window up even if the user had moved on.
    show();
    raise();
    activateWindow();
}

void DownloadWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}

void DownloadWindow::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        m_running = false;
        Q_EMIT cancelRequested();
    }
    event->accept();
}

// Long paths and reasons are cut in the middle to fit; the whole text stays
// in the tool tip and is what a screen reader speaks.
void DownloadWindow::setElidedText(QLabel *label, const QString &text)
{
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width()));
    label->setToolTip(text);
    label->setAccessibleName(text);
}
