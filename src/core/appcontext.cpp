#include "core/appcontext.h"

#include "settings/datadir.h"
#include "settings/profile.h"

AppContext::AppContext(const QString &dataDirectory, BrowserEngineFactory engineFactory)
    : m_dataDirectory(dataDirectory), m_engineFactory(std::move(engineFactory)),
      m_sitePermissions(dataFilePath(dataDirectory, QString::fromUtf16(DataFiles::SitePermissions)))
{ }

QString AppContext::dataFile(const QString &fileName) const
{
    return dataFilePath(m_dataDirectory, fileName);
}

QString AppContext::settingsFile() const
{
    return dataFile(QString::fromUtf16(DataFiles::Settings));
}

QString AppContext::setting(SettingsKey key) const
{
    return GetIniString(QString::fromUtf16(SettingsSection), settingsKeyName(key), settingsFile());
}

bool AppContext::writeSetting(SettingsKey key, const QString &value) const
{
    return WriteIniString(
        QString::fromUtf16(SettingsSection), settingsKeyName(key), value, settingsFile());
}

BrowserEngine *AppContext::createEngine(QWidget *parent) const
{
    return m_engineFactory(parent);
}
