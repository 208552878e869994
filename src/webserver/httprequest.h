#pragma once

#include "webserver/httpvalidators.h"

#include <QByteArray>
#include <QByteArrayView>

// What the server makes of one request line.
//
// A line that names no HTTP version is read the old way: only a line that
// starts with "GET" counts, and its path is taken exactly as received (no
// %-decoding, a query stays part of it). A line whose last word is an HTTP
// version is an HTTP/1.x request (RFC 9112): method, target and version
// separated by single spaces; the target's path is %-decoded and loses its
// query.
// The header fields of an HTTP/1.x request that the server acts on. Their
// values are bounded by the length of a line.
struct RequestHeaders {
    // The Host header's value, and how many Host headers came.
    QByteArray host;
    int hostCount = 0;
    // What the Connection header asks for.
    bool close = false;
    bool keepAlive = false;
    // Only one Range header counts; with more than one, none does.
    QByteArray range;
    int rangeCount = 0;
    RequestConditions conditions;
    // The request announces a body (Content-Length other than 0, or a
    // Transfer-Encoding): the connection cannot tell where the next request
    // would start, so it ends after the answer.
    bool hasBody = false;
    // A field line that does not hold together (RFC 9112, section 5): 400.
    bool malformed = false;
};

struct HttpRequest {
    enum class Kind {
        Get,
        Head, // HTTP/1.x only: the answer's head without its body
        Ignored, // a versionless line that is no GET: the client gets no answer
        BadRequest, // 400: an HTTP/1.x line that does not hold together
        NotImplemented, // 501: another method
        VersionNotSupported, // 505: HTTP/0.x, HTTP/2 and later
    };

    Kind kind = Kind::Ignored;
    // The target exactly as it came, for the log.
    QByteArray target;
    // The file asked for: a versionless request's path as received, or the
    // decoded path of an HTTP/1.x target.
    QByteArray path;
    // The line named an HTTP version: the answer carries a status line and
    // headers. Without one the client gets the bare page.
    bool versioned = false;
    // HTTP/1.x: x.
    int minorVersion = 0;
    // The host named by an absolute-form target ("http://host:port/path"),
    // which counts instead of the Host header.
    QByteArray targetHost;
    RequestHeaders headers;
};

// Reads one request line, given without its line break.
HttpRequest parseRequestLine(QByteArrayView line);

// A header field's value, or an item of one, without the blanks around it.
QByteArrayView trimmedFieldValue(QByteArrayView text);

// Reads one header field line, given without its line break, into headers.
void readHeaderLine(QByteArrayView line, RequestHeaders *headers);

// Whether the last word of a line is meant as an HTTP version ("HTTP/"
// followed by anything, in any case). Enough of a line to tell: an over-long
// line is judged by its end.
bool namesHttpVersion(QByteArrayView line);
