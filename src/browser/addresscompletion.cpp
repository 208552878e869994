#include "browser/addresscompletion.h"

AddressCompletion completeAddress(const QStringList &history, const QString &typed)
{
    const qsizetype typedLength = typed.size();
    for (qsizetype i = 0; i < history.size(); ++i) {
        const QString &entry = history.at(i);
        if (entry.size() < typedLength
            || QStringView(entry).left(typedLength).compare(typed, Qt::CaseInsensitive) != 0)
            continue;
        return AddressCompletion{int(i), entry, int(typedLength), int(entry.size() - typedLength)};
    }
    return AddressCompletion{-1, typed, int(typedLength), 0};
}
