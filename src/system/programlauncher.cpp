#include "system/programlauncher.h"

#include "system/sessionbus.h"

#include <QProcess>
#include <QStandardPaths>

QString ProgramLauncher::findProgram(const QString &name) const
{
    return QStandardPaths::findExecutable(name);
}

bool ProgramLauncher::startProgram(const QString &path)
{
    if (path.isEmpty())
        return false;
    QProcess process;
    process.setProgram(path);
    process.setProcessEnvironment(environmentForOtherPrograms());
    return process.startDetached();
}
