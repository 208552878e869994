#include "webserver/ownhostnames.h"

#include <QHostAddress>
#include <QHostInfo>

#include <algorithm>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Four decimal numbers of at most 255, as an address is written; not the
// shorter or octal forms, which are no one's way to name a machine.
bool isDottedQuad(QByteArrayView host)
{
    int parts = 0;
    while (parts < 4) {
        qsizetype digits = 0;
        while (digits < host.size() && isDigit(host[digits]))
            ++digits;
        if (digits == 0 || digits > 3 || host.first(digits).toInt() > 255)
            return false;
        ++parts;
        host = host.sliced(digits);
        if (parts < 4) {
            if (!host.startsWith('.'))
                return false;
            host = host.sliced(1);
        }
    }
    return host.isEmpty();
}

bool isPort(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), isDigit);
}

} // namespace

bool isOwnHost(QByteArrayView host, const QByteArrayList &ownNames)
{
    if (host.isEmpty())
        return true;
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        const QByteArrayView rest = host.sliced(close + 1);
        if (close < 0 || !(rest.isEmpty() || (rest.startsWith(':') && isPort(rest.sliced(1)))))
            return false;
        return !QHostAddress(QString::fromLatin1(host.sliced(1, close - 1))).isNull();
    }
    const qsizetype colon = host.lastIndexOf(':');
    if (colon >= 0) {
        if (!isPort(host.sliced(colon + 1)))
            return false;
        host = host.first(colon);
    }
    if (host.endsWith('.'))
        host.chop(1);
    if (isDottedQuad(host) || host.compare("localhost", Qt::CaseInsensitive) == 0)
        return true;
    return std::any_of(ownNames.begin(), ownNames.end(), [host](const QByteArray &name) {
        return !name.isEmpty() && host.compare(name, Qt::CaseInsensitive) == 0;
    });
}

QByteArrayList ownHostNames()
{
    const QByteArray name = QHostInfo::localHostName().toLower().toLatin1();
    if (name.isEmpty())
        return {};
    QByteArrayList names{name, name + ".local"};
    const QByteArray domain = QHostInfo::localDomainName().toLower().toLatin1();
    if (!domain.isEmpty())
        names.append(name + '.' + domain);
    return names;
}
