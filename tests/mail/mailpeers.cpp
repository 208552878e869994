#include "mailpeers.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace {

bool runOpenSsl(const QString &folder, const QStringList &arguments)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.start(QStringLiteral("openssl"), arguments);
    const bool made = openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit
        && openssl.exitCode() == 0;
    if (!made)
        qWarning("openssl: %s", openssl.readAllStandardError().constData());
    return made;
}

// A throw-away key and certificate named name.key and name.pem, signed by the
// authority ca.pem when it exists (else it is that authority).
bool makeCertificate(const QString &folder, const QString &name, const QString &altNames)
{
    QStringList arguments{"req", "-x509", "-newkey", "ec", "-pkeyopt",
        "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-keyout", name + ".key", "-out",
        name + ".pem", "-subj", "/CN=" + name};
    if (!altNames.isEmpty()) {
        arguments += {"-CA", "ca.pem", "-CAkey", "ca.key", "-addext", "subjectAltName=" + altNames,
            "-addext", "basicConstraints=critical,CA:FALSE"};
    }
    return runOpenSsl(folder, arguments);
}

} // namespace

bool MailPeers::makeCertificates()
{
    const QString folder = m_folder.filePath(QStringLiteral("certificates"));
    QDir().mkpath(folder);
    if (!makeCertificate(folder, "ca", {})
        || !makeCertificate(folder, "server", "IP:127.0.0.1,DNS:localhost")
        || !makeCertificate(folder, "wrongname", "DNS:other.test"))
        return false;
    m_ca = QSslCertificate::fromPath(folder + "/ca.pem");
    return m_ca.size() == 1;
}

bool MailPeers::start()
{
    if (!makeCertificates())
        return false;
    // Debian's aiosmtpd is installed for the system's own interpreter.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"),
        {"-u", WAVECREST_SOURCE_DIR "/tests/mail/smtp_peer.py", m_folder.path(),
            m_folder.filePath("certificates")});
    if (!m_process.waitForReadyRead(15000))
        return false;
    const QJsonObject ports = QJsonDocument::fromJson(m_process.readLine()).object();
    for (auto kind = ports.begin(); kind != ports.end(); ++kind)
        m_ports.insert(kind.key(), quint16(kind.value().toInt()));
    return !m_ports.isEmpty();
}

void MailPeers::stop()
{
    m_process.closeWriteChannel();
    m_process.waitForFinished();
}

QString MailPeers::field(const QString &kind) const
{
    return QStringLiteral("127.0.0.1:%1").arg(port(kind));
}

SmtpClientConfig MailPeers::trustingConfig() const
{
    SmtpClientConfig config;
    config.implicitTlsPort = port(QStringLiteral("implicit"));
    config.caCertificates = m_ca;
    return config;
}

void MailPeers::clear()
{
    for (const QString &kind : m_ports.keys())
        QFile::remove(m_folder.filePath(kind + ".json"));
}

QJsonObject MailPeers::received(const QString &kind) const
{
    QFile saved(m_folder.filePath(kind + ".json"));
    if (!saved.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(saved.readAll()).object();
}
