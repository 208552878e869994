#pragma once

#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

// A loopback client: connects at once, sends what is written to its socket
// (kept until the connection is up) and keeps everything the server sends
// until the connection ends.
struct TestClient {
    explicit TestClient(quint16 port)
    {
        QObject::connect(
            &socket, &QTcpSocket::readyRead, &socket, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::stateChanged, &socket,
            [this](QAbstractSocket::SocketState state) {
                if (socket.isOpen())
                    received += socket.readAll();
                closed = state == QAbstractSocket::UnconnectedState;
            });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }

    QTcpSocket socket;
    QByteArray received;
    bool closed = false;
};

// One request on a fresh connection: everything received until the server
// closed it.
inline QByteArray fetch(quint16 port, const QByteArray &request)
{
    TestClient client(port);
    client.socket.write(request);
    return QTest::qWaitFor([&] { return client.closed; }, 15000) ? client.received
                                                                 : "(connection left open)";
}

// Expected bytes kept under data/: whole answers and texts, CR LF included.
inline QByteArray testData(const char *name)
{
    QFile file(QStringLiteral(WAVECREST_TEST_DATA_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll()
                                          : "(no data file " + QByteArray(name) + ')';
}
