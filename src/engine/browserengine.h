#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;
class BrowserEngine;

// A page's request for a new window. The handler of NewWindow2 names the
// engine that is to show the new window's content; left empty, the request is
// refused. A guarded pointer, because the handler may close the target's
// window again before the engine gets to use it.
struct NewWindowRequest {
    QPointer<BrowserEngine> target;
    // Whether the page asks in answer to the user's click or key press, or
    // on its own.
    bool userInitiated = false;
};

// The page-rendering engine as the browser windows see it. The operations and
// events carry the names the windows' handlers were written against.
class BrowserEngine : public QObject
{
    Q_OBJECT

public:
    // What a page may ask the user's leave for.
    enum class Permission {
        Location,
        Notifications,
        Camera,
        Microphone,
        CameraAndMicrophone,
        ScreenSharing,
        ScreenSharingWithSound,
        MouseLock,
    };
    Q_ENUM(Permission)

    explicit BrowserEngine(QObject *parent = nullptr) : QObject(parent) { }

    // Takes text the way an address bar does: a full URL, a bare host name or
    // a local file path. Empty or malformed text is ignored.
    virtual void Navigate(const QString &address) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;
    virtual QString LocationURL() const = 0;
    // The widget that shows the page; owned by the engine's window.
    virtual QWidget *view() const = 0;

    // The page's zoom, 1 for its natural size.
    virtual qreal zoomFactor() const = 0;
    virtual void setZoomFactor(qreal factor) = 0;
    // Leaves the full screen that a page asked for; fullScreenRequested(false)
    // follows.
    virtual void exitFullScreen() = 0;
    // The user's answer to PermissionRequested().
    virtual void answerPermission(const QUrl &origin, Permission permission, bool allowed) = 0;

    // Looks for the text in the page, letter case aside, and highlights the
    // matches: the same text again moves on to the next match (backward: to
    // the one before), other text starts anew. findTextFinished() follows;
    // a search that a newer one overtook reports nothing.
    virtual void findText(const QString &text, bool backward) = 0;
    // Ends the search and takes its highlight off the page.
    virtual void stopFinding() = 0;

Q_SIGNALS:
    void StatusTextChange(const QString &text);
    void ProgressChange(int progress, int progressMax);
    void DownloadBegin();
    void DownloadComplete();
    void TitleChange(const QString &text);
    void NavigateComplete2(const QString &url);
    // Delivered synchronously; the handler fills in request->target.
    void NewWindow2(NewWindowRequest *request);
    // A page (a video, say) has entered or left full screen, which the
    // engine grants at once; the window shows the view alone while it lasts.
    void fullScreenRequested(bool on);
    // The page of origin (scheme://host[:port]/) asks for the permission and
    // waits for answerPermission(); withdrawn, it wants no answer any more
    // (the page went away).
    void PermissionRequested(const QUrl &origin, BrowserEngine::Permission permission);
    void PermissionRequestWithdrawn(const QUrl &origin, BrowserEngine::Permission permission);
    // The user followed a link that only another program can open
    // (mailto:, a program's own scheme); nothing has been started.
    void ExternalLinkRequested(const QUrl &url);
    // The outcome of findText(text): the highlighted match, counted from 1,
    // and how many there are; 0 of 0 when there is none.
    void findTextFinished(const QString &text, int activeMatch, int matchCount);
};

// Creates an engine whose view is a child of parent. Windows receive one of
// these instead of constructing an engine themselves.
using BrowserEngineFactory = std::function<BrowserEngine *(QWidget *parent)>;
