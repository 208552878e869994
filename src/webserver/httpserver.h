#pragma once

#include "net/socketaccept.h"
#include "webserver/httpconnection.h"

#include <QAbstractSocket>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class HttpResponder;
class QSocketNotifier;
class QTcpServer;
class Turns;
class SocketEvents;

// The web server without its window: listens, gives every connection an
// HttpConnection of its own and reports what happens for the log.
//
// Every connection holds one of a fixed number of places until it is closed.
// With all places taken, a new client takes the place of a connection that
// is kept open for a next request that has not begun (the one that has
// waited longest), else of the connection that has waited longest without a
// complete request, else of the oldest connection whose answer has all been
// handed over and that only waits for the client to close; with none of
// these it waits in the listen queue.
class HttpServer : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultPort = 80;
    // Where the server goes when the system keeps the first port for its
    // administrator: the first of these that is free.
    static constexpr quint16 FirstFallbackPort = 8080;
    static constexpr int FallbackPortCount = 10;
    static constexpr int DefaultMaxConnections = 256;
    // Bursts of clients must find room in the accept queue; an overflowing
    // queue makes them wait a second for a SYN retransmit.
    static constexpr int ListenBacklog = 1024;
    static constexpr HttpConnection::Limits DefaultLimits{10 * 1000, 30 * 1000};
    // When the process runs out of descriptors, accepting rests this long.
    static constexpr int AcceptPauseMs = 500;
    // Clients taken from the listen queue in one pass of the event loop.
    static constexpr int AcceptsPerPass = 4;

    struct ListenError {
        QAbstractSocket::SocketError error;
        QString text;
    };
    // Opens the listening socket on one port. Tests replace it to meet what
    // an ordinary user meets: a port refused for lack of rights.
    using Listen = std::function<std::optional<ListenError>(
        QTcpServer &listener, const QHostAddress &address, quint16 port)>;
    static std::optional<ListenError> listenNormally(
        QTcpServer &listener, const QHostAddress &address, quint16 port);

    // Port 0 lets the system choose one (see serverPort()).
    explicit HttpServer(const QString &dataDirectory, quint16 port = DefaultPort,
        const QHostAddress &address = QHostAddress::Any, QObject *parent = nullptr);
    ~HttpServer() override;

    // Starts listening on port(), or, when that port is refused for lack of
    // rights, on the first free fallback port. On failure errorString() gives
    // the system's reason for port().
    bool start();
    // Stops listening and ends every connection at once.
    void stop();

    bool isListening() const;
    // The first port asked for, and the one listened on.
    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    quint16 serverPort() const;
    QString errorString() const { return m_errorString; }
    // Whether start() went on to the fallback ports (and with what luck).
    bool triedFallbackPorts() const { return m_triedFallback; }
    QList<quint16> fallbackPorts() const { return m_fallbackPorts; }

    // The address put into pages for "$ip", fixed when the server started.
    QString localAddress() const { return m_localAddress; }

    // For tests; each applies from the next start or connection on.
    void setListen(Listen listen) { m_listen = std::move(listen); }
    void setFallbackPorts(const QList<quint16> &ports) { m_fallbackPorts = ports; }
    void setLimits(HttpConnection::Limits limits) { m_limits = limits; }
    void setMaxConnections(int count) { m_maxConnections = count; }
    // Folders nothing may be served from, however a path leads there.
    void setPrivateFolders(const QStringList &folders) { m_privateFolders = folders; }

    int connectionCount() const { return int(m_connections.size()); }
    // Bytes of answers held by the program that the system has not taken.
    qint64 queuedBytes() const;
    // How many small files are kept ready to send.
    int keptPages() const;

Q_SIGNALS:
    void connectionAccepted(const QString &peerAddress);
    // A request with its target as it came and the answer's outcome: the
    // status code and, for part of a file, which part.
    void requestReceived(const QByteArray &target, const QByteArray &outcome = {});
    // The process ran out of descriptors: accepting rests for a while and
    // then resumes by itself.
    void acceptingPaused();
    void acceptingResumed();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    friend class HttpConnection;

    std::optional<ListenError> listenWithFallback();
    void takeOverAccepting();
    void clientsWaiting();
    void deleteClosedConnections();
    void acceptPending();
    bool takeWaitingClient();
    void adopt(const AcceptedConnection &accepted);
    bool makeRoom();
    void pauseAccepting();
    void endConnections();
    void closeExpiredConnections();

    // For the connections.
    qint64 now() const { return m_clock.elapsed(); }
    void requestRead(const QByteArray &target, const QByteArray &outcome)
    {
        Q_EMIT requestReceived(target, outcome);
    }
    // A connection's time runs out then, or later.
    void watchDeadline(qint64 deadline);
    void connectionClosed(HttpConnection *connection);

    const QString m_dataDirectory;
    QStringList m_privateFolders;
    quint16 m_port;
    const QHostAddress m_address;
    QTcpServer *m_listener;
    Turns *m_turns;
    SocketEvents *m_events;
    std::shared_ptr<HttpResponder> m_responder;
    QString m_localAddress;
    QString m_errorString;
    bool m_triedFallback = false;
    Listen m_listen = &HttpServer::listenNormally;
    QList<quint16> m_fallbackPorts;
    HttpConnection::Limits m_limits = DefaultLimits;
    int m_maxConnections = DefaultMaxConnections;
    // In the order they were accepted.
    QList<HttpConnection *> m_connections;
    // Closed, to be deleted once the calls that closed them have returned.
    static constexpr qsizetype ClosedKept = 64;
    QList<HttpConnection *> m_closed;
    QBasicTimer m_deleteClosed;
    // One timer for the time limits of every connection, due at the
    // earliest deadline or before.
    QElapsedTimer m_clock;
    QBasicTimer m_limitTimer;
    qint64 m_limitDue = 0;
    // Accepting is done here, not by the listener (see socketaccept.h).
    QSocketNotifier *m_acceptNotifier = nullptr;
    // A client taken while every place was held, waiting for one to free.
    std::optional<AcceptedConnection> m_waitingClient;
    bool m_accepting = false;
    QBasicTimer m_acceptPause;
};
