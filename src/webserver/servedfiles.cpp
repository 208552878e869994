#include "webserver/servedfiles.h"

#include "settings/datadir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVarLengthArray>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// The path as asked for, or as resolved below the data directory: no byte
// that could lead elsewhere, no part that climbs or is hidden, and not the
// name of a private file.
bool isAcceptablePath(QByteArrayView path)
{
    if (path.contains('\\') || path.contains('\0'))
        return false;
    QByteArrayView last;
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype end = path.indexOf('/', start);
        if (end < 0)
            end = path.size();
        const QByteArrayView part = path.sliced(start, end - start);
        // "." is no step at all; "..", ".hidden" and a hidden folder are.
        if (part.startsWith('.') && part != ".")
            return false;
        last = part;
        start = end + 1;
    }
    return !isPrivateDataFile(QFile::decodeName(last.toByteArray()));
}

qint64 nanoseconds(const timespec &time)
{
    return qint64(time.tv_sec) * 1000 * 1000 * 1000 + time.tv_nsec;
}

FileStamp stampOf(const struct stat &status)
{
    // The change time moves with every write, rename, link and permission
    // change and cannot be set back; device and inode tell a file replaced by
    // another.
    return FileStamp{qint64(status.st_size), quint64(status.st_dev), quint64(status.st_ino),
        nanoseconds(status.st_mtim), nanoseconds(status.st_ctim)};
}

QByteArray canonicalPath(const QByteArray &path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

// A folder's canonical name, also when it does not exist (yet): that of
// the nearest folder above it that does, and the rest of the name.
QString canonicalFolderPath(const QString &folder)
{
    QString rest;
    for (QString path = QDir::cleanPath(QDir(folder).absolutePath());;) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (!canonical.isEmpty())
            return QDir::cleanPath(canonical + rest);
        const qsizetype slash = path.lastIndexOf(u'/');
        if (slash <= 0)
            return {};
        rest.prepend(path.sliced(slash));
        path.truncate(slash);
    }
}

} // namespace

ServedFiles::ServedFiles(const QString &dataDirectory, const QStringList &privateFolders)
    : m_directory(QFileInfo(dataDirectory).canonicalFilePath())
{
    for (const QString &folder : privateFolders) {
        struct stat status;
        const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
        if (::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode))
            m_privateIdentities.append({quint64(status.st_dev), quint64(status.st_ino)});
        for (const QByteArray &name : {path, QFile::encodeName(canonicalFolderPath(folder))}) {
            if (!name.isEmpty() && name != "/")
                m_privatePaths.append(name + '/');
        }
    }
    m_systemDirectory = QFile::encodeName(m_directory);
    // The directory itself, or one of the folders it lies in.
    for (QByteArray folder = m_systemDirectory; !folder.isEmpty();
         folder.truncate(qMax<qsizetype>(folder.lastIndexOf('/'), 1))) {
        if (isPrivateFolder(folder)) {
            m_directory.clear();
            m_systemDirectory.clear();
            break;
        }
        if (folder == "/")
            break;
    }
}

std::optional<ServedFile> ServedFiles::resolve(QByteArrayView path) const
{
    if (m_directory.isEmpty() || !isAcceptablePath(path))
        return std::nullopt;
    const QByteArray &directory = m_systemDirectory;
    QByteArray canonical;
    struct stat status;
    switch (resolveWithoutLinks(path, &canonical, &status)) {
    case Walk::Missing:
        return std::nullopt;
    case Walk::Found:
        break;
    case Walk::Link:
        canonical = canonicalPath(directory + '/' + path.toByteArray());
        // The directory itself, or somewhere outside it.
        if (!canonical.startsWith(directory + '/') && !(directory == "/" && canonical.size() > 1))
            return std::nullopt;
        if (!isAcceptablePath(canonical.sliced(directory == "/" ? 1 : directory.size() + 1)))
            return std::nullopt;
        if (passesPrivateFolder(canonical) || ::stat(canonical.constData(), &status) != 0)
            return std::nullopt;
        break;
    }
    if (!S_ISREG(status.st_mode))
        return std::nullopt;
    ServedFile file{QFile::decodeName(canonical), stampOf(status), true};
    // A file with one name is known by it; another name for a private file
    // is a hard link.
    if (status.st_nlink > 1 && isPrivateFile(file))
        return std::nullopt;
    return file;
}

ServedFiles::Walk ServedFiles::resolveWithoutLinks(
    QByteArrayView path, QByteArray *canonical, struct stat *status) const
{
    const QByteArray &directory = m_systemDirectory;
    // Most paths hold no link: then the canonical name is the path with its
    // empty and "." parts left out, and each part costs one look, where
    // resolving from the root looks at every part of the directory's name
    // too.
    QVarLengthArray<QByteArrayView, 8> parts;
    for (qsizetype start = 0; start < path.size();) {
        qsizetype end = path.indexOf('/', start);
        if (end < 0)
            end = path.size();
        const QByteArrayView part = path.sliced(start, end - start);
        if (!part.isEmpty() && part != ".")
            parts.append(part);
        start = end + 1;
    }
    if (parts.isEmpty())
        return Walk::Missing;
    *canonical = directory == "/" ? QByteArray() : directory;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        *canonical += '/';
        *canonical += parts[i];
        if (i == parts.size() - 1)
            break;
        // A folder on the way: whether it is a link, or a private folder.
        if (::lstat(canonical->constData(), status) != 0)
            return Walk::Missing;
        if (S_ISLNK(status->st_mode))
            return Walk::Link;
        if (isPrivateFolder(*status))
            return Walk::Missing;
    }
    if (::lstat(canonical->constData(), status) != 0)
        return Walk::Missing;
    if (S_ISLNK(status->st_mode))
        return Walk::Link;
    // With no link on the way, the name is the file's real one: a private
    // folder made since the server started shows by its name.
    return isUnderPrivatePath(*canonical) ? Walk::Missing : Walk::Found;
}

bool ServedFiles::isPrivateFolder(const struct stat &status) const
{
    return std::any_of(m_privateIdentities.begin(), m_privateIdentities.end(),
        [&status](const FolderIdentity &folder) {
            return folder.device == quint64(status.st_dev)
                && folder.inode == quint64(status.st_ino);
        });
}

bool ServedFiles::isPrivateFolder(const QByteArray &path) const
{
    struct stat status;
    return (::stat(path.constData(), &status) == 0 && isPrivateFolder(status))
        || isUnderPrivatePath(path);
}

bool ServedFiles::isUnderPrivatePath(const QByteArray &path) const
{
    return std::any_of(
        m_privatePaths.begin(), m_privatePaths.end(), [&path](const QByteArray &folder) {
            return path.startsWith(folder) || path == QByteArrayView(folder).chopped(1);
        });
}

bool ServedFiles::passesPrivateFolder(const QByteArray &canonical) const
{
    if (isUnderPrivatePath(canonical))
        return true;
    if (m_privateIdentities.isEmpty())
        return false;
    // Every folder from the directory down to the file's own.
    for (qsizetype slash = canonical.indexOf('/', m_systemDirectory.size() + 1); slash > 0;
         slash = canonical.indexOf('/', slash + 1)) {
        struct stat status;
        if (::stat(canonical.first(slash).constData(), &status) == 0 && isPrivateFolder(status))
            return true;
    }
    return false;
}

bool ServedFiles::isPrivateFile(const ServedFile &file) const
{
    for (const char16_t *name : DataFiles::Private) {
        struct stat status;
        const QByteArray privatePath
            = QFile::encodeName(dataFilePath(m_directory, QString::fromUtf16(name)));
        if (::stat(privatePath.constData(), &status) == 0
            && quint64(status.st_dev) == file.stamp.device
            && quint64(status.st_ino) == file.stamp.inode)
            return true;
    }
    return false;
}

std::unique_ptr<QFile> ServedFiles::open(const ServedFile &file)
{
    // Non-blocking, so that a file swapped for a pipe cannot stall the
    // program in open(); an ordinary file reads as usual.
    const int descriptor
        = ::open(QFile::encodeName(file.fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)
        || quint64(status.st_dev) != file.stamp.device
        || quint64(status.st_ino) != file.stamp.inode) {
        ::close(descriptor);
        return nullptr;
    }
    auto opened = std::make_unique<QFile>(file.fileName);
    if (!opened->open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered,
            QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return nullptr;
    }
    return opened;
}
