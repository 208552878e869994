#include "webserver/generatedpages.h"

#include "core/addresses.h"

#include <algorithm>
#include <cstring>
#include <utility>

QByteArray BuildNotFoundPage()
{
    const QByteArray lines[] = {
        "<head>",
        "<title>Page Not Found</title>",
        "</head>",
        "<body text=\"#FF0000\">",
        "<p align=\"center\">&nbsp;</p>",
        "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>The page you have requested can",
        "not be found.</b></font></p>",
        "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>You may have mistyped the",
        "adress, or the site may be temporarily unavailable.</b></font></p>",
        "<p align=\"center\"><font face=\"Arial\" size=\"3\"><b>Please try again "
        "later.</b></font></p>",
        "<p align=\"center\">&nbsp;</p>",
        QByteArray("<p align=\"left\"><font face=\"Arial\" size=\"3\"><b><a href=\"")
            + Addresses::MakerHomePage + "\">Brimlow...",
        "The Future Is Now</a></b></font></p>",
        QByteArray("<p align=\"left\"><font face=\"Arial\" size=\"3\"><b><a href=\"")
            + Addresses::ProductPage + "\">Brimlow",
        "Wavecrest</a></b></font></p>",
    };
    QByteArray page;
    for (const QByteArray &line : lines)
        page += line + "\r\n";
    return page;
}

QByteArray missingIndexText()
{
    return QByteArrayLiteral(
        "<html><font face=\"Verdana, Arial, Helvetica, sans-serif\" size=\"1\"><b>Please create "
        "an index html page.  It was not found.</font></html>");
}

namespace {

// Text is 8-bit, one character per byte, read as Latin-1 for case.
char latin1Lower(char c)
{
    const auto u = uchar(c);
    return (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7) ? char(u + 32) : c;
}

char latin1Upper(char c)
{
    const auto u = uchar(c);
    return (u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7) ? char(u - 32) : c;
}

// Where the lower-cased needle next occurs in text at or after from, letters
// compared without case; -1 when nowhere. Candidates are found with memchr,
// which keeps a page without matches (the usual case) cheap to scan.
qsizetype findIgnoringCase(QByteArrayView text, QByteArrayView lowerNeedle, qsizetype from)
{
    const char first = lowerNeedle.front();
    const char firstUpper = latin1Upper(first);
    const char *const end = text.data() + text.size() - lowerNeedle.size() + 1;
    const char *at = text.data() + from;
    while (at < end) {
        const auto *lower = static_cast<const char *>(std::memchr(at, first, size_t(end - at)));
        const char *upper = nullptr;
        if (firstUpper != first)
            upper = static_cast<const char *>(
                std::memchr(at, firstUpper, size_t((lower ? lower : end) - at)));
        const char *candidate = upper ? upper : lower;
        if (!candidate)
            return -1;
        qsizetype i = 1;
        while (i < lowerNeedle.size() && latin1Lower(candidate[i]) == lowerNeedle[i])
            ++i;
        if (i == lowerNeedle.size())
            return candidate - text.data();
        at = candidate + 1;
    }
    return -1;
}

QByteArray lowered(QByteArrayView text)
{
    QByteArray lower(text.data(), text.size());
    std::transform(lower.begin(), lower.end(), lower.begin(), latin1Lower);
    return lower;
}

// Appends text up to `before` to result, with the matches that start before
// it replaced; returns where the copied part ends (past the last match, which
// may end after `before`).
qsizetype replaceUpTo(QByteArray &result, QByteArrayView text, QByteArrayView lowerFind,
    QByteArrayView replacement, qsizetype before)
{
    qsizetype copied = 0;
    qsizetype match = findIgnoringCase(text, lowerFind, 0);
    while (match >= 0 && match < before) {
        result.append(text.data() + copied, match - copied);
        result.append(replacement);
        copied = match + lowerFind.size();
        match = findIgnoringCase(text, lowerFind, copied);
    }
    const qsizetype end = qMax(copied, before);
    result.append(text.data() + copied, end - copied);
    return end;
}

} // namespace

QByteArray ReplaceText(const QByteArray &text, QByteArrayView find, QByteArrayView replacement)
{
    if (find.isEmpty() || find.size() > text.size())
        return text;
    const QByteArray lowerFind = lowered(find);
    if (findIgnoringCase(text, lowerFind, 0) < 0)
        return text;
    QByteArray result;
    result.reserve(text.size());
    replaceUpTo(result, text, lowerFind, replacement, text.size());
    return result;
}

StreamingReplacer::StreamingReplacer(QByteArrayView find, QByteArrayView replacement)
    : m_lowerFind(lowered(find)), m_replacement(replacement.toByteArray())
{ }

QByteArray StreamingReplacer::feed(QByteArrayView piece)
{
    m_held.append(piece);
    // A match that starts here or later cannot be complete yet.
    const qsizetype undecided = m_held.size() - m_lowerFind.size() + 1;
    if (m_lowerFind.isEmpty() || undecided <= 0)
        return QByteArray();
    QByteArray result;
    result.reserve(undecided);
    m_held.remove(0, replaceUpTo(result, m_held, m_lowerFind, m_replacement, undecided));
    return result;
}

QByteArray StreamingReplacer::finish()
{
    // Too short to hold a match.
    return std::exchange(m_held, QByteArray());
}
