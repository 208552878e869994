#include "browser/addresscompletion.h"

QString foldedForCompletion(const QString &entry)
{
    return entry.toCaseFolded();
}

QStringList foldedForCompletion(const QStringList &entries)
{
    QStringList folded;
    folded.reserve(entries.size());
    for (const QString &entry : entries)
        folded.append(foldedForCompletion(entry));
    return folded;
}

AddressCompletion completeAddress(
    const QStringList &history, const QStringList &foldedHistory, const QString &typed)
{
    const QString foldedTyped = foldedForCompletion(typed);
    const int typedLength = int(typed.size());
    for (qsizetype i = 0; i < foldedHistory.size(); ++i) {
        if (!foldedHistory.at(i).startsWith(foldedTyped))
            continue;
        const QString &entry = history.at(i);
        return AddressCompletion{
            int(i), entry, typedLength, qMax(0, int(entry.size()) - typedLength)};
    }
    return AddressCompletion{-1, typed, typedLength, 0};
}
