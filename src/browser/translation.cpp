#include "browser/translation.h"

#include "core/addresses.h"

#include <QCoreApplication>
#include <QUrl>

const QList<TranslationItem> &translationItems()
{
    static const QList<TranslationItem> items = {
        {"mnuLanguageEngSpa", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to Spanish"),
            "&lp=en_es"},
        {"mnuLanguageEngGer", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to German"),
            "&lp=en_de"},
        {"mnuLanguageEngFre", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to French"),
            "&lp=en_fr"},
        {"mnuLanguageEngIta", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to Italian"),
            "&lp=en_it"},
        {"mnuLanguageEngPor", QT_TRANSLATE_NOOP("BrowserMenuBar", "English to Portuguese"),
            "&lp=en_pt"},
        {"mnuLanguageLine", "-", ""},
        {"mnuLanguageSpaEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "Spanish to English"),
            "&lp=es_en"},
        {"mnuLanguageGerEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "German to English"),
            "&lp=de_en"},
        {"mnuLanguageFreEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "French to English"),
            "&lp=fr_en"},
        {"mnuLanguageItaEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "Italian to English"),
            "&lp=it_en"},
        {"mnuLanguagePorEng", QT_TRANSLATE_NOOP("BrowserMenuBar", "Portuguese to English"),
            "&lp=pt_en"},
    };
    return items;
}

QString translationRequestAddress(const QString &text, const QString &pair)
{
    return QLatin1String("http://") + QLatin1String(Addresses::TranslationHost)
        + QLatin1String("/cgi-bin/translate?doit=done&urltext=")
        + QString::fromLatin1(QUrl::toPercentEncoding(text)) + pair;
}
