#include "settings/sessionfile.h"

#include "settings/listfile.h"

#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>

namespace {

// A few windows' addresses take a few kilobytes at most.
constexpr qint64 MaxFileSize = 1024 * 1024;

} // namespace

struct SessionFile::Shared {
    explicit Shared(const QString &path) : path(path) { }

    void writeWhilePending()
    {
        std::unique_lock lock(mutex);
        while (pending && !ended) {
            const QStringList addresses = *std::exchange(pending, std::nullopt);
            lock.unlock();
            SaveList(addresses, path);
            lock.lock();
        }
        writing = false;
        idle.notify_all();
    }

    void waitUntilIdle(std::unique_lock<std::mutex> &lock)
    {
        idle.wait(lock, [this] { return !writing; });
    }

    const QString path;
    std::mutex mutex;
    std::condition_variable idle;
    std::optional<QStringList> pending;
    bool writing = false;
    bool ended = false;
};

SessionFile::SessionFile(const QString &path) : m_shared(std::make_shared<Shared>(path)) { }

SessionFile::~SessionFile()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->waitUntilIdle(lock);
}

std::optional<QStringList> SessionFile::read() const
{
    const QFileInfo info(m_shared->path);
    if (!info.exists())
        return std::nullopt;
    QStringList addresses;
    if (info.size() <= MaxFileSize)
        LoadList(&addresses, m_shared->path);
    return addresses;
}

void SessionFile::save(const QStringList &addresses)
{
    std::unique_lock lock(m_shared->mutex);
    if (m_shared->ended)
        return;
    m_shared->pending = addresses;
    if (std::exchange(m_shared->writing, true))
        return;
    lock.unlock();
    QThreadPool::globalInstance()->start([shared = m_shared] { shared->writeWhilePending(); });
}

void SessionFile::remove()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->ended = true;
    m_shared->pending.reset();
    m_shared->waitUntilIdle(lock);
    QFile::remove(m_shared->path);
}
