#include "engine/engineversion.h"

#include <QCoreApplication>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

QString pageEngineVersionText()
{
    const QString version = QString::fromLatin1(qWebEngineChromiumVersion());
    const QString patches = QString::fromLatin1(qWebEngineChromiumSecurityPatchVersion());
    if (patches.isEmpty() || patches == version)
        return QStringLiteral("Chromium %1").arg(version);
    return QCoreApplication::translate("EngineVersion", "Chromium %1 (security patches up to %2)")
        .arg(version, patches);
}
