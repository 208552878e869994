#pragma once

#include <QString>

#include <optional>

// Where the mail server field says to connect.
struct MailServerAddress {
    QString host;
    quint16 port = 0;
};

// Reads "host", "host:port", "[IPv6]" or "[IPv6]:port" (a bare IPv6 address
// takes no port); without a port the default one is used. Blanks around the
// text are ignored. Empty when a port or the brackets are malformed.
std::optional<MailServerAddress> parseMailServer(const QString &text, quint16 defaultPort);
