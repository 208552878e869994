#include "downloads/downloadname.h"

namespace {

constexpr qsizetype MaxNameBytes = 255;
// Longer than this, what follows the last dot is no extension worth keeping.
constexpr qsizetype MaxExtensionLength = 16;

bool turnsDirection(char32_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069);
}

bool isUnsafe(char32_t c)
{
    return QChar::category(c) == QChar::Other_Control || turnsDirection(c) || QChar::isSurrogate(c)
        || c == u'/';
}

bool isTrimmed(QChar c)
{
    return c == u'.' || c.isSpace();
}

QString replacedUnsafe(const QString &name)
{
    QString safe;
    safe.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name.at(i), name.at(i + 1));
            ++i;
        }
        safe += isUnsafe(c) ? QStringLiteral("_") : QString::fromUcs4(&c, 1);
    }
    return safe;
}

// The longest start of text that fits into the bytes, never half a
// character.
QString cutToBytes(const QString &text, qsizetype bytes)
{
    qsizetype end = 0;
    qsizetype used = 0;
    while (end < text.size()) {
        const qsizetype length = text.at(end).isHighSurrogate() ? 2 : 1;
        const qsizetype size = text.mid(end, length).toUtf8().size();
        if (used + size > bytes)
            break;
        used += size;
        end += length;
    }
    return text.left(end);
}

} // namespace

QString cleanDownloadName(const QString &name)
{
    QString clean = replacedUnsafe(name);
    qsizetype begin = 0;
    qsizetype end = clean.size();
    while (begin < end && isTrimmed(clean.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(clean.at(end - 1)))
        --end;
    clean = clean.mid(begin, end - begin);
    if (clean.toUtf8().size() > MaxNameBytes) {
        const qsizetype dot = clean.lastIndexOf(u'.');
        const QString extension = dot > 0 && clean.size() - dot <= MaxExtensionLength + 1
            ? clean.sliced(dot)
            : QString();
        clean = cutToBytes(clean.first(clean.size() - extension.size()),
                    MaxNameBytes - extension.toUtf8().size())
            + extension;
    }
    return clean.isEmpty() ? QStringLiteral("download") : clean;
}
