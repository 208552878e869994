#pragma once

#include <QByteArray>
#include <QByteArrayView>

struct FileValidators;

// The status line and header fields of an answer to an HTTP/1.x request.
struct HttpHead {
    QByteArrayView status;
    QByteArrayView contentType;
    // < 0 leaves the length out: the body is then chunked, or ends where
    // the connection does.
    qint64 contentLength = -1;
    bool chunked = false;
    // "bytes 0-99/1000" for part of a file, "bytes */1000" when no part
    // could be given.
    QByteArrayView contentRange;
    // A file's Last-Modified and ETag.
    const FileValidators *validators = nullptr;
    // The file can be asked for in parts.
    bool acceptsRanges = false;
    // The connection ends after this answer.
    bool close = true;
};

// The head up to and including the empty line. It names HTTP/1.1, the
// highest version the server speaks, whatever version the request named.
QByteArray httpHead(const HttpHead &head);

// The current time as a Date header gives it: "Sun, 06 Nov 1994 08:49:37 GMT".
QByteArray httpDate();
