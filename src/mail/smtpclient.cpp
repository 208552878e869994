#include "mail/smtpclient.h"

#include "core/addresses.h"
#include "mail/mailserveraddress.h"
#include "mail/socketstate.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {

// What the server says, as much of it as a box or a window can show.
QString serverWords(const QByteArray &reply)
{
    constexpr qsizetype MaxShown = 1000;
    return QString::fromUtf8(reply.left(MaxShown));
}

} // namespace

SmtpClient::SmtpClient(const SmtpClientConfig &config, QObject *parent)
    : QObject(parent), m_config(config), m_socket(new QSslSocket(this)),
      m_replyTimer(new QTimer(this))
{
    // One reply at a time is all the exchange ever needs; the rest waits in
    // the system's buffer.
    m_socket->setReadBufferSize(SmtpReplyParser::MaxReplySize);
    m_replyTimer->setSingleShot(true);
    m_replyTimer->setTimerType(Qt::PreciseTimer);
    connect(m_replyTimer, &QTimer::timeout, this, [this] {
        if (m_step == Step::Quit)
            finish();
        else
            fail(tr("SMTP service error, timed out while waiting for response"));
    });
    connect(m_socket, &QSslSocket::readyRead, this, &SmtpClient::readReplies);
    connect(m_socket, &QSslSocket::encrypted, this, &SmtpClient::handleEncrypted);
    connect(m_socket, &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) {
        for (const QSslError &error : errors)
            m_certificateProblems.append(error.errorString());
    });
    connect(m_socket, &QSslSocket::errorOccurred, this, &SmtpClient::handleSocketError);
}

SmtpClient::~SmtpClient()
{
    // No goodbye: nothing would be left to hear it.
    m_step = Step::Idle;
    m_socket->abort();
}

bool SmtpClient::SendEmail(const QString &mailServerName, const MailMessage &message)
{
    if (isBusy() || m_socket->state() != QAbstractSocket::UnconnectedState)
        return false;
    m_replies.clear();
    m_extensions = {};
    m_certificateProblems.clear();
    m_authenticated = false;
    m_accepted = false;
    m_status.clear();
    m_message = message;
    m_date = QDateTime::currentDateTime();
    m_messageId = newMessageId(message.fromAddress);

    // The limit of the first wait covers looking the host up and connecting.
    WaitFor("220", Step::Greeting);
    if (mailAddress(message.toAddress).isEmpty()) {
        fail(tr("The message has no recipient: fill in the e-mail address it should go to. "
                "Nothing was sent."));
        return true;
    }
    const std::optional<MailServerAddress> server
        = parseMailServer(mailServerName, m_config.defaultPort);
    if (!server) {
        fail(tr("SMTP service error, mail server not understood: %1").arg(mailServerName));
        return true;
    }
    m_host = server->host;
    m_port = server->port;
    connectToServer();
    return true;
}

void SmtpClient::connectToServer()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!m_config.caCertificates.isEmpty())
        tls.setCaCertificates(m_config.caCertificates);
    m_socket->setSslConfiguration(tls);
    m_socket->setPeerVerifyName(m_host);
    if (m_port == m_config.implicitTlsPort)
        m_socket->connectToHostEncrypted(m_host, m_port);
    else
        m_socket->connectToHost(m_host, m_port);
}

void SmtpClient::logIn(const QString &userName, const QString &password)
{
    if (m_step != Step::AwaitingLogin)
        return;
    m_userName = userName;
    m_password = password;
    if (m_extensions.authPlain) {
        const QByteArray credentials = '\0' + userName.toUtf8() + '\0' + password.toUtf8();
        write("AUTH PLAIN " + credentials.toBase64() + "\r\n");
        WaitFor("235", Step::AuthResult);
    } else {
        write("AUTH LOGIN\r\n");
        WaitFor("334", Step::AuthLoginUser);
    }
}

void SmtpClient::cancelLogin()
{
    if (m_step == Step::AwaitingLogin)
        quit();
}

int SmtpClient::stateNumber() const
{
    return socketStateNumber(m_socket->state());
}

void SmtpClient::write(const QByteArray &command)
{
    m_socket->write(command);
}

void SmtpClient::WaitFor(const QByteArray &responseCode, Step step)
{
    m_expectedCode = responseCode;
    m_step = step;
    m_replyTimer->start(m_config.replyTimeLimit);
}

void SmtpClient::readReplies()
{
    const QList<SmtpReply> replies = m_replies.feed(m_socket->readAll());
    if (replies.isEmpty() || !isBusy())
        return;
    if (m_step == Step::Quit)
        return finish();
    // Without pipelining one reply answers one command. Whatever came with it
    // was sent before the server could have read the next command (RFC 5321
    // 4.1.1, RFC 2920 3.1), and bytes that came with the answer to STARTTLS
    // would pass for encrypted ones. Nothing of such a batch is acted on, so
    // a message is never sent on the strength of a reply given blindly.
    // Every other step has a command (or, at first, the connection) waiting
    // for its reply, and handling that reply always moves to another step.
    const bool nothingAsked = m_step == Step::Handshake || m_step == Step::AwaitingLogin;
    const bool commandStillGoing = m_socket->bytesToWrite() + m_socket->encryptedBytesToWrite() > 0;
    if (nothingAsked || commandStillGoing)
        return fail(outOfTurn(replies.first().text));
    if (replies.size() > 1)
        return fail(outOfTurn(replies.at(1).text));
    if (m_replies.holdsPartialReply())
        return fail(outOfTurn(m_replies.partialReply()));
    handleReply(replies.first());
}

QString SmtpClient::outOfTurn(const QByteArray &reply) const
{
    return tr("SMTP service error, the mail server replied before it was asked: ")
        + serverWords(reply);
}

void SmtpClient::handleReply(const SmtpReply &reply)
{
    switch (m_step) {
    case Step::Idle:
    case Step::Handshake:
    case Step::AwaitingLogin:
    case Step::Quit:
        return;
    case Step::Ehlo:
    case Step::Helo:
    case Step::EhloAgain:
        return handleHello(reply);
    case Step::AuthLoginUser:
    case Step::AuthLoginPassword:
    case Step::AuthResult:
        return handleLoginReply(reply);
    default:
        break;
    }
    // A recipient may also be taken for forwarding (251).
    const bool expected
        = reply.code == m_expectedCode || (m_step == Step::Recipient && reply.code == "251");
    if (!expected)
        return handleRefusal(reply);
    switch (m_step) {
    case Step::Greeting:
        write(QByteArray("EHLO ") + Addresses::HeloDomain + "\r\n");
        WaitFor("250", Step::Ehlo);
        setStatus(tr("Connecting...."));
        break;
    case Step::StartTls:
        m_step = Step::Handshake;
        m_replyTimer->start(m_config.replyTimeLimit);
        m_socket->startClientEncryption();
        break;
    case Step::Reset:
        requestLogin(m_pendingLoginText);
        break;
    case Step::Sender:
        write("rcpt to:<" + mailAddress(m_message.toAddress).toUtf8() + ">\r\n");
        WaitFor("250", Step::Recipient);
        break;
    case Step::Recipient:
        write("data\r\n");
        WaitFor("354", Step::Data);
        break;
    case Step::Data:
        write(messageData(m_message, m_date, m_messageId, m_encoding));
        WaitFor("250", Step::Message);
        break;
    case Step::Message:
        m_accepted = true;
        quit();
        break;
    default:
        break;
    }
}

// A server that wants a login says so by refusing the sender or the
// recipient; every other unexpected reply ends the exchange.
void SmtpClient::handleRefusal(const SmtpReply &reply)
{
    if (m_step == Step::Sender && asksForLogin(reply)) {
        requestLogin(reply.text);
    } else if (m_step == Step::Recipient && asksForLogin(reply)) {
        // No login in the middle of a mail transaction (RFC 4954 4).
        m_pendingLoginText = reply.text;
        write("RSET\r\n");
        WaitFor("250", Step::Reset);
    } else {
        fail(improperCode(reply));
    }
}

void SmtpClient::handleHello(const SmtpReply &reply)
{
    if (reply.code == "250") {
        m_extensions = m_step == Step::Helo ? SmtpExtensions{} : parseEhloReply(reply.text);
        helloDone();
    } else if (m_step == Step::Ehlo && reply.code.startsWith('5')) {
        // A server of the old kind: no extensions, and plain HELO.
        write(QByteArray("HELO ") + Addresses::HeloDomain + "\r\n");
        WaitFor("250", Step::Helo);
    } else {
        fail(improperCode(reply));
    }
}

void SmtpClient::helloDone()
{
    if (m_extensions.startTls && !m_socket->isEncrypted() && QSslSocket::supportsSsl()) {
        write("STARTTLS\r\n");
        WaitFor("220", Step::StartTls);
        return;
    }
    setStatus(tr("Connected"));
    if (needsSmtpUtf8(m_message) && !m_extensions.smtpUtf8) {
        return fail(
            tr("The mail server %1 does not take e-mail addresses with characters "
               "beyond English letters (it lacks SMTPUTF8), so it cannot carry the "
               "message from %2 to %3. Nothing was sent.")
                .arg(m_host, mailAddress(m_message.fromAddress), mailAddress(m_message.toAddress)));
    }
    m_encoding
        = chooseBodyEncoding(m_message.body, m_extensions.eightBitMime || needsSmtpUtf8(m_message));
    sendSender();
}

void SmtpClient::sendSender()
{
    QByteArray command = "mail from:<" + mailAddress(m_message.fromAddress).toUtf8() + '>';
    if (m_extensions.eightBitMime
        && (m_encoding == BodyEncoding::EightBit || needsSmtpUtf8(m_message)))
        command += " BODY=8BITMIME";
    if (needsSmtpUtf8(m_message))
        command += " SMTPUTF8";
    write(command + "\r\n");
    WaitFor("250", Step::Sender);
    setStatus(tr("Sending Message"));
}

bool SmtpClient::asksForLogin(const SmtpReply &reply) const
{
    if (m_authenticated)
        return false;
    // 530 is "authentication required"; a relay refused for want of a login
    // comes as 5.7.x from a server that offers one.
    return reply.code == "530"
        || (m_extensions.auth && reply.code.startsWith('5')
            && reply.text.mid(4).startsWith("5.7."));
}

void SmtpClient::requestLogin(const QByteArray &reply)
{
    const QString serverText = serverWords(reply).trimmed();
    if (!m_socket->isEncrypted()) {
        return fail(tr("The mail server %1 asks for a login, but the connection to it is not "
                       "encrypted, and a password is never sent without encryption. Use port "
                       "465, or port 587 on a server that offers STARTTLS. Nothing was sent.\n"
                       "The server said: %2")
                        .arg(m_host, serverText));
    }
    if (!m_extensions.authPlain && !m_extensions.authLogin) {
        return fail(tr("The mail server %1 asks for a login in a way this program does not "
                       "know (it offers neither PLAIN nor LOGIN). Nothing was sent.\n"
                       "The server said: %2")
                        .arg(m_host, serverText));
    }
    awaitLogin(serverText, false);
}

void SmtpClient::awaitLogin(const QString &serverText, bool refused)
{
    m_password.clear();
    m_step = Step::AwaitingLogin;
    // The user takes the time it takes; the server may hang up meanwhile.
    m_replyTimer->stop();
    Q_EMIT loginRequired(serverText, refused);
}

void SmtpClient::handleLoginReply(const SmtpReply &reply)
{
    if (reply.code.startsWith('5'))
        return awaitLogin(serverWords(reply.text).trimmed(), true);
    if (reply.code != m_expectedCode)
        return fail(improperCode(reply));
    if (m_step == Step::AuthLoginUser) {
        write(m_userName.toUtf8().toBase64() + "\r\n");
        WaitFor("334", Step::AuthLoginPassword);
    } else if (m_step == Step::AuthLoginPassword) {
        write(m_password.toUtf8().toBase64() + "\r\n");
        WaitFor("235", Step::AuthResult);
    } else {
        m_authenticated = true;
        Q_EMIT loggedIn(m_userName, std::exchange(m_password, {}));
        sendSender();
    }
}

void SmtpClient::handleEncrypted()
{
    // After STARTTLS nothing learnt before counts (RFC 3207 4.2); on the
    // implicit-TLS port the greeting is still to come.
    if (m_step != Step::Handshake)
        return;
    m_replies.clear();
    write(QByteArray("EHLO ") + Addresses::HeloDomain + "\r\n");
    WaitFor("250", Step::EhloAgain);
}

void SmtpClient::handleSocketError(QAbstractSocket::SocketError error)
{
    if (!isBusy())
        return;
    // Closing the connection is what "quit" asks for; a server may do it
    // without saying goodbye. Otherwise nothing is left to say it over.
    if (m_step != Step::Quit)
        Q_EMIT failed(connectionFailure(error));
    finish();
}

QString SmtpClient::connectionFailure(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return tr("SMTP service error, mail server not found: %1").arg(m_host);
    case QAbstractSocket::ConnectionRefusedError:
        return tr("SMTP service error, connection refused by mail server: %1 port %2")
            .arg(m_host)
            .arg(m_port);
    case QAbstractSocket::RemoteHostClosedError:
        return tr("SMTP service error, connection closed by mail server");
    case QAbstractSocket::SslHandshakeFailedError:
        return tr("The mail server %1 could not prove who it is, so nothing was sent: %2")
            .arg(m_host,
                m_certificateProblems.isEmpty() ? m_socket->errorString()
                                                : m_certificateProblems.join(QLatin1String("; ")));
    default:
        return tr("SMTP service error, %1").arg(m_socket->errorString());
    }
}

QString SmtpClient::improperCode(const SmtpReply &reply) const
{
    return tr("SMTP service error, impromper response code. Code should have been: %1 Code "
              "recieved: %2")
        .arg(QString::fromLatin1(m_expectedCode), QString::fromUtf8(reply.text));
}

void SmtpClient::setStatus(const QString &status)
{
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT statusChanged(status);
}

void SmtpClient::fail(const QString &message)
{
    if (!isBusy() || m_step == Step::Quit)
        return;
    Q_EMIT failed(message);
    quit();
}

void SmtpClient::quit()
{
    m_password.clear();
    // A broken handshake leaves nothing to say goodbye over.
    if (m_socket->state() != QAbstractSocket::ConnectedState
        || (m_socket->mode() != QSslSocket::UnencryptedMode && !m_socket->isEncrypted()))
        return finish();
    write("quit\r\n");
    m_step = Step::Quit;
    m_replyTimer->start(m_config.quitTimeLimit);
    setStatus(tr("Disconnecting"));
}

void SmtpClient::finish()
{
    m_step = Step::Idle;
    m_replyTimer->stop();
    m_password.clear();
    // Closes at once, so that the next exchange finds the socket closed.
    m_socket->abort();
    Q_EMIT finished(std::exchange(m_accepted, false));
}
