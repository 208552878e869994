#pragma once

#include <QList>
#include <QStringView>

// Where a word lies in a text.
struct WordSpan {
    qsizetype start = -1;
    qsizetype length = 0;

    bool isValid() const { return start >= 0; }
    bool operator==(const WordSpan &) const = default;
};

// The words of a text whose spelling is checked: runs of letters, with their
// accents and apostrophes between letters ("don't"); a hyphen separates two
// words. Passed over: words with digits, words longer than a dictionary
// takes, and whatever reads as an address (with "@", "://", "www." or a dot
// between letters: "example.org", "e.g.").
QList<WordSpan> wordsToCheck(QStringView text);

// The checked word at a position of the text (its end included), or an
// invalid span.
WordSpan wordAt(QStringView text, qsizetype position);
