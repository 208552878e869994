#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The pages the server makes up itself, and the text helpers it serves files
// with. Pages are bytes: a file's bytes go out one to one.

// The "Page Not Found" page: fifteen lines, each ended by CR LF.
QByteArray BuildNotFoundPage();

// Sent, before the not-found page, when the index page itself is missing.
QByteArray missingIndexText();

// The text with every match of find replaced; letters match in either case.
// The replacement is never searched again.
QByteArray ReplaceText(const QByteArray &text, QByteArrayView find, QByteArrayView replacement);

// The file's whole content, or "" when it is no ordinary file or cannot be
// read; a failed read gives what was read before it.
QByteArray ReadTextFile(const QString &path);

// True for an ordinary, visible file at exactly that path.
bool FileExists(const QString &path);
