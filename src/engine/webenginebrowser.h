#pragma once

#include "engine/browserengine.h"

#include <QUrl>
#include <QWebEnginePage>

class QWebEngineProfile;
class QWebEngineView;
class WebEnginePage;

// BrowserEngine on Qt WebEngine. The engine and its view are both children of
// the window given at construction and go with it.
class WebEngineBrowser : public BrowserEngine
{
    Q_OBJECT

public:
    WebEngineBrowser(QWebEngineProfile *profile, QWidget *parent);

    void Navigate(const QString &address) override;
    void GoBack() override;
    void GoForward() override;
    void Stop() override;
    void Refresh() override;
    QString LocationURL() const override;
    QWidget *view() const override;
    qreal zoomFactor() const override;
    void setZoomFactor(qreal factor) override;
    void exitFullScreen() override;
    void findText(const QString &text, bool backward) override;
    void stopFinding() override;

private:
    QWebEnginePage *pageForNewWindow();
    void loadStarted();
    void urlChanged(const QUrl &url);
    void loadFinished();
    void renderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);

    QWebEngineView *m_view;
    WebEnginePage *m_page;
    // Whether the load under way has reported its address yet.
    bool m_urlCommitted = false;
    // Set while the view shows the page that stands in for a crashed one.
    QUrl m_crashedUrl;
    // Counts the searches, so that only the newest one reports.
    quint64 m_findRequest = 0;
};
