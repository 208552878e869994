#include "system/programlauncher.h"

#include <QProcess>
#include <QStandardPaths>

QString ProgramLauncher::findProgram(const QString &name) const
{
    return QStandardPaths::findExecutable(name);
}

bool ProgramLauncher::startProgram(const QString &path)
{
    return !path.isEmpty() && QProcess::startDetached(path, {});
}
