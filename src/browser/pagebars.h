#pragma once

#include <QWidget>

class QVBoxLayout;

// The bars that stand between the address bar and the page while they are
// shown (the find bar, an offer to the user), stacked in the order given. The
// window gives the page what room they leave.
class PageBars : public QWidget
{
    Q_OBJECT

public:
    explicit PageBars(QWidget *parent);

    // The bar becomes a child; it shows and hides itself.
    void addBar(QWidget *bar);
    // The height the shown bars take; 0 when none is shown.
    int barsHeight() const;
    // The bars' controls that take the focus, in the window's tab order.
    QList<QWidget *> tabChain() const;

Q_SIGNALS:
    // A bar was shown or hidden.
    void barsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QVBoxLayout *m_stack;
    QList<QWidget *> m_bars;
};
