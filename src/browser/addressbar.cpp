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
    lineEdit()->installEventFilter(this);
}

bool AddressBar::appendEntry(const QString &text)
{
    if (count() >= MaxEntries)
        return false;
    const int row = m_history->rowCount();
    m_history->insertRows(row, 1);
    m_history->setData(m_history->index(row), text);
    return true;
}

QStringList AddressBar::entries() const
{
    return m_history->stringList();
}

void AddressBar::setEntries(const QStringList &entries)
{
    const QString text = currentText();
    m_history->setStringList(entries.mid(0, MaxEntries));
    setEditText(text);
}

void AddressBar::completeFromHistory()
{
    const AddressCompletion completion = completeAddress(m_history->stringList(), currentText());
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

bool AddressBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit()) {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                Q_EMIT enterPressed();
                return true;
            }
        } else if (event->type() == QEvent::KeyRelease) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z && !key->isAutoRepeat())
                completeFromHistory();
        }
    }
    return QComboBox::eventFilter(watched, event);
}
