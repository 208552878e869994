#include "engine/webengineprofile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QWebEngineProfile>

#include <cstdio>

namespace {

const QString StorageName = QStringLiteral("Wavecrest");

// Where the profile's files are: the new place, unless the move there failed
// and left the old one in use.
QString storageInUse()
{
    const QString old = oldWebEngineStorageFolder();
    const QString current = webEngineStorageFolder();
    return QFileInfo::exists(old) && !QFileInfo::exists(current) ? old : current;
}

} // namespace

QString webEngineStorageFolder()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        + QStringLiteral("Engine");
}

QString oldWebEngineStorageFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("QtWebEngine/") + StorageName);
}

void moveOldWebEngineStorage()
{
    const QString old = oldWebEngineStorageFolder();
    const QString current = webEngineStorageFolder();
    if (!QFileInfo(old).isDir() || QFileInfo::exists(current))
        return;
    QDir().mkpath(QFileInfo(current).absolutePath());
    // One rename: the profile is whole in one place or the other, and a
    // second copy starting meanwhile finds it in one of them.
    if (!QDir().rename(old, current)) {
        std::fprintf(stderr, "wavecrest: could not move the page engine's files from %s to %s\n",
            qPrintable(old), qPrintable(current));
        return;
    }
    // The folder that held it, when nothing else is left in it.
    QDir().rmdir(QFileInfo(old).absolutePath());
}

QStringList webEngineStorageFolders()
{
    QStringList folders{storageInUse(), sharedWebEngineProfile()->cachePath()};
    // The old place, and beside it whatever else an older version had the
    // engine keep there.
    const QString oldParent = QFileInfo(oldWebEngineStorageFolder()).absolutePath();
    if (QFileInfo::exists(oldParent))
        folders.append(oldParent);
    // Refused by identity, they must exist before the server starts.
    for (const QString &folder : std::as_const(folders))
        QDir().mkpath(folder);
    folders.removeDuplicates();
    return folders;
}

QWebEngineProfile *sharedWebEngineProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        // A storage name makes the profile disk-based; the unnamed default
        // would forget everything at exit.
        profile = new QWebEngineProfile(StorageName, QCoreApplication::instance());
        profile->setPersistentStoragePath(storageInUse());
        profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    }
    return profile;
}
