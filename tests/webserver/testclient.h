#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

#include <functional>
#include <optional>

// A loopback client for the server tests: connects at once, sends what it is
// given and keeps everything the server sends until the connection ends.
class TestClient : public QObject
{
    Q_OBJECT

public:
    explicit TestClient(quint16 port, QObject *parent = nullptr);

    // Written and, when connected, pushed out at once as a segment of its own.
    void send(const QByteArray &bytes);
    void disconnectFromServer() { socket.disconnectFromHost(); }

    bool isConnected() const { return m_connected; }
    bool isClosed() const { return m_closed; }

    QTcpSocket socket;
    QByteArray received;

private:
    bool m_connected = false;
    bool m_closed = false;
};

// Runs the event loop until the condition holds or the time is up.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 15000);

// One request on a fresh connection; everything received until the server
// closed, or nothing when it did not close in time.
std::optional<QByteArray> fetch(quint16 port, const QByteArray &request);
