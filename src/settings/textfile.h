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

// Files of ours are small; one larger than this is junk or someone else's,
// and is neither read nor replaced.
inline constexpr qint64 MaxTextFileBytes = 16 * 1024 * 1024;

// The file that reading or saving path acts on. A symbolic link is followed
// only while the link and the regular file it leads to belong to the user
// the program runs as, so that a link someone else planted, or one to
// someone else's file (or to none, or to a device), is not: it reads as no
// file, and a save replaces the link itself, never what it points to.
QString ownFilePath(const QString &path);

// Reads a whole text file of ours and decodes it as decodeTextFile() does;
// false when it cannot be opened or read, is no regular file, is a link not
// followed (see ownFilePath()) or is larger than MaxTextFileBytes.
bool readDecodedTextFile(const QString &path, QString *text, ByteOrderMark *mark = nullptr);

// Whether there is a file at path, a link that is not followed counting as
// none.
bool textFileExists(const QString &path);

// Whether path holds a file too large to be read (see MaxTextFileBytes).
bool isOversizedTextFile(const QString &path);

// Replaces the file with the bytes; a save that fails leaves the old file
// whole, and *error says why. The bytes are written to a hidden file beside
// it first (see isSaveTemporaryOf()) that then takes the file's place with
// the old file's owner, group and mode. In a folder that refuses new files,
// or where the owner cannot be kept, a file the user may write is
// overwritten in place, grown before any old byte is touched; there, and
// there only, the program killed mid-save can leave old and new mixed. Files
// larger than MaxTextFileBytes and anything but regular files are refused;
// links are followed as ownFilePath() says.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// True when name is that of the file a save of fileName writes first, which a
// save cut short (the program killed) leaves behind: a dot, the file's name, a
// dot and six letters or digits (".Address.lst.a1B2c3"). The leading dot keeps
// it apart from copies users name "Address.lst.backup".
bool isSaveTemporaryOf(QStringView name, QStringView fileName);
