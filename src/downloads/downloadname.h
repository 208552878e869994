#pragma once

#include <QString>

// The name a download is proposed under, from what the server or the page
// called it: control characters and those that turn the direction of text
// ("résumé\u202Etxt.exe" shown as "résumé exe.txt") become "_", leading dots
// (a hidden file) and trailing dots and blanks go, and a name longer than
// 255 bytes, the most a file name may have, is cut before its extension.
// Nothing left gives "download".
QString cleanDownloadName(const QString &name);
