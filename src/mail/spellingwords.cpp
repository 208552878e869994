#include "mail/spellingwords.h"

namespace {

// Hunspell's own limit: longer words are never in a dictionary.
constexpr qsizetype MaxWordLength = 100;

bool isApostrophe(QChar c)
{
    return c == u'\'' || c == u'\u2019';
}

bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

bool readsAsAddress(QStringView chunk)
{
    if (chunk.contains(u'@') || chunk.contains(u"://")
        || chunk.startsWith(u"www.", Qt::CaseInsensitive))
        return true;
    for (qsizetype i = 1; i + 1 < chunk.size(); ++i) {
        if (chunk[i] == u'.' && chunk[i - 1].isLetter() && chunk[i + 1].isLetter())
            return true;
    }
    return false;
}

// The words of one run of non-blank characters, at offset in the text.
void appendWords(QStringView chunk, qsizetype offset, QList<WordSpan> *words)
{
    qsizetype i = 0;
    while (i < chunk.size()) {
        if (!isWordPart(chunk[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        bool digits = false;
        while (i < chunk.size()) {
            if (isWordPart(chunk[i])) {
                digits = digits || chunk[i].isDigit();
                ++i;
            } else if (isApostrophe(chunk[i]) && i + 1 < chunk.size() && chunk[i + 1].isLetter()) {
                ++i;
            } else {
                break;
            }
        }
        if (!digits && i - start <= MaxWordLength)
            words->append({offset + start, i - start});
    }
}

} // namespace

QList<WordSpan> wordsToCheck(QStringView text)
{
    QList<WordSpan> words;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const QStringView chunk = text.sliced(i, end - i);
        if (!readsAsAddress(chunk))
            appendWords(chunk, i, &words);
        i = end;
    }
    return words;
}

WordSpan wordAt(QStringView text, qsizetype position)
{
    for (const WordSpan &word : wordsToCheck(text)) {
        if (word.start <= position && position <= word.start + word.length)
            return word;
        if (word.start > position)
            break;
    }
    return {};
}
