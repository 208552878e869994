#include "testclient.h"

#include <QHostAddress>
#include <QTest>

TestClient::TestClient(quint16 port, QObject *parent) : QObject(parent)
{
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(&socket, &QTcpSocket::connected, this, [this] { m_connected = true; });
    connect(&socket, &QTcpSocket::readyRead, this, [this] { received += socket.readAll(); });
    connect(&socket, &QTcpSocket::disconnected, this, [this] { m_closed = true; });
    connect(&socket, &QTcpSocket::errorOccurred, this, [this] {
        received += socket.readAll();
        if (socket.state() == QAbstractSocket::UnconnectedState)
            m_closed = true;
    });
    socket.connectToHost(QHostAddress::LocalHost, port);
}

void TestClient::send(const QByteArray &bytes)
{
    socket.write(bytes);
    // Before the connection is up the socket keeps the bytes and sends them
    // once connected.
    if (socket.state() == QAbstractSocket::ConnectedState)
        socket.flush();
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

std::optional<QByteArray> fetch(quint16 port, const QByteArray &request)
{
    TestClient client(port);
    if (!waitUntil([&] { return client.isConnected() || client.isClosed(); }))
        return std::nullopt;
    client.send(request);
    if (!waitUntil([&] { return client.isClosed(); }))
        return std::nullopt;
    return client.received;
}
