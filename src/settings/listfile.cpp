#include "settings/listfile.h"

#include "settings/textfile.h"

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// Blanks around a field are not kept when it is read, so an entry that
// begins or ends with one is quoted when it is written.
bool isFieldPadding(QChar c)
{
    return c == u' ' || c == u'\t';
}

// An entry opening with U+FEFF would, first in the file, be read as the
// file's byte-order mark and lose it; behind a quote it is text.
bool needsQuoting(const QString &entry)
{
    if (entry.isEmpty())
        return false;
    return entry.contains(u',') || entry.contains(u'"') || isFieldPadding(entry.front())
        || isFieldPadding(entry.back()) || entry.front() == QChar::ByteOrderMark;
}

QString quoted(const QString &entry)
{
    QString doubled = entry;
    doubled.replace(u'"', QLatin1String("\"\""));
    return u'"' + doubled + u'"';
}

// A quoted field starting just after its opening quote at i: the text up to
// the closing quote, with doubled quotes read as one. Sets i past the field's
// closing quote; false when no closing quote follows.
bool readQuotedField(const QString &text, qsizetype &i, QString *field)
{
    const qsizetype n = text.size();
    for (qsizetype j = i; j < n; ++j) {
        if (text.at(j) != u'"') {
            *field += text.at(j);
            continue;
        }
        if (j + 1 < n && text.at(j + 1) == u'"') {
            *field += u'"';
            ++j;
            continue;
        }
        i = j + 1;
        return true;
    }
    return false;
}

qsizetype skipToDelimiter(const QString &text, qsizetype i)
{
    while (i < text.size() && text.at(i) != u',' && !isLineBreak(text.at(i)))
        ++i;
    return i;
}

} // namespace

QStringList parseListText(const QString &text)
{
    QStringList entries;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && isFieldPadding(text.at(i)))
            ++i;
        QString field;
        if (i < n && text.at(i) == u'"') {
            qsizetype afterQuote = i + 1;
            if (readQuotedField(text, afterQuote, &field)) {
                // Text between the closing quote and the delimiter is dropped.
                i = skipToDelimiter(text, afterQuote);
            } else {
                // A quote that never closes would swallow every later entry;
                // it takes the rest of its line only, commas and all.
                i = afterQuote;
                while (i < n && !isLineBreak(text.at(i)))
                    ++i;
                field = text.mid(afterQuote, i - afterQuote);
            }
        } else {
            const qsizetype start = i;
            i = skipToDelimiter(text, i);
            field = text.mid(start, i - start);
        }
        entries.append(field);
        if (i < n && text.at(i) == u',') {
            ++i;
        } else if (i < n) {
            if (text.at(i) == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            ++i;
        }
    }
    return entries;
}

QString formatListText(const QStringList &entries)
{
    QString text;
    for (QString entry : entries) {
        for (QChar &c : entry) {
            if (isLineBreak(c))
                c = u' ';
        }
        text += needsQuoting(entry) ? quoted(entry) : entry;
        text += QLatin1String("\r\n");
    }
    return text;
}

bool LoadList(QStringList *entries, const QString &file)
{
    QString text;
    if (!readDecodedTextFile(file, &text))
        return false;
    entries->append(parseListText(text));
    return true;
}

bool SaveList(const QStringList &entries, const QString &file, QString *error)
{
    return writeFileAtomically(file, encodeTextFile(formatListText(entries)), error);
}
