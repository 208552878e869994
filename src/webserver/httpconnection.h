#pragma once

#include "webserver/requestlinereader.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>

#include <memory>

class FileAnswer;
class HttpResponder;
class QTcpSocket;
class ReadTurns;
struct HttpAnswer;

// One accepted connection, from its request line to its close. Each
// connection keeps its own state and answers its own request, so any number
// of them can be under way at once.
//
// What the peer sends after its request line is left unread while the answer
// goes out: a peer that closes its sending side right after its request must
// still get the whole answer, and a socket that reads the end of the peer's
// data closes.
class HttpConnection : public QObject
{
    Q_OBJECT

public:
    enum class State { WaitingForRequest, Sending, Draining, Closed };

    struct Limits {
        // From accepting to a complete request line.
        int requestLineMs;
        // The longest the peer may take none of the answer, and, once all of
        // it has been handed to the system, the longest it may take to close.
        int stalledMs;
    };

    // Beyond what the system has taken, a connection holds at most this much
    // of its answer plus one chunk of its file.
    static constexpr qint64 LowWater = 32 * 1024;

    // Takes over the socket; deletes itself once the connection has ended.
    HttpConnection(QTcpSocket *socket, std::shared_ptr<HttpResponder> responder, ReadTurns &turns,
        Limits limits, QObject *parent = nullptr);
    ~HttpConnection() override;

    State state() const { return m_state; }
    // What the connection holds that the system has not taken yet.
    qint64 queuedBytes() const;

    void close();
    // Called by ReadTurns: read and send the next chunk of the file.
    void takeReadTurn();

Q_SIGNALS:
    // A GET or HEAD request line was read; the target is as received.
    void requestReceived(const QByteArray &target);
    // Emitted once, when the connection has ended.
    void closed();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void catchUp();
    void readable();
    void readRequest();
    void handleLine(const QByteArray &line, bool *waitForMore);
    void answer(HttpAnswer answer);
    bool send(const QByteArray &bytes);
    void sendMore();
    void drain();
    void discardInput();
    void holdInput();
    void madeProgress();

    QTcpSocket *m_socket;
    std::shared_ptr<HttpResponder> m_responder;
    ReadTurns &m_turns;
    const Limits m_limits;
    RequestLineReader m_reader;
    std::unique_ptr<FileAnswer> m_file;
    QBasicTimer m_timer;
    // When the peer last took some of the answer.
    QElapsedTimer m_progress;
    State m_state = State::WaitingForRequest;
};
