#pragma once

#include <QByteArray>
#include <QByteArrayView>

// What the server makes of one request line. Only the method and the path are
// read; the path is taken as received, without %-decoding, query included.
struct HttpRequest {
    enum class Kind {
        Get, // a line starting with "GET" that names a path
        Ignored, // anything else without an HTTP/1.x version: the client gets no answer
        NotImplemented, // another method with an HTTP/1.x version
    };

    Kind kind = Kind::Ignored;
    QByteArray path;
    // The line ends in "HTTP/1.0" or "HTTP/1.1": the answer carries a status
    // line and headers. Without it the client gets the bare page.
    bool wantsHttpHeaders = false;
};

// Reads one request line, given without its line break.
HttpRequest parseRequestLine(QByteArrayView line);
