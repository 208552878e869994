#include "settings/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned
// positions map to the C1 control of the same value, as Windows itself does.
constexpr char16_t kCp1252High[32]
    = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte >= 0x80 && byte <= 0x9F ? QChar(kCp1252High[byte - 0x80]) : QChar(byte));
    }
    return text;
}

QString decodeUtf8OrWindows1252(QByteArrayView bytes)
{
    // A second mark after the first is text, and must stay so on a rewrite.
    QStringDecoder utf8(QStringDecoder::Utf8,
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return decodeWindows1252(bytes);
    return text;
}

struct Mark {
    QByteArrayView bytes;
    QStringConverter::Encoding encoding;
    int unitSize; // in bytes; 0 for UTF-8
    bool bigEndian;
};

// UTF-32 LE before UTF-16 LE: its mark begins with the other's.
constexpr Mark kMarks[] = {
    {QByteArrayView("\xFF\xFE\0\0", 4), QStringConverter::Utf32LE, 4, false},
    {QByteArrayView("\0\0\xFE\xFF", 4), QStringConverter::Utf32BE, 4, true},
    {QByteArrayView("\xEF\xBB\xBF", 3), QStringConverter::Utf8, 0, false},
    {QByteArrayView("\xFF\xFE", 2), QStringConverter::Utf16LE, 2, false},
    {QByteArrayView("\xFE\xFF", 2), QStringConverter::Utf16BE, 2, true},
};

const Mark *markOf(QByteArrayView bytes)
{
    for (const Mark &mark : kMarks) {
        if (bytes.startsWith(mark.bytes))
            return &mark;
    }
    return nullptr;
}

char32_t unitAt(QByteArrayView bytes, qsizetype at, const Mark &mark)
{
    char32_t unit = 0;
    for (int i = 0; i < mark.unitSize; ++i) {
        const qsizetype byte = mark.bigEndian ? at + i : at + mark.unitSize - 1 - i;
        unit = unit << 8 | static_cast<unsigned char>(bytes[byte]);
    }
    return unit;
}

// UTF-16 or UTF-32 by hand: Qt's decoders pass lone surrogates through and
// garble numbers past U+10FFFF, and either would change on the next rewrite.
// What is no character reads as U+FFFD; a unit cut short by the file's end
// (a file of odd length) is dropped.
QString decodeUnits(QByteArrayView bytes, const Mark &mark)
{
    const qsizetype end = bytes.size() - bytes.size() % mark.unitSize;
    QString text;
    text.reserve(end / 2);
    for (qsizetype at = 0; at < end; at += mark.unitSize) {
        char32_t c = unitAt(bytes, at, mark);
        if (mark.unitSize == 2 && QChar::isHighSurrogate(c) && at + 2 < end) {
            const char32_t low = unitAt(bytes, at + 2, mark);
            if (QChar::isLowSurrogate(low)) {
                c = QChar::surrogateToUcs4(char16_t(c), char16_t(low));
                at += 2;
            }
        }
        if (QChar::isSurrogate(c) || c > QChar::LastValidCodePoint)
            c = QChar::ReplacementCharacter;
        text += QChar::fromUcs4(c);
    }
    return text;
}

} // namespace

QString decodeTextFile(const QByteArray &bytes, ByteOrderMark *markFound)
{
    const Mark *mark = markOf(bytes);
    if (markFound)
        *markFound = mark ? ByteOrderMark(mark->encoding) : std::nullopt;
    if (!mark)
        return decodeUtf8OrWindows1252(bytes);
    const QByteArrayView text = QByteArrayView(bytes).sliced(mark->bytes.size());
    return mark->unitSize == 0 ? decodeUtf8OrWindows1252(text) : decodeUnits(text, *mark);
}

QByteArray encodeTextFile(const QString &text, const ByteOrderMark &mark)
{
    if (!mark)
        return text.toUtf8();
    QStringEncoder encoder(*mark, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

namespace {

bool statOf(const QString &path, struct stat *info, bool followLink = false)
{
    const QByteArray name = QFile::encodeName(path);
    return (followLink ? ::stat(name.constData(), info) : ::lstat(name.constData(), info)) == 0;
}

bool isOwnedByUs(const struct stat &info)
{
    return info.st_uid == ::geteuid();
}

// Opens without following a link in the last place, and without waiting on
// a pipe that has no writer.
int openUnfollowed(const QString &path, int flags)
{
    return ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

} // namespace

QString ownFilePath(const QString &path)
{
    QString current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat link, target;
        if (!statOf(current, &link) || !S_ISLNK(link.st_mode))
            return current;
        if (!isOwnedByUs(link) || !statOf(current, &target, true) || !isOwnedByUs(target)
            || !S_ISREG(target.st_mode))
            return path;
        current = QFileInfo(current).symLinkTarget();
    }
    return path;
}

bool readDecodedTextFile(const QString &path, QString *text, ByteOrderMark *mark)
{
    const int descriptor = openUnfollowed(ownFilePath(path), O_RDONLY);
    QFile file;
    if (descriptor < 0
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (descriptor >= 0)
            ::close(descriptor);
        return false;
    }
    struct stat info;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)
        || info.st_size > MaxTextFileBytes)
        return false;
    // The size may have grown since it was asked; what is read stays bounded.
    const QByteArray bytes = file.read(MaxTextFileBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxTextFileBytes)
        return false;
    *text = decodeTextFile(bytes, mark);
    return true;
}

bool isOversizedTextFile(const QString &path)
{
    struct stat info;
    return statOf(ownFilePath(path), &info) && S_ISREG(info.st_mode)
        && info.st_size > MaxTextFileBytes;
}

bool textFileExists(const QString &path)
{
    struct stat info;
    return statOf(ownFilePath(path), &info) && !S_ISLNK(info.st_mode);
}

namespace {

constexpr qsizetype kTemporarySuffixLength = 6;

bool failWith(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool writeAll(QFileDevice &file, QByteArrayView bytes)
{
    // After a short write, writing the rest fails with the reason (disk full,
    // file too large) that the user is shown.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

bool syncToDisk(QFileDevice &file)
{
    return ::fsync(file.handle()) == 0;
}

bool writeAt(QFileDevice &file, qint64 offset, QByteArrayView bytes)
{
    return file.seek(offset) && writeAll(file, bytes);
}

// The replaced file's owner, group and mode carry over (chown first: it
// clears the set-id bits); a new file is the user's alone. False when the
// owner or group cannot be given to the new file.
bool takeOverIdentity(QTemporaryFile &temporary, const struct stat *old)
{
    struct stat made;
    if (::fstat(temporary.handle(), &made) != 0)
        return false;
    if ((made.st_uid != old->st_uid || made.st_gid != old->st_gid)
        && ::fchown(temporary.handle(), old->st_uid, old->st_gid) != 0)
        return false;
    return ::fchmod(temporary.handle(), old->st_mode & 07777) == 0;
}

bool replaceThroughTemporary(
    QTemporaryFile &temporary, const QString &target, const QByteArray &bytes, QString *error)
{
    if (!writeAll(temporary, bytes))
        return failWith(error, temporary.errorString()); // the destructor removes it
    // On the disk before it takes the old file's place, so that a crash
    // right after the rename cannot leave an empty file behind.
    if (!temporary.flush() || !syncToDisk(temporary))
        return failWith(error, temporary.errorString());
    const QFileInfo written(temporary.fileName());
    temporary.close();
    std::error_code failure;
    std::filesystem::rename(
        written.filesystemFilePath(), QFileInfo(target).filesystemFilePath(), failure);
    if (failure)
        return failWith(error, QString::fromLocal8Bit(failure.message()));
    temporary.setAutoRemove(false);
    return true;
}

// Growing the file first makes a full disk refuse the save before any old
// byte is overwritten; the old bytes are put back should overwriting fail
// even so (a copy-on-write file system may want new blocks for them).
bool overwriteInPlace(const QString &target, const QByteArray &bytes, QString *error)
{
    const int descriptor = openUnfollowed(target, O_RDWR);
    QFile file;
    if (descriptor < 0)
        return failWith(error, QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.open(descriptor, QIODevice::ReadWrite | QIODevice::Unbuffered,
            QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return failWith(error, file.errorString());
    }
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failWith(error, file.errorString());
    const qsizetype overlap = qMin(old.size(), bytes.size());
    if (!writeAt(file, overlap, QByteArrayView(bytes).sliced(overlap))) {
        const QString reason = file.errorString();
        file.resize(old.size());
        return failWith(error, reason);
    }
    if (!writeAt(file, 0, QByteArrayView(bytes).first(overlap)) || !file.resize(bytes.size())) {
        const QString reason = file.errorString();
        writeAt(file, 0, old);
        file.resize(old.size());
        return failWith(error, reason);
    }
    return true;
}

} // namespace

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    // A link that is not followed is itself replaced by the new file.
    const QString target = ownFilePath(path);
    struct stat old;
    const bool exists = statOf(target, &old) && !S_ISLNK(old.st_mode);
    if (exists && S_ISDIR(old.st_mode))
        return failWith(
            error, QCoreApplication::translate("TextFile", "Filename refers to a directory"));
    if (exists && !S_ISREG(old.st_mode))
        return failWith(
            error, QCoreApplication::translate("TextFile", "%1 is not a regular file").arg(path));
    // Refused when it was read, so it is not replaced by what little is known.
    if (exists && old.st_size > MaxTextFileBytes)
        return failWith(error,
            QCoreApplication::translate("TextFile", "%1 is larger than 16 MiB and is left as it is")
                .arg(path));
    // The user may have made the file read-only to keep it as it is.
    if (exists && ::access(QFile::encodeName(target).constData(), W_OK) != 0)
        return failWith(error,
            QCoreApplication::translate("TextFile", "Existing file %1 is not writable").arg(path));
    const QFileInfo info(target);
    QTemporaryFile temporary(
        info.dir().filePath(u'.' + info.fileName() + u'.' + QString(kTemporarySuffixLength, u'X')));
    // Unbuffered, so that a failed write tells why (a failed flush says only
    // "Unknown error"); QTemporaryFile hides this open(), QFile does not.
    QFile &file = temporary;
    if (file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        // A file whose owner or group could not be kept is overwritten in
        // place instead, which keeps them.
        if (exists && !takeOverIdentity(temporary, &old))
            return overwriteInPlace(target, bytes, error);
        return replaceThroughTemporary(temporary, target, bytes, error);
    }
    if (exists)
        return overwriteInPlace(target, bytes, error);
    return failWith(error, temporary.errorString());
}

bool isSaveTemporaryOf(QStringView name, QStringView fileName)
{
    if (name.size() != fileName.size() + 2 + kTemporarySuffixLength || !name.startsWith(u'.')
        || !name.sliced(1).startsWith(fileName, Qt::CaseInsensitive)
        || name.at(fileName.size() + 1) != u'.')
        return false;
    for (const QChar c : name.last(kTemporarySuffixLength)) {
        if (c.unicode() > 127 || !c.isLetterOrNumber())
            return false;
    }
    return true;
}
