#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>

class HttpResponder;
class QTcpServer;

// The web server without its window: listens, gives every connection an
// HttpConnection of its own and reports what happens for the log.
class HttpServer : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultPort = 80;
    // Connections waiting for their request at once. Further ones stay in
    // the listen queue until a place frees.
    static constexpr int MaxRequestsInProgress = 99;
    // Bursts of clients must find room in the accept queue; an overflowing
    // queue makes them wait a second for a SYN retransmit.
    static constexpr int ListenBacklog = 1024;
    // A connection that stays quiet this long is closed (see HttpConnection).
    static constexpr int DefaultIdleLimitMs = 30 * 1000;

    // Port 0 lets the system choose one (see serverPort()).
    explicit HttpServer(const QString &dataDirectory, quint16 port = DefaultPort,
        const QHostAddress &address = QHostAddress::Any, QObject *parent = nullptr);
    ~HttpServer() override;

    // Starts listening; on failure errorString() gives the system's reason.
    bool start();
    // Stops listening and ends every connection at once.
    void stop();

    bool isListening() const;
    // The port asked for, and the one listened on (they differ for port 0).
    quint16 port() const { return m_port; }
    quint16 serverPort() const;
    QString errorString() const;
    // Applies to connections accepted from then on.
    void setIdleLimitMs(int milliseconds) { m_idleLimitMs = milliseconds; }

    // The address put into pages for "$ip", fixed when the server started.
    QString localAddress() const { return m_localAddress; }

Q_SIGNALS:
    void connectionAccepted(const QString &peerAddress);
    void requestReceived(const QByteArray &path);

private:
    void acceptPending();
    void endConnections();

    const QString m_dataDirectory;
    const quint16 m_port;
    const QHostAddress m_address;
    QTcpServer *m_listener;
    std::shared_ptr<const HttpResponder> m_responder;
    QString m_localAddress;
    int m_requestsInProgress = 0;
    int m_idleLimitMs = DefaultIdleLimitMs;
};
