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

    void append(QByteArrayView bytes);

    // Takes the next complete line out of the buffer, without its CR LF. For
    // a line that was too long, TooLong comes once its end has arrived, with
    // the line's last KeptTailLength bytes in *line.
    Status takeLine(QByteArray *line);

    // Whether bytes wait that are not part of a line taken yet.
    bool isEmpty() const { return m_start == m_buffer.size() && !m_overlong; }

private:
    void keepTail();

    QByteArray m_buffer;
    // Where the next line starts: taken lines stay in the buffer until the
    // next append.
    qsizetype m_start = 0;
    bool m_overlong = false;
};
