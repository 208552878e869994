#include "app/installation.h"

#include <QDir>
#include <QFileInfo>

QString desktopApplicationId()
{
    return QStringLiteral(WAVECREST_APP_ID);
}

QString portableProgramDirectory(const QString &programDirectory)
{
    const QString menuEntry = QStringLiteral("../share/applications/%1.desktop");
    if (QFileInfo::exists(QDir(programDirectory).filePath(menuEntry.arg(desktopApplicationId()))))
        return QString();
    return programDirectory;
}

QString programDictionaryFolder(const QString &programDirectory)
{
    const QDir program(programDirectory);
    for (const char *folder :
        {"qtwebengine_dictionaries", "../share/wavecrest/qtwebengine_dictionaries"}) {
        const QFileInfo candidate(program.filePath(QLatin1String(folder)));
        if (candidate.isDir())
            return candidate.canonicalFilePath();
    }
    return QString();
}
