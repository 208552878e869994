#include "settings/profile.h"

#include "settings/textfile.h"
#include "settings/textlines.h"

namespace {

constexpr qsizetype kMaxValueLength = 254;

// Only ASCII white space counts as a blank, as it did for the 8-bit files of
// the first version: a value may well begin with a no-break space. Ctrl-Z
// counts too, as in the Windows profile functions: old editors end a file with
// it, and it must not stick to the last value.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\x1A';
}

QString trimmedBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString leftTrimmedBlanks(const QString &text)
{
    qsizetype begin = 0;
    while (begin < text.size() && isBlank(text.at(begin)))
        ++begin;
    return text.mid(begin);
}

// Section and key names as the file holds them, whatever the caller passed.
QString normalizedName(const QString &name)
{
    return trimmedBlanks(singleLine(name));
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QString joinLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

// A line opening with "[" but lacking "]" is no header; the section goes on.
bool isSectionHeader(const QString &trimmedLine)
{
    return trimmedLine.startsWith(u'[') && trimmedLine.contains(u']');
}

QString sectionName(const QString &trimmedLine)
{
    return trimmedBlanks(trimmedLine.mid(1, trimmedLine.lastIndexOf(u']') - 1));
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Key and trimmed value of an entry line; false for lines without "=".
bool splitEntry(const QString &trimmedLine, QString *key, QString *value)
{
    const qsizetype eq = trimmedLine.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = trimmedBlanks(trimmedLine.left(eq));
    *value = trimmedBlanks(trimmedLine.mid(eq + 1));
    return true;
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

// Counts characters, not UTF-16 units, so a cut never splits a surrogate pair.
QString cutToLength(const QString &value, qsizetype maxCharacters)
{
    qsizetype end = 0;
    for (qsizetype count = 0; end < value.size() && count < maxCharacters; ++count) {
        const bool pair = value.at(end).isHighSurrogate() && end + 1 < value.size()
            && value.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return value.left(end);
}

// The lines of the first section of the given name: its header and one past
// its last line, or header -1 when there is none.
struct SectionSpan {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionSpan findSection(const QStringList &lines, const QString &name)
{
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = trimmedBlanks(lines.at(i));
        if (!isSectionHeader(line))
            continue;
        if (span.header >= 0) {
            span.end = i;
            return span;
        }
        if (sameName(sectionName(line), name))
            span.header = i;
    }
    if (span.header >= 0)
        span.end = lines.size();
    return span;
}

} // namespace

QString profileValue(const QString &text, const QString &section, const QString &key)
{
    const QString wantedKey = normalizedName(key);
    const QStringList lines = splitLines(text);
    const SectionSpan span = findSection(lines, normalizedName(section));
    for (qsizetype i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
        QString entryKey, value;
        if (splitEntry(trimmedBlanks(lines.at(i)), &entryKey, &value)
            && sameName(entryKey, wantedKey))
            return cutToLength(unquoted(value), kMaxValueLength);
    }
    return QString();
}

QString profileWithValue(const QString &text, const QString &section, const QString &key,
    const QString &value, bool *changed)
{
    const QString cleanSection = normalizedName(section);
    const QString cleanKey = normalizedName(key);
    const QString cleanValue = leftTrimmedBlanks(singleLine(value));
    QStringList lines = splitLines(text);
    *changed = true;

    const SectionSpan span = findSection(lines, cleanSection);
    if (span.header < 0) {
        lines.append(u'[' + cleanSection + u']');
        lines.append(cleanKey + u'=' + cleanValue);
        return joinLines(lines);
    }
    // New keys go after the section's last line that holds anything, so the
    // blank lines that set the next section apart stay where they are.
    qsizetype lastFilled = span.header;
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        const QString line = trimmedBlanks(lines.at(i));
        if (!line.isEmpty())
            lastFilled = i;
        QString entryKey, oldValue;
        if (!splitEntry(line, &entryKey, &oldValue) || !sameName(entryKey, cleanKey))
            continue;
        if (oldValue == trimmedBlanks(cleanValue)) {
            *changed = false;
            return text;
        }
        lines[i] = entryKey + u'=' + cleanValue;
        return joinLines(lines);
    }
    lines.insert(lastFilled + 1, cleanKey + u'=' + cleanValue);
    return joinLines(lines);
}

QString GetIniString(const QString &section, const QString &key, const QString &file)
{
    QString text;
    if (!readDecodedTextFile(file, &text))
        return QString();
    return profileValue(text, section, key);
}

bool WriteIniString(
    const QString &section, const QString &key, const QString &value, const QString &file)
{
    QString text;
    ByteOrderMark mark;
    // A file that exists but cannot be read must not be replaced by one entry.
    if (!readDecodedTextFile(file, &text, &mark) && textFileExists(file))
        return false;
    bool changed = false;
    const QString updated = profileWithValue(text, section, key, value, &changed);
    if (!changed)
        return true;
    // In the file's own encoding: a line of another in it could not be read.
    return writeFileAtomically(file, encodeTextFile(updated, mark));
}
