#include "settings/textfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

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

bool readDecodedTextFile(const QString &path, QString *text, ByteOrderMark *mark)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    *text = decodeTextFile(bytes, mark);
    return true;
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    // Unbuffered, because QSaveFile only notices failed writes made through
    // write() itself; a failure in the final flush would go unseen and a cut
    // file would replace the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // After a short write, writing the rest fails with the reason (disk full,
    // file too large) that the user is shown.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            if (error)
                *error = file.errorString();
            return false; // the destructor discards the temporary file
        }
        done += written;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
