#include "webserver/requestlinereader.h"

void RequestLineReader::append(QByteArrayView bytes)
{
    // What was taken goes only now, in one move, not line by line: a read
    // may bring many pipelined requests.
    if (m_start > 0) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes);
}

RequestLineReader::Status RequestLineReader::takeLine(QByteArray *line)
{
    const qsizetype newline = m_buffer.indexOf('\n', m_start);
    if (newline < 0) {
        // A CR may still be followed by its LF, so it does not count yet.
        const qsizetype pending = m_buffer.size() - m_start - (m_buffer.endsWith('\r') ? 1 : 0);
        if (m_overlong || pending > MaxLineLength) {
            m_overlong = true;
            keepTail();
        }
        return Status::NeedMore;
    }
    const qsizetype end
        = newline > m_start && m_buffer.at(newline - 1) == '\r' ? newline - 1 : newline;
    const qsizetype length = end - m_start;
    const bool tooLong = m_overlong || length > MaxLineLength;
    *line = tooLong
        ? m_buffer.sliced(qMax(m_start, end - KeptTailLength), qMin(length, KeptTailLength))
        : m_buffer.sliced(m_start, length);
    m_start = newline + 1;
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    m_overlong = false;
    return tooLong ? Status::TooLong : Status::Line;
}

void RequestLineReader::keepTail()
{
    // One byte more than the tail: a CR at the end may belong to the line
    // break that has yet to come.
    const qsizetype keep = KeptTailLength + 1;
    if (m_buffer.size() - m_start > keep)
        m_buffer.remove(0, m_buffer.size() - keep);
    else
        m_buffer.remove(0, m_start);
    m_start = 0;
}
