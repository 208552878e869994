#include "mail/mailserveraddress.h"

#include <algorithm>

namespace {

std::optional<quint16> parsePort(const QString &text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    // toUInt() would take a leading "+" or blanks; a port is digits only.
    const bool digitsOnly
        = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!ok || !digitsOnly || port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

std::optional<MailServerAddress> withPort(const QString &host, const QString &portText)
{
    const std::optional<quint16> port = parsePort(portText);
    if (!port)
        return std::nullopt;
    return MailServerAddress{host, *port};
}

} // namespace

std::optional<MailServerAddress> parseMailServer(const QString &text, quint16 defaultPort)
{
    const QString server = text.trimmed();
    if (server.startsWith(u'[')) {
        const qsizetype close = server.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        const QString host = server.mid(1, close - 1);
        const QString rest = server.mid(close + 1);
        if (rest.isEmpty())
            return MailServerAddress{host, defaultPort};
        if (!rest.startsWith(u':'))
            return std::nullopt;
        return withPort(host, rest.mid(1));
    }
    if (server.count(u':') == 1) {
        const qsizetype colon = server.indexOf(u':');
        return withPort(server.left(colon), server.mid(colon + 1));
    }
    return MailServerAddress{server, defaultPort};
}
