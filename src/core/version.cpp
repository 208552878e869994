#include "core/version.h"

#include <QCoreApplication>

QString productVersion()
{
    return QStringLiteral(WAVECREST_VERSION);
}

QString productVersionText()
{
    return QCoreApplication::translate("Version", "Version %1").arg(productVersion());
}
