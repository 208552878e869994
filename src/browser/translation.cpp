#include "browser/translation.h"

#include "core/addresses.h"

#include <QCoreApplication>
#include <QUrl>

const QList<TranslationItem> &translationItems()
{
    static const QList<TranslationItem> items = {
        {"mnuLanguageEngSpa", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to Spanish"), "en",
            "es"},
        {"mnuLanguageEngGer", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to German"), "en", "de"},
        {"mnuLanguageEngFre", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to French"), "en", "fr"},
        {"mnuLanguageEngIta", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to Italian"), "en",
            "it"},
        {"mnuLanguageEngPor", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to Portuguese"), "en",
            "pt"},
        {"mnuLanguageLine", "-", "", ""},
        {"mnuLanguageSpaEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "Spanish to English"), "es",
            "en"},
        {"mnuLanguageGerEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "German to English"), "de", "en"},
        {"mnuLanguageFreEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "French to English"), "fr", "en"},
        {"mnuLanguageItaEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "Italian to English"), "it",
            "en"},
        {"mnuLanguagePorEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "Portuguese to English"), "pt",
            "en"},
    };
    return items;
}

QString translationRequestAddress(
    const QString &service, const QString &from, const QString &to, const QString &address)
{
    const QLatin1String addressPlaceholder("{address}");
    QString request = service.contains(addressPlaceholder)
        ? service
        : QLatin1String(Addresses::TranslationService);
    request.replace(QLatin1String("{from}"), from).replace(QLatin1String("{to}"), to);
    // Last, so that the page's address is never searched for placeholders.
    return request.replace(
        addressPlaceholder, QString::fromLatin1(QUrl::toPercentEncoding(address)));
}
