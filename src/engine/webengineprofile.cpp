#include "engine/webengineprofile.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWebEngineProfile>

QWebEngineProfile *sharedWebEngineProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        // A storage name makes the profile disk-based, under AppDataLocation;
        // the unnamed default would forget everything at exit.
        profile = new QWebEngineProfile(QStringLiteral("Wavecrest"), QCoreApplication::instance());
        profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    }
    return profile;
}
