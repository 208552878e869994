#pragma once

#include "mail/mailencoding.h"

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

// Whether an address of the message holds more than ASCII, so that only a
// server that speaks SMTPUTF8 can carry it.
bool needsSmtpUtf8(const MailMessage &message);

// A new, unique "<...@domain>" for the Message-ID header, under the sender's
// domain where that is a plain host name.
QByteArray newMessageId(const QString &fromAddress);

// What is sent after the server's 354: the header block, an empty line, the
// body in the given encoding and an empty line, then the final "." line.
// Mail that is all ASCII with short lines carries the classic header lines
// and its Message-ID only; anything else adds the MIME headers that say how
// the UTF-8 text is encoded.
QByteArray messageData(const MailMessage &message, const QDateTime &date,
    const QByteArray &messageId, BodyEncoding encoding);
