#include "fakesmtpserver.h"

#include <QTcpSocket>
#include <QTimer>

#include <utility>

using namespace std::chrono_literals;

FakeSmtpServer::FakeSmtpServer(const QByteArrayList &script) : m_script(script)
{
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
        m_peer = nextPendingConnection();
        connect(m_peer, &QTcpSocket::readyRead, this, &FakeSmtpServer::readLines);
        connect(m_peer, &QTcpSocket::disconnected, this, [this] {
            ended = true;
            closedBeforeGoodbye = !m_rest.isEmpty();
        });
        answer();
    });
}

QString FakeSmtpServer::field() const
{
    return QStringLiteral("127.0.0.1:%1").arg(serverPort());
}

void FakeSmtpServer::more(const QByteArrayList &replies)
{
    m_script += replies;
    for (; m_owed > 0 && m_next < m_script.size(); --m_owed)
        answer();
}

void FakeSmtpServer::readLines()
{
    // Nothing more is answered until the rest of a split reply is sent.
    while (m_rest.isEmpty() && m_peer->canReadLine()) {
        const QByteArray line = m_peer->readLine().chopped(2);
        if (m_inData && line != ".") {
            dataLines.append(line);
            continue;
        }
        m_inData = false;
        commands.append(line);
        answer();
    }
}

void FakeSmtpServer::answer()
{
    if (m_next >= m_script.size()) {
        ++m_owed;
        return;
    }
    const QByteArray reply = m_script.at(m_next++);
    m_inData = reply.startsWith("354");
    if (reply == "<drop>") {
        m_peer->disconnectFromHost();
        return;
    }
    const QByteArrayList pieces = reply.split('|');
    m_peer->write(pieces.first());
    m_rest = pieces.value(1);
    if (!m_rest.isEmpty()) {
        QTimer::singleShot(50ms, m_peer, [this] {
            m_peer->write(std::exchange(m_rest, {}));
            readLines();
        });
    }
}
