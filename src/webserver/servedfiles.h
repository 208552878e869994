#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QFile;

// What tells whether a file has changed since it was read: its size, which
// file it is, and its times.
struct FileStamp {
    qint64 size = 0;
    quint64 device = 0;
    quint64 inode = 0;
    // Nanoseconds since the epoch.
    qint64 modified = 0;
    qint64 changed = 0;
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

// A file of the data directory that may be served.
struct ServedFile {
    // Canonical: links followed.
    QString fileName;
    FileStamp stamp;
    // The stamp is enough to know the file unchanged. Where file times miss
    // changes (attributes that hide a file on Windows), it is not.
    bool stampIsReliable = false;
};

// Decides which file of the data directory a request names and whether it
// may go out. A file is served only when, with every link followed, it is an
// ordinary file inside the data directory; no part of its path, as asked for
// or as resolved, is hidden (starts with a dot) or leads upwards; and it is
// none of the files holding the user's settings and lists, nor what a cut
// short save of one left behind, by name or, through another link to it, by
// identity.
//
// Nor is anything inside a private folder (where the page engine keeps its
// cookies and cache), known by its device and inode, and by its name: a
// path is refused when any folder on its way, as resolved, is one of them.
// When the data directory lies inside one, nothing is served.
//
// The data directory's own name is made canonical once, when the server
// starts; what matters afterwards is the path below it.
class ServedFiles
{
public:
    explicit ServedFiles(const QString &dataDirectory, const QStringList &privateFolders = {});

    std::optional<ServedFile> resolve(QByteArrayView path) const;

    // Opens a resolved file for reading, provided it is still the file that
    // was resolved (it may have been swapped for a link since). Never blocks
    // on something that is not a file.
    static std::unique_ptr<QFile> open(const ServedFile &file);

private:
    enum class Walk { Found, Missing, Link };
    // Resolves a path below the directory when none of its parts is a link,
    // and says so when one is.
    Walk resolveWithoutLinks(QByteArrayView path, QByteArray *canonical, struct stat *status) const;
    bool isPrivateFile(const ServedFile &file) const;
    bool isPrivateFolder(const struct stat &status) const;
    bool isPrivateFolder(const QByteArray &path) const;
    bool isUnderPrivatePath(const QByteArray &path) const;
    // Whether a canonical path below the directory passes a private folder.
    bool passesPrivateFolder(const QByteArray &canonical) const;

    QString m_directory;
    // The same as the system spells it, for every request to start from.
    QByteArray m_systemDirectory;
    struct FolderIdentity {
        quint64 device;
        quint64 inode;
    };
    QList<FolderIdentity> m_privateIdentities;
    // Canonical, each with a final "/".
    QByteArrayList m_privatePaths;
};
