#pragma once

#include <QList>
#include <QString>

// The Translate menu: each item sends the address bar's text to the
// translation service with one language pair. The captions are marked for
// translation in the context "BrowserMenuBar", which shows them.
struct TranslationItem {
    const char *objectName;
    const char *caption;
    const char *pair; // empty for the separator line
};

const QList<TranslationItem> &translationItems();

// The service's request address for text and pair ("&lp=en_de"). The text is
// percent-encoded so that "&", "#", "?" and blanks reach the service whole.
QString translationRequestAddress(const QString &text, const QString &pair);
