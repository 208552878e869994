#include "engine/webenginebrowser.h"

#include "engine/useraddress.h"
#include "engine/webenginepage.h"

#include <QDir>
#include <QWebEngineFindTextResult>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace {

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
        profile, [self] { return self ? self->pageForNewWindow() : nullptr; }, m_view);
    m_view->setPage(m_page);

    connect(m_page, &QWebEnginePage::loadStarted, this, &WebEngineBrowser::loadStarted);
    connect(m_page, &QWebEnginePage::urlChanged, this, &WebEngineBrowser::urlChanged);
    connect(m_page, &QWebEnginePage::loadProgress, this,
        [this](int progress) { Q_EMIT ProgressChange(progress, 100); });
    connect(m_page, &QWebEnginePage::titleChanged, this, &BrowserEngine::TitleChange);
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
}

void WebEngineBrowser::Navigate(const QString &address)
{
    const QUrl url = urlFromUserAddress(address, QDir::currentPath());
    if (url.isEmpty())
        return;
    m_crashedUrl.clear();
    m_page->load(url);
}

void WebEngineBrowser::GoBack()
{
    m_crashedUrl.clear();
    m_page->triggerAction(QWebEnginePage::Back);
}

void WebEngineBrowser::GoForward()
{
    m_crashedUrl.clear();
    m_page->triggerAction(QWebEnginePage::Forward);
}

void WebEngineBrowser::Stop()
{
    m_page->triggerAction(QWebEnginePage::Stop);
}

void WebEngineBrowser::Refresh()
{
    // Reloading the stand-in page would only show it again.
    if (!m_crashedUrl.isEmpty())
        m_page->load(std::exchange(m_crashedUrl, QUrl()));
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

QWebEnginePage *WebEngineBrowser::pageForNewWindow()
{
    NewWindowRequest request;
    Q_EMIT NewWindow2(&request);
    // Only a page of the same kind can take over the new window's content;
    // anything else, or a target closed meanwhile, refuses the request.
    auto *target = qobject_cast<WebEngineBrowser *>(request.target.data());
    return target ? target->m_page : nullptr;
}

void WebEngineBrowser::loadStarted()
{
    m_urlCommitted = false;
    Q_EMIT DownloadBegin();
}

void WebEngineBrowser::urlChanged(const QUrl &url)
{
    m_urlCommitted = true;
    if (url != m_crashedUrl)
        m_crashedUrl.clear();
    Q_EMIT NavigateComplete2(url.toString());
}

void WebEngineBrowser::loadFinished()
{
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
    m_crashedUrl = m_page->url();
    m_page->setHtml(crashPageHtml(m_crashedUrl), m_crashedUrl);
}
