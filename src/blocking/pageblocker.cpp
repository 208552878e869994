#include "blocking/pageblocker.h"

#include "blocking/contentblocking.h"
#include "blocking/hidingscript.h"
#include "blocking/matcher/filterengine.h"
#include "blocking/matcher/neverblocked.h"
#include "core/contentblockingstate.h"
#include "engine/localfileguard.h"

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

constexpr char ScriptName[] = "wavecrest-hiding-page";

RequestType requestType(QWebEngineUrlRequestInfo::ResourceType type)
{
    using Info = QWebEngineUrlRequestInfo;
    switch (type) {
    case Info::ResourceTypeMainFrame:
    case Info::ResourceTypeNavigationPreloadMainFrame:
        return RequestType::Document;
    case Info::ResourceTypeSubFrame:
    case Info::ResourceTypeNavigationPreloadSubFrame:
        return RequestType::Subdocument;
    case Info::ResourceTypeStylesheet:
        return RequestType::Stylesheet;
    case Info::ResourceTypeScript:
    case Info::ResourceTypeWorker:
    case Info::ResourceTypeSharedWorker:
    case Info::ResourceTypeServiceWorker:
        return RequestType::Script;
    case Info::ResourceTypeImage:
    case Info::ResourceTypeFavicon:
        return RequestType::Image;
    case Info::ResourceTypeFontResource:
        return RequestType::Font;
    case Info::ResourceTypeObject:
    case Info::ResourceTypePluginResource:
        return RequestType::Object;
    case Info::ResourceTypeMedia:
        return RequestType::Media;
    case Info::ResourceTypeXhr:
        return RequestType::XmlHttpRequest;
    case Info::ResourceTypePing:
        return RequestType::Ping;
    case Info::ResourceTypeWebSocket:
        return RequestType::WebSocket;
    default:
        return RequestType::Other;
    }
}

std::string_view view(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), std::size_t(bytes.size()));
}

bool isWebPage(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

} // namespace

PageBlocker::PageBlocker(
    ContentBlocking &blocking, const BrowserEngine *engine, QWebEnginePage *page)
    : QWebEngineUrlRequestInterceptor(page), m_blocking(&blocking), m_engine(engine), m_page(page)
{ }

void PageBlocker::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    setPageRequestFilter(m_page, active ? this : nullptr);
    if (!active) {
        m_hosts = QJsonObject();
        updateScript();
    }
}

void PageBlocker::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const QUrl url = info.requestUrl();
    const auto resourceType = info.resourceType();
    if (resourceType == QWebEngineUrlRequestInfo::ResourceTypeMainFrame) {
        startPage(url);
        return;
    }
    const FilterEngine *engine = m_blocking ? m_blocking->engine() : nullptr;
    const QUrl page = info.firstPartyUrl();
    if (!engine || !m_blocking->state().isBlockingOnFor(page.host()))
        return;
    const QByteArray pageAddress = page.toEncoded(QUrl::RemoveFragment);
    const QByteArray address = url.toEncoded();
    if (isNeverBlocked(view(address), view(pageAddress))
        || (engine->network().pageFlags(view(pageAddress)) & NetworkRule::PageAllowed)) {
        return;
    }
    // A request is judged by the frame that makes it, when it is known.
    const QUrl initiator = info.initiator();
    const QByteArray source
        = initiator.isValid() && !initiator.host().isEmpty() ? initiator.toEncoded() : pageAddress;
    const NetworkRequest request{view(address), view(source), requestType(resourceType)};
    if (engine->network().match(request) == Verdict::Blocked) {
        info.block(true);
        countBlocked();
        return;
    }
    if (resourceType == QWebEngineUrlRequestInfo::ResourceTypeSubFrame)
        addFrame(url);
}

void PageBlocker::startPage(const QUrl &url)
{
    m_pageUrl = url;
    m_blocked = 0;
    if (m_blocking) {
        m_blocking->state().setBlockedCount(m_engine, 0);
        m_blocking->noteWebPage(url);
    }
    m_hosts = QJsonObject();
    addFrame(url);
    // Even with nothing to hide: the last page's script must go.
    updateScript();
}

void PageBlocker::addFrame(const QUrl &url)
{
    const QString host = url.host().toLower();
    if (host.isEmpty() || m_hosts.contains(host))
        return;
    const QJsonObject entry = hidingFor(url);
    if (entry.isEmpty())
        return;
    m_hosts.insert(host, entry);
    updateScript();
}

QJsonObject PageBlocker::hidingFor(const QUrl &frame) const
{
    const FilterEngine *engine = m_blocking ? m_blocking->engine() : nullptr;
    const QByteArray host = frame.host().toLower().toUtf8();
    if (!engine || engine->hiding().ruleCount() == 0 || !isWebPage(frame) || isLocalHost(view(host))
        || !m_blocking->state().isBlockingOnFor(m_pageUrl.host()))
        return {};
    const std::uint32_t flags
        = engine->network().pageFlags(view(frame.toEncoded(QUrl::RemoveFragment)))
        | engine->network().pageFlags(view(m_pageUrl.toEncoded(QUrl::RemoveFragment)));
    if (flags & (NetworkRule::PageAllowed | NetworkRule::PageNoHiding))
        return {};
    return HidingScript::hostEntry(
        engine->hiding().forHost(view(host), !(flags & NetworkRule::PageNoGenericHiding)));
}

void PageBlocker::updateScript()
{
    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (const QWebEngineScript &old : scripts.find(QLatin1String(ScriptName)))
        scripts.remove(old);
    if (m_hosts.isEmpty())
        return;
    QWebEngineScript script;
    script.setName(QLatin1String(ScriptName));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(HidingScript::pageScript(m_hosts));
    scripts.insert(script);
}

void PageBlocker::countBlocked()
{
    ++m_blocked;
    if (m_blocking)
        m_blocking->state().setBlockedCount(m_engine, m_blocked);
}
