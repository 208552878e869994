#include "settings/settingskeys.h"

QString settingsKeyName(SettingsKey key)
{
    switch (key) {
    case SettingsKey::HomePage:
        return QStringLiteral("HomePage");
    case SettingsKey::Color:
        return QStringLiteral("Color");
    case SettingsKey::Background:
        return QStringLiteral("Background");
    case SettingsKey::MailServer:
        return QStringLiteral("Mail Server");
    case SettingsKey::Name:
        return QStringLiteral("Name");
    case SettingsKey::Email:
        return QStringLiteral("Email");
    case SettingsKey::MailUser:
        return QStringLiteral("Mail User");
    case SettingsKey::TranslateService:
        return QStringLiteral("TranslateService");
    case SettingsKey::WebServerPort:
        return QStringLiteral("WebServerPort");
    case SettingsKey::ContentBlocking:
        return QStringLiteral("ContentBlocking");
    case SettingsKey::FilterLists:
        return QStringLiteral("FilterLists");
    }
    Q_UNREACHABLE();
}
