#include "engine/webenginebrowser.h"

#include "engine/certificatewarning.h"
#include "engine/localfileguard.h"
#include "engine/navigationgate.h"
#include "engine/useraddress.h"
#include "engine/webenginepage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSet>
#include <QSslCertificate>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEngineFindTextResult>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace {

// The sites whose certificate the user accepted in the warning page, as
// host and certificate: for this run only, and for that certificate only.
QSet<QString> &acceptedCertificates()
{
    static QSet<QString> accepted;
    return accepted;
}

QString certificateKey(const QUrl &url, const QList<QSslCertificate> &chain)
{
    const QByteArray digest
        = chain.isEmpty() ? QByteArray() : chain.first().digest(QCryptographicHash::Sha256);
    return url.host() + u' ' + QString::fromLatin1(digest.toHex());
}

CertificateProblem problemOf(const QWebEngineCertificateError &error)
{
    CertificateProblem problem{error.type(), error.url().host()};
    problem.description = error.description();
    if (!error.certificateChain().isEmpty()) {
        const QSslCertificate certificate = error.certificateChain().first();
        problem.notBefore = certificate.effectiveDate();
        problem.notAfter = certificate.expiryDate();
        problem.names = certificate.subjectAlternativeNames().values(QSsl::DnsEntry)
            + certificate.subjectInfo(QSslCertificate::CommonName);
        problem.names.removeDuplicates();
    }
    return problem;
}

using Permission = BrowserEngine::Permission;

constexpr std::pair<QWebEnginePage::Feature, Permission> PermissionFeatures[] = {
    {QWebEnginePage::Geolocation, Permission::Location},
    {QWebEnginePage::Notifications, Permission::Notifications},
    {QWebEnginePage::MediaVideoCapture, Permission::Camera},
    {QWebEnginePage::MediaAudioCapture, Permission::Microphone},
    {QWebEnginePage::MediaAudioVideoCapture, Permission::CameraAndMicrophone},
    {QWebEnginePage::DesktopVideoCapture, Permission::ScreenSharing},
    {QWebEnginePage::DesktopAudioVideoCapture, Permission::ScreenSharingWithSound},
    {QWebEnginePage::MouseLock, Permission::MouseLock},
};

Permission permissionOf(QWebEnginePage::Feature feature)
{
    for (const auto &[engineFeature, permission] : PermissionFeatures) {
        if (engineFeature == feature)
            return permission;
    }
    return Permission::Notifications;
}

QWebEnginePage::Feature featureOf(Permission permission)
{
    for (const auto &[engineFeature, ours] : PermissionFeatures) {
        if (ours == permission)
            return engineFeature;
    }
    return QWebEnginePage::Notifications;
}

QString crashPageHtml(const QUrl &url)
{
    QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                  "<title>Page stopped</title></head><body>"
                                  "<h1>This page stopped working</h1>"
                                  "<p>The process that showed it ended unexpectedly.</p>");
    if (!url.isEmpty()) {
        html += QStringLiteral("<p><a href=\"%1\">Reload %2</a></p>")
                    .arg(QString::fromLatin1(url.toEncoded()).toHtmlEscaped(),
                        url.toDisplayString().toHtmlEscaped());
    }
    return html + QStringLiteral("</body></html>");
}

} // namespace

WebEngineBrowser::WebEngineBrowser(QWebEngineProfile *profile, QWidget *parent)
    : BrowserEngine(parent), m_view(new QWebEngineView(parent))
{
    QPointer<WebEngineBrowser> self(this);
    m_page = new WebEnginePage(
        profile,
        [self](const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame) {
            return !self || self->acceptNavigation(url, type, isMainFrame);
        },
        m_view);
    m_view->setPage(m_page);
    // Local pages keep the engine's access to local files, which the guard
    // narrows down to their own pictures and style sheets.
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    setPageRequestFilter(m_page, nullptr);
    connect(
        m_page, &QWebEnginePage::newWindowRequested, this, &WebEngineBrowser::newWindowRequested);
    connect(m_page, &QWebEnginePage::certificateError, this, &WebEngineBrowser::certificateError);
    connect(m_page, &QWebEnginePage::featurePermissionRequested, this,
        [this](const QUrl &origin, QWebEnginePage::Feature feature) {
            Q_EMIT PermissionRequested(origin, permissionOf(feature));
        });
    connect(m_page, &QWebEnginePage::featurePermissionRequestCanceled, this,
        [this](const QUrl &origin, QWebEnginePage::Feature feature) {
            Q_EMIT PermissionRequestWithdrawn(origin, permissionOf(feature));
        });

    connect(m_page, &QWebEnginePage::loadStarted, this, &WebEngineBrowser::loadStarted);
    connect(m_page, &QWebEnginePage::urlChanged, this, &WebEngineBrowser::urlChanged);
    connect(m_page, &QWebEnginePage::loadProgress, this, [this](int progress) {
        if (!m_blankWhileHeld)
            Q_EMIT ProgressChange(progress, 100);
    });
    connect(m_page, &QWebEnginePage::titleChanged, this, [this](const QString &title) {
        if (!m_blankWhileHeld)
            Q_EMIT TitleChange(title);
    });
    connect(m_page, &QWebEnginePage::loadFinished, this, &WebEngineBrowser::loadFinished);
    // An empty text when the pointer leaves the link, as the status bar wants.
    connect(m_page, &QWebEnginePage::linkHovered, this, &BrowserEngine::StatusTextChange);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
        &WebEngineBrowser::renderProcessTerminated);
    m_page->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    // PDFs show in the window, in the engine's own viewer, instead of being
    // downloaded; its save button hands the file to the download path.
    m_page->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    m_page->settings()->setAttribute(QWebEngineSettings::PdfViewerEnabled, true);
    connect(m_page, &QWebEnginePage::fullScreenRequested, this,
        [this](QWebEngineFullScreenRequest request) {
            request.accept();
            Q_EMIT fullScreenRequested(request.toggleOn());
        });
    connect(
        &NavigationGate::instance(), &NavigationGate::opened, this, &WebEngineBrowser::loadHeld);
}

void WebEngineBrowser::Navigate(const QString &address)
{
    const QUrl url = urlFromUserAddress(address, QDir::currentPath());
    if (url.isEmpty())
        return;
    m_standInFor.clear();
    // A blank page asks nothing of anyone and may show at once.
    if (!NavigationGate::instance().isOpen() && url.scheme() != QLatin1String("about")) {
        m_heldUrl = url;
        // A view that has shown nothing keeps its window from being shown
        // maximised under some window managers: a blank page stands in,
        // unreported, until the address may load.
        if (m_page->url().isEmpty() && !m_blankWhileHeld) {
            m_blankWhileHeld = true;
            m_page->load(QUrl(QStringLiteral("about:blank")));
        }
        return;
    }
    m_heldUrl.clear();
    m_page->load(url);
}

void WebEngineBrowser::GoBack()
{
    m_standInFor.clear();
    m_page->triggerAction(QWebEnginePage::Back);
}

void WebEngineBrowser::GoForward()
{
    m_standInFor.clear();
    m_page->triggerAction(QWebEnginePage::Forward);
}

void WebEngineBrowser::Stop()
{
    m_heldUrl.clear();
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebEngineBrowser::Refresh()
{
    // Reloading the stand-in page would only show it again.
    if (!m_standInFor.isEmpty())
        m_page->load(std::exchange(m_standInFor, QUrl()));
    else
        m_page->triggerAction(QWebEnginePage::Reload);
}

QString WebEngineBrowser::LocationURL() const
{
    return m_page->url().toString();
}

QWidget *WebEngineBrowser::view() const
{
    return m_view;
}

qreal WebEngineBrowser::zoomFactor() const
{
    return m_page->zoomFactor();
}

void WebEngineBrowser::setZoomFactor(qreal factor)
{
    m_page->setZoomFactor(factor);
}

void WebEngineBrowser::exitFullScreen()
{
    m_page->triggerAction(QWebEnginePage::ExitFullScreen);
}

void WebEngineBrowser::findText(const QString &text, bool backward)
{
    const quint64 request = ++m_findRequest;
    QPointer<WebEngineBrowser> self(this);
    // The engine answers a search it dropped for a newer one with no matches,
    // which is not the newer one's answer.
    m_page->findText(text, backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags(),
        [self, request, text](const QWebEngineFindTextResult &result) {
            if (self && request == self->m_findRequest)
                Q_EMIT self->findTextFinished(text, result.activeMatch(), result.numberOfMatches());
        });
}

void WebEngineBrowser::stopFinding()
{
    ++m_findRequest;
    m_page->findText(QString());
}

void WebEngineBrowser::answerPermission(const QUrl &origin, Permission permission, bool allowed)
{
    m_page->setFeaturePermission(origin, featureOf(permission),
        allowed ? QWebEnginePage::PermissionGrantedByUser : QWebEnginePage::PermissionDeniedByUser);
}

void WebEngineBrowser::newWindowRequested(QWebEngineNewWindowRequest &request)
{
    const QUrl url = request.requestedUrl();
    // No page but a local one has any business with local files.
    if (url.isLocalFile() && !m_page->url().isLocalFile())
        return;
    NewWindowRequest ours;
    ours.userInitiated = request.isUserInitiated();
    Q_EMIT NewWindow2(&ours);
    // Only a page of the same kind can take over the new window's content;
    // anything else, or a target closed meanwhile, refuses the request.
    auto *target = qobject_cast<WebEngineBrowser *>(ours.target.data());
    if (!target)
        return;
    // A local page would keep its hold on a local file it opens in a new
    // window, and could read it there; loaded afresh, the file is on its own.
    if (url.isLocalFile())
        target->m_page->load(url);
    else
        request.openIn(target->m_page);
}

bool WebEngineBrowser::acceptNavigation(
    const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame)
{
    if (!isEngineScheme(url.scheme())) {
        // The engine asks only when the user clicked.
        Q_EMIT ExternalLinkRequested(url);
        return false;
    }
    // The pages of ours that stand in for others come as data.
    if (!isMainFrame || url.scheme() == u"data")
        return true;
    // The user clicked "Proceed" on the warning page.
    if (m_certificateWarning && type == QWebEnginePage::NavigationTypeLinkClicked
        && url == m_certificateWarning->url && !m_certificateWarning->key.isEmpty())
        acceptedCertificates().insert(m_certificateWarning->key);
    m_certificateWarning.reset();
    m_mainFrameUrl = url;
    return true;
}

void WebEngineBrowser::certificateError(const QWebEngineCertificateError &error)
{
    QWebEngineCertificateError answer = error;
    const QString key = certificateKey(error.url(), error.certificateChain());
    if (error.isOverridable() && acceptedCertificates().contains(key)) {
        answer.acceptCertificate();
        return;
    }
    // A part of a page (a picture, a script) is simply not loaded.
    if (error.url() != m_mainFrameUrl) {
        answer.rejectCertificate();
        return;
    }
    // The warning takes the site's place once this callback has returned.
    answer.defer();
    QTimer::singleShot(0, this, [this, answer]() mutable {
        answer.rejectCertificate();
        showCertificateWarning(answer);
    });
}

void WebEngineBrowser::showCertificateWarning(const QWebEngineCertificateError &error)
{
    const QUrl url = error.url();
    const QString key = certificateKey(url, error.certificateChain());
    const QString html
        = certificateWarningHtml(problemOf(error), error.isOverridable() ? url : QUrl());
    m_page->setHtml(html, url);
    m_certificateWarning = CertificateWarning{url, error.isOverridable() ? key : QString()};
    m_standInFor = url;
}

void WebEngineBrowser::loadHeld()
{
    if (!m_blankWhileHeld && !m_heldUrl.isEmpty() && NavigationGate::instance().isOpen())
        m_page->load(std::exchange(m_heldUrl, QUrl()));
}

void WebEngineBrowser::loadStarted()
{
    if (m_blankWhileHeld)
        return;
    m_urlCommitted = false;
    Q_EMIT DownloadBegin();
}

void WebEngineBrowser::urlChanged(const QUrl &url)
{
    if (m_blankWhileHeld)
        return;
    m_urlCommitted = true;
    if (url != m_standInFor)
        m_standInFor.clear();
    Q_EMIT NavigateComplete2(url.toString());
}

void WebEngineBrowser::loadFinished()
{
    if (m_blankWhileHeld) {
        m_blankWhileHeld = false;
        loadHeld();
        return;
    }
    // Loading the address already shown (again, or a reload) changes no URL,
    // yet every load is to report one before it completes.
    if (!m_urlCommitted)
        Q_EMIT NavigateComplete2(LocationURL());
    m_urlCommitted = true;
    Q_EMIT DownloadComplete();
}

void WebEngineBrowser::renderProcessTerminated(
    QWebEnginePage::RenderProcessTerminationStatus status)
{
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    // The stand-in page keeps the lost page's address, so that the address
    // bar still shows it and its link is a same-origin reload.
    m_standInFor = m_page->url();
    m_page->setHtml(crashPageHtml(m_standInFor), m_standInFor);
}
