#include "mail/mailencoding.h"

#include "settings/textlines.h"

#include <QByteArrayList>
#include <QStringList>

#include <algorithm>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

// RFC 5322 2.1.1: a line SHOULD stay within 78 characters and MUST within
// 998; a line holding encoded words within 76 (RFC 2047 2).
constexpr qsizetype FoldColumn = 78;
constexpr qsizetype EncodedWordColumn = 76;
constexpr qsizetype MaxLineOctets = 998;

// Puts the tokens after "Name:", one blank between each two, starting a new
// line before a token that would pass the column. Since folding only turns a
// blank into CR LF and that blank, a reader gets the blanks back as they were.
// Returns an empty array when some line cannot be kept within the column.
QByteArray folded(const QByteArray &name, const QByteArrayList &tokens, qsizetype column)
{
    QByteArray header = name + ':';
    qsizetype lineStart = 0;
    bool lineHasToken = false;
    for (const QByteArray &token : tokens) {
        // A fold before an empty token would leave a line of blanks only.
        if (lineHasToken && !token.isEmpty()
            && header.size() - lineStart + 1 + token.size() > column) {
            header += CrLf;
            lineStart = header.size();
        }
        header += ' ' + token;
        lineHasToken = true;
        if (header.size() - lineStart > column)
            return {};
    }
    return header;
}

// The text as "=?UTF-8?B?...?=" words that never split a character: 39 bytes
// make 52 base64 characters, a word of 64, short enough to follow any of our
// header names on a line of 76.
QByteArrayList encodedWords(const QString &text)
{
    constexpr qsizetype MaxBytesPerWord = 39;
    QByteArrayList words;
    QByteArray chunk;
    const auto flush = [&] {
        if (!chunk.isEmpty())
            words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
        chunk.clear();
    };
    for (const char32_t codePoint : text.toUcs4()) {
        const QByteArray bytes = QString::fromUcs4(&codePoint, 1).toUtf8();
        if (chunk.size() + bytes.size() > MaxBytesPerWord)
            flush();
        chunk.append(bytes);
    }
    flush();
    return words;
}

QByteArrayList blankSeparated(const QString &text)
{
    QByteArrayList tokens;
    for (const QString &word : text.split(u' '))
        tokens.append(word.toLatin1());
    return tokens;
}

bool isControl(QChar c)
{
    return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f;
}

// Text a reader shows as it stands: ASCII with no control character and
// nothing that would be taken for an encoded word.
bool readsAsPlainText(const QString &text)
{
    return isAscii(text) && !text.contains(QLatin1String("=?"))
        && std::none_of(text.cbegin(), text.cend(), isControl);
}

// What may stand in a display name without quotes (RFC 5322 3.2.3 atext and
// blanks).
bool isAtomText(const QString &text)
{
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    return std::none_of(
        text.cbegin(), text.cend(), [](QChar c) { return specials.contains(c) || c == u'\t'; });
}

QByteArray quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + escaped.toLatin1() + '"';
}

QByteArray mailboxToken(const QString &address)
{
    return '<' + mailAddress(address).toUtf8() + '>';
}

QStringList bodyLines(const QString &body)
{
    QString text = body;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

char hexDigit(int value)
{
    return "0123456789ABCDEF"[value & 0xf];
}

} // namespace

bool isAscii(QStringView text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

QString mailAddress(const QString &typed)
{
    return singleLine(typed).trimmed();
}

QByteArray unstructuredHeader(const QByteArray &name, const QString &text)
{
    const QString line = singleLine(text);
    if (readsAsPlainText(line)) {
        const QByteArray header = folded(name, blankSeparated(line), FoldColumn);
        if (!header.isEmpty())
            return header + CrLf;
    }
    return folded(name, encodedWords(line), EncodedWordColumn) + CrLf;
}

QByteArray mailboxHeader(const QByteArray &name, const QString &displayName, const QString &address)
{
    const QString phrase = singleLine(displayName).trimmed();
    if (phrase.isEmpty())
        return name + ": " + mailAddress(address).toUtf8() + CrLf;
    QByteArray header;
    if (readsAsPlainText(phrase)) {
        const QByteArrayList words
            = isAtomText(phrase) ? blankSeparated(phrase) : QByteArrayList{quoted(phrase)};
        header = folded(name, words + QByteArrayList{mailboxToken(address)}, FoldColumn);
    }
    if (header.isEmpty()) {
        // The address may be longer than a line of encoded words; it is
        // bounded by the 998 octets all the same.
        header = folded(name, encodedWords(phrase), EncodedWordColumn) + CrLf + ' '
            + mailboxToken(address);
    }
    return header + CrLf;
}

BodyEncoding chooseBodyEncoding(const QString &body, bool eightBitAllowed)
{
    bool ascii = true;
    for (const QString &line : bodyLines(body)) {
        if (line.toUtf8().size() > MaxLineOctets
            || std::any_of(line.cbegin(), line.cend(), isControl))
            return BodyEncoding::QuotedPrintable;
        ascii = ascii && isAscii(line);
    }
    if (ascii)
        return BodyEncoding::SevenBit;
    return eightBitAllowed ? BodyEncoding::EightBit : BodyEncoding::QuotedPrintable;
}

QByteArray encodedBody(const QString &body, BodyEncoding encoding)
{
    QByteArrayList lines;
    for (const QString &line : bodyLines(body)) {
        const QByteArray bytes = line.toUtf8();
        lines.append(
            encoding == BodyEncoding::QuotedPrintable ? quotedPrintableLine(bytes) : bytes);
    }
    QByteArray data = lines.join(CrLf);
    // Soft line breaks make lines of their own, so the dots are doubled last.
    QByteArrayList stuffed = data.split('\n');
    for (QByteArray &line : stuffed) {
        if (line.startsWith('.'))
            line.prepend('.');
    }
    return stuffed.join('\n');
}

QByteArray quotedPrintableLine(QByteArrayView line)
{
    // 75 characters and the "=" of a soft break make the 76 of RFC 2045 6.7.
    constexpr qsizetype MaxEncodedColumn = 75;
    QByteArray encoded;
    qsizetype column = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char byte = line[i];
        const auto value = static_cast<unsigned char>(byte);
        const bool blank = byte == ' ' || byte == '\t';
        // A blank at the end of a line would be lost on the way.
        const bool literal
            = (value >= 33 && value <= 126 && byte != '=') || (blank && i + 1 < line.size());
        const char escape[] = {'=', hexDigit(value >> 4), hexDigit(value)};
        const QByteArrayView piece
            = literal ? QByteArrayView(line.data() + i, 1) : QByteArrayView(escape, 3);
        if (column + piece.size() > MaxEncodedColumn) {
            encoded += "=\r\n";
            column = 0;
        }
        encoded += piece;
        column += piece.size();
    }
    return encoded;
}
