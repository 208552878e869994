#include "webserver/requestlinereader.h"

RequestLineReader::Status RequestLineReader::takeLine(QByteArray *line)
{
    const qsizetype newline = m_buffer.indexOf('\n');
    if (newline < 0) {
        // A CR may still be followed by its LF, so it does not count yet.
        const qsizetype pending = m_buffer.size() - (m_buffer.endsWith('\r') ? 1 : 0);
        return pending > MaxLineLength ? Status::TooLong : Status::NeedMore;
    }
    const qsizetype length
        = newline > 0 && m_buffer.at(newline - 1) == '\r' ? newline - 1 : newline;
    if (length > MaxLineLength)
        return Status::TooLong;
    *line = m_buffer.first(length);
    m_buffer.remove(0, newline + 1);
    return Status::Line;
}
