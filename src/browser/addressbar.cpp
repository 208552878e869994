#include "browser/addressbar.h"

#include "browser/addresscompletion.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>

AddressBar::AddressBar(QWidget *parent) : QComboBox(parent), m_history(new QStringListModel(this))
{
    setEditable(true);
    setModel(m_history);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setCompleter(nullptr);
    setMaxCount(MaxEntries);
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

// The combo box owns the keyboard focus for its line edit and hands the keys
// on to it, so the keys are seen here.
void AddressBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT enterPressed();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void AddressBar::keyReleaseEvent(QKeyEvent *event)
{
    QComboBox::keyReleaseEvent(event);
    if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z && !event->isAutoRepeat())
        completeFromHistory();
}
