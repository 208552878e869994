#pragma once

#include <QString>
#include <QStringList>

// What the address bar shows after a letter key: the oldest history entry
// that begins with the typed text (letters compared without regard to case),
// with the completed tail selected; or, when none does, the typed text with
// the caret at its end.
struct AddressCompletion {
    int index = -1; // the matching entry, -1 for none
    QString text;
    int selectionStart = 0;
    int selectionLength = 0;
};

// Entries with their letter case folded. The address bar keeps the folded
// history beside the history, so that a key release compares plain characters
// instead of folding every entry again.
QString foldedForCompletion(const QString &entry);
QStringList foldedForCompletion(const QStringList &entries);

// foldedHistory is foldedForCompletion(history).
AddressCompletion completeAddress(
    const QStringList &history, const QStringList &foldedHistory, const QString &typed);
