#include "system/spellingdictionaries.h"

#include <QDir>

#include <algorithm>

namespace {

// "de-AT.UTF-8" and "de_at@euro" alike become "de_at".
QString normalised(QString name)
{
    for (const QChar end : {u'.', u'@'}) {
        const qsizetype at = name.indexOf(end);
        if (at >= 0)
            name.truncate(at);
    }
    return name.replace(u'-', u'_').toLower();
}

} // namespace

QString dictionaryForLocale(const QStringList &available, const QString &localeName)
{
    QStringList sorted = available;
    std::sort(sorted.begin(), sorted.end());
    const QString wanted = normalised(localeName);
    const QString language = wanted.section(u'_', 0, 0);
    const auto find = [&sorted](auto matches) {
        const auto found = std::find_if(sorted.cbegin(), sorted.cend(),
            [&matches](const QString &name) { return matches(normalised(name)); });
        return found == sorted.cend() ? QString() : *found;
    };
    for (const QString &name : {wanted, language}) {
        if (const QString found = find([&name](const QString &n) { return n == name; });
            !found.isEmpty())
            return found;
    }
    const QString regional = language + u'_';
    if (const QString found
        = find([&regional](const QString &n) { return n.startsWith(regional); });
        !found.isEmpty())
        return found;
    return find([](const QString &n) { return n == u"en_us"; });
}

QStringList dictionariesIn(const QString &folder, const QString &suffix)
{
    if (folder.isEmpty())
        return {};
    QStringList names;
    const QStringList files
        = QDir(folder).entryList({u'*' + suffix}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &file : files)
        names << file.chopped(suffix.size());
    return names;
}
