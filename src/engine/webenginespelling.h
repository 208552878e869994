#pragma once

#include <QString>

class QWebEngineProfile;

// The folder the page engine reads its spelling dictionaries (.bdic files)
// from: the one QTWEBENGINE_DICTIONARIES_PATH names, else the given one, of
// which the engine is told. The engine looks only once, so this must run
// before the first profile or page is made.
QString usePageDictionaryFolder(const QString &folder);

// Text fields of pages are checked with the dictionary of that name (an
// "en-US.bdic" in the folder above): misspelt words are underlined, and the
// page's context menu offers corrections. An empty name leaves checking off.
// The engine reads the dictionary only when a page first needs it.
void enablePageSpellChecking(QWebEngineProfile *profile, const QString &dictionary);
