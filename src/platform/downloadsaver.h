#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>

class QFileDialog;
class QWebEngineDownloadRequest;
class QWidget;

// Saves one download where the user chooses. The engine wants an answer
// while its signal is being delivered, and asking must not block, so the
// download is accepted at once into a partial folder of its own; a Save As
// dialog asks meanwhile, and the finished file moves to the chosen place. A
// cancelled dialog cancels the download; a failed one is reported once the
// user has chosen. The partial folder goes with the
// saver, which belongs to the view the download came from.
class DownloadSaver : public QObject
{
public:
    // Handler of QWebEngineProfile::downloadRequested.
    static void start(QWebEngineDownloadRequest *download);
    static void removeLeftovers();

    ~DownloadSaver() override;

private:
    DownloadSaver(QWebEngineDownloadRequest *download, QWidget *view);

    void giveUp(const QString &reason);
    void fileChosen(const QString &path);
    void finishWhenReady();
    void moveIntoPlace() const;
    void reportFailure(const QString &reason) const;
    void showFailure(const QString &text) const;

    // Empty once the engine has given the download up.
    QPointer<QWebEngineDownloadRequest> m_download;
    QWidget *m_view;
    QPointer<QFileDialog> m_dialog;
    const QString m_fileName;
    QTemporaryDir m_partialDirectory;
    QString m_target;
    QString m_failureReason;
};
