#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Collects a connection's bytes until a request line is complete; a line may
// arrive in any number of pieces. A line longer than MaxLineLength is refused
// as soon as that is certain, so a client cannot make the buffer grow.
class RequestLineReader
{
public:
    static constexpr qsizetype MaxLineLength = 8 * 1024;

    enum class Status { NeedMore, Line, TooLong };

    void append(QByteArrayView bytes) { m_buffer.append(bytes); }

    // Takes the next complete line out of the buffer, without its CR LF.
    Status takeLine(QByteArray *line);

private:
    QByteArray m_buffer;
};
