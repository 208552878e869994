#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// One complete reply of an SMTP server.
struct SmtpReply {
    // The first three characters of its last line: the reply code.
    QByteArray code;
    // Every line of it as received, line ends included.
    QByteArray text;
};

// Collects received bytes into SMTP replies. A reply is complete with its
// first line that is not a continuation ("250-..."): normally "250 text" or a
// bare "250". Data may arrive in pieces of any size, one byte at a time or
// several replies at once.
class SmtpReplyParser
{
public:
    // A reply that grows past this without ending is cut off here and given
    // no code, so a server cannot make us buffer without end.
    static constexpr qsizetype MaxReplySize = 64 * 1024;

    // Adds the bytes and returns the replies they complete, in order.
    QList<SmtpReply> feed(QByteArrayView bytes);
    // Bytes of a reply that has not ended yet.
    bool holdsPartialReply() const { return !m_buffer.isEmpty(); }
    QByteArray partialReply() const { return m_buffer; }
    // Forgets any incomplete reply.
    void clear();

private:
    QByteArray m_buffer;
    // Where the first line not yet looked at starts in m_buffer.
    qsizetype m_lineStart = 0;
};
