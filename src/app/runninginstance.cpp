#include "app/runninginstance.h"

#include "engine/useraddress.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

constexpr char Acknowledgement[] = "ok\n";
constexpr char Refusal[] = "refused\n";

QString translate(const char *text)
{
    return QCoreApplication::translate("RunningInstance", text);
}

// Named after the data directory, so that copies carried in other folders
// run side by side; short, as socket paths are.
QString channelName(const QString &dataDirectory)
{
    const QByteArray digest = QCryptographicHash::hash(
        QDir::cleanPath(dataDirectory).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("wavecrest-") + QString::fromLatin1(digest.toHex().left(16));
}

} // namespace

RunningInstance::RunningInstance(
    const QString &dataDirectory, const QString &runtimeDirectory, QObject *parent)
    : QObject(parent), m_socketPath(QDir(runtimeDirectory).filePath(channelName(dataDirectory))),
      m_lock(std::make_unique<QLockFile>(m_socketPath + QStringLiteral(".lock")))
{
    // Held for as long as the program runs, so never stale by its age; a lock
    // whose process is gone (killed) is still taken over at once.
    m_lock->setStaleLockTime(0);
}

RunningInstance::~RunningInstance() = default;

QString RunningInstance::defaultRuntimeDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool RunningInstance::claim(const QString &address)
{
    if (m_lock->tryLock(0)) {
        listen();
        return true;
    }
    if (m_lock->error() != QLockFile::LockFailedError)
        return true;
    handOver(address);
    return false;
}

// Runs before this copy has a window or an event loop, so it may wait; it
// waits a bounded time only.
void RunningInstance::handOver(const QString &address)
{
    const QByteArray message = address.toUtf8() + '\n';
    if (message.size() > MaxMessageBytes) {
        m_refusal = translate("The address is too long to be handed to the Wavecrest that runs.");
        return;
    }
    m_refusal = translate("Wavecrest runs already for these files, but does not answer.");
    const QDeadlineTimer deadline(HandOverTimeLimitMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (!socket.waitForConnected(int(deadline.remainingTime()))) {
            QThread::msleep(100);
            continue;
        }
        socket.write(message);
        QByteArray answer;
        while (!answer.endsWith('\n') && answer.size() < 16
            && (socket.bytesAvailable() > 0
                || socket.waitForReadyRead(int(deadline.remainingTime()))))
            answer += socket.read(16 - answer.size());
        if (answer == Acknowledgement)
            m_refusal.clear();
        else if (answer == Refusal)
            m_refusal = translate("The Wavecrest that runs refused the address.");
        return;
    }
}

void RunningInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours, so a socket file still there is a killed copy's.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath))
        return;
    connect(m_server, &QLocalServer::newConnection, this, &RunningInstance::accept);
}

void RunningInstance::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
        ++m_connections;
        if (m_connections > MaxConnections) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        QTimer::singleShot(ConnectionTimeLimitMs, socket, [socket] { socket->abort(); });
    }
}

void RunningInstance::read(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= MaxMessageBytes)
            refuse(socket);
        return;
    }
    const QByteArray line = socket->readLine(MaxMessageBytes + 1);
    if (!line.endsWith('\n')) {
        refuse(socket);
        return;
    }
    const QString address = QString::fromUtf8(line.chopped(1));
    const QString refused = address.isEmpty()
        ? QString()
        : outsideAddressRefusal(urlFromUserAddress(address, QDir::currentPath()));
    if (!refused.isEmpty()) {
        std::fprintf(stderr, "wavecrest: %s\n", refused.toLocal8Bit().constData());
        refuse(socket);
        return;
    }
    QObject::disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(Acknowledgement);
    socket->disconnectFromServer();
    Q_EMIT addressReceived(address);
}

// The later start is told, so that it ends with a word why.
void RunningInstance::refuse(QLocalSocket *socket)
{
    QObject::disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(Refusal);
    socket->disconnectFromServer();
}
