#pragma once

#include <QString>
#include <QStringList>

// Spelling dictionaries are named after the language they are for, as their
// files are: "en_US" (Hunspell's .aff and .dic), "en-US" (the page engine's
// .bdic), or the language alone ("fr").

// Which of the available dictionaries suits a locale ("de_AT", "de-AT",
// "de_AT.UTF-8", "C"): the one for the language as spoken there, else one for
// the language alone, else one for the language as spoken elsewhere (the
// first by name), else English (US). Empty when none of these is available:
// checking text against another language's words would mark all of it.
QString dictionaryForLocale(const QStringList &available, const QString &localeName);

// The dictionaries in a folder: the names of its files that end in suffix
// (".bdic", ".dic"), without it.
QStringList dictionariesIn(const QString &folder, const QString &suffix);
