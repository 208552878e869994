#pragma once

#include <QString>

// Every key of the settings file. All live in one section; their names are
// the file's, and users and older versions rely on them.
enum class SettingsKey {
    HomePage,
    Color,
    Background,
    MailServer,
    Name,
    Email,
    // The user name the mail server last took; its password lives in the
    // keyring.
    MailUser,
    // Read only: another translation service's address, in the form of
    // Addresses::TranslationService.
    TranslateService,
    // Read only: the web server's first port, when not the usual one.
    WebServerPort,
    // "0" turns content blocking off; anything else, or nothing, leaves it on.
    ContentBlocking,
    // The filter lists' addresses (https: or file:), separated by blanks;
    // empty for the default lists.
    FilterLists,
};

// The section every key lives in.
inline constexpr char16_t SettingsSection[] = u"Wavecrest";

// The key's name in the file.
QString settingsKeyName(SettingsKey key);
