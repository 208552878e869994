#include "browser/pagebars.h"

#include <QEvent>
#include <QVBoxLayout>

PageBars::PageBars(QWidget *parent) : QWidget(parent), m_stack(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("PageBars"));
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->setSpacing(0);
}

void PageBars::addBar(QWidget *bar)
{
    m_stack->addWidget(bar);
    m_bars.append(bar);
    bar->installEventFilter(this);
    Q_EMIT barsChanged();
}

int PageBars::barsHeight() const
{
    int height = 0;
    for (const QWidget *bar : m_bars) {
        if (!bar->isHidden())
            height += bar->sizeHint().height();
    }
    return height;
}

QList<QWidget *> PageBars::tabChain() const
{
    QList<QWidget *> chain;
    for (QWidget *bar : m_bars) {
        for (QWidget *control : bar->findChildren<QWidget *>()) {
            if (control->focusPolicy() & Qt::TabFocus)
                chain.append(control);
        }
    }
    return chain;
}

bool PageBars::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        Q_EMIT barsChanged();
    return QWidget::eventFilter(watched, event);
}
