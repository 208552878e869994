#pragma once

#include "webserver/requestlinereader.h"

#include <QBasicTimer>
#include <QObject>

#include <memory>

class HttpResponder;
class QTcpSocket;

// One accepted connection, from its request line to its close. Each
// connection keeps its own buffer and answers its own request, so any number
// of them can be under way at once.
class HttpConnection : public QObject
{
    Q_OBJECT

public:
    // Takes over the socket; deletes itself once the connection has ended.
    // idleLimitMs is the longest the connection may stay quiet: while its
    // request line is incomplete, while the peer takes none of the answer,
    // and while the server waits for the peer to close after the answer.
    HttpConnection(QTcpSocket *socket, std::shared_ptr<const HttpResponder> responder,
        int idleLimitMs, QObject *parent = nullptr);

Q_SIGNALS:
    // A request line was read; the path is as received.
    void requestReceived(const QByteArray &path);
    // Emitted once, when the connection stops waiting for its request: it
    // has been answered, refused or has gone.
    void waitingEnded();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    enum class State { WaitingForRequest, Sending, Draining, Closed };

    void catchUp();
    void readSocket();
    void send(const QByteArray &answer);
    void shutdownWhenSent();
    void close();
    void setState(State state);

    QTcpSocket *m_socket;
    std::shared_ptr<const HttpResponder> m_responder;
    const int m_idleLimitMs;
    RequestLineReader m_reader;
    QBasicTimer m_idleTimer;
    State m_state = State::WaitingForRequest;
};
