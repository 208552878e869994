#include "mail/smtpreplyparser.h"

namespace {

bool isContinuation(QByteArrayView line)
{
    if (line.size() < 4 || line[3] != '-')
        return false;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
    }
    return true;
}

} // namespace

QList<SmtpReply> SmtpReplyParser::feed(QByteArrayView bytes)
{
    QList<SmtpReply> replies;
    m_buffer.append(bytes);
    for (;;) {
        const qsizetype lineEnd = m_buffer.indexOf('\n', m_lineStart);
        if (lineEnd < 0)
            break;
        QByteArrayView line(m_buffer.constData() + m_lineStart, lineEnd - m_lineStart);
        if (line.endsWith('\r'))
            line.chop(1);
        m_lineStart = lineEnd + 1;
        if (isContinuation(line))
            continue;
        replies.append({line.first(qMin<qsizetype>(3, line.size())).toByteArray(),
            m_buffer.left(m_lineStart)});
        m_buffer.remove(0, m_lineStart);
        m_lineStart = 0;
    }
    if (m_buffer.size() > MaxReplySize) {
        replies.append({QByteArray(), m_buffer.left(MaxReplySize)});
        clear();
    }
    return replies;
}

void SmtpReplyParser::clear()
{
    m_buffer.clear();
    m_lineStart = 0;
}
