#pragma once

#include <QByteArray>
#include <QString>

// Text files of the program are written in UTF-8. Files that are not valid
// UTF-8 were written by older versions in the Windows-1252 code page and are
// read that way, so they keep reading.
QString decodeTextFile(const QByteArray &bytes);

// Reads a whole text file of ours and decodes it as decodeTextFile() does;
// false when it cannot be opened or read.
bool readDecodedTextFile(const QString &path, QString *text, QString *error = nullptr);

// Replaces the file atomically with the UTF-8 text: on failure the previous
// file stays whole and *error says why.
bool writeTextFileAtomically(const QString &path, const QString &text, QString *error = nullptr);
