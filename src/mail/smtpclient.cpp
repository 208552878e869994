#include "mail/smtpclient.h"

#include "core/addresses.h"
#include "mail/mailserveraddress.h"
#include "platform/socketstate.h"
#include "platform/textlines.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

const QString TimedOut = QStringLiteral("SMTP service error, timed out while waiting for response");

QString improperCode(const QByteArray &expected, const QByteArray &received)
{
    return QStringLiteral("SMTP service error, impromper response code. Code should have been: ")
        + QString::fromLatin1(expected) + QStringLiteral(" Code recieved: ")
        + QString::fromUtf8(received);
}

QByteArray envelopeCommand(const char *verb, const QString &address)
{
    return verb + ('<' + singleLine(address).toUtf8() + ">\r\n");
}

} // namespace

SmtpClient::SmtpClient(
    quint16 defaultPort, std::chrono::milliseconds replyTimeLimit, QObject *parent)
    : QObject(parent), m_defaultPort(defaultPort), m_socket(new QTcpSocket(this)),
      m_replyTimer(new QTimer(this))
{
    m_replyTimer->setSingleShot(true);
    m_replyTimer->setTimerType(Qt::PreciseTimer);
    m_replyTimer->setInterval(replyTimeLimit);
    connect(m_replyTimer, &QTimer::timeout, this, [this] { fail(TimedOut, true); });
    connect(m_socket, &QTcpSocket::readyRead, this, &SmtpClient::readReplies);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &SmtpClient::handleSocketError);
}

SmtpClient::~SmtpClient()
{
    abort();
}

bool SmtpClient::SendEmail(const QString &mailServerName, const MailMessage &message)
{
    if (isBusy() || m_socket->state() != QAbstractSocket::UnconnectedState)
        return false;
    m_replies.clear();
    m_accepted = false;
    m_senderCommand = envelopeCommand("mail from:", message.fromAddress);
    m_recipientCommand = envelopeCommand("rcpt to:", message.toAddress);
    m_data = messageData(message, QDateTime::currentDateTime());

    const std::optional<MailServerAddress> server = parseMailServer(mailServerName, m_defaultPort);
    // The limit of the first wait covers looking the host up and connecting.
    WaitFor("220", Step::Greeting);
    if (!server) {
        fail(QStringLiteral("SMTP service error, mail server not understood: ") + mailServerName,
            false);
        return true;
    }
    m_host = server->host;
    m_port = server->port;
    m_socket->connectToHost(m_host, m_port);
    return true;
}

void SmtpClient::abort()
{
    if (isBusy())
        closeConnection(true);
}

int SmtpClient::stateNumber() const
{
    return socketStateNumber(m_socket->state());
}

void SmtpClient::WaitFor(const QByteArray &responseCode, Step step)
{
    m_expectedCode = responseCode;
    m_step = step;
    m_replyTimer->start();
}

void SmtpClient::readReplies()
{
    const QList<SmtpReply> replies = m_replies.feed(m_socket->readAll());
    // A reply that came early is held to the wait that follows, as the server
    // meant it.
    for (const SmtpReply &reply : replies) {
        if (!isBusy())
            return;
        handleReply(reply);
    }
}

void SmtpClient::handleReply(const SmtpReply &reply)
{
    if (reply.code == m_expectedCode)
        advance();
    else
        fail(improperCode(m_expectedCode, reply.text), true);
}

void SmtpClient::advance()
{
    switch (m_step) {
    case Step::Idle:
        break;
    case Step::Greeting:
        m_socket->write(QByteArray("HELO ") + Addresses::HeloDomain + "\r\n");
        WaitFor("250", Step::Hello);
        Q_EMIT statusChanged(QStringLiteral("Connecting...."));
        break;
    case Step::Hello:
        m_socket->write(m_senderCommand);
        WaitFor("250", Step::Sender);
        Q_EMIT statusChanged(QStringLiteral("Connected"));
        Q_EMIT statusChanged(QStringLiteral("Sending Message"));
        break;
    case Step::Sender:
        m_socket->write(m_recipientCommand);
        WaitFor("250", Step::Recipient);
        break;
    case Step::Recipient:
        m_socket->write("data\r\n");
        WaitFor("354", Step::Data);
        break;
    case Step::Data:
        m_socket->write(m_data);
        WaitFor("250", Step::Message);
        break;
    case Step::Message:
        m_accepted = true;
        m_socket->write("quit\r\n");
        WaitFor("221", Step::Quit);
        Q_EMIT statusChanged(QStringLiteral("Disconnecting"));
        break;
    case Step::Quit:
        finish();
        break;
    }
}

void SmtpClient::handleSocketError(QAbstractSocket::SocketError error)
{
    if (!isBusy())
        return;
    // Closing the connection is what "quit" asks for; a server may do it
    // without saying goodbye.
    if (m_step == Step::Quit && error == QAbstractSocket::RemoteHostClosedError)
        finish();
    else
        fail(connectionFailure(error), false);
}

QString SmtpClient::connectionFailure(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("SMTP service error, mail server not found: ") + m_host;
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("SMTP service error, connection refused by mail server: %1 port %2")
            .arg(m_host)
            .arg(m_port);
    case QAbstractSocket::RemoteHostClosedError:
        return QStringLiteral("SMTP service error, connection closed by mail server");
    default:
        return QStringLiteral("SMTP service error, ") + m_socket->errorString();
    }
}

void SmtpClient::fail(const QString &message, bool sayQuit)
{
    if (!isBusy())
        return;
    closeConnection(sayQuit && m_step != Step::Quit);
    Q_EMIT failed(message);
    Q_EMIT finished(m_accepted);
}

void SmtpClient::finish()
{
    closeConnection(false);
    Q_EMIT finished(m_accepted);
}

void SmtpClient::closeConnection(bool sayQuit)
{
    m_step = Step::Idle;
    m_replyTimer->stop();
    if (sayQuit && m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->write("quit\r\n");
        m_socket->flush();
    }
    // Closes at once, so that the next exchange finds the socket closed.
    m_socket->abort();
}
