#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The pages the server makes up itself, and the text helper that puts the
// server's address into pages. Pages are bytes: a file's bytes go out one to
// one.

// The "Page Not Found" page: fifteen lines, each ended by CR LF.
QByteArray BuildNotFoundPage();

// Sent, before the not-found page, when the index page itself is missing.
QByteArray missingIndexText();

// The text with every match of find replaced; letters match in either case.
// The replacement is never searched again.
QByteArray ReplaceText(const QByteArray &text, QByteArrayView find, QByteArrayView replacement);

// ReplaceText over a text that arrives in pieces, as a file does when it is
// sent in chunks: what feed() returns for each piece, followed by what
// finish() returns, equals ReplaceText over the whole text. A possible start
// of a match at the end of a piece is held back until the next one.
class StreamingReplacer
{
public:
    StreamingReplacer(QByteArrayView find, QByteArrayView replacement);

    QByteArray feed(QByteArrayView piece);
    QByteArray finish();

private:
    QByteArray m_lowerFind;
    QByteArray m_replacement;
    QByteArray m_held;
};
