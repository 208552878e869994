#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Collects a connection's bytes until a request line is complete; a line may
// arrive in any number of pieces. A line longer than MaxLineLength is not
// kept: from the moment it is known to be too long its bytes are dropped as
// they come, all but the last few, so a client cannot make the buffer grow.
class RequestLineReader
{
public:
    static constexpr qsizetype MaxLineLength = 8 * 1024;
    // What is kept of an over-long line: enough to see whether it ended in an
    // HTTP version.
    static constexpr qsizetype KeptTailLength = 16;

    enum class Status { NeedMore, Line, TooLong };

    void append(QByteArrayView bytes) { m_buffer.append(bytes); }

    // Takes the next complete line out of the buffer, without its CR LF. For
    // a line that was too long, TooLong comes once its end has arrived, with
    // the line's last KeptTailLength bytes in *line.
    Status takeLine(QByteArray *line);

private:
    void keepTail();

    QByteArray m_buffer;
    bool m_overlong = false;
};
