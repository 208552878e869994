#pragma once

#include "mail/smtpclient.h"

#include <QHash>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

// The real mail servers of the tests (smtp_peer.py): aiosmtpd instances of
// every kind a user meets, on loopback ports, with a certificate authority
// made for this run that only the clients given caCertificates() trust.
class MailPeers
{
public:
    // Makes the certificates and starts the servers; false when either fails.
    bool start();
    void stop();

    // "127.0.0.1:port" of the server of that kind.
    QString field(const QString &kind) const;
    quint16 port(const QString &kind) const { return m_ports.value(kind); }
    QList<QSslCertificate> caCertificates() const { return m_ca; }
    // A client set up to trust the test's authority, with the implicit-TLS
    // server's port as the one where TLS starts at once.
    SmtpClientConfig trustingConfig() const;

    // Forgets what each server received.
    void clear();
    // The message the server of that kind last took, as its parser read it;
    // empty when it took none.
    QJsonObject received(const QString &kind) const;

private:
    bool makeCertificates();

    QTemporaryDir m_folder;
    QProcess m_process;
    QHash<QString, quint16> m_ports;
    QList<QSslCertificate> m_ca;
};
