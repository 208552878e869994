#include "webserver/httpserver.h"

#include "webserver/httpconnection.h"
#include "webserver/httpresponder.h"
#include "webserver/localip.h"

#include <QTcpServer>
#include <QTcpSocket>

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
      m_listener(new QTcpServer(this))
{
    m_listener->setListenBacklogSize(ListenBacklog);
    connect(m_listener, &QTcpServer::newConnection, this, &HttpServer::acceptPending);
}

HttpServer::~HttpServer()
{
    stop();
}

bool HttpServer::start()
{
    m_listener->close();
    m_localAddress = LocalIP();
    m_responder = std::make_shared<const HttpResponder>(m_dataDirectory, m_localAddress.toLatin1());
    return m_listener->listen(m_address, m_port);
}

void HttpServer::stop()
{
    m_listener->close();
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

QString HttpServer::errorString() const
{
    return m_listener->errorString();
}

void HttpServer::acceptPending()
{
    while (m_requestsInProgress < MaxRequestsInProgress && m_listener->hasPendingConnections()) {
        QTcpSocket *socket = m_listener->nextPendingConnection();
        ++m_requestsInProgress;
        Q_EMIT connectionAccepted(peerText(socket->peerAddress()));
        auto *connection = new HttpConnection(socket, m_responder, m_idleLimitMs, this);
        connect(connection, &HttpConnection::requestReceived, this, &HttpServer::requestReceived);
        connect(connection, &HttpConnection::waitingEnded, this, [this] {
            --m_requestsInProgress;
            acceptPending();
        });
    }
}

void HttpServer::endConnections()
{
    const auto connections = findChildren<HttpConnection *>(Qt::FindDirectChildrenOnly);
    for (HttpConnection *connection : connections)
        delete connection;
    m_requestsInProgress = 0;
}
