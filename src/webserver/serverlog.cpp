#include "webserver/serverlog.h"

void ServerLog::add(Entry entry)
{
    bool first;
    {
        const QMutexLocker lock(&m_mutex);
        first = m_entries.isEmpty();
        // The oldest go first: a window that shows the newest lines only
        // would drop them anyway.
        if (m_entries.size() == m_maxEntries)
            m_entries.removeFirst();
        m_entries.append(std::move(entry));
    }
    if (first)
        Q_EMIT linesWaiting();
}

QList<ServerLog::Entry> ServerLog::takeAll()
{
    const QMutexLocker lock(&m_mutex);
    return std::exchange(m_entries, {});
}

void ServerLog::clear()
{
    const QMutexLocker lock(&m_mutex);
    m_entries.clear();
}
