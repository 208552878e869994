#include "settings/datadir.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

bool isWritableDirectory(const QString &path)
{
    // QFileInfo::isWritable() trusts the mode bits, which say nothing about a
    // read-only mount; creating a file is the only sure test.
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral(".wavecrest-XXXXXX")));
    return probe.open();
}

} // namespace

QString resolveDataDirectory(const QString &programDirectory)
{
    if (!programDirectory.isEmpty() && isWritableDirectory(programDirectory))
        return QDir::cleanPath(programDirectory);
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(perUser);
    return QDir::cleanPath(perUser);
}

QString dataFilePath(const QString &dataDirectory, const QString &fileName)
{
    return QDir(dataDirectory).filePath(fileName);
}

bool isPrivateDataFile(const QString &fileName)
{
    // Requests and old settings name files with either separator.
    const QString name
        = fileName.mid(qMax(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\')) + 1);
    for (const char16_t *privateName : {DataFiles::Settings, DataFiles::AddressHistory,
             DataFiles::FavouriteTitles, DataFiles::FavouriteAddresses}) {
        if (name.compare(QString::fromUtf16(privateName), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
