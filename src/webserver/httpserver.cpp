#include "webserver/httpserver.h"

#include "net/socketevents.h"
#include "webserver/httpresponder.h"
#include "webserver/localip.h"
#include "webserver/turns.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimerEvent>

#include <climits>
#include <limits>
#include <new>

namespace {

// Clients reaching a dual-stack listener over IPv4 show as ::ffff:a.b.c.d;
// the log names them as users know them.
QString peerText(const QHostAddress &address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4).toString() : address.toString();
}

} // namespace

HttpServer::HttpServer(
    const QString &dataDirectory, quint16 port, const QHostAddress &address, QObject *parent)
    : QObject(parent), m_dataDirectory(dataDirectory), m_port(port), m_address(address),
      m_listener(new QTcpServer(this)), m_turns(new Turns(this)), m_events(new SocketEvents(this))
{
    m_clock.start();
    for (int i = 0; i < FallbackPortCount; ++i)
        m_fallbackPorts.append(quint16(FirstFallbackPort + i));
    m_listener->setListenBacklogSize(ListenBacklog);
}

HttpServer::~HttpServer()
{
    stop();
}

std::optional<HttpServer::ListenError> HttpServer::listenNormally(
    QTcpServer &listener, const QHostAddress &address, quint16 port)
{
    if (listener.listen(address, port))
        return std::nullopt;
    return ListenError{listener.serverError(), listener.errorString()};
}

bool HttpServer::start()
{
    stop();
    m_localAddress = LocalIP();
    m_responder = std::make_shared<HttpResponder>(
        m_dataDirectory, m_localAddress.toLatin1(), m_privateFolders);
    const std::optional<ListenError> error = listenWithFallback();
    m_errorString = error ? error->text : QString();
    if (error)
        m_responder.reset();
    else
        takeOverAccepting();
    return !error;
}

std::optional<HttpServer::ListenError> HttpServer::listenWithFallback()
{
    m_triedFallback = false;
    const std::optional<ListenError> error = m_listen(*m_listener, m_address, m_port);
    // Only a port kept for the administrator sends the server elsewhere; a
    // port in use is the user's to free.
    if (!error || error->error != QAbstractSocket::SocketAccessError)
        return error;
    m_triedFallback = true;
    for (const quint16 port : std::as_const(m_fallbackPorts)) {
        if (!m_listen(*m_listener, m_address, port))
            return std::nullopt;
    }
    return error;
}

// The listener only listens; clients are taken from its socket here.
void HttpServer::takeOverAccepting()
{
    m_listener->pauseAccepting();
    m_acceptNotifier
        = new QSocketNotifier(m_listener->socketDescriptor(), QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, &HttpServer::clientsWaiting);
}

void HttpServer::stop()
{
    delete std::exchange(m_acceptNotifier, nullptr);
    if (m_waitingClient)
        closeAcceptedConnection(std::exchange(m_waitingClient, std::nullopt)->descriptor);
    m_listener->close();
    m_acceptPause.stop();
    m_limitTimer.stop();
    endConnections();
    m_responder.reset();
}

bool HttpServer::isListening() const
{
    return m_listener->isListening();
}

quint16 HttpServer::serverPort() const
{
    return m_listener->serverPort();
}

qint64 HttpServer::queuedBytes() const
{
    qint64 total = 0;
    for (const HttpConnection *connection : m_connections)
        total += connection->queuedBytes();
    return total;
}

int HttpServer::keptPages() const
{
    return m_responder ? m_responder->keptPages() : 0;
}

void HttpServer::clientsWaiting()
{
    deleteClosedConnections();
    acceptPending();
}

void HttpServer::deleteClosedConnections()
{
    // Only ever called from the event loop itself, with no connection amid
    // a call of its own.
    m_deleteClosed.stop();
    qDeleteAll(std::exchange(m_closed, {}));
}

void HttpServer::acceptPending()
{
    // Closing a connection to make room comes back here.
    if (m_accepting || !m_acceptNotifier)
        return;
    m_accepting = true;
    // A few clients at a time: with the answers going out at once, a quick
    // client could otherwise keep the listen queue full and the connections
    // it has finished with would never be told of.
    for (int taken = 0; taken < AcceptsPerPass; ++taken) {
        if (!m_waitingClient && !takeWaitingClient())
            break;
        // One client is taken ahead even when every place is held, as that
        // is the only way to know that someone waits; the rest stay in the
        // listen queue until a place frees.
        if (m_connections.size() >= m_maxConnections && !makeRoom()) {
            m_acceptNotifier->setEnabled(false);
            break;
        }
        adopt(*std::exchange(m_waitingClient, std::nullopt));
    }
    m_accepting = false;
}

bool HttpServer::takeWaitingClient()
{
    AcceptedConnection accepted = acceptConnection(m_listener->socketDescriptor());
    if (accepted.outcome == AcceptedConnection::Outcome::OutOfResources)
        pauseAccepting();
    if (accepted.outcome != AcceptedConnection::Outcome::Accepted)
        return false;
    m_waitingClient = std::move(accepted);
    return true;
}

void HttpServer::adopt(const AcceptedConnection &accepted)
{
    std::unique_ptr<HttpConnection> connection;
    try {
        Q_EMIT connectionAccepted(peerText(accepted.peer));
        connection = std::make_unique<HttpConnection>(accepted.descriptor, *this, m_limits);
        m_connections.append(connection.get());
    } catch (const std::bad_alloc &) {
        // A connection made closes its descriptor as it goes.
        if (!connection)
            closeAcceptedConnection(accepted.descriptor);
        return;
    }
    HttpConnection *adopted = connection.release();
    watchDeadline(adopted->deadline());
    adopted->start();
}

bool HttpServer::makeRoom()
{
    // A connection kept open in case its client asks again costs that
    // client no more than a new connection.
    HttpConnection *idle = nullptr;
    for (HttpConnection *connection : std::as_const(m_connections)) {
        if (connection->isIdle() && (!idle || connection->since() < idle->since()))
            idle = connection;
    }
    if (idle) {
        idle->close();
        return true;
    }
    // Then an idle opener: a client that has sent nothing may be an
    // attacker holding places. Then a connection that only waits for its
    // client to close.
    for (const auto state :
        {HttpConnection::State::WaitingForRequest, HttpConnection::State::Draining}) {
        for (HttpConnection *connection : std::as_const(m_connections)) {
            if (connection->state() == state) {
                connection->close();
                return true;
            }
        }
    }
    return false;
}

void HttpServer::connectionClosed(HttpConnection *connection)
{
    m_connections.removeOne(connection);
    m_closed.append(connection);
    // Most go when the next client is accepted. While every place is held
    // that may take long; a timer of no time then clears them on the next
    // pass of the event loop.
    if (m_closed.size() >= ClosedKept && !m_deleteClosed.isActive())
        m_deleteClosed.start(0, this);
    // Only a client taken while every place was held needs the freed place
    // now; any other is told of by the listening socket.
    if (m_waitingClient && m_acceptNotifier && !m_acceptPause.isActive()) {
        m_acceptNotifier->setEnabled(true);
        acceptPending();
    }
}

void HttpServer::watchDeadline(qint64 deadline)
{
    if (m_limitTimer.isActive() && m_limitDue <= deadline)
        return;
    m_limitDue = deadline;
    m_limitTimer.start(int(qBound(qint64(0), deadline - now(), qint64(INT_MAX))), this);
}

void HttpServer::closeExpiredConnections()
{
    m_limitTimer.stop();
    const qint64 time = now();
    qint64 next = std::numeric_limits<qint64>::max();
    // Closing one changes the list.
    const QList<HttpConnection *> connections = m_connections;
    for (HttpConnection *connection : connections) {
        const qint64 deadline = connection->deadline();
        if (deadline <= time)
            connection->close();
        else
            next = qMin(next, deadline);
    }
    if (next != std::numeric_limits<qint64>::max())
        watchDeadline(next);
}

void HttpServer::pauseAccepting()
{
    // Out of descriptors, accepting would fail again as fast as it could
    // try; it rests instead, and tries again after a while.
    m_acceptNotifier->setEnabled(false);
    if (!m_acceptPause.isActive())
        Q_EMIT acceptingPaused();
    m_acceptPause.start(AcceptPauseMs, this);
}

void HttpServer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_deleteClosed.timerId()) {
        deleteClosedConnections();
        return;
    }
    if (event->timerId() == m_limitTimer.timerId()) {
        closeExpiredConnections();
        return;
    }
    if (event->timerId() != m_acceptPause.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    m_acceptPause.stop();
    if (m_acceptNotifier) {
        Q_EMIT acceptingResumed();
        m_acceptNotifier->setEnabled(true);
        acceptPending();
    }
}

void HttpServer::endConnections()
{
    // Deleting a connection that is still open closes it without telling.
    qDeleteAll(std::exchange(m_connections, {}));
    deleteClosedConnections();
}
