#include "mail/mailmessage.h"

#include "platform/textlines.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// "=?UTF-8?B?...?=" words of at most 75 characters, never splitting a
// character, folded onto continuation lines.
QByteArray encodedWords(const QString &text)
{
    // 39 bytes make 52 base64 characters, a word of 64: with "Subject: "
    // before it the first line stays within 76 characters.
    constexpr qsizetype MaxBytesPerWord = 39;
    QByteArrayList words;
    QByteArray chunk;
    for (const char32_t codePoint : text.toUcs4()) {
        const QByteArray bytes = QString::fromUcs4(&codePoint, 1).toUtf8();
        if (chunk.size() + bytes.size() > MaxBytesPerWord) {
            words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
            chunk.clear();
        }
        chunk.append(bytes);
    }
    if (!chunk.isEmpty())
        words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
    return words.join("\r\n ");
}

QByteArray headerText(const QString &text)
{
    const QString line = singleLine(text);
    return isAscii(line) ? line.toUtf8() : encodedWords(line);
}

// A display name that holds address punctuation must be quoted, or the header
// reads as several addresses.
QByteArray displayName(const QString &name)
{
    const QString line = singleLine(name);
    if (!isAscii(line))
        return encodedWords(line);
    static const QString specials = QStringLiteral("()<>[]:;@\\,\"");
    if (std::none_of(line.cbegin(), line.cend(), [](QChar c) { return specials.contains(c); }))
        return line.toUtf8();
    QString quoted = line;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + quoted.toUtf8() + '"';
}

QByteArray fromField(const MailMessage &message)
{
    const QByteArray address = singleLine(message.fromAddress).toUtf8();
    if (message.fromName.trimmed().isEmpty())
        return address;
    return displayName(message.fromName) + " <" + address + '>';
}

// The body with every kind of line end made CR LF and a "." put before each
// line that starts with one, so that no line of it can end the data early.
QByteArray transparentBody(const QString &body)
{
    QString text = body;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.startsWith(QLatin1Char('.')))
            line.prepend(QLatin1Char('.'));
    }
    return lines.join(QLatin1String("\r\n")).toUtf8();
}

} // namespace

QString mailDateText(const QDateTime &time)
{
    const int offsetMinutes = time.offsetFromUtc() / 60;
    const int absoluteMinutes = std::abs(offsetMinutes);
    return QLocale::c().toString(time, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"))
        + QStringLiteral(" %1%2%3")
              .arg(offsetMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(absoluteMinutes / 60, 2, 10, QLatin1Char('0'))
              .arg(absoluteMinutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray messageData(const MailMessage &message, const QDateTime &date)
{
    QByteArray data = "From: " + fromField(message) + CrLf;
    data += "Date: " + mailDateText(date).toUtf8() + CrLf;
    data += "X-Mailer: Postwick v 2.x" + CrLf;
    data += "To: " + headerText(message.toName) + CrLf;
    data += "Subject: " + headerText(message.subject) + CrLf;
    const bool ascii = isAscii(message.fromName) && isAscii(message.fromAddress)
        && isAscii(message.toName) && isAscii(message.subject) && isAscii(message.body);
    if (!ascii) {
        data += "MIME-Version: 1.0" + CrLf;
        data += "Content-Type: text/plain; charset=UTF-8" + CrLf;
        data += "Content-Transfer-Encoding: 8bit" + CrLf;
    }
    data += CrLf;
    data += transparentBody(message.body) + CrLf + CrLf;
    data += "." + CrLf;
    return data;
}
