#include "webserver/httpvalidators.h"

#include "webserver/servedfiles.h"

#include <QDateTime>
#include <QList>

#include <algorithm>

#include <cstring>

namespace {

const char *const dayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char *const monthNames[]
    = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QByteArray twoDigits(int value)
{
    return QByteArray::number(value).rightJustified(2, '0');
}

bool isDigits(QByteArrayView text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int monthOf(QByteArrayView name)
{
    for (int i = 0; i < 12; ++i) {
        if (name.compare(monthNames[i], Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return 0;
}

// "HH:MM:SS" as seconds of the day; -1 when it is not a time.
int secondOfDay(QByteArrayView text)
{
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return -1;
    const QByteArrayView h = text.first(2), m = text.sliced(3, 2), s = text.sliced(6, 2);
    if (!isDigits(h) || !isDigits(m) || !isDigits(s))
        return -1;
    const int hours = h.toInt(), minutes = m.toInt(), seconds = s.toInt();
    // 60 is a leap second.
    if (hours > 23 || minutes > 59 || seconds > 60)
        return -1;
    return hours * 3600 + minutes * 60 + seconds;
}

QList<QByteArrayView> words(QByteArrayView text)
{
    QList<QByteArrayView> found;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool separator = i == text.size() || text[i] == ' ' || text[i] == ','
            || text[i] == '-' || text[i] == '\t';
        if (separator && start >= 0) {
            found.append(text.sliced(start, i - start));
            start = -1;
        } else if (!separator && start < 0) {
            start = i;
        }
    }
    return found;
}

// Whether an entity tag list holds a tag equal to `etag`; weak tags match
// only when the comparison is weak.
bool listHolds(QByteArrayView list, QByteArrayView etag, bool weakComparison)
{
    qsizetype at = 0;
    while (at < list.size()) {
        const char c = list[at];
        if (c == ' ' || c == '\t' || c == ',') {
            ++at;
            continue;
        }
        if (c == '*')
            return weakComparison;
        bool weak = false;
        if (list.sliced(at).startsWith("W/")) {
            weak = true;
            at += 2;
        }
        if (at >= list.size() || list[at] != '"')
            return false;
        const qsizetype close = list.indexOf('"', at + 1);
        if (close < 0)
            return false;
        if ((weakComparison || !weak) && list.sliced(at, close - at + 1) == etag)
            return true;
        at = close + 1;
    }
    return false;
}

} // namespace

QByteArray httpDateOf(qint64 secondsSinceEpoch)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC);
    const QDate date = time.date();
    const QTime clock = time.time();
    return QByteArray(dayNames[date.dayOfWeek() - 1]) + ", " + twoDigits(date.day()) + ' '
        + monthNames[date.month() - 1] + ' '
        + QByteArray::number(date.year()).rightJustified(4, '0') + ' ' + twoDigits(clock.hour())
        + ':' + twoDigits(clock.minute()) + ':' + twoDigits(clock.second()) + " GMT";
}

std::optional<qint64> parseHttpDate(QByteArrayView text)
{
    const QList<QByteArrayView> parts = words(text);
    int day = 0, month = 0, year = 0, second = -1;
    if (parts.size() == 6 && isDigits(parts[1]) && parts[5] == "GMT") {
        // "Sun, 06 Nov 1994 08:49:37 GMT", or "Sunday, 06-Nov-94 08:49:37 GMT".
        day = parts[1].toInt();
        month = monthOf(parts[2]);
        if (!isDigits(parts[3]) || (parts[3].size() != 4 && parts[3].size() != 2))
            return std::nullopt;
        year = parts[3].toInt();
        // A two-digit year more than 50 years ahead lies in the past.
        if (parts[3].size() == 2)
            year += year + 2000 > QDate::currentDate().year() + 50 ? 1900 : 2000;
        second = secondOfDay(parts[4]);
    } else if (parts.size() == 5 && isDigits(parts[2]) && isDigits(parts[4])) {
        // "Sun Nov  6 08:49:37 1994".
        month = monthOf(parts[1]);
        day = parts[2].toInt();
        second = secondOfDay(parts[3]);
        year = parts[4].size() == 4 ? parts[4].toInt() : 0;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 1 || second < 0)
        return std::nullopt;
    return QDateTime(date, QTime(0, 0), Qt::UTC).toSecsSinceEpoch() + second;
}

FileValidators validatorsOf(const FileStamp &stamp, QByteArrayView localAddress)
{
    FileValidators validators;
    // Times before the epoch would not survive the round trip through a date.
    validators.modified = qMax<qint64>(0, stamp.modified / (1000 * 1000 * 1000));
    validators.lastModified = httpDateOf(validators.modified);
    validators.etag = '"' + QByteArray::number(stamp.inode, 16) + '-'
        + QByteArray::number(stamp.size, 16) + '-' + QByteArray::number(stamp.modified, 16) + '-'
        + QByteArray::number(qHash(localAddress), 16).right(8) + '"';
    return validators;
}

bool isNotModified(const RequestConditions &conditions, const FileValidators &validators)
{
    if (!conditions.ifNoneMatch.isEmpty())
        return listHolds(conditions.ifNoneMatch, validators.etag, true);
    if (conditions.ifModifiedSince.isEmpty())
        return false;
    const std::optional<qint64> since = parseHttpDate(conditions.ifModifiedSince);
    return since && validators.modified <= *since;
}

bool rangeStillApplies(
    const RequestConditions &conditions, const FileValidators &validators, qint64 now)
{
    const QByteArray &ifRange = conditions.ifRange;
    if (ifRange.isEmpty())
        return true;
    if (ifRange.startsWith('"') || ifRange.startsWith("W/"))
        return ifRange.trimmed() == validators.etag;
    const std::optional<qint64> date = parseHttpDate(ifRange);
    return date && *date == validators.modified && validators.modified < now;
}
