#pragma once

#include "mail/credentialstore.h"
#include "mail/smtpclient.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <utility>

// The real mail servers of the tests (smtp_peer.py): aiosmtpd instances of
// every kind a user meets, on loopback ports, with a certificate authority
// made for this run that only trustingConfig() trusts.
class MailPeers
{
public:
    bool start()
    {
        // Debian's aiosmtpd is installed for the system's own interpreter.
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start("/usr/bin/python3",
            {"-u", WAVECREST_SOURCE_DIR "/tests/mail/smtp_peer.py", m_folder.path()});
        if (!m_process.waitForReadyRead(30000))
            return false;
        m_ports = QJsonDocument::fromJson(m_process.readLine()).object();
        trustingConfig.implicitTlsPort = m_ports["implicit"].toInt();
        trustingConfig.caCertificates = QSslCertificate::fromPath(m_folder.filePath("ca.pem"));
        return !m_ports.isEmpty() && trustingConfig.caCertificates.size() == 1;
    }
    ~MailPeers()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished();
    }

    QString field(const QString &kind) const
    {
        return QStringLiteral("127.0.0.1:%1").arg(m_ports[kind].toInt());
    }

    // Forgets what each server received.
    void clear()
    {
        for (const QString &kind : m_ports.keys())
            QFile::remove(m_folder.filePath(kind + ".json"));
    }
    // The message the server of that kind last took, as Python's mail parser
    // read it; empty when it took none.
    QJsonObject received(const QString &kind) const
    {
        QFile saved(m_folder.filePath(kind + ".json"));
        return saved.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(saved.readAll()).object()
                                               : QJsonObject();
    }

    // A client that trusts the test's authority and starts TLS at once on
    // the implicit-TLS server's port.
    SmtpClientConfig trustingConfig;

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    QJsonObject m_ports;
};

// A mail server on a loopback port that answers the greeting, and each line
// outside the message data, with the next reply of its script. One entry may
// hold several replies, which then go out in one piece; "|" splits an entry
// into two pieces sent a moment apart, and "<drop>" hangs up. An entry that
// starts with 354 is followed by message data. With no reply left it stays
// silent.
struct FakeSmtpServer : QTcpServer {
    explicit FakeSmtpServer(const QByteArrayList &script) : m_script(script)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            m_peer = nextPendingConnection();
            connect(m_peer, &QTcpSocket::readyRead, this, [this] { readLines(); });
            connect(m_peer, &QTcpSocket::disconnected, this, [this] {
                ended = true;
                closedBeforeGoodbye = !m_rest.isEmpty();
            });
            answer();
        });
    }

    QString field() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }

    // The lines received outside the message data.
    QByteArrayList commands;
    bool ended = false;
    // The client hung up while the rest of a split reply was still to come.
    bool closedBeforeGoodbye = false;

    void readLines()
    {
        // Nothing more is answered until the rest of a split reply is sent.
        while (m_rest.isEmpty() && m_peer->canReadLine()) {
            const QByteArray line = m_peer->readLine().chopped(2);
            if (m_inData && line != ".")
                continue;
            m_inData = false;
            commands.append(line);
            answer();
        }
    }

    void answer()
    {
        if (m_script.isEmpty())
            return;
        const QByteArray reply = m_script.takeFirst();
        m_inData = reply.startsWith("354");
        if (reply == "<drop>")
            return m_peer->disconnectFromHost();
        const QByteArrayList pieces = reply.split('|');
        m_peer->write(pieces.first());
        m_rest = pieces.value(1);
        if (!m_rest.isEmpty()) {
            QTimer::singleShot(50, m_peer, [this] {
                m_peer->write(std::exchange(m_rest, {}));
                readLines();
            });
        }
    }

    QByteArrayList m_script;
    QTcpSocket *m_peer = nullptr;
    bool m_inData = false;
    QByteArray m_rest;
};

// The keyring of the tests: a map that answers on the next turn of the event
// loop, as a real keyring would. When unavailable it finds and keeps nothing.
struct MemoryCredentialStore : CredentialStore {
    void readPassword(const QString &account, QObject *context, ReadDone done) override
    {
        const auto password = available && passwords.contains(account)
            ? std::optional(passwords.value(account))
            : std::nullopt;
        QTimer::singleShot(0, context, [done, password] { done(password); });
    }
    void writePassword(
        const QString &account, const QString &password, QObject *context, WriteDone done) override
    {
        if (available)
            passwords.insert(account, password);
        const QString error = available ? QString() : QStringLiteral("No keyring on the bus");
        QTimer::singleShot(0, context, [done, error] { done(error); });
    }
    void forgetPassword(const QString &account) override { passwords.remove(account); }

    QHash<QString, QString> passwords;
    bool available = true;
};
