#pragma once

#include <QPointer>
#include <QWidget>

class BrowserEngine;
class QLabel;
class QLineEdit;
class QToolButton;

// The find bar between the address bar and the page: a field, the count of
// matches ("2 of 5", or "No matches"), buttons for the previous and the next
// match and one that closes the bar. Typing searches as it goes; Enter goes
// to the next match, Shift+Enter to the previous one, Escape closes the bar
// and takes the highlight off. The page is searched only while it is open.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    FindBar(BrowserEngine *engine, QWidget *parent);

    // Shows the bar with the focus in its field and the text selected; a
    // text left from before is looked for again, backward if asked.
    void open(bool backward = false);
    // The next or the previous match (F3, Shift+F3); a closed bar opens.
    void findNext();
    void findPrevious();
    // Hides the bar, ends the search and gives the page back the focus.
    void dismiss();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *button(const char *name, const QString &spoken, const QString &toolTip);
    void search(bool backward);
    void textEdited(const QString &text);
    void showResult(const QString &text, int activeMatch, int matchCount);
    void showCount(const QString &count);

    QPointer<BrowserEngine> m_engine;
    QLineEdit *m_field;
    QLabel *m_count;
    QToolButton *m_previous;
    QToolButton *m_next;
    QToolButton *m_close;
};
