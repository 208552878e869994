#include "browser/logobutton.h"

#include "ui/placement.h"
#include "ui/resources.h"

#include <QKeyEvent>
#include <QPainter>

LogoButton::LogoButton(QWidget *parent) : QAbstractButton(parent)
{
    placeControl(this, "Picture1", {9720, 120, 492, 492});
    setToolTip(tr("Click Here To Go To Brimlow's Webpage"));
    setAccessibleName(tr("Brimlow's Webpage"));
    setIcon(programIcon());
    setIconSize(size());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

QSize LogoButton::sizeHint() const
{
    return iconSize();
}

// A push button takes Space only; a link takes Enter as well.
void LogoButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

// The style's focus frame is too faint to see over the picture; a dotted
// line in the text colour is not.
void LogoButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    icon().paint(&painter, rect());
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 2, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}
