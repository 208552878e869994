#pragma once

#include <QList>
#include <QString>

// The Translate menu: each item sends the address bar's text to the
// translation service with one language pair.
struct TranslationItem {
    const char *objectName; // empty for the separator
    const char *caption;
    const char *pair;
};

const QList<TranslationItem> &translationItems();

// The service's request address for text and pair ("&lp=en_de"). The text is
// percent-encoded so that "&", "#", "?" and blanks reach the service whole.
QString translationRequestAddress(const QString &text, const QString &pair);
