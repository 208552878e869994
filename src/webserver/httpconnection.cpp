#include "webserver/httpconnection.h"

#include "net/socketaccept.h"
#include "net/socketio.h"
#include "net/socketshutdown.h"
#include "webserver/fileanswer.h"
#include "webserver/httprequest.h"
#include "webserver/httpresponder.h"
#include "webserver/httpserver.h"
#include "webserver/turns.h"

#include <QFile>

#include <limits>
#include <new>

namespace {

// Read from the system at once at most: requests are short, and what
// follows the last one is only thrown away.
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
    proceed();
    watchSocket();
}

bool HttpConnection::isIdle() const
{
    return m_state == State::WaitingForRequest && m_served > 0 && m_reader.isEmpty();
}

qint64 HttpConnection::deadline() const
{
    switch (m_state) {
    case State::WaitingForRequest:
        return m_since + (isIdle() ? m_limits.idleMs : m_limits.requestLineMs);
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
    // Only a reset ends both directions before an answer is out.
    if (m_state == State::Sending && (events & SocketEvents::Broken)) {
        close();
        return;
    }
    if (events & (SocketEvents::Readable | SocketEvents::Broken))
        m_mayHaveInput = true;
    proceed();
    watchSocket();
}

void HttpConnection::proceed()
{
    m_yielded = false;
    int answered = 0;
    try {
        for (;;) {
            switch (m_state) {
            case State::WaitingForRequest:
                if (answered == RequestsPerTurn) {
                    m_yielded = true;
                    return;
                }
                if (!takeRequest())
                    return;
                ++answered;
                break;
            case State::Sending:
                if (!sendAnswer())
                    return;
                finishAnswer();
                break;
            case State::Draining:
                discardInput();
                return;
            case State::Closed:
                return;
            }
        }
    } catch (const std::bad_alloc &) {
        close();
    }
}

bool HttpConnection::takeRequest()
{
    HttpRequest request;
    RequestReader::Status status;
    while ((status = m_reader.next(&request)) == RequestReader::Status::NeedMore) {
        if (!readMore())
            return false;
    }
    switch (status) {
    case RequestReader::Status::NeedMore:
    case RequestReader::Status::Request:
        handle(request);
        break;
    case RequestReader::Status::LineTooLongVersioned:
        answerStatus("414 URI Too Long");
        break;
    case RequestReader::Status::LineTooLong:
        close();
        break;
    case RequestReader::Status::HeadTooLarge:
        answerStatus("431 Request Header Fields Too Large");
        break;
    }
    return m_state == State::Sending;
}

bool HttpConnection::readMore()
{
    // Asking the system again after it gave less than asked for would only
    // hear that nothing more has come; the socket's event tells when it has.
    if (!m_mayHaveInput)
        return false;
    char buffer[ReadPieceSize];
    const qint64 read = readSocket(m_descriptor, buffer, ReadPieceSize);
    m_mayHaveInput = read == ReadPieceSize;
    if (read == SocketWouldBlock)
        return false;
    // The peer has ended its side, or failed: no request can follow.
    if (read <= 0) {
        close();
        return false;
    }
    const bool wasIdle = isIdle();
    m_reader.append(QByteArrayView(buffer, read));
    // The next request has begun: it now has the time of a request.
    if (wasIdle)
        m_server.watchDeadline(deadline());
    return true;
}

void HttpConnection::handle(const HttpRequest &request)
{
    switch (request.kind) {
    case HttpRequest::Kind::Ignored:
        return;
    case HttpRequest::Kind::BadRequest:
        answerStatus("400 Bad Request");
        return;
    case HttpRequest::Kind::NotImplemented:
        answerStatus("501 Not Implemented");
        return;
    case HttpRequest::Kind::VersionNotSupported:
        answerStatus("505 HTTP Version Not Supported");
        return;
    case HttpRequest::Kind::Get:
    case HttpRequest::Kind::Head:
        break;
    }
    ++m_served;
    // HTTP/1.0 and a bare request end with their answer, as does a request
    // with a body: where it ends is not known here.
    const bool keepAlive = request.versioned && request.minorVersion >= 1 && !request.headers.close
        && !request.headers.hasBody && m_served < MaxRequests;
    HttpAnswer answer = m_server.m_responder->answer(request, keepAlive);
    m_server.requestRead(request.target, answer.outcome);
    startAnswer(std::move(answer));
}

void HttpConnection::answerStatus(QByteArrayView status)
{
    HttpAnswer answer;
    answer.ready = HttpResponder::statusAnswer(status);
    startAnswer(std::move(answer));
}

void HttpConnection::startAnswer(HttpAnswer answer)
{
    m_state = State::Sending;
    m_closeAfter = answer.close;
    m_pending = std::move(answer.ready);
    m_sent = 0;
    m_page = std::move(answer.page);
    m_pageAt = answer.pageFrom;
    m_pageEnd = answer.pageFrom + answer.pageLength;
    m_file = std::move(answer.file);
    m_fileAt = answer.fileFrom;
    m_fileEnd = answer.fileFrom + answer.fileLength;
    // A file of one piece follows its head in the same packets without a
    // hold (see sendBytes()), unless the connection's end is to join it. A
    // longer one is held to full packets, as a network's packets are small.
    // Where they are large, as between programs on this machine, it is
    // rather handed over as it goes out: queued megabytes ahead, it would be
    // pushed out by the client's acknowledgements, on the client's time. Not
    // both: the system tells that the socket takes more only once less than
    // half the limit waits, which a held short packet may never allow.
    const bool longFile = m_file && m_fileEnd - m_fileAt > FilePieceSize;
    if (longFile && !m_unsentLimited && socketPacketSize(m_descriptor) >= LargePacket) {
        limitUnsentOutput(m_descriptor, int(LowWater));
        m_unsentLimited = true;
    }
    m_held = m_file && (m_closeAfter || longFile) && !m_unsentLimited;
    if (m_held)
        holdSocketOutput(m_descriptor, true);
    m_stream = std::move(answer.stream);
    madeProgress();
    m_server.watchDeadline(deadline());
}

// True once the whole answer has been handed to the system.
bool HttpConnection::sendAnswer()
{
    const bool bytesOut = sendBytes();
    if (m_state != State::Sending)
        return false;
    if (m_stream) {
        // The next chunk comes when little is left of the one before.
        if (queuedBytes() <= LowWater)
            m_server.m_turns->ask(this);
        return false;
    }
    return bytesOut && sendFile();
}

bool HttpConnection::sendBytes()
{
    // What follows fills the last packet: the file, or, for an answer made
    // whole that ends the connection, the end itself, which then needs no
    // packet of its own.
    const bool more = (m_file && m_fileAt < m_fileEnd) || (m_closeAfter && !m_stream);
    while (queuedBytes() > 0 || m_pageAt < m_pageEnd) {
        const qint64 head = queuedBytes(), page = m_pageEnd - m_pageAt;
        const char *headData = m_pending.constData() + m_sent;
        const char *pageData = m_page.constData() + m_pageAt;
        qint64 written;
        if (head > 0 && page > 0)
            written = writeSocket(m_descriptor, headData, head, pageData, page, more);
        else if (head > 0)
            written = writeSocket(m_descriptor, headData, head, more);
        else
            written = writeSocket(m_descriptor, pageData, page, more);
        if (written == SocketWouldBlock)
            return false;
        if (written < 0) {
            close();
            return false;
        }
        madeProgress();
        const qint64 fromHead = qMin(written, head);
        m_sent += fromHead;
        m_pageAt += written - fromHead;
        if (queuedBytes() == 0) {
            m_pending.clear();
            m_sent = 0;
        }
    }
    m_page.clear();
    return true;
}

bool HttpConnection::sendFile()
{
    if (!m_file)
        return true;
    qint64 budget = FilePieceSize;
    while (m_fileAt < m_fileEnd) {
        if (budget <= 0) {
            m_yielded = true;
            return false;
        }
        const qint64 sent = sendFileToSocket(
            m_descriptor, m_file->handle(), &m_fileAt, qMin(budget, m_fileEnd - m_fileAt));
        if (sent == SocketWouldBlock)
            return false;
        // A failed connection, or a file cut short since its length was
        // announced: the client must not take a short file for the whole.
        if (sent <= 0) {
            close();
            return false;
        }
        madeProgress();
        budget -= sent;
    }
    // The file's last packet goes now, not when the hold would time out; on
    // a connection that ends, it goes with the end.
    if (std::exchange(m_held, false) && !m_closeAfter)
        holdSocketOutput(m_descriptor, false);
    m_file.reset();
    return true;
}

void HttpConnection::takeTurn()
{
    if (m_state == State::Sending && m_stream && !readChunk())
        return;
    proceed();
    watchSocket();
}

// False when the connection has closed.
bool HttpConnection::readChunk()
{
    QByteArray piece;
    bool read = false;
    try {
        read = m_stream->next(&piece);
    } catch (const std::bad_alloc &) {
        read = false;
    }
    if (!read) {
        // The client must not take a cut-short file for the whole one.
        close();
        return false;
    }
    if (m_stream->atEnd())
        m_stream.reset();
    // Behind what the system has not taken yet.
    m_pending = queuedBytes() > 0 ? m_pending.sliced(m_sent) + piece : piece;
    m_sent = 0;
    return true;
}

void HttpConnection::finishAnswer()
{
    if (m_closeAfter) {
        // With nothing more from the peer, closing sends the answer's rest
        // and then the end; bytes still arriving would turn the close into a
        // reset, which could take the answer with it.
        if (m_reader.isEmpty() && !m_mayHaveInput)
            close();
        else
            drain();
        return;
    }
    // On a connection that stays open, the end of an answer would otherwise
    // wait for the peer to acknowledge what went before it; a connection
    // that closes sends it with its end.
    if (m_served == 1)
        sendShortPacketsAtOnce(m_descriptor);
    m_state = State::WaitingForRequest;
    m_since = m_server.now();
    m_server.watchDeadline(deadline());
}

void HttpConnection::drain()
{
    // Half-close and keep reading until the peer closes.
    m_state = State::Draining;
    m_reader = RequestReader();
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
        interest = SocketEvents::Readable;
        break;
    case State::Draining:
        interest = SocketEvents::Readable;
        break;
    case State::Sending:
        // The peer's bytes wait in the system meanwhile. A file changed on
        // its way waits for its read turn when all before it is out.
        interest = queuedBytes() > 0 || m_pageAt < m_pageEnd || m_file ? SocketEvents::Writable
                                                                       : SocketEvents::None;
        break;
    case State::Closed:
        return;
    }
    // A failed connection is still told of meanwhile.
    if (m_yielded) {
        m_server.m_turns->ask(this);
        interest = SocketEvents::None;
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
    m_stream.reset();
    m_file.reset();
    m_pending.clear();
    m_page.clear();
    m_sent = 0;
    m_reader = RequestReader();
    m_server.connectionClosed(this);
}

void HttpConnection::release()
{
    m_server.m_turns->withdraw(this);
    m_server.m_events->forget(m_descriptor);
    closeAcceptedConnection(m_descriptor);
}
