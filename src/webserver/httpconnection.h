#pragma once

#include "net/socketevents.h"
#include "webserver/requestlinereader.h"

#include <QByteArray>

#include <memory>

class FileAnswer;
class HttpServer;
struct HttpAnswer;

// One accepted connection, from its request line to its close. Each
// connection keeps its own state and answers its own request, so any number
// of them can be under way at once.
//
// The connection drives its socket's descriptor itself: a request line is
// read with one call, an answer kept ready goes out with one more, and the
// server watches every connection's time on one timer.
//
// What the peer sends after its request line is left unread while the answer
// goes out: a peer that closes its sending side right after its request must
// still get the whole answer.
class HttpConnection final : public SocketEvents::Watcher
{
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

    // Takes over the descriptor, which must be non-blocking; start() begins.
    HttpConnection(qintptr descriptor, HttpServer &server, Limits limits);
    ~HttpConnection();

    HttpConnection(const HttpConnection &) = delete;
    HttpConnection &operator=(const HttpConnection &) = delete;

    void start();

    State state() const { return m_state; }
    // What the connection holds that the system has not taken yet.
    qint64 queuedBytes() const { return m_pending.size() - m_sent; }
    // When the connection's time is up, on the server's clock.
    qint64 deadline() const;

    // Tells the server through HttpServer::connectionClosed(), which deletes
    // the connection later, never during the call.
    void close();
    // Called by ReadTurns: read and send the next chunk of the file.
    void takeReadTurn();

    void socketEvent(int events) override;

private:
    void readRequest();
    void handleLine(const QByteArray &line, bool *waitForMore);
    void answer(HttpAnswer answer);
    bool send(const QByteArray &bytes);
    void sendPending();
    void sendMore();
    void drain();
    void discardInput();
    void madeProgress();
    void watchSocket();
    // Leaves the read turns and the watched sockets, and closes the descriptor.
    void release();

    const qintptr m_descriptor;
    HttpServer &m_server;
    const Limits m_limits;
    RequestLineReader m_reader;
    std::unique_ptr<FileAnswer> m_file;
    // What the system has not taken yet of the bytes handed over last,
    // starting at m_sent.
    QByteArray m_pending;
    qsizetype m_sent = 0;
    // On the server's clock: when the connection was accepted, when the
    // peer last took some of the answer, or when it was all handed over.
    qint64 m_since;
    State m_state = State::WaitingForRequest;
};
