#include "settings/listfile.h"

#include "platform/messagebox.h"
#include "settings/textfile.h"

#include <QComboBox>

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool needsQuoting(const QString &entry)
{
    if (entry.isEmpty())
        return false;
    return entry.contains(u',') || entry.contains(u'"') || isBlank(entry.front())
        || isBlank(entry.back());
}

QString quoted(const QString &entry)
{
    QString doubled = entry;
    doubled.replace(u'"', QLatin1String("\"\""));
    return u'"' + doubled + u'"';
}

} // namespace

QStringList parseListText(const QString &text)
{
    QStringList entries;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && isBlank(text.at(i)))
            ++i;
        QString field;
        if (i < n && text.at(i) == u'"') {
            ++i;
            while (i < n) {
                if (text.at(i) == u'"') {
                    if (i + 1 < n && text.at(i + 1) == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text.at(i++);
            }
            // Whatever follows the closing quote up to the delimiter is dropped.
            while (i < n && text.at(i) != u',' && !isLineBreak(text.at(i)))
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && text.at(i) != u',' && !isLineBreak(text.at(i)))
                ++i;
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

bool readListFile(const QString &path, QStringList *entries)
{
    QString text;
    if (!readTextFile(path, &text))
        return false;
    entries->append(parseListText(text));
    return true;
}

bool writeListFile(const QString &path, const QStringList &entries, QString *error)
{
    return writeTextFileAtomically(path, formatListText(entries), error);
}

void LoadList(QComboBox *combo, const QString &path)
{
    QStringList entries;
    if (readListFile(path, &entries))
        combo->addItems(entries);
}

void SaveList(const QStringList &entries, const QString &path, QWidget *messageParent)
{
    QString error;
    if (!writeListFile(path, entries, &error))
        showMessageBox(messageParent, error);
}

void SaveList(QComboBox *combo, const QString &path, QWidget *messageParent)
{
    QStringList entries;
    entries.reserve(combo->count());
    for (int i = 0; i < combo->count(); ++i)
        entries.append(combo->itemText(i));
    SaveList(entries, path, messageParent);
}
