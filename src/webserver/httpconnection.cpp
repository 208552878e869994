#include "webserver/httpconnection.h"

#include "platform/socketshutdown.h"
#include "webserver/httprequest.h"
#include "webserver/httpresponder.h"

#include <QTcpSocket>
#include <QTimer>
#include <QTimerEvent>

HttpConnection::HttpConnection(QTcpSocket *socket, std::shared_ptr<const HttpResponder> responder,
    int idleLimitMs, QObject *parent)
    : QObject(parent), m_socket(socket), m_responder(std::move(responder)),
      m_idleLimitMs(idleLimitMs)
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::readSocket);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        shutdownWhenSent();
        // A peer that is still taking the answer is not idle.
        if (m_state == State::Sending)
            m_idleTimer.start(m_idleLimitMs, this);
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // A peer that closes its side may still be reading: the socket sends
        // what is queued and then reports the disconnect.
        if (error != QAbstractSocket::RemoteHostClosedError)
            close();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpConnection::close);
    m_idleTimer.start(m_idleLimitMs, this);
    // A connection that waited in the listen queue may already hold its
    // request, or be gone, with the signals that told so sent to no one.
    if (m_socket->bytesAvailable() > 0 || m_socket->state() != QAbstractSocket::ConnectedState)
        QTimer::singleShot(0, this, &HttpConnection::catchUp);
}

void HttpConnection::catchUp()
{
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        readSocket();
    else
        close();
}

void HttpConnection::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_idleTimer.timerId())
        close();
    else
        QObject::timerEvent(event);
}

void HttpConnection::readSocket()
{
    const QByteArray bytes = m_socket->readAll();
    // Whatever follows the request line is read only to be thrown away.
    if (m_state != State::WaitingForRequest)
        return;
    m_reader.append(bytes);
    QByteArray line;
    for (;;) {
        switch (m_reader.takeLine(&line)) {
        case RequestLineReader::Status::NeedMore:
            return;
        case RequestLineReader::Status::TooLong:
            close();
            return;
        case RequestLineReader::Status::Line:
            break;
        }
        const HttpRequest request = parseRequestLine(line);
        switch (request.kind) {
        case HttpRequest::Kind::Ignored:
            // Not a request; the next line may still be one.
            continue;
        case HttpRequest::Kind::NotImplemented:
            send(HttpResponder::notImplementedAnswer());
            return;
        case HttpRequest::Kind::Get:
            Q_EMIT requestReceived(request.path);
            send(m_responder->answer(request));
            return;
        }
    }
}

void HttpConnection::send(const QByteArray &answer)
{
    setState(State::Sending);
    m_socket->write(answer);
    m_socket->flush();
    shutdownWhenSent();
}

void HttpConnection::shutdownWhenSent()
{
    if (m_state != State::Sending || m_socket->bytesToWrite() > 0)
        return;
    // Half-close and keep reading until the peer closes: closing outright
    // while its request bytes are still arriving would reset the connection
    // and could take the answer with it.
    setState(State::Draining);
    if (!shutdownSending(m_socket->socketDescriptor())) {
        close();
        return;
    }
    m_idleTimer.start(m_idleLimitMs, this);
}

void HttpConnection::close()
{
    if (m_state == State::Closed)
        return;
    setState(State::Closed);
    m_idleTimer.stop();
    m_socket->abort();
    deleteLater();
}

void HttpConnection::setState(State state)
{
    const bool wasWaiting = m_state == State::WaitingForRequest;
    m_state = state;
    if (wasWaiting)
        Q_EMIT waitingEnded();
}
