#include "webserver/httpconnection.h"

#include "platform/socketshutdown.h"
#include "webserver/fileanswer.h"
#include "webserver/httprequest.h"
#include "webserver/httpresponder.h"
#include "webserver/readturns.h"

#include <QTcpSocket>
#include <QTimer>
#include <QTimerEvent>

#include <new>

namespace {

// Read from the system at once at most: a request line is short, and what
// follows it is only thrown away.
constexpr qint64 ReadPieceSize = 16 * 1024;

} // namespace

HttpConnection::HttpConnection(QTcpSocket *socket, std::shared_ptr<HttpResponder> responder,
    ReadTurns &turns, Limits limits, QObject *parent)
    : QObject(parent), m_socket(socket), m_responder(std::move(responder)), m_turns(turns),
      m_limits(limits)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(ReadPieceSize);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::readable);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        madeProgress();
        sendMore();
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HttpConnection::close);
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpConnection::close);
    m_timer.start(m_limits.requestLineMs, this);
    // A connection that waited in the listen queue may already hold its
    // request, or be gone, with the signals that told so sent to no one.
    if (m_socket->bytesAvailable() > 0 || m_socket->state() != QAbstractSocket::ConnectedState)
        QTimer::singleShot(0, this, &HttpConnection::catchUp);
}

HttpConnection::~HttpConnection()
{
    m_turns.withdraw(this);
}

qint64 HttpConnection::queuedBytes() const
{
    return m_state == State::Closed ? 0 : m_socket->bytesToWrite();
}

void HttpConnection::catchUp()
{
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        readable();
    else
        close();
}

void HttpConnection::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    // Progress does not restart the timer each time; it is looked at here.
    const qint64 quiet = m_progress.isValid() ? m_progress.elapsed() : 0;
    if (m_state == State::Sending && quiet < m_limits.stalledMs)
        m_timer.start(int(m_limits.stalledMs - quiet), this);
    else
        close();
}

void HttpConnection::readable()
{
    try {
        if (m_state == State::WaitingForRequest)
            readRequest();
        else if (m_state == State::Draining)
            discardInput();
        // While the answer goes out, what the peer sends waits in the system.
    } catch (const std::bad_alloc &) {
        close();
    }
}

void HttpConnection::readRequest()
{
    m_reader.append(m_socket->readAll());
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
        Q_EMIT requestReceived(request.target);
        answer(m_responder->answer(request));
        return;
    }
}

void HttpConnection::answer(HttpAnswer answer)
{
    holdInput();
    m_state = State::Sending;
    madeProgress();
    m_timer.start(m_limits.stalledMs, this);
    m_file = std::move(answer.file);
    if (!answer.ready.isEmpty() && !send(answer.ready))
        return;
    sendMore();
}

bool HttpConnection::send(const QByteArray &bytes)
{
    if (m_socket->write(bytes) != bytes.size()) {
        close();
        return false;
    }
    // At once rather than on the next pass of the event loop; what the
    // system does not take now follows through bytesWritten.
    m_socket->flush();
    return true;
}

void HttpConnection::sendMore()
{
    if (m_state != State::Sending)
        return;
    if (m_file) {
        if (m_socket->bytesToWrite() <= LowWater)
            m_turns.ask(this);
        return;
    }
    // The rest comes back here through bytesWritten.
    if (m_socket->bytesToWrite() == 0)
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
}

void HttpConnection::drain()
{
    // Half-close and keep reading until the peer closes: closing outright
    // while its request bytes are still arriving would reset the connection
    // and could take the answer with it.
    m_state = State::Draining;
    if (!shutdownSending(m_socket->socketDescriptor())) {
        close();
        return;
    }
    m_timer.start(m_limits.stalledMs, this);
    m_socket->setReadBufferSize(ReadPieceSize);
    discardInput();
}

void HttpConnection::discardInput()
{
    // Reading on lets the socket see the peer's close, which ends the
    // connection through disconnected().
    m_socket->readAll();
}

void HttpConnection::holdInput()
{
    // The socket reads from the system only while its buffer has room: a
    // buffer of one byte, kept full, stops it.
    m_socket->setReadBufferSize(1);
    if (m_socket->bytesAvailable() == 0)
        m_socket->ungetChar('\n');
}

void HttpConnection::madeProgress()
{
    m_progress.start();
}

void HttpConnection::close()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    m_timer.stop();
    m_turns.withdraw(this);
    m_file.reset();
    m_socket->abort();
    Q_EMIT closed();
    deleteLater();
}
