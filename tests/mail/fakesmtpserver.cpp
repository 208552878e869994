#include "fakesmtpserver.h"

#include <QTcpSocket>

FakeSmtpServer::FakeSmtpServer(const QHostAddress &address)
{
    replies = {{"greeting", "220 fake.test ready\r\n"}, {"helo", "250 fake.test\r\n"},
        {"mail", "250 sender ok\r\n"}, {"rcpt", "250 recipient ok\r\n"},
        {"data", "354 go ahead\r\n"}, {".", "250 queued\r\n"}, {"quit", "221 bye\r\n"}};
    m_dribble.setInterval(2);
    connect(&m_dribble, &QTimer::timeout, this, &FakeSmtpServer::sendNextByte);
    connect(&m_server, &QTcpServer::newConnection, this, &FakeSmtpServer::acceptConnection);
    m_server.listen(address, 0);
}

QString FakeSmtpServer::serverField() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void FakeSmtpServer::acceptConnection()
{
    QTcpSocket *peer = m_server.nextPendingConnection();
    ++connections;
    m_peer = peer;
    connect(peer, &QTcpSocket::readyRead, this, &FakeSmtpServer::readLines);
    connect(peer, &QTcpSocket::disconnected, this, [this, peer] {
        connectionEnded = true;
        peer->deleteLater();
    });
    answer(replies.value("greeting"));
}

void FakeSmtpServer::readLines()
{
    m_received += m_peer->readAll();
    for (qsizetype end = m_received.indexOf("\r\n"); end >= 0; end = m_received.indexOf("\r\n")) {
        const QByteArray line = m_received.left(end);
        m_received.remove(0, end + 2);
        handleLine(line);
    }
}

void FakeSmtpServer::handleLine(const QByteArray &line)
{
    if (m_inData) {
        if (line == ".") {
            m_inData = false;
            answer(replies.value("."));
        } else {
            data += line + "\r\n";
        }
        return;
    }
    if (!m_outgoing.isEmpty())
        commandWhileReplying = true;
    commands.append(line);
    const QByteArray verb = line.split(' ').constFirst().split(':').constFirst().toLower();
    const QByteArray reply = replies.value(verb, "500 unknown command\r\n");
    m_inData = verb == "data" && reply.startsWith("354");
    m_closeWhenSent = verb == "quit";
    answer(reply);
}

void FakeSmtpServer::answer(const QByteArray &reply)
{
    if (!m_peer)
        return;
    if (reply == Drop) {
        m_peer->disconnectFromHost();
    } else if (byteByByte) {
        m_outgoing += reply;
        m_dribble.start();
    } else {
        m_peer->write(reply);
        if (m_closeWhenSent)
            m_peer->disconnectFromHost();
    }
}

void FakeSmtpServer::sendNextByte()
{
    if (!m_peer || m_outgoing.isEmpty()) {
        m_dribble.stop();
        return;
    }
    m_peer->write(m_outgoing.left(1));
    m_peer->flush();
    m_outgoing.remove(0, 1);
    if (m_outgoing.isEmpty() && m_closeWhenSent)
        m_peer->disconnectFromHost();
}
