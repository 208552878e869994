#include "webserver/byteranges.h"

#include "webserver/httprequest.h"

#include <limits>
#include <optional>

namespace {

constexpr qint64 Infinite = std::numeric_limits<qint64>::max();

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits only; a number past 64 bits saturates.
std::optional<qint64> number(QByteArrayView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (!isDigit(c))
            return std::nullopt;
        const int digit = c - '0';
        value = value > (Infinite - digit) / 10 ? Infinite : value * 10 + digit;
    }
    return value;
}

// One range as the part of the file it selects, clamped to the file;
// first > last when it selects nothing. Nothing when it does not parse.
std::optional<RangeSelection> parseRange(QByteArrayView range, qint64 size)
{
    const qsizetype dash = range.indexOf('-');
    if (dash < 0)
        return std::nullopt;
    const QByteArrayView before = range.first(dash), after = range.sliced(dash + 1);
    RangeSelection part{RangeSelection::Kind::Part, 0, -1};
    if (before.isEmpty()) {
        // The last n bytes.
        const std::optional<qint64> length = number(after);
        if (!length)
            return std::nullopt;
        part.first = size - qMin(*length, size);
        part.last = *length == 0 ? part.first - 1 : size - 1;
        return part;
    }
    const std::optional<qint64> first = number(before);
    const std::optional<qint64> last = after.isEmpty() ? std::optional(Infinite) : number(after);
    if (!first || !last || *last < *first)
        return std::nullopt;
    part.first = *first;
    part.last = qMin(*last, size - 1);
    return part;
}

} // namespace

RangeSelection selectRange(QByteArrayView header, qint64 size)
{
    const RangeSelection whole;
    const qsizetype equals = header.indexOf('=');
    if (size <= 0 || equals < 0
        || trimmedFieldValue(header.first(equals)).compare("bytes", Qt::CaseInsensitive) != 0)
        return whole;
    qsizetype ranges = 0;
    std::optional<RangeSelection> satisfiable;
    QByteArrayView rest = header.sliced(equals + 1);
    while (!rest.isEmpty() || ranges == 0) {
        const qsizetype comma = rest.indexOf(',');
        const QByteArrayView range = trimmedFieldValue(comma < 0 ? rest : rest.first(comma));
        rest = comma < 0 ? QByteArrayView() : rest.sliced(comma + 1);
        // Empty elements of a list are allowed and count for nothing.
        if (range.isEmpty()) {
            if (comma < 0 && ranges == 0)
                return whole;
            continue;
        }
        const std::optional<RangeSelection> part = parseRange(range, size);
        if (!part)
            return whole;
        ++ranges;
        if (part->first <= part->last && !satisfiable)
            satisfiable = part;
    }
    if (!satisfiable)
        return {RangeSelection::Kind::Unsatisfiable, 0, -1};
    return ranges == 1 ? *satisfiable : whole;
}
