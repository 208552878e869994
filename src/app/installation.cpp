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
