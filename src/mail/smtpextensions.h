#pragma once

#include <QByteArrayView>

// What a server offers in its reply to EHLO, as far as the client uses it.
struct SmtpExtensions {
    bool startTls = false;
    bool eightBitMime = false;
    bool smtpUtf8 = false;
    // Some way to log in, and the two ways the client knows.
    bool auth = false;
    bool authPlain = false;
    bool authLogin = false;
};

// Reads the lines after the first of a 250 reply to EHLO; keywords match
// without regard to case, and the old "AUTH=" spelling counts as "AUTH".
SmtpExtensions parseEhloReply(QByteArrayView reply);
