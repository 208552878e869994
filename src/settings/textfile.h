#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <optional>

// The encoding a text file's byte-order mark names; none when it has none.
using ByteOrderMark = std::optional<QStringConverter::Encoding>;

// Text files of the program are written in UTF-8 without a byte-order mark.
// A file that opens with one (UTF-8, UTF-16 or UTF-32 in either byte order,
// as editors save "Unicode" text) is read in the encoding the mark names, and
// *mark says which, so that a rewrite can keep it. Files without a mark that
// are not valid UTF-8 were written by older versions in the Windows-1252 code
// page and are read that way, so they keep reading.
QString decodeTextFile(const QByteArray &bytes, ByteOrderMark *mark = nullptr);

// The text as a file: in the encoding the mark names, the mark first; UTF-8
// without a mark when there is none.
QByteArray encodeTextFile(const QString &text, const ByteOrderMark &mark = std::nullopt);

// Reads a whole text file of ours and decodes it as decodeTextFile() does;
// false when it cannot be opened or read.
bool readDecodedTextFile(const QString &path, QString *text, ByteOrderMark *mark = nullptr);

// Replaces the file with the bytes; a save that fails leaves the old file
// whole, and *error says why. The bytes are written to a hidden file beside
// it first (see isSaveTemporaryOf()) that then takes the file's place. In a
// folder that refuses new files, a file the user may write is overwritten in
// place, grown before any old byte is touched; there, and there only, the
// program killed mid-save can leave old and new mixed.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// True when name is that of the file a save of fileName writes first, which a
// save cut short (the program killed) leaves behind: a dot, the file's name, a
// dot and six letters or digits (".Address.lst.a1B2c3"). The leading dot keeps
// it apart from copies users name "Address.lst.backup".
bool isSaveTemporaryOf(QStringView name, QStringView fileName);
