#include "browser/addressbar.h"

#include "browser/addresscompletion.h"
#include "browser/altkeys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>

#include <utility>

AddressBar::AddressBar(QWidget *parent) : QComboBox(parent), m_history(new QStringListModel(this))
{
    setEditable(true);
    setModel(m_history);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setCompleter(nullptr);
    setMaxCount(MaxEntries);
    lineEdit()->installEventFilter(this);
    setAccessibleName(tr("Address"));
    lineEdit()->setAccessibleName(tr("Address"));
}

bool AddressBar::appendEntry(const QString &text)
{
    if (count() >= MaxEntries)
        return false;
    const int row = m_history->rowCount();
    m_history->insertRows(row, 1);
    m_history->setData(m_history->index(row), text);
    m_foldedHistory.append(foldedForCompletion(text));
    return true;
}

QStringList AddressBar::entries() const
{
    return m_history->stringList();
}

void AddressBar::setEntries(const QStringList &entries)
{
    const QString text = currentText();
    const QStringList kept = entries.mid(0, MaxEntries);
    m_history->setStringList(kept);
    m_foldedHistory = foldedForCompletion(kept);
    // Qt selects the first entry of a new list; a loaded history has no
    // entry chosen, and the field keeps what it showed.
    setCurrentIndex(-1);
    setEditText(text);
}

void AddressBar::clearHistory()
{
    setEntries({});
    setEditText(QString());
}

void AddressBar::completeFromHistory()
{
    // With nothing to scan, the field stays exactly as the key left it.
    if (m_history->rowCount() == 0)
        return;
    const AddressCompletion completion
        = completeAddress(m_history->stringList(), m_foldedHistory, currentText());
    QLineEdit *edit = lineEdit();
    // Only the final state is ever drawn.
    setUpdatesEnabled(false);
    if (completion.index >= 0) {
        setCurrentIndex(completion.index);
        edit->setText(completion.text);
        edit->setSelection(completion.selectionStart, completion.selectionLength);
    } else {
        edit->setText(completion.text);
        edit->setCursorPosition(completion.selectionStart);
    }
    setUpdatesEnabled(true);
}

void AddressBar::focusAndSelectAll()
{
    setFocus(Qt::ShortcutFocusReason);
    lineEdit()->selectAll();
}

void AddressBar::showAddress(const QString &address)
{
    const QLineEdit *edit = lineEdit();
    const QWidget *focus = window()->focusWidget();
    const bool readyToTypeOver = (focus == this || focus == edit)
        && (edit->text().isEmpty() || edit->selectedText() == edit->text());
    setEditText(address);
    if (readyToTypeOver)
        lineEdit()->selectAll();
}

// The focus that the window gives at start-up, and any the keyboard brings
// (Tab, Ctrl+L), select the whole text, so that a typed address replaces it.
void AddressBar::focusInEvent(QFocusEvent *event)
{
    QComboBox::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    m_selectOnRelease = reason == Qt::MouseFocusReason;
    const bool atStart = !std::exchange(m_focusedBefore, true) && reason != Qt::MouseFocusReason;
    if (atStart || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
        || reason == Qt::ShortcutFocusReason)
        lineEdit()->selectAll();
}

// A click into the bar while it had no focus selects the whole address, as
// in other browsers; a drag that selects a part of it is left alone.
bool AddressBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease
        && std::exchange(m_selectOnRelease, false) && !lineEdit()->hasSelectedText())
        lineEdit()->selectAll();
    return QComboBox::eventFilter(watched, event);
}

namespace {

bool isLetterKey(int key)
{
    return key >= Qt::Key_A && key <= Qt::Key_Z;
}

quint32 letterBit(int key)
{
    return quint32(1) << (key - Qt::Key_A);
}

bool isChord(const QKeyEvent *event)
{
    return event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

} // namespace

// The combo box owns the keyboard focus for its line edit and hands the keys
// on to it, so the keys are seen here.
void AddressBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT enterPressed();
        return;
    }
    if (typesWithAlt(event)) {
        event->ignore();
        return;
    }
    if (isLetterKey(event->key()) && !isChord(event))
        m_typedLetters |= letterBit(event->key());
    QComboBox::keyPressEvent(event);
}

void AddressBar::keyReleaseEvent(QKeyEvent *event)
{
    QComboBox::keyReleaseEvent(event);
    if (event->isAutoRepeat() || !isLetterKey(event->key()))
        return;
    const quint32 letter = letterBit(event->key());
    const bool typed = m_typedLetters & letter;
    m_typedLetters &= ~letter;
    if (typed && !isChord(event))
        completeFromHistory();
}
