#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// One plain-text e-mail as a mail window hands it to the SMTP client.
struct MailMessage {
    QString fromName;
    QString fromAddress;
    QString toName;
    QString toAddress;
    QString subject;
    QString body;
};

// The Date header's text, e.g. "Fri, 04 Dec 2026 17:38:11 -0600": English day
// and month names whatever the user's locale, and the time's own offset from
// UTC.
QString mailDateText(const QDateTime &time);

// What is sent after the server's 354: the header block, an empty line, the
// body with CR LF line ends and its leading dots doubled, an empty line and
// the final "." line. Mail that is all ASCII carries just the five classic
// header lines; anything else goes out as UTF-8, with MIME headers and RFC
// 2047 words for the header text that is not ASCII.
QByteArray messageData(const MailMessage &message, const QDateTime &date);
