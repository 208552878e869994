#pragma once

#include "webserver/httprequest.h"
#include "webserver/requestlinereader.h"

// Collects a connection's bytes into whole requests: the request line and,
// for an HTTP/1.x request to be served, its header fields up to the empty
// line. Requests may arrive in any number of pieces, and several may arrive
// at once (pipelined); they are taken one at a time, in order.
//
// Lines that are no request (and name no HTTP version) are passed over, as
// are empty lines before a request. A request that is not served (400, 501,
// 505) comes at once, without its header fields: the connection answers it
// and ends. Every head has a bound: a line of RequestLineReader::MaxLineLength,
// MaxFieldLines field lines and MaxHeadSize bytes in all.
class RequestReader
{
public:
    static constexpr int MaxFieldLines = 100;
    static constexpr qsizetype MaxHeadSize = 32 * 1024;

    enum class Status {
        NeedMore,
        Request,
        // The request line was too long: one that names an HTTP version is
        // told so (414); without one, the connection just ends.
        LineTooLongVersioned,
        LineTooLong,
        // The header fields were too many or too long (431).
        HeadTooLarge,
    };

    void append(QByteArrayView bytes) { m_lines.append(bytes); }

    // The next request, complete, into *request.
    Status next(HttpRequest *request);

    // Whether anything of a next request has arrived.
    bool isEmpty() const { return m_lines.isEmpty() && !m_inHead; }

private:
    Status readFields(HttpRequest *request);

    RequestLineReader m_lines;
    // A request whose request line has come and whose fields are coming.
    HttpRequest m_request;
    bool m_inHead = false;
    int m_fieldLines = 0;
    qsizetype m_headSize = 0;
};
