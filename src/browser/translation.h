#pragma once

#include <QList>
#include <QString>

// The Translate menu: each item sends the page in the address bar to a
// translation service, from one language into another. The captions are
// marked for translation in the context "BrowserMenuBar", which shows them.
struct TranslationItem {
    const char *objectName;
    const char *caption;
    // Two-letter language codes; both empty for the separator line.
    const char *from;
    const char *to;
};

const QList<TranslationItem> &translationItems();

// The address that asks the service for the page at address, translated. The
// service is given as an address with {from}, {to} and {address} in it; an
// empty one, or one without {address}, gives the program's own service. The
// page's address is percent-encoded, so that "&", "#", "?" and blanks reach
// the service whole, and nothing in it is taken for a placeholder.
QString translationRequestAddress(
    const QString &service, const QString &from, const QString &to, const QString &address);
