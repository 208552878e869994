#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// Shows one download while it runs and tells how it ended. Closing the
// window while the download runs, or its Cancel button, asks to cancel it;
// once it has ended the button closes the window. Escape does what the
// button does.
class DownloadWindow : public QWidget
{
    Q_OBJECT

public:
    DownloadWindow(const QString &fileName, const QString &target);

    void setProgress(qint64 receivedBytes, qint64 totalBytes);
    void showFinished();
    void showFailed(const QString &reason);
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void cancelRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showEnd(const QString &caption, const QString &status);
    static void setElidedText(QLabel *label, const QString &text);

    const QString m_fileName;
    const QString m_target;
    QLabel *m_name;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_button;
    bool m_running = true;
};
