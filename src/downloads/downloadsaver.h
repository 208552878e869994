#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class DownloadWindow;
class QFileDialog;
class QWebEngineDownloadRequest;
class QWidget;

// Saves one download where the user chooses. The engine wants an answer
// while its signal is being delivered, and asking must not block, so the
// download is accepted at once into a partial folder of its own; a Save As
// dialog asks meanwhile, a window shows the progress once the user has
// chosen, and the finished file moves to the chosen place. The saver
// belongs to the engine's profile, so a download outlives the window it came
// from.
//
// Whatever the user or the network does, the partial folder goes once the
// engine has reported the download's end: only then has the engine stopped
// writing into it. A folder left by a run that was killed is swept at the
// next start.
class DownloadSaver : public QObject
{
    Q_OBJECT

public:
    // Handler of QWebEngineProfile::downloadRequested.
    static void start(QWebEngineDownloadRequest *download);

    // Removes the partial folders whose program no longer runs (a copy
    // that runs at the same time keeps its own).
    static void removeLeftovers();

    ~DownloadSaver() override;

private:
    class PartialFolder;

    DownloadSaver(
        QWebEngineDownloadRequest *download, QWidget *view, std::unique_ptr<PartialFolder> folder);

    void askWhereToSave(QWidget *view);
    void fileChosen(const QString &path);
    void decline();
    void giveUp(const QString &reason);
    void finishWhenReady();
    bool engineHasEnded() const;
    void showProgress();
    QString moveIntoPlace() const;
    void reportFailure(const QString &reason) const;

    // Empty once the engine has given the download up.
    QPointer<QWebEngineDownloadRequest> m_download;
    QPointer<QFileDialog> m_dialog;
    QPointer<DownloadWindow> m_window;
    // The browser window the download came from, which its window opens over.
    QPointer<QWidget> m_owner;
    // The engine's name for the file until the user has chosen one.
    QString m_fileName;
    std::unique_ptr<PartialFolder> m_folder;
    QString m_target;
    QString m_failureReason;
    bool m_declined = false;
    bool m_done = false;
};
