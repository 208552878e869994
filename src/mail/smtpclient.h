#pragma once

#include "mail/mailmessage.h"
#include "mail/smtpreplyparser.h"

#include <QAbstractSocket>
#include <QObject>

#include <chrono>

class QTcpSocket;
class QTimer;

// Sends one plain-text e-mail at a time through a mail server by speaking SMTP
// itself. The exchange runs on the event loop: each command is written, then
// the client waits, without blocking, for the server's complete reply. Every
// wait has a time limit. A wrong reply, a wait that runs out or a failing
// connection ends the exchange: "quit" is sent if the connection still stands,
// the socket is closed, and failed() reports what went wrong.
class SmtpClient : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultPort = 25;
    static constexpr std::chrono::milliseconds DefaultReplyTimeLimit = std::chrono::seconds(50);

    explicit SmtpClient(quint16 defaultPort = DefaultPort,
        std::chrono::milliseconds replyTimeLimit = DefaultReplyTimeLimit,
        QObject *parent = nullptr);
    ~SmtpClient() override;

    // Starts the exchange with the server named "host", "host:port" or
    // "[IPv6]:port". Returns false, changing nothing, while an earlier
    // exchange still holds the connection. A server name that cannot be read
    // ends the exchange before this returns.
    bool SendEmail(const QString &mailServerName, const MailMessage &message);

    // Ends a running exchange now ("quit" if connected, then close) without
    // reporting anything; for an owner that is going away.
    void abort();

    bool isBusy() const { return m_step != Step::Idle; }
    // The connection's state as the number users are shown.
    int stateNumber() const;

Q_SIGNALS:
    void statusChanged(const QString &status);
    // The one message for the user about an exchange that went wrong; comes
    // just before finished().
    void failed(const QString &message);
    // The exchange is over and the socket closed; accepted tells whether the
    // server took the message.
    void finished(bool accepted);

private:
    enum class Step { Idle, Greeting, Hello, Sender, Recipient, Data, Message, Quit };

    void WaitFor(const QByteArray &responseCode, Step step);
    void readReplies();
    void handleReply(const SmtpReply &reply);
    void advance();
    void handleSocketError(QAbstractSocket::SocketError error);
    void fail(const QString &message, bool sayQuit);
    void finish();
    void closeConnection(bool sayQuit);
    QString connectionFailure(QAbstractSocket::SocketError error) const;

    const quint16 m_defaultPort;
    QTcpSocket *m_socket;
    QTimer *m_replyTimer;
    SmtpReplyParser m_replies;
    Step m_step = Step::Idle;
    QByteArray m_expectedCode;
    QString m_host;
    quint16 m_port = 0;
    QByteArray m_senderCommand;
    QByteArray m_recipientCommand;
    QByteArray m_data;
    bool m_accepted = false;
};

// How a mail window's client is set up; tests shorten the limit and name
// their own port.
struct SmtpClientConfig {
    quint16 defaultPort = SmtpClient::DefaultPort;
    std::chrono::milliseconds replyTimeLimit = SmtpClient::DefaultReplyTimeLimit;
};
