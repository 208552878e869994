#pragma once

#include <QString>
#include <QUrl>

// Reads an address the way an address bar does: a full URL, a bare host name
// such as example.org, or a path to a local file (relative paths name an
// existing file under workingDirectory). Empty or malformed text gives an
// empty QUrl.
QUrl urlFromUserAddress(const QString &text, const QString &workingDirectory);

// Whether an address handed in from outside the program (its command line,
// another program) may be opened: http, https, ftp and file addresses and
// about:blank. Anything else (javascript:, data:, ...) would run or show
// within whatever the window shows.
bool isOpenableFromOutside(const QUrl &url);
// Why such an address is not opened, in one line naming its scheme only
// (the rest may hold anything); empty when it is opened.
QString outsideAddressRefusal(const QUrl &url);

// Whether the engine shows addresses of the scheme itself; a link with any
// other scheme (mailto:, a program's own) is for another program.
bool isEngineScheme(const QString &scheme);
