#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

// The real mail server of the tests (Python's aiosmtpd, from Debian) on a
// loopback port chosen by the system; every message it accepts is saved in a
// temporary folder. Stopped when this object goes.
class SmtpSink
{
public:
    SmtpSink() = default;
    ~SmtpSink();
    SmtpSink(const SmtpSink &) = delete;
    SmtpSink &operator=(const SmtpSink &) = delete;

    // Starts the server and waits for its port; false with a reason on failure.
    bool start(QString *whyNot);
    QString serverField() const;

    int messageCount() const;
    // What the server saved of its n-th message (see smtp_sink.py).
    QJsonObject message(int n) const;

private:
    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
};
