#pragma once

#include "mail/mailmessage.h"
#include "mail/smtpextensions.h"
#include "mail/smtpreplyparser.h"

#include <QAbstractSocket>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QStringList>

#include <chrono>

class QSslSocket;
class QTimer;

// How a mail window's client is set up; tests shorten the limits, name their
// own ports and trust their own certificate.
struct SmtpClientConfig {
    quint16 defaultPort = 25;
    // The port on which TLS starts with the first byte instead of STARTTLS.
    quint16 implicitTlsPort = 465;
    std::chrono::milliseconds replyTimeLimit = std::chrono::seconds(50);
    // How long the server may take to answer "quit" before the connection is
    // closed all the same.
    std::chrono::milliseconds quitTimeLimit = std::chrono::seconds(5);
    // The certificates a server's certificate must be issued by; empty means
    // the system's trusted ones.
    QList<QSslCertificate> caCertificates;
};

// Sends one plain-text e-mail at a time through a mail server by speaking SMTP
// itself. The exchange runs on the event loop: each command is written, then
// the client waits, without blocking, for the server's complete reply to it;
// a reply that comes before its command went out is a protocol error. It says
// EHLO (HELO when that is refused), turns on TLS when the server offers it
// (from the first byte on the implicit-TLS port) with the certificate checked,
// and logs in only over TLS, with credentials its owner supplies when asked.
// Any failure sends "quit", waits a few seconds at most for the goodbye and
// closes the connection; failed() says what went wrong.
class SmtpClient : public QObject
{
    Q_OBJECT

public:
    explicit SmtpClient(const SmtpClientConfig &config = {}, QObject *parent = nullptr);
    ~SmtpClient() override;

    // Starts the exchange with the server named "host", "host:port" or
    // "[IPv6]:port". Returns false, changing nothing, while an earlier
    // exchange still holds the connection. A message without recipient or a
    // server name that cannot be read ends the exchange before this returns.
    bool SendEmail(const QString &mailServerName, const MailMessage &message);

    // The answers to loginRequired(): the credentials to try, or none.
    void logIn(const QString &userName, const QString &password);
    void cancelLogin();

    bool isBusy() const { return m_step != Step::Idle; }
    bool isWaitingForLogin() const { return m_step == Step::AwaitingLogin; }
    // The host of the exchange under way or last made.
    QString serverHost() const { return m_host; }
    // The connection's state as the number users are shown.
    int stateNumber() const;

Q_SIGNALS:
    void statusChanged(const QString &status);
    // The server wants a login (serverText is its reply); answer with logIn()
    // or cancelLogin(). refused tells that the last credentials were refused.
    void loginRequired(const QString &serverText, bool refused);
    // The server took these credentials.
    void loggedIn(const QString &userName, const QString &password);
    // The one message for the user about an exchange that went wrong; comes
    // before finished().
    void failed(const QString &message);
    // The exchange is over and the socket closed; accepted tells whether the
    // server took the message.
    void finished(bool accepted);

private:
    enum class Step {
        Idle,
        Greeting,
        Ehlo,
        Helo,
        StartTls,
        Handshake,
        EhloAgain,
        Reset,
        AwaitingLogin,
        AuthLoginUser,
        AuthLoginPassword,
        AuthResult,
        Sender,
        Recipient,
        Data,
        Message,
        Quit
    };

    void connectToServer();
    void write(const QByteArray &command);
    void WaitFor(const QByteArray &responseCode, Step step);
    void readReplies();
    void handleReply(const SmtpReply &reply);
    void handleRefusal(const SmtpReply &reply);
    void handleHello(const SmtpReply &reply);
    void handleLoginReply(const SmtpReply &reply);
    void helloDone();
    void sendSender();
    // reply: the server's words that asked for the login.
    void requestLogin(const QByteArray &reply);
    void awaitLogin(const QString &serverText, bool refused);
    bool asksForLogin(const SmtpReply &reply) const;
    void handleEncrypted();
    void handleSocketError(QAbstractSocket::SocketError error);
    void setStatus(const QString &status);
    void fail(const QString &message);
    void quit();
    void finish();
    QString improperCode(const SmtpReply &reply) const;
    QString outOfTurn(const QByteArray &reply) const;
    QString connectionFailure(QAbstractSocket::SocketError error) const;

    const SmtpClientConfig m_config;
    QSslSocket *m_socket;
    QTimer *m_replyTimer;
    SmtpReplyParser m_replies;
    Step m_step = Step::Idle;
    QByteArray m_expectedCode;
    QString m_host;
    quint16 m_port = 0;
    QString m_status;
    MailMessage m_message;
    QDateTime m_date;
    QByteArray m_messageId;
    BodyEncoding m_encoding = BodyEncoding::SevenBit;
    SmtpExtensions m_extensions;
    QStringList m_certificateProblems;
    // The server's words when it asked for a login at the recipient.
    QByteArray m_pendingLoginText;
    QString m_userName;
    QString m_password;
    bool m_authenticated = false;
    bool m_accepted = false;
};
