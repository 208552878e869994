#include "webserver/requestlinereader.h"

RequestLineReader::Status RequestLineReader::takeLine(QByteArray *line)
{
    const qsizetype newline = m_buffer.indexOf('\n');
    if (newline < 0) {
        // A CR may still be followed by its LF, so it does not count yet.
        const qsizetype pending = m_buffer.size() - (m_buffer.endsWith('\r') ? 1 : 0);
        if (m_overlong || pending > MaxLineLength) {
            m_overlong = true;
            keepTail();
        }
        return Status::NeedMore;
    }
    const qsizetype length
        = newline > 0 && m_buffer.at(newline - 1) == '\r' ? newline - 1 : newline;
    const bool tooLong = m_overlong || length > MaxLineLength;
    *line = tooLong
        ? m_buffer.sliced(qMax<qsizetype>(0, length - KeptTailLength), qMin(length, KeptTailLength))
        : m_buffer.first(length);
    m_buffer.remove(0, newline + 1);
    m_overlong = false;
    return tooLong ? Status::TooLong : Status::Line;
}

void RequestLineReader::keepTail()
{
    // One byte more than the tail: a CR at the end may belong to the line
    // break that has yet to come.
    const qsizetype keep = KeptTailLength + 1;
    if (m_buffer.size() > keep)
        m_buffer.remove(0, m_buffer.size() - keep);
}
