#include "webserver/serverlog.h"

void ServerLog::append(const QString &line)
{
    bool first;
    {
        const QMutexLocker lock(&m_mutex);
        first = m_lines.isEmpty();
        // The oldest go first: a window that shows the newest lines only
        // would drop them anyway.
        if (m_lines.size() == m_maxLines)
            m_lines.removeFirst();
        m_lines.append(line);
    }
    if (first)
        Q_EMIT linesWaiting();
}

QStringList ServerLog::takeAll()
{
    const QMutexLocker lock(&m_mutex);
    return std::exchange(m_lines, {});
}

void ServerLog::clear()
{
    const QMutexLocker lock(&m_mutex);
    m_lines.clear();
}
