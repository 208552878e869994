#include "prefs/colorswatchbutton.h"

#include <QKeyEvent>
#include <QPainter>

ColorSwatchButton::ColorSwatchButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("Wavecrest Color"));
}

void ColorSwatchButton::setColor(const QColor &color)
{
    m_color = color;
    update();
    setAccessibleDescription(
        tr("Red %1, green %2, blue %3").arg(color.red()).arg(color.green()).arg(color.blue()));
}

void ColorSwatchButton::paintEvent(QPaintEvent *)
{
    // Only the focus is drawn; without it a keyboard user could not tell
    // where Tab went. The style's faint focus frame is lost on a strong
    // colour, so a dotted line in black or white, whichever stands out.
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(m_color.lightness() > 128 ? Qt::black : Qt::white, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(3, 3, -4, -4));
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
