#pragma once

#include "core/mainwindowappearance.h"
#include "core/windowregistry.h"
#include "engine/browserengine.h"
#include "settings/settingskeys.h"
#include "settings/sitepermissions.h"

#include <QString>

// What every window needs from the program: where its files live, how to make
// a browser engine, the one-instance windows and the main window's look. main() makes one; tests
// make their own with a temporary directory and a scripted engine.
class AppContext
{
public:
    AppContext(const QString &dataDirectory, BrowserEngineFactory engineFactory);

    QString dataDirectory() const { return m_dataDirectory; }
    QString dataFile(const QString &fileName) const;
    QString settingsFile() const;

    // The key's value in the settings file, "" when missing.
    QString setting(SettingsKey key) const;
    bool writeSetting(SettingsKey key, const QString &value) const;

    BrowserEngine *createEngine(QWidget *parent) const;
    WindowRegistry &windows() { return m_windows; }
    MainWindowAppearance &mainWindowAppearance() { return m_appearance; }
    // The user's answers to sites' requests (location, camera, ...).
    SitePermissions &sitePermissions() { return m_sitePermissions; }

private:
    QString m_dataDirectory;
    BrowserEngineFactory m_engineFactory;
    MainWindowAppearance m_appearance;
    SitePermissions m_sitePermissions;
    // Last, so that windows still open go before what they use.
    WindowRegistry m_windows;
};
