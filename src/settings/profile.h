#pragma once

#include <QString>
#include <QStringList>

// The settings file is a Windows-style profile (INI) file. These two follow
// the Windows profile functions' rules on our own reader and writer; QSettings
// would rewrite the layout and escape keys such as "Mail Server".

// The value of key in section, or "" when the file, section or key is missing.
// Names match without regard to case; the value is trimmed of blanks (Ctrl-Z
// among them), loses one pair of enclosing quotes and is cut to 254 characters.
QString GetIniString(const QString &section, const QString &key, const QString &file);

// Sets key in section, creating the file, section or key when missing. The
// file is replaced atomically and keeps its encoding (see decodeTextFile());
// every other line stays as it was, and a key that already holds the value
// leaves the file untouched. Line breaks in the value are written as blanks.
// Returns false when the file could not be written (callers are free to
// ignore it).
bool WriteIniString(
    const QString &section, const QString &key, const QString &value, const QString &file);

// The pure halves of the two functions above, on the file's text.
QString profileValue(const QString &text, const QString &section, const QString &key);
// Returns the new text; *changed is false when the key already holds the value,
// and the text then comes back as it was.
QString profileWithValue(const QString &text, const QString &section, const QString &key,
    const QString &value, bool *changed);
