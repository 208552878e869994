#pragma once

#include <QString>
#include <QStringList>

// List files hold one entry per comma-separated field. Entries that would not
// read back unchanged are written as quoted fields with doubled quotes, so
// every entry without a line break survives a save and a load; a line break
// is saved as a blank. A quote that never closes takes the rest of its line.
QStringList parseListText(const QString &text);
QString formatListText(const QStringList &entries);

// List files are written in UTF-8 and read as decodeTextFile() reads any.
// Appends the file's entries to *entries; false when the file cannot be
// read (a missing file above all), leaving *entries as it was. Callers
// loading a window's lists ignore the failure: a missing file is an empty list.
bool LoadList(QStringList *entries, const QString &file);

// Replaces the file with the entries atomically; on failure the old file
// stays whole, *error says why and the caller decides whom to tell.
bool SaveList(const QStringList &entries, const QString &file, QString *error = nullptr);
