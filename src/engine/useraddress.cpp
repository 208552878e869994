#include "engine/useraddress.h"

#include <QStringList>

namespace {

bool schemeNeedsHost(const QString &scheme)
{
    return scheme == u"http" || scheme == u"https" || scheme == u"ftp" || scheme == u"ws"
        || scheme == u"wss";
}

} // namespace

QUrl urlFromUserAddress(const QString &text, const QString &workingDirectory)
{
    const QString address = text.trimmed();
    if (address.isEmpty())
        return {};
    // Text that names its scheme must parse as it stands: QUrl::fromUserInput
    // would otherwise "repair" it into a different address ("http://[::1"
    // becomes a host called "http").
    if (address.contains(u"://") && !QUrl(address).isValid())
        return {};
    // Not QUrl::AssumeLocalFile: it would take example.org for a file name.
    const QUrl url = QUrl::fromUserInput(address, workingDirectory);
    if (!url.isValid() || (schemeNeedsHost(url.scheme()) && url.host().isEmpty()))
        return {};
    return url;
}

bool isOpenableFromOutside(const QUrl &url)
{
    const QString scheme = url.scheme();
    if (scheme == u"about")
        return url.toString() == u"about:blank";
    return scheme == u"http" || scheme == u"https" || scheme == u"ftp" || scheme == u"file";
}

QString outsideAddressRefusal(const QUrl &url)
{
    if (isOpenableFromOutside(url))
        return QString();
    const QString only = QStringLiteral(
        "only http, https, ftp and file addresses and about:blank are opened from outside");
    if (url.scheme().isEmpty())
        return QStringLiteral("refused to open an address that is none; %1").arg(only);
    return QStringLiteral("refused to open a \"%1:\" address; %2").arg(url.scheme(), only);
}

bool isEngineScheme(const QString &scheme)
{
    static const QStringList engineSchemes{QStringLiteral("http"), QStringLiteral("https"),
        QStringLiteral("file"), QStringLiteral("data"), QStringLiteral("blob"),
        QStringLiteral("about"), QStringLiteral("filesystem"), QStringLiteral("view-source"),
        QStringLiteral("qrc"), QStringLiteral("chrome"), QStringLiteral("chrome-error"),
        QStringLiteral("devtools"), QStringLiteral("ws"), QStringLiteral("wss")};
    return engineSchemes.contains(scheme.toLower());
}
