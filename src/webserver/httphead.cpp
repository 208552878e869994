#include "webserver/httphead.h"

#include "webserver/httpvalidators.h"

#include <QDateTime>

QByteArray httpDate()
{
    // Formatted once a second at most: a busy server asks for it with every
    // answer.
    static qint64 second = -1;
    static QByteArray text;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (now != second) {
        text = httpDateOf(now);
        second = now;
    }
    return text;
}

QByteArray httpHead(const HttpHead &head)
{
    QByteArray text;
    text.reserve(320);
    text += "HTTP/1.1 ";
    text += head.status;
    text += "\r\nDate: ";
    text += httpDate();
    text += "\r\n";
    if (!head.contentType.isEmpty()) {
        text += "Content-Type: ";
        text += head.contentType;
        text += "\r\n";
    }
    if (head.contentLength >= 0) {
        text += "Content-Length: ";
        text += QByteArray::number(head.contentLength);
        text += "\r\n";
    } else if (head.chunked) {
        text += "Transfer-Encoding: chunked\r\n";
    }
    if (!head.contentRange.isEmpty()) {
        text += "Content-Range: ";
        text += head.contentRange;
        text += "\r\n";
    }
    if (head.validators) {
        text += "Last-Modified: ";
        text += head.validators->lastModified;
        text += "\r\nETag: ";
        text += head.validators->etag;
        text += "\r\n";
    }
    if (head.acceptsRanges)
        text += "Accept-Ranges: bytes\r\n";
    if (head.close)
        text += "Connection: close\r\n";
    text += "\r\n";
    return text;
}
