#pragma once

#include "engine/browserengine.h"

#include <QUrl>
#include <QWebEnginePage>

#include <optional>

class QWebEngineCertificateError;
class QWebEngineNewWindowRequest;
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
    void answerPermission(const QUrl &origin, Permission permission, bool allowed) override;
    void findText(const QString &text, bool backward) override;
    void stopFinding() override;

private:
    // The warning page that stands in for a site whose certificate failed;
    // key names the certificate its "Proceed" link accepts, empty when it
    // has none.
    struct CertificateWarning {
        QUrl url;
        QString key;
    };

    void newWindowRequested(QWebEngineNewWindowRequest &request);
    bool acceptNavigation(const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame);
    void certificateError(const QWebEngineCertificateError &error);
    void showCertificateWarning(const QWebEngineCertificateError &error);
    void loadStarted();
    void urlChanged(const QUrl &url);
    void loadFinished();
    void renderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);

    QWebEngineView *m_view;
    WebEnginePage *m_page;
    // Whether the load under way has reported its address yet.
    bool m_urlCommitted = false;
    // Set while the view shows a page of ours that stands in for the page at
    // this address (it crashed, or its certificate failed).
    QUrl m_standInFor;
    // Where the top-level page is going or has gone.
    QUrl m_mainFrameUrl;
    std::optional<CertificateWarning> m_certificateWarning;
    // Counts the searches, so that only the newest one reports.
    quint64 m_findRequest = 0;
};
