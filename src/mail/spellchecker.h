#pragma once

#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <memory>

class Hunspell;

// The spelling of the mail windows: Hunspell with the system's dictionary for
// the user's language (Debian's hunspell-* packages), and the words the user
// added, kept in the data directory. The dictionary takes a moment to read,
// so it is read in the background, and only once a window needs it.
class SpellChecker : public QObject
{
    Q_OBJECT

public:
    // Words the user may add; a dictionary is no place for a whole text.
    static constexpr qsizetype MaxPersonalWords = 10000;

    // The one checker of the mail windows whose files are in dataDirectory,
    // made on first use: a word added in one window counts in the other.
    static SpellChecker *forDataDirectory(const QString &dataDirectory);

    // dictionary: the path of the Hunspell files without ".aff" and ".dic";
    // empty for none, which leaves every word unmarked.
    SpellChecker(
        const QString &dictionary, const QString &personalWordsFile, QObject *parent = nullptr);
    ~SpellChecker() override;

    // Starts reading the dictionary and the user's words the first time;
    // changed() tells when they are there.
    void load();
    bool isLoaded() const { return m_dictionary != nullptr; }

    // False for every word until the dictionary is loaded. The word may be
    // a view into a longer text (QString::fromRawData()).
    bool isMisspelt(const QString &word);
    // A few words the misspelt one may have been meant as, best first.
    QStringList suggestions(const QString &word) const;
    // Keeps the word in the user's list, which is saved at once; false with
    // *error when the list could not be saved.
    bool addToDictionary(const QString &word, QString *error = nullptr);

Q_SIGNALS:
    // Words may read differently now: the dictionary has loaded, or a word
    // was added.
    void changed();

private:
    void takeDictionary();

    QString m_dictionaryPath;
    QString m_personalWordsFile;
    bool m_loadStarted = false;
    QFutureWatcher<std::shared_ptr<Hunspell>> *m_loading = nullptr;
    std::shared_ptr<Hunspell> m_dictionary;
    QSet<QString> m_personalWords;
    // Whether each word met so far is right; a keystroke checks its whole
    // paragraph again.
    QHash<QString, bool> m_correct;
};
