#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One running copy of the program per data directory. A later start (a link
// opened from another program) hands its address to the copy that runs and
// ends: two copies would each write their own lists over the other's.
class RunningInstance : public QObject
{
    Q_OBJECT

public:
    // Longest message a later start may send: one address and its line end.
    static constexpr qsizetype MaxMessageBytes = 64 * 1024;
    // Later starts answered at once; more are turned away.
    static constexpr int MaxConnections = 8;
    // How long a later start may take to say what it wants.
    static constexpr int ConnectionTimeLimitMs = 5000;
    // How long a later start waits for the running copy, which may itself
    // still be starting.
    static constexpr int HandOverTimeLimitMs = 5000;

    // runtimeDirectory holds the lock and the socket; it must be the user's
    // own (the desktop's runtime folder).
    RunningInstance(
        const QString &dataDirectory, const QString &runtimeDirectory, QObject *parent = nullptr);
    ~RunningInstance() override;

    // The desktop's runtime folder, for the constructor.
    static QString defaultRuntimeDirectory();

    // False when another copy runs: this one should end now, the address
    // handed over, or with refusal() telling why it was not (too long,
    // refused, no answer): two copies must never run on the same files.
    // True when this copy is the one that runs; it then reports later
    // starts through addressReceived(). Also true, without listening, when
    // no lock or socket can be had (a read-only runtime folder): the program
    // then runs on its own, as it always could.
    bool claim(const QString &address);
    // Why the address was not handed over; empty when it was.
    QString refusal() const { return m_refusal; }

Q_SIGNALS:
    // A later start asked for the address; empty: for the program's window.
    // Only addresses that may come from outside arrive (see
    // isOpenableFromOutside()); others are refused, with a line on stderr.
    void addressReceived(const QString &address);

private:
    void handOver(const QString &address);
    void listen();
    void accept();
    void read(QLocalSocket *socket);
    void refuse(QLocalSocket *socket);

    const QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    int m_connections = 0;
    QString m_refusal;
};
