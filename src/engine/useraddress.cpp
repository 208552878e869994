#include "engine/useraddress.h"

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
