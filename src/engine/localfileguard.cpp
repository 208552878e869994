#include "engine/localfileguard.h"

#include <QDir>
#include <QFileInfo>
#include <QWebEnginePage>

#include <algorithm>

namespace {

bool isPartOfAPage(QWebEngineUrlRequestInfo::ResourceType type)
{
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
    case QWebEngineUrlRequestInfo::ResourceTypeScript:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        return true;
    default:
        return false;
    }
}

// By the files' real places, so that a link in the folder cannot lead out.
bool isBelowPageFolder(const QUrl &requested, const QUrl &page)
{
    const QString folder = QFileInfo(QFileInfo(page.toLocalFile()).path()).canonicalFilePath();
    const QString file = QFileInfo(requested.toLocalFile()).canonicalFilePath();
    if (folder.isEmpty() || file.isEmpty() || !file.startsWith(folder + u'/'))
        return false;
    const QStringList below = file.sliced(folder.size() + 1).split(u'/');
    return std::none_of(
        below.cbegin(), below.cend(), [](const QString &part) { return part.startsWith(u'.'); });
}

} // namespace

bool LocalFileGuard::allows(const QUrl &requested, const QUrl &page, const QUrl &initiator,
    QWebEngineUrlRequestInfo::ResourceType type)
{
    if (!requested.isLocalFile() || initiator.scheme() != u"file")
        return true;
    // A local page may go to another (a link): it leaves itself behind.
    if (type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
        return true;
    return page.isLocalFile() && isPartOfAPage(type) && isBelowPageFolder(requested, page);
}

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!allows(info.requestUrl(), info.firstPartyUrl(), info.initiator(), info.resourceType()))
        info.block(true);
    else if (m_next)
        m_next->interceptRequest(info);
}

void setPageRequestFilter(QWebEnginePage *page, QWebEngineUrlRequestInterceptor *filter)
{
    auto *guard = page->findChild<LocalFileGuard *>(QString(), Qt::FindDirectChildrenOnly);
    if (!guard) {
        guard = new LocalFileGuard(page);
        page->setUrlRequestInterceptor(guard);
    }
    guard->m_next = filter;
}
