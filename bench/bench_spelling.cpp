#include "mail/spellchecker.h"
#include "mail/spellingwords.h"
#include "mail/spellunderliner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>

#include <benchmark/benchmark.h>

namespace {

const QString Dictionary = QStringLiteral("/usr/share/hunspell/en_US");
constexpr int BodyWords = 5000;

// A mail body of 5,000 words drawn from the dictionary, the common ones
// often and the rare ones seldom, as in prose; one word in twenty is
// misspelt (two letters swapped), and a paragraph ends every wordsPerParagraph
// words.
QString mailBody(int wordsPerParagraph)
{
    QFile file(Dictionary + QStringLiteral(".dic"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QStringList vocabulary;
    file.readLine();
    while (vocabulary.size() < 4000 && !file.atEnd()) {
        const QString word = QString::fromUtf8(file.readLine()).section(u'/', 0, 0).trimmed();
        if (word.size() > 2 && word.at(0).isLower())
            vocabulary << word;
    }
    QString body;
    quint32 seed = 12345;
    for (int i = 0; i < BodyWords; ++i) {
        seed = seed * 1103515245u + 12345u;
        const quint32 draw = (seed >> 8) % 1000;
        QString word = vocabulary.at(int(draw * draw * quint32(vocabulary.size() - 1) / 999999));
        if (i % 20 == 7)
            std::swap(word[1], word[2]);
        body += word;
        body += (i + 1) % wordsPerParagraph == 0 ? u'\n' : u' ';
    }
    return body;
}

// A checker of its own (nothing checked yet) on the shared dictionary, read.
std::unique_ptr<SpellChecker> loadedChecker(const QTemporaryDir &dir)
{
    auto checker = std::make_unique<SpellChecker>(Dictionary, dir.filePath("Dictionary.lst"));
    checker->load();
    QElapsedTimer waited;
    waited.start();
    while (!checker->isLoaded() && waited.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return checker;
}

// The body field as the Send Mail window draws it.
void showBody(QPlainTextEdit &body, const QString &text)
{
    body.resize(457, 209);
    body.setPlainText(text);
    body.show();
    QApplication::processEvents();
}

int underlinedWords(QPlainTextEdit &body)
{
    int words = 0;
    for (QTextBlock block = body.document()->begin(); block.isValid(); block = block.next())
        words += int(block.layout()->formats().size());
    return words;
}

} // namespace

// The whole body underlined at once, as when the dictionary has just been
// read or a long text was pasted: every word new to the checker.
static void BM_UnderlineMailBody(benchmark::State &state)
{
    const QString text = mailBody(int(state.range(0)));
    QTemporaryDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        auto checker = loadedChecker(dir);
        QPlainTextEdit body;
        showBody(body, text);
        checkSpelling(&body, checker.get());
        QApplication::processEvents();
        state.ResumeTiming();
        Q_EMIT checker->changed();
        state.PauseTiming();
        if (underlinedWords(body) < BodyWords / 40)
            state.SkipWithError("misspelt words were not underlined");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UnderlineMailBody)
    ->ArgName("wordsPerParagraph")
    ->Arg(80)
    ->Arg(BodyWords)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One keystroke in the middle of the first paragraph of an underlined body:
// a letter typed and taken back in turn, each checked again with its
// paragraph. Without checking, what the field itself costs.
static void BM_KeystrokeInMailBody(benchmark::State &state)
{
    QTemporaryDir dir;
    auto checker = loadedChecker(dir);
    QPlainTextEdit body;
    showBody(body, mailBody(int(state.range(0))));
    const bool checking = state.range(1) != 0;
    if (checking) {
        checkSpelling(&body, checker.get());
        Q_EMIT checker->changed();
    }
    QTextCursor cursor = body.textCursor();
    cursor.setPosition(body.document()->firstBlock().length() / 2);
    body.setTextCursor(cursor);
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_E, Qt::NoModifier, QStringLiteral("e"));
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    bool typed = false;
    for (auto _ : state) {
        QApplication::sendEvent(&body, typed ? &backspace : &letter);
        typed = !typed;
    }
    if (checking && underlinedWords(body) < BodyWords / 40)
        state.SkipWithError("misspelt words were not underlined");
}
BENCHMARK(BM_KeystrokeInMailBody)
    ->ArgNames({"wordsPerParagraph", "checking"})
    ->ArgsProduct({{80, BodyWords}, {1, 0}})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// What checking adds to a keystroke: the words of the typed-in paragraph
// found and looked up again, most of them known already. Here the whole
// body is one paragraph, the worst case.
static void BM_CheckParagraphAgain(benchmark::State &state)
{
    QTemporaryDir dir;
    auto checker = loadedChecker(dir);
    const QString text = mailBody(BodyWords);
    for (const WordSpan &word : wordsToCheck(text))
        checker->isMisspelt(text.mid(word.start, word.length));
    int misspelt = 0;
    for (auto _ : state) {
        misspelt = 0;
        for (const WordSpan &word : wordsToCheck(text))
            misspelt += checker->isMisspelt(
                QString::fromRawData(text.constData() + word.start, word.length));
    }
    if (misspelt < BodyWords / 40)
        state.SkipWithError("misspelt words were not found");
}
BENCHMARK(BM_CheckParagraphAgain)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
