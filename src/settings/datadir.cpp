#include "settings/datadir.h"

#include "settings/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

namespace {

bool isSaveLeftover(QStringView name)
{
    for (const char16_t *privateName : DataFiles::Private) {
        if (isSaveTemporaryOf(name, QStringView(privateName)))
            return true;
    }
    return false;
}

} // namespace

bool isPrivateDataFile(const QString &fileName)
{
    // Requests and old settings name files with either separator.
    const QStringView name = QStringView(fileName).sliced(
        qMax(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\')) + 1);
    for (const char16_t *privateName : DataFiles::Private) {
        if (name.compare(QStringView(privateName), Qt::CaseInsensitive) == 0)
            return true;
    }
    return isSaveLeftover(name);
}

QStringList oversizedDataFiles(const QString &dataDirectory)
{
    QStringList names;
    for (const char16_t *name : DataFiles::Private) {
        if (isOversizedTextFile(dataFilePath(dataDirectory, QString::fromUtf16(name))))
            names << QString::fromUtf16(name);
    }
    return names;
}

void removeSaveLeftovers(const QString &dataDirectory)
{
    const QDir dir(dataDirectory);
    // The leftovers' names begin with a dot; a portable copy's folder holds
    // the program's own files too, which need not be looked at.
    for (const QFileInfo &entry :
        dir.entryInfoList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (isSaveLeftover(entry.fileName()))
            QFile::remove(entry.filePath());
    }
}
