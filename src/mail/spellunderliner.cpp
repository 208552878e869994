#include "mail/spellunderliner.h"

#include "mail/spellchecker.h"
#include "mail/spellingwords.h"
#include "ui/messagebox.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTimer>

#include <functional>

namespace {

QTextCharFormat misspeltFormat()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    format.setUnderlineColor(Qt::red);
    return format;
}

QString translate(const char *text)
{
    return QCoreApplication::translate("Spelling", text);
}

// Opens the field's own context menu at the point, headed, when the word
// there is misspelt, by its corrections and "Add to Dictionary". replace()
// puts a correction in the word's place.
void showMenu(QWidget *field, QMenu *menu, const QPoint &globalPosition, SpellChecker *checker,
    const QString &word, const std::function<void(const QString &)> &replace)
{
    if (!word.isEmpty() && checker->isMisspelt(word)) {
        QAction *first = menu->actions().value(0);
        const QStringList corrections = checker->suggestions(word);
        for (const QString &correction : corrections) {
            QAction *action = new QAction(correction, menu);
            QObject::connect(
                action, &QAction::triggered, menu, [replace, correction] { replace(correction); });
            menu->insertAction(first, action);
        }
        if (corrections.isEmpty()) {
            QAction *none = new QAction(translate("(No Spelling Suggestions)"), menu);
            none->setEnabled(false);
            menu->insertAction(first, none);
        }
        QAction *add = new QAction(translate("Add to Dictionary"), menu);
        QObject::connect(add, &QAction::triggered, field, [field, checker, word] {
            QString error;
            if (!checker->addToDictionary(word, &error))
                showMessageBox(field,
                    translate("The word could not be added to the dictionary: %1").arg(error),
                    QMessageBox::Warning);
        });
        menu->insertAction(first, add);
        menu->insertSeparator(first);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

// The body: a highlighter marks the words of each paragraph as it changes.
class BodySpelling : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    BodySpelling(QPlainTextEdit *field, SpellChecker *checker)
        : QSyntaxHighlighter(field->document()), m_checker(checker)
    {
        connect(checker, &SpellChecker::changed, this, &QSyntaxHighlighter::rehighlight);
        field->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(field, &QWidget::customContextMenuRequested, this,
            [this, field](const QPoint &position) { openMenu(field, position); });
    }

protected:
    void highlightBlock(const QString &text) override
    {
        const QTextCharFormat misspelt = misspeltFormat();
        for (const WordSpan &word : wordsToCheck(text)) {
            if (m_checker->isMisspelt(
                    QString::fromRawData(text.constData() + word.start, word.length)))
                setFormat(int(word.start), int(word.length), misspelt);
        }
    }

private:
    void openMenu(QPlainTextEdit *field, const QPoint &position)
    {
        const QTextCursor cursor = field->cursorForPosition(position);
        const QString text = cursor.block().text();
        const WordSpan span = wordAt(text, cursor.positionInBlock());
        const QString word = span.isValid() ? text.mid(span.start, span.length) : QString();
        const int start = cursor.block().position() + int(span.start);
        showMenu(field, field->createStandardContextMenu(),
            field->viewport()->mapToGlobal(position), m_checker, word,
            [field, start, word](const QString &correction) {
                QTextCursor replaced(field->document());
                replaced.setPosition(start);
                replaced.setPosition(start + int(word.size()), QTextCursor::KeepAnchor);
                if (replaced.selectedText() == word)
                    replaced.insertText(correction);
            });
    }

    SpellChecker *m_checker;
};

// A one-line field has no highlighter: its text layout takes the underlines
// the way an input method marks its own text.
class LineSpelling : public QObject
{
    Q_OBJECT

public:
    LineSpelling(QLineEdit *field, SpellChecker *checker)
        : QObject(field), m_field(field), m_checker(checker)
    {
        connect(field, &QLineEdit::textChanged, this, &LineSpelling::underline);
        connect(checker, &SpellChecker::changed, this, &LineSpelling::underline);
        field->installEventFilter(this);
        field->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(field, &QWidget::customContextMenuRequested, this, &LineSpelling::openMenu);
    }

protected:
    // While an input method composes a word, the field's marks are its own;
    // after each of its steps the underlines are laid again.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::InputMethod && !m_underlining) {
            m_composing = !static_cast<QInputMethodEvent *>(event)->preeditString().isEmpty();
            m_waiting = true;
            QTimer::singleShot(0, this, [this] {
                m_waiting = false;
                underline();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void underline()
    {
        if (m_composing || m_waiting)
            return;
        const QString text = m_field->text();
        QList<QInputMethodEvent::Attribute> marks;
        for (const WordSpan &word : wordsToCheck(text)) {
            if (m_checker->isMisspelt(
                    QString::fromRawData(text.constData() + word.start, word.length)))
                marks.append(
                    {QInputMethodEvent::TextFormat, int(word.start) - m_field->cursorPosition(),
                        int(word.length), misspeltFormat()});
        }
        if (marks.isEmpty() && !m_marked)
            return;
        m_marked = !marks.isEmpty();
        QInputMethodEvent event(QString(), marks);
        m_underlining = true;
        QCoreApplication::sendEvent(m_field, &event);
        m_underlining = false;
    }

    void openMenu(const QPoint &position)
    {
        const QString text = m_field->text();
        const WordSpan span = wordAt(text, m_field->cursorPositionAt(position));
        const QString word = span.isValid() ? text.mid(span.start, span.length) : QString();
        const int start = int(span.start);
        showMenu(m_field, m_field->createStandardContextMenu(), m_field->mapToGlobal(position),
            m_checker, word, [field = m_field, start, word](const QString &correction) {
                if (field->text().mid(start, word.size()) != word)
                    return;
                field->setSelection(start, int(word.size()));
                field->insert(correction);
            });
    }

    QLineEdit *m_field;
    SpellChecker *m_checker;
    bool m_composing = false;
    bool m_waiting = false;
    bool m_underlining = false;
    bool m_marked = false;
};

} // namespace

void checkSpelling(QPlainTextEdit *field, SpellChecker *checker)
{
    new BodySpelling(field, checker);
}

void checkSpelling(QLineEdit *field, SpellChecker *checker)
{
    new LineSpelling(field, checker);
}

#include "spellunderliner.moc"
