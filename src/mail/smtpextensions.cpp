#include "mail/smtpextensions.h"

#include <QByteArray>
#include <QByteArrayList>

SmtpExtensions parseEhloReply(QByteArrayView reply)
{
    SmtpExtensions offered;
    const QByteArrayList lines = reply.toByteArray().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // "250-KEYWORD params" or "250 KEYWORD params"
        QByteArrayList words = lines.at(i).mid(4).trimmed().toUpper().split(' ');
        if (words.first().startsWith("AUTH=")) {
            words.first().remove(0, 5);
            words.prepend("AUTH");
        }
        const QByteArray keyword = words.takeFirst();
        if (keyword == "STARTTLS") {
            offered.startTls = true;
        } else if (keyword == "8BITMIME") {
            offered.eightBitMime = true;
        } else if (keyword == "SMTPUTF8") {
            offered.smtpUtf8 = true;
        } else if (keyword == "AUTH") {
            offered.auth = true;
            offered.authPlain = offered.authPlain || words.contains("PLAIN");
            offered.authLogin = offered.authLogin || words.contains("LOGIN");
        }
    }
    return offered;
}
