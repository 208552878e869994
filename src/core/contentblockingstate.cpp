#include "core/contentblockingstate.h"

ContentBlockingState::ContentBlockingState(QObject *parent) : QObject(parent) { }

void ContentBlockingState::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Q_EMIT enabledChanged(enabled);
}

void ContentBlockingState::setFilterLists(const QStringList &addresses)
{
    if (addresses == m_filterLists)
        return;
    m_filterLists = addresses;
    Q_EMIT filterListsChanged(addresses);
}

void ContentBlockingState::setSitesWithoutBlocking(const QSet<QString> &hosts)
{
    m_sitesWithoutBlocking = hosts;
}

bool ContentBlockingState::isBlockingOnFor(const QString &host) const
{
    return !m_sitesWithoutBlocking.contains(host.toLower());
}

void ContentBlockingState::setBlockingOnFor(const QString &host, bool on)
{
    const QString site = host.toLower();
    if (site.isEmpty() || on == isBlockingOnFor(site))
        return;
    if (on)
        m_sitesWithoutBlocking.remove(site);
    else
        m_sitesWithoutBlocking.insert(site);
    Q_EMIT siteBlockingChanged(site, on);
}

void ContentBlockingState::setBlockedCount(const BrowserEngine *engine, int count)
{
    if (m_blocked.value(engine, -1) == count)
        return;
    m_blocked.insert(engine, count);
    Q_EMIT blockedCountChanged(engine, count);
}

void ContentBlockingState::forgetEngine(const BrowserEngine *engine)
{
    m_blocked.remove(engine);
}

void ContentBlockingState::setListSummary(const QString &summary)
{
    if (summary == m_listSummary)
        return;
    m_listSummary = summary;
    Q_EMIT listSummaryChanged(summary);
}
