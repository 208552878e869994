#include "mail/sendmailwindow.h"
#include "mail/spellchecker.h"
#include "mail/spellingwords.h"
#include "support/messageboxrecorder.h"
#include "support/testcontext.h"
#include "support/testregistry.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

namespace {

// The body's words drawn as misspelt.
QStringList underlined(QPlainTextEdit *body)
{
    QStringList words;
    for (QTextBlock block = body->document()->begin(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
            if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
                words << block.text().mid(range.start, range.length);
        }
    }
    return words;
}

// Right-clicks the field at the point and chooses the item of its menu.
void choose(QWidget *field, const QPoint &point, const QString &item)
{
    Q_EMIT field->customContextMenuRequested(point);
    QMenu *menu = field->findChild<QMenu *>();
    QVERIFY(menu);
    QStringList items;
    for (QAction *action : menu->actions()) {
        items << action->text();
        if (action->text() == item) {
            action->trigger();
            menu->close();
            return;
        }
    }
    QFAIL(qPrintable(item + " not in " + items.join(", ")));
}

} // namespace

class MailSpellingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("words and punctuation")
            << "Helo wrold, (how) are you?" << QStringList{"Helo", "wrold", "how", "are", "you"};
        QTest::newRow("apostrophes between letters only")
            << "don't it’s 'quoted'" << QStringList{"don't", "it’s", "quoted"};
        QTest::newRow("accents, hyphens")
            << "café naïve well-known" << QStringList{"café", "naïve", "well", "known"};
        QTest::newRow("digits and addresses passed over")
            << "3rd mp3 ann@example.org www.x.org example.org e.g. https://a.b/c next"
            << QStringList{"next"};
    }

    void findsWords()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QStringList found;
        for (const WordSpan &word : wordsToCheck(text))
            found << text.mid(word.start, word.length);
        QCOMPARE(found, words);
    }

    // Misspelt words are marked as they are typed; the menu corrects them or
    // keeps them in the data directory, for both mail windows.
    void underlinesCorrectsAndLearns()
    {
        TestContext test;
        MessageBoxRecorder boxes;
        SendMailWindow window(*test.context);
        auto *body = window.findChild<QPlainTextEdit *>("txtEmailBodyOfMessage");
        auto *subject = window.findChild<QLineEdit *>("txtEmailSubject");
        body->setPlainText("Helo world");
        subject->setText("Wrold");
        window.show();
        QTRY_VERIFY(SpellChecker::forDataDirectory(test.dir.path())->isLoaded());
        QCOMPARE(underlined(body), QStringList{"Helo"});
        body->moveCursor(QTextCursor::End);
        QTest::keyClicks(body, " wrold");
        QCOMPARE(underlined(body), (QStringList{"Helo", "wrold"}));

        subject->setCursorPosition(2);
        choose(
            subject, subject->inputMethodQuery(Qt::ImCursorRectangle).toRect().center(), "World");
        QCOMPARE(subject->text(), "World");

        body->moveCursor(QTextCursor::Start);
        choose(body, body->cursorRect().center(), "Add to Dictionary");
        QCOMPARE(underlined(body), QStringList{"wrold"});
        QCOMPARE(test.readFile("Dictionary.lst"), "Helo\r\n");
        QVERIFY(boxes.boxes.isEmpty());
    }
};

WAVECREST_TEST(MailSpellingTest)
#include "tst_mailspelling.moc"
