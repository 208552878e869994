#include "engine/webengineprofile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QWebEngineProfile>

#include <cstdio>

namespace {

const QString StorageName = QStringLiteral("Wavecrest");
const QString EngineSuffix = QStringLiteral("Engine");

// Where Qt keeps a profile of that name among the per-user folders of a
// kind: "<folder>/QtWebEngine/<name>".
QString profileFolder(const QString &perUserFolder)
{
    return QDir::cleanPath(perUserFolder) + QStringLiteral("/QtWebEngine/") + StorageName;
}

QString perUserFolder(QStandardPaths::StandardLocation kind)
{
    return QStandardPaths::writableLocation(kind);
}

// The same for the engine's own application name: beside the program's
// folder of that kind, not inside it.
QString engineFolder(QStandardPaths::StandardLocation kind)
{
    return profileFolder(QDir::cleanPath(perUserFolder(kind)) + EngineSuffix);
}

// Where the profile's files are: the new place, unless the move there failed
// and left the old one in use.
QString storageInUse()
{
    const QString old = oldWebEngineStorageFolder();
    const QString current = webEngineStorageFolder();
    return QFileInfo(old).isDir() && !QFileInfo::exists(current) ? old : current;
}

bool move(const QString &from, const QString &to)
{
    if (!QFileInfo(from).isDir() || QFileInfo::exists(to))
        return false;
    QDir().mkpath(QFileInfo(to).absolutePath());
    // One rename: the files are whole in one place or the other, and a
    // second copy starting meanwhile finds them in one of them.
    if (!QDir().rename(from, to))
        return false;
    // The folder that held them, when nothing else is left in it.
    QDir().rmdir(QFileInfo(from).absolutePath());
    return true;
}

} // namespace

QString webEngineStorageFolder()
{
    return engineFolder(QStandardPaths::AppDataLocation);
}

QString oldWebEngineStorageFolder()
{
    return profileFolder(perUserFolder(QStandardPaths::AppDataLocation));
}

void moveOldWebEngineStorage()
{
    const QString old = oldWebEngineStorageFolder();
    if (QFileInfo(old).isDir() && !move(old, webEngineStorageFolder())) {
        std::fprintf(stderr, "wavecrest: could not move the page engine's files from %s to %s\n",
            qPrintable(old), qPrintable(webEngineStorageFolder()));
    }
    // The cache goes along where it can; it is only a cache.
    move(profileFolder(perUserFolder(QStandardPaths::CacheLocation)),
        engineFolder(QStandardPaths::CacheLocation));
}

QStringList webEngineStorageFolders()
{
    QStringList folders{storageInUse(), sharedWebEngineProfile()->cachePath()};
    // Refused by identity, they must exist before the server starts.
    for (const QString &folder : std::as_const(folders))
        QDir().mkpath(folder);
    // The old place, whether or not it is still there: an older version run
    // meanwhile would have the engine write into it again.
    folders.append(QFileInfo(oldWebEngineStorageFolder()).absolutePath());
    folders.removeDuplicates();
    return folders;
}

QWebEngineProfile *sharedWebEngineProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        // A storage name makes the profile disk-based; the unnamed default
        // would forget everything at exit. Qt puts a named profile among the
        // application's per-user data, which for an installed copy is the
        // data directory the web server serves, and writes there as soon as
        // the profile is made, whatever place it is given afterwards. So the
        // profile is made under a name of its own for the engine.
        const QString applicationName = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(applicationName + EngineSuffix);
        profile = new QWebEngineProfile(StorageName, QCoreApplication::instance());
        QCoreApplication::setApplicationName(applicationName);
        if (profile->persistentStoragePath() != storageInUse())
            profile->setPersistentStoragePath(storageInUse());
        profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    }
    return profile;
}
