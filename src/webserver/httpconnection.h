#pragma once

#include "net/socketevents.h"
#include "webserver/requestreader.h"

#include <QByteArray>

#include <memory>

class FileAnswer;
class HttpServer;
class QFile;
struct HttpAnswer;

// One accepted connection, from its first request to its close. Each
// connection keeps its own state and answers its own requests, so any number
// of them can be under way at once.
//
// An HTTP/1.1 connection stays open for the next request once an answer is
// out, up to MaxRequests of them; requests sent ahead (pipelined) are
// answered in order, one at a time: the next one is read only when the answer
// before it has been handed to the system. What the peer sends meanwhile
// waits in the system, so a peer that sends and never reads holds no more
// than one answer here. A peer that closes its sending side right after its
// request still gets the whole answer.
//
// The connection drives its socket's descriptor itself: a request is read
// with one call and an answer kept ready goes out with one more. A file that
// is not changed on its way goes from the system's file cache to the socket
// without passing through the program, in pieces of FilePieceSize, so that
// one connection never holds the others up. The next piece follows at the
// connection's next turn rather than when the socket is said to be writable:
// a socket that a piece has filled only tells so once it has drained far
// below what it could take. The server watches every connection's time on
// one timer.
class HttpConnection final : public SocketEvents::Watcher
{
public:
    enum class State { WaitingForRequest, Sending, Draining, Closed };

    struct Limits {
        // From accepting to a complete first request; from the end of an
        // answer to the next request once part of it has come.
        int requestLineMs;
        // The longest the peer may take none of the answer, and, once all of
        // it has been handed to the system, the longest it may take to close.
        int stalledMs;
        // How long a connection kept open waits for the first byte of its
        // next request.
        int idleMs = 5 * 1000;
    };

    // Beyond what the system has taken, a connection holds at most this much
    // of an answer that is changed on its way, plus one chunk of its file.
    static constexpr qint64 LowWater = 32 * 1024;
    // Packets of this size and more are not held back to be filled.
    static constexpr int LargePacket = 16 * 1024;
    // Requests one connection may make; the last answer closes it.
    static constexpr int MaxRequests = 1000;
    static constexpr qint64 FilePieceSize = 2 * 1024 * 1024;
    // Pipelined requests answered in one go before the others have a turn.
    static constexpr int RequestsPerTurn = 16;

    // Takes over the descriptor, which must be non-blocking; start() begins.
    HttpConnection(qintptr descriptor, HttpServer &server, Limits limits);
    ~HttpConnection();

    HttpConnection(const HttpConnection &) = delete;
    HttpConnection &operator=(const HttpConnection &) = delete;

    void start();

    State state() const { return m_state; }
    // Kept open after an answer, with nothing of a next request received.
    bool isIdle() const;
    // When its last answer was out, or it was accepted, on the server's clock.
    qint64 since() const { return m_since; }
    // What the connection holds of its answer that the system has not taken.
    qint64 queuedBytes() const { return m_pending.size() - m_sent; }
    // When the connection's time is up, on the server's clock.
    qint64 deadline() const;

    // Tells the server through HttpServer::connectionClosed(), which deletes
    // the connection later, never during the call.
    void close();
    // Called by Turns: reads the next chunk of a file that is changed on its
    // way, or goes on where the connection gave way to the others.
    void takeTurn();

    void socketEvent(int events) override;

private:
    void proceed();
    bool takeRequest();
    bool readMore();
    void handle(const HttpRequest &request);
    void answerStatus(QByteArrayView status);
    void startAnswer(HttpAnswer answer);
    bool sendAnswer();
    bool sendBytes();
    bool sendFile();
    bool readChunk();
    void finishAnswer();
    void drain();
    void discardInput();
    void madeProgress();
    void watchSocket();
    // Leaves the read turns and the watched sockets, and closes the descriptor.
    void release();

    const qintptr m_descriptor;
    HttpServer &m_server;
    const Limits m_limits;
    RequestReader m_reader;
    int m_served = 0;
    // The peer may have sent bytes that have not been read: none are known
    // to be left after a read that took less than it could.
    bool m_mayHaveInput = true;
    // Work is left that was put off to let the others have a turn: requests
    // or part of a file. It goes on at the connection's next turn, whatever
    // the socket tells meanwhile.
    bool m_yielded = false;
    // The answer under way: bytes the system has not taken yet (from
    // m_sent on), then part of a page kept ready, then part of a file, or
    // else a file changed on its way.
    QByteArray m_pending;
    qsizetype m_sent = 0;
    QByteArray m_page;
    qsizetype m_pageAt = 0;
    qsizetype m_pageEnd = 0;
    std::shared_ptr<QFile> m_file;
    // The socket's output is held until the file ends.
    bool m_held = false;
    // The system takes a file only a little ahead of what goes out.
    bool m_unsentLimited = false;
    qint64 m_fileAt = 0;
    qint64 m_fileEnd = 0;
    std::unique_ptr<FileAnswer> m_stream;
    bool m_closeAfter = true;
    // On the server's clock: when the connection was accepted, when the
    // peer last took some of the answer, or when it was all handed over.
    qint64 m_since;
    State m_state = State::WaitingForRequest;
};
