#include "settings/profile.h"

#include "settings/textfile.h"

#include <QFileInfo>

namespace {

constexpr qsizetype kMaxValueLength = 254;

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

bool isSectionHeader(const QString &trimmedLine)
{
    return trimmedLine.startsWith(u'[');
}

QString sectionName(const QString &trimmedLine)
{
    const qsizetype close = trimmedLine.lastIndexOf(u']');
    const qsizetype end = close < 0 ? trimmedLine.size() : close;
    return trimmedLine.mid(1, end - 1).trimmed();
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Key and raw (trimmed) value of an entry line; false for lines without "=".
bool splitEntry(const QString &trimmedLine, QString *key, QString *value)
{
    const qsizetype eq = trimmedLine.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = trimmedLine.left(eq).trimmed();
    *value = trimmedLine.mid(eq + 1).trimmed();
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

// Line breaks inside a value or name would add lines of their own.
QString singleLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString leftTrimmed(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return text.mid(i);
}

// Index range [first, last] of the lines of the first section named name.
struct SectionSpan {
    qsizetype header = -1;
    qsizetype end = -1; // one past its last line
};

SectionSpan findSection(const QStringList &lines, const QString &name)
{
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
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

QString joinLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

} // namespace

QString profileValue(const QString &text, const QString &section, const QString &key)
{
    const QStringList lines = splitLines(text);
    const SectionSpan span = findSection(lines, section);
    for (qsizetype i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
        QString entryKey, value;
        if (splitEntry(lines.at(i).trimmed(), &entryKey, &value) && sameName(entryKey, key))
            return unquoted(value).left(kMaxValueLength);
    }
    return QString();
}

QString profileWithValue(const QString &text, const QString &section, const QString &key,
                         const QString &value, bool *changed)
{
    const QString cleanKey = singleLine(key).trimmed();
    const QString cleanValue = leftTrimmed(singleLine(value));
    const QString newLine = cleanKey + u'=' + cleanValue;
    QStringList lines = splitLines(text);
    *changed = true;

    const SectionSpan span = findSection(lines, section);
    if (span.header < 0) {
        lines.append(u'[' + singleLine(section).trimmed() + u']');
        lines.append(newLine);
        return joinLines(lines);
    }
    qsizetype lastContent = span.header;
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        const QString line = lines.at(i).trimmed();
        if (!line.isEmpty())
            lastContent = i;
        QString entryKey, oldValue;
        if (!splitEntry(line, &entryKey, &oldValue) || !sameName(entryKey, cleanKey))
            continue;
        if (oldValue == cleanValue.trimmed()) {
            *changed = false;
            return text;
        }
        lines[i] = entryKey + u'=' + cleanValue;
        return joinLines(lines);
    }
    lines.insert(lastContent + 1, newLine);
    return joinLines(lines);
}

QString GetIniString(const QString &section, const QString &key, const QString &file)
{
    QString text;
    if (!readTextFile(file, &text))
        return QString();
    return profileValue(text, section, key);
}

bool WriteIniString(const QString &section, const QString &key, const QString &value,
                    const QString &file)
{
    QString text;
    if (QFileInfo::exists(file) && !readTextFile(file, &text))
        return false;
    bool changed = false;
    const QString updated = profileWithValue(text, section, key, value, &changed);
    if (!changed)
        return true;
    return writeTextFileAtomically(file, updated);
}
