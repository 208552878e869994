#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The status line and headers of an answer to an HTTP/1.x request, up to and
// including the empty line. The answer names HTTP/1.0: the server reads no
// header and closes every connection after one answer. contentLength < 0
// leaves the length out; the body then ends where the connection does.
QByteArray httpHead(QByteArrayView status, QByteArrayView contentType, qint64 contentLength);

// The current time as a Date header gives it: "Sun, 06 Nov 1994 08:49:37 GMT".
QByteArray httpDate();
