#include "webserver/httphead.h"

#include <QDateTime>

namespace {

QByteArray twoDigits(int value)
{
    return QByteArray::number(value).rightJustified(2, '0');
}

} // namespace

QByteArray httpDate()
{
    // Formatted once a second at most: a busy server asks for it with every
    // answer.
    static qint64 second = -1;
    static QByteArray text;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (now == second)
        return text;
    static const char *const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char *const months[]
        = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDateTime time = QDateTime::fromSecsSinceEpoch(now, Qt::UTC);
    const QDate date = time.date();
    const QTime clock = time.time();
    text = QByteArray(days[date.dayOfWeek() - 1]) + ", " + twoDigits(date.day()) + ' '
        + months[date.month() - 1] + ' ' + QByteArray::number(date.year()) + ' '
        + twoDigits(clock.hour()) + ':' + twoDigits(clock.minute()) + ':'
        + twoDigits(clock.second()) + " GMT";
    second = now;
    return text;
}

QByteArray httpHead(QByteArrayView status, QByteArrayView contentType, qint64 contentLength)
{
    QByteArray head;
    head.reserve(192);
    head += "HTTP/1.0 ";
    head += status;
    head += "\r\nDate: ";
    head += httpDate();
    head += "\r\n";
    if (!contentType.isEmpty()) {
        head += "Content-Type: ";
        head += contentType;
        head += "\r\n";
    }
    if (contentLength >= 0) {
        head += "Content-Length: ";
        head += QByteArray::number(contentLength);
        head += "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    return head;
}
