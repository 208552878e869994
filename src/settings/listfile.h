#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// List files hold one entry per comma-separated field. Entries that would not
// read back unchanged are written as quoted fields with doubled quotes, so
// every entry without a line break survives a save and a load; a line break
// is saved as a blank. A quote that never closes takes the rest of its line.
QStringList parseListText(const QString &text);
QString formatListText(const QStringList &entries);

// Appends the file's entries to entries; false when the file cannot be read
// (a missing file above all), leaving entries as they were. Callers loading a
// window's lists ignore the failure: a missing file is an empty list.
bool LoadList(const QString &path, QStringList *entries);
// Replaces the file atomically; on failure the old file stays whole.
bool writeListFile(const QString &path, const QStringList &entries, QString *error = nullptr);

// Replaces the file with the entries; a failure is shown in a message box
// (the failure's text, OK, caption "Wavecrest") and then ignored.
void SaveList(const QStringList &entries, const QString &path, QWidget *messageParent = nullptr);
