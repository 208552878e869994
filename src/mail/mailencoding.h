#pragma once

#include <QByteArray>
#include <QString>

// The pieces of an Internet message, each kept within the line limits that
// mail servers enforce: no line longer than 78 characters in the header block
// where it can be helped, never one longer than 998 octets anywhere.

bool isAscii(QStringView text);

// An address as it goes on the wire: on one line, without the blanks that
// were typed around it.
QString mailAddress(const QString &typed);

// "Name: text", folded at its blanks. Text that is not ASCII, that looks like
// an encoded word itself, or that has a word too long to fold goes as RFC 2047
// encoded words instead, so that a reader decodes exactly what was typed.
QByteArray unstructuredHeader(const QByteArray &name, const QString &text);

// "Name: display name <address>", or the bare address without a name. The
// address goes as typed (UTF-8 when it is not ASCII, which only a server that
// speaks SMTPUTF8 takes); the name is quoted or encoded where it must be.
QByteArray mailboxHeader(
    const QByteArray &name, const QString &displayName, const QString &address);

enum class BodyEncoding { SevenBit, EightBit, QuotedPrintable };

// The lightest encoding that keeps every line of the body within the limit:
// the body as it is when it is ASCII, as UTF-8 when the server takes 8-bit
// data, quoted-printable otherwise.
BodyEncoding chooseBodyEncoding(const QString &body, bool eightBitAllowed);

// The body's lines with CR LF ends, every kind of line end typed made one,
// encoded as chosen and with a "." put before each line that starts with
// one, so that no line of it can end the message data early.
QByteArray encodedBody(const QString &body, BodyEncoding encoding);

// One line of bytes as quoted-printable, with soft line breaks that keep each
// encoded line within 76 characters.
QByteArray quotedPrintableLine(QByteArrayView line);
