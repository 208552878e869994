#include "smtpsink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTest>

namespace {

// aiosmtpd comes from Debian's python3-aiosmtpd, installed for the system's
// own interpreter; a python3 earlier in PATH may not see it.
QString systemPython()
{
    const QString debian = QStringLiteral("/usr/bin/python3");
    return QFileInfo::exists(debian) ? debian : QStringLiteral("python3");
}

} // namespace

SmtpSink::~SmtpSink()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
}

bool SmtpSink::start(QString *whyNot)
{
    const QString script = QStringLiteral(WAVECREST_SOURCE_DIR "/tests/mail/smtp_sink.py");
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(systemPython(), {QStringLiteral("-u"), script, m_folder.path()});
    const bool started = QTest::qWaitFor(
        [this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; },
        15000);
    m_port = started ? m_process.readLine().trimmed().toUShort() : 0;
    if (m_port == 0)
        *whyNot = QStringLiteral("the mail server did not start: ") + m_process.errorString();
    return m_port != 0;
}

QString SmtpSink::serverField() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

int SmtpSink::messageCount() const
{
    return int(QDir(m_folder.path()).entryList({QStringLiteral("*.json")}, QDir::Files).size());
}

QJsonObject SmtpSink::message(int n) const
{
    QFile file(m_folder.filePath(QStringLiteral("%1.json").arg(n)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}
