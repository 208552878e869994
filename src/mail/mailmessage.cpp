#include "mail/mailmessage.h"

#include "core/addresses.h"

#include <QLocale>
#include <QRegularExpression>
#include <QUuid>

#include <cstdlib>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

QByteArray messageIdDomain(const QString &fromAddress)
{
    static const QRegularExpression hostName(
        QStringLiteral("^[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]*"
                       "[A-Za-z0-9])?)+$"));
    const QString address = mailAddress(fromAddress);
    const QString domain = address.mid(address.lastIndexOf(u'@') + 1);
    if (address.contains(u'@') && domain.size() <= 253 && hostName.match(domain).hasMatch())
        return domain.toLatin1();
    return QByteArray(Addresses::HeloDomain);
}

// The Date header's text, e.g. "Fri, 04 Dec 2026 17:38:11 -0600": English day
// and month names whatever the user's locale, and the time's own offset from
// UTC.
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

} // namespace

bool needsSmtpUtf8(const MailMessage &message)
{
    return !isAscii(mailAddress(message.fromAddress)) || !isAscii(mailAddress(message.toAddress));
}

QByteArray newMessageId(const QString &fromAddress)
{
    return '<' + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@'
        + messageIdDomain(fromAddress) + '>';
}

QByteArray messageData(const MailMessage &message, const QDateTime &date,
    const QByteArray &messageId, BodyEncoding encoding)
{
    QByteArray data = mailboxHeader("From", message.fromName, message.fromAddress);
    data += "Date: " + mailDateText(date).toLatin1() + CrLf;
    data += "X-Mailer: Postwick v 2.x" + CrLf;
    // Both windows name the recipient by the address itself.
    const bool nameIsAddress = mailAddress(message.toName) == mailAddress(message.toAddress);
    data += mailboxHeader("To", nameIsAddress ? QString() : message.toName, message.toAddress);
    data += unstructuredHeader("Subject", message.subject);
    data += "Message-ID: " + messageId + CrLf;
    const bool plain = encoding == BodyEncoding::SevenBit && isAscii(message.fromName)
        && isAscii(message.subject) && isAscii(message.toName) && !needsSmtpUtf8(message);
    if (!plain) {
        data += "MIME-Version: 1.0" + CrLf;
        data += "Content-Type: text/plain; charset=UTF-8" + CrLf;
        data += "Content-Transfer-Encoding: "
            + QByteArray(encoding == BodyEncoding::QuotedPrintable ? "quoted-printable"
                    : encoding == BodyEncoding::EightBit           ? "8bit"
                                                                   : "7bit")
            + CrLf;
    }
    data += CrLf;
    data += encodedBody(message.body, encoding) + CrLf + CrLf;
    data += "." + CrLf;
    return data;
}
