#pragma once

#include <QComboBox>

class QStringListModel;

// The address bar: an editable drop-down whose list is the address history.
// Qt's own conveniences are off (no insertion on Enter, no completer, no
// duplicate check); releasing a letter key that typed a letter completes the
// text from the history, and Enter is reported to the window, which records
// and navigates.
class AddressBar : public QComboBox
{
    Q_OBJECT

public:
    // The list holds at most this many entries; further ones are refused.
    static constexpr int MaxEntries = 32767;

    explicit AddressBar(QWidget *parent = nullptr);

    // Appends an entry unless the history is full; false when refused.
    bool appendEntry(const QString &text);
    QStringList entries() const;
    void setEntries(const QStringList &entries);
    // Forgets every entry and the text shown.
    void clearHistory();

    // Takes the focus with the whole text selected, ready to be typed over.
    void focusAndSelectAll();
    // Shows the page's address. While the bar has the focus, a text that was
    // ready to be typed over (all of it selected, or none there) stays so.
    void showAddress(const QString &address);

Q_SIGNALS:
    void enterPressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // The completion of a released letter key.
    void completeFromHistory();

    QStringListModel *m_history;
    QStringList m_foldedHistory;
    // Letter keys down that were pressed without Ctrl, Alt or Meta, one bit
    // each from A. Only their release completes: a shortcut such as Ctrl+A or
    // Ctrl+V completes nothing, also when Ctrl is let go before the letter.
    quint32 m_typedLetters = 0;
    // The focus came with a mouse press; its release selects the whole text.
    bool m_selectOnRelease = false;
    // The first focus is the one the window gives at start-up.
    bool m_focusedBefore = false;
};
