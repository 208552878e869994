#include "prefs/colorswatchbutton.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

ColorSwatchButton::ColorSwatchButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("Wavecrest Color"));
}

void ColorSwatchButton::describeColor(const QColor &color)
{
    setAccessibleDescription(
        tr("Red %1, green %2, blue %3").arg(color.red()).arg(color.green()).arg(color.blue()));
}

void ColorSwatchButton::paintEvent(QPaintEvent *)
{
    // Only the focus is drawn; without it a keyboard user could not tell
    // where Tab went.
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(2, 2, -2, -2);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

void ColorSwatchButton::keyPressEvent(QKeyEvent *event)
{
    // Enter would otherwise reach the dialog and press its default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
