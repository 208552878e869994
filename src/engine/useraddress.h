#pragma once

#include <QString>
#include <QUrl>

// Reads an address the way an address bar does: a full URL, a bare host name
// such as example.org, or a path to a local file (relative paths name an
// existing file under workingDirectory). Empty or malformed text gives an
// empty QUrl.
QUrl urlFromUserAddress(const QString &text, const QString &workingDirectory);
