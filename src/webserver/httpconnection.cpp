#include "webserver/httpconnection.h"

#include "net/socketaccept.h"
#include "net/socketio.h"
#include "net/socketshutdown.h"
#include "webserver/fileanswer.h"
#include "webserver/httprequest.h"
#include "webserver/httpresponder.h"
#include "webserver/httpserver.h"
#include "webserver/readturns.h"

#include <limits>
#include <new>

namespace {

// Read from the system at once at most: a request line is short, and what
// follows it is only thrown away.
constexpr qint64 ReadPieceSize = 16 * 1024;

} // namespace

HttpConnection::HttpConnection(qintptr descriptor, HttpServer &server, Limits limits)
    : m_descriptor(descriptor), m_server(server), m_limits(limits), m_since(server.now())
{ }

HttpConnection::~HttpConnection()
{
    if (m_state != State::Closed)
        release();
}

void HttpConnection::start()
{
    // A client sends its request as soon as it has connected, so it is
    // mostly there by the time the connection is taken: reading it at once
    // saves waiting a pass of the event loop for the news.
    readRequest();
    watchSocket();
}

qint64 HttpConnection::deadline() const
{
    switch (m_state) {
    case State::WaitingForRequest:
        return m_since + m_limits.requestLineMs;
    case State::Sending:
    case State::Draining:
        return m_since + m_limits.stalledMs;
    case State::Closed:
        break;
    }
    return std::numeric_limits<qint64>::max();
}

void HttpConnection::socketEvent(int events)
{
    switch (m_state) {
    case State::WaitingForRequest:
        readRequest();
        break;
    case State::Sending:
        // Only a reset ends both directions before the answer is out.
        if (events & SocketEvents::Broken)
            close();
        else
            sendPending();
        break;
    case State::Draining:
        discardInput();
        break;
    case State::Closed:
        return;
    }
    watchSocket();
}

void HttpConnection::readRequest()
{
    char buffer[ReadPieceSize];
    const qint64 read = readSocket(m_descriptor, buffer, ReadPieceSize);
    if (read == SocketWouldBlock)
        return;
    if (read <= 0) {
        close();
        return;
    }
    try {
        m_reader.append(QByteArrayView(buffer, read));
        QByteArray line;
        for (;;) {
            switch (m_reader.takeLine(&line)) {
            case RequestLineReader::Status::NeedMore:
                return;
            case RequestLineReader::Status::TooLong:
                // Only a request that named a version can be told so.
                if (namesHttpVersion(line))
                    answer({HttpResponder::statusAnswer("414 URI Too Long"), nullptr});
                else
                    close();
                return;
            case RequestLineReader::Status::Line:
                break;
            }
            bool waitForMore = false;
            handleLine(line, &waitForMore);
            if (!waitForMore)
                return;
        }
    } catch (const std::bad_alloc &) {
        close();
    }
}

void HttpConnection::handleLine(const QByteArray &line, bool *waitForMore)
{
    const HttpRequest request = parseRequestLine(line);
    switch (request.kind) {
    case HttpRequest::Kind::Ignored:
        // Not a request; the next line may still be one.
        *waitForMore = true;
        return;
    case HttpRequest::Kind::BadRequest:
        answer({HttpResponder::statusAnswer("400 Bad Request"), nullptr});
        return;
    case HttpRequest::Kind::NotImplemented:
        answer({HttpResponder::statusAnswer("501 Not Implemented"), nullptr});
        return;
    case HttpRequest::Kind::VersionNotSupported:
        answer({HttpResponder::statusAnswer("505 HTTP Version Not Supported"), nullptr});
        return;
    case HttpRequest::Kind::Get:
    case HttpRequest::Kind::Head:
        m_server.requestRead(request.target);
        answer(m_server.m_responder->answer(request));
        return;
    }
}

void HttpConnection::answer(HttpAnswer answer)
{
    // The rest of the request, and whatever follows it, stays unread.
    m_reader = RequestLineReader();
    m_state = State::Sending;
    madeProgress();
    m_server.watchDeadline(deadline());
    m_file = std::move(answer.file);
    if (!answer.ready.isEmpty() && !send(answer.ready))
        return;
    sendMore();
}

bool HttpConnection::send(const QByteArray &bytes)
{
    if (queuedBytes() > 0) {
        // Behind what the system has not taken yet; a file's chunk comes
        // only when little is left of the one before.
        m_pending = m_pending.sliced(m_sent) + bytes;
        m_sent = 0;
        return true;
    }
    const qint64 written = writeSocket(m_descriptor, bytes.constData(), bytes.size());
    if (written == -1) {
        close();
        return false;
    }
    if (written > 0)
        madeProgress();
    if (written < bytes.size()) {
        // Shared with the answer kept ready, not copied.
        m_pending = bytes;
        m_sent = qMax<qint64>(written, 0);
    }
    return true;
}

void HttpConnection::sendPending()
{
    if (queuedBytes() > 0) {
        const qint64 written
            = writeSocket(m_descriptor, m_pending.constData() + m_sent, queuedBytes());
        if (written == -1) {
            close();
            return;
        }
        if (written > 0) {
            madeProgress();
            m_sent += written;
            if (m_sent == m_pending.size()) {
                m_pending.clear();
                m_sent = 0;
            }
        }
    }
    sendMore();
}

void HttpConnection::sendMore()
{
    if (m_state != State::Sending)
        return;
    if (m_file) {
        if (queuedBytes() <= LowWater)
            m_server.m_turns->ask(this);
        return;
    }
    if (queuedBytes() == 0)
        drain();
}

void HttpConnection::takeReadTurn()
{
    if (m_state != State::Sending || !m_file)
        return;
    QByteArray piece;
    bool read = false;
    try {
        read = m_file->next(&piece);
    } catch (const std::bad_alloc &) {
        read = false;
    }
    if (!read) {
        // The client must not take a cut-short file for the whole one.
        close();
        return;
    }
    if (m_file->atEnd())
        m_file.reset();
    if (!piece.isEmpty() && !send(piece))
        return;
    sendMore();
    watchSocket();
}

void HttpConnection::drain()
{
    // Half-close and keep reading until the peer closes: closing outright
    // while its request bytes are still arriving would reset the connection
    // and could take the answer with it.
    m_state = State::Draining;
    if (!shutdownSending(m_descriptor)) {
        close();
        return;
    }
    m_since = m_server.now();
    m_server.watchDeadline(deadline());
}

void HttpConnection::discardInput()
{
    char buffer[ReadPieceSize];
    const qint64 read = readSocket(m_descriptor, buffer, ReadPieceSize);
    // The peer's close, or a failure, ends the connection.
    if (read == 0 || read == -1)
        close();
}

void HttpConnection::madeProgress()
{
    m_since = m_server.now();
}

void HttpConnection::watchSocket()
{
    int interest = SocketEvents::None;
    switch (m_state) {
    case State::WaitingForRequest:
    case State::Draining:
        interest = SocketEvents::Readable;
        break;
    case State::Sending:
        // The peer's bytes wait in the system meanwhile.
        interest = queuedBytes() > 0 ? SocketEvents::Writable : SocketEvents::None;
        break;
    case State::Closed:
        return;
    }
    if (!m_server.m_events->watch(m_descriptor, this, interest))
        close();
}

void HttpConnection::close()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    release();
    m_file.reset();
    m_pending.clear();
    m_sent = 0;
    m_reader = RequestLineReader();
    m_server.connectionClosed(this);
}

void HttpConnection::release()
{
    m_server.m_turns->withdraw(this);
    m_server.m_events->forget(m_descriptor);
    closeAcceptedConnection(m_descriptor);
}
