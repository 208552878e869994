#include "browser/translation.h"

#include "core/addresses.h"

#include <QUrl>

const QList<TranslationItem> &translationItems()
{
    static const QList<TranslationItem> items = {
        {"mnuLanguageEngSpa", "English to Spanish", "&lp=en_es"},
        {"mnuLanguageEngGer", "English to German", "&lp=en_de"},
        {"mnuLanguageEngFre", "English to French", "&lp=en_fr"},
        {"mnuLanguageEngIta", "English to Italian", "&lp=en_it"},
        {"mnuLanguageEngPor", "English to Portuguese", "&lp=en_pt"},
        {"mnuLanguageLine", "-", ""},
        {"mnuLanguageSpaEng", "Spanish to English", "&lp=es_en"},
        {"mnuLanguageGerEng", "German to English", "&lp=de_en"},
        {"mnuLanguageFreEng", "French to English", "&lp=fr_en"},
        {"mnuLanguageItaEng", "Italian to English", "&lp=it_en"},
        {"mnuLanguagePorEng", "Portuguese to English", "&lp=pt_en"},
    };
    return items;
}

QString translationRequestAddress(const QString &text, const QString &pair)
{
    return QLatin1String("http://") + QLatin1String(Addresses::TranslationHost)
        + QLatin1String("/cgi-bin/translate?doit=done&urltext=")
        + QString::fromLatin1(QUrl::toPercentEncoding(text)) + pair;
}
