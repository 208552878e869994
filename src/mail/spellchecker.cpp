#include "mail/spellchecker.h"

#include "settings/datadir.h"
#include "settings/listfile.h"
#include "system/spellingdictionaries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <hunspell/hunspell.hxx>
#include <iconv.h>

#include <algorithm>

namespace {

// The cache of checked words starts again past this size.
constexpr qsizetype MaxRememberedWords = 50000;
constexpr qsizetype MaxSuggestions = 5;

// Where Debian's hunspell-* packages put their dictionaries; DICPATH, as
// Hunspell's own tools read it, comes first.
QStringList hunspellFolders()
{
    QStringList folders = qEnvironmentVariable("DICPATH").split(u':', Qt::SkipEmptyParts);
    folders << QStringLiteral("/usr/share/hunspell");
    return folders;
}

// The Hunspell files for the user's language, without their suffix.
QString systemDictionary()
{
    QHash<QString, QString> paths;
    for (const QString &folder : hunspellFolders()) {
        for (const QString &name : dictionariesIn(folder, QStringLiteral(".dic"))) {
            const QString path = QDir(folder).filePath(name);
            if (!paths.contains(name) && QFileInfo::exists(path + QStringLiteral(".aff")))
                paths.insert(name, path);
        }
    }
    return paths.value(dictionaryForLocale(paths.keys(), QLocale::system().name()));
}

// A dictionary read once for the whole run, however many windows use it.
QFuture<std::shared_ptr<Hunspell>> readDictionary(const QString &path)
{
    static QHash<QString, QFuture<std::shared_ptr<Hunspell>>> reads;
    if (const auto read = reads.constFind(path); read != reads.cend())
        return *read;
    const QByteArray base = QFile::encodeName(path);
    QFuture<std::shared_ptr<Hunspell>> read = QtConcurrent::run([base] {
        return std::make_shared<Hunspell>((base + ".aff").constData(), (base + ".dic").constData());
    });
    reads.insert(path, read);
    return read;
}

// Hunspell takes and gives words in its dictionary's own encoding.
std::string convert(const std::string &text, const char *to, const char *from)
{
    iconv_t conversion = iconv_open(to, from);
    if (conversion == iconv_t(-1))
        return std::string();
    std::string in = text;
    std::string out(text.size() * 4 + 4, '\0');
    char *inBytes = in.data();
    char *outBytes = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    const bool done = iconv(conversion, &inBytes, &inLeft, &outBytes, &outLeft) != size_t(-1);
    iconv_close(conversion);
    out.resize(out.size() - outLeft);
    return done ? out : std::string();
}

bool isUtf8(const Hunspell &dictionary)
{
    return dictionary.get_dict_encoding() == "UTF-8";
}

std::string encoded(const Hunspell &dictionary, const QString &word)
{
    const std::string utf8 = word.toStdString();
    return isUtf8(dictionary) ? utf8
                              : convert(utf8, dictionary.get_dict_encoding().c_str(), "UTF-8");
}

QString decoded(const Hunspell &dictionary, const std::string &word)
{
    return QString::fromStdString(
        isUtf8(dictionary) ? word : convert(word, "UTF-8", dictionary.get_dict_encoding().c_str()));
}

} // namespace

SpellChecker *SpellChecker::forDataDirectory(const QString &dataDirectory)
{
    static QHash<QString, QPointer<SpellChecker>> checkers;
    QPointer<SpellChecker> &checker = checkers[dataDirectory];
    if (!checker) {
        checker = new SpellChecker(systemDictionary(),
            dataFilePath(dataDirectory, QString::fromUtf16(DataFiles::PersonalWords)),
            QCoreApplication::instance());
    }
    return checker;
}

SpellChecker::SpellChecker(
    const QString &dictionary, const QString &personalWordsFile, QObject *parent)
    : QObject(parent), m_dictionaryPath(dictionary), m_personalWordsFile(personalWordsFile)
{ }

SpellChecker::~SpellChecker() = default;

void SpellChecker::load()
{
    if (m_loadStarted)
        return;
    m_loadStarted = true;
    QStringList words;
    LoadList(&words, m_personalWordsFile);
    m_personalWords
        = QSet<QString>(words.cbegin(), words.cbegin() + std::min(words.size(), MaxPersonalWords));
    if (m_dictionaryPath.isEmpty())
        return;
    m_loading = new QFutureWatcher<std::shared_ptr<Hunspell>>(this);
    connect(m_loading, &QFutureWatcherBase::finished, this, &SpellChecker::takeDictionary);
    m_loading->setFuture(readDictionary(m_dictionaryPath));
}

void SpellChecker::takeDictionary()
{
    m_dictionary = m_loading->result();
    Q_EMIT changed();
}

bool SpellChecker::isMisspelt(const QString &word)
{
    if (!m_dictionary)
        return false;
    if (const auto known = m_correct.constFind(word); known != m_correct.cend())
        return !*known;
    const bool correct = m_personalWords.contains(word) || m_personalWords.contains(word.toLower())
        || m_dictionary->spell(encoded(*m_dictionary, word));
    if (m_correct.size() >= MaxRememberedWords)
        m_correct.clear();
    // A copy of its own: the word may lie in the caller's text.
    m_correct.insert(QString(word.constData(), word.size()), correct);
    return !correct;
}

QStringList SpellChecker::suggestions(const QString &word) const
{
    QStringList words;
    if (!m_dictionary)
        return words;
    for (const std::string &suggestion : m_dictionary->suggest(encoded(*m_dictionary, word))) {
        if (words.size() == MaxSuggestions)
            break;
        words << decoded(*m_dictionary, suggestion);
    }
    return words;
}

bool SpellChecker::addToDictionary(const QString &word, QString *error)
{
    // The list is saved whole: what it held must be known first.
    load();
    if (m_personalWords.size() >= MaxPersonalWords) {
        if (error)
            *error = tr("The dictionary holds as many words as it can.");
        return false;
    }
    m_personalWords.insert(word);
    m_correct.clear();
    QStringList words(m_personalWords.cbegin(), m_personalWords.cend());
    words.sort(Qt::CaseInsensitive);
    const bool saved = SaveList(words, m_personalWordsFile, error);
    Q_EMIT changed();
    return saved;
}
