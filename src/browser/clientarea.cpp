#include "browser/clientarea.h"

#include <QPainter>

void paintTiledBackground(
    QPainter &painter, const QRect &area, const QColor &color, const QPixmap &picture)
{
    painter.fillRect(area, color);
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return;
    painter.drawTiledPixmap(area, picture, area.topLeft());
}

ClientArea::ClientArea(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientArea::setBackground(const QColor &color, const QPixmap &picture)
{
    m_color = color;
    m_picture = picture;
    update();
}

void ClientArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintTiledBackground(painter, rect(), m_color, m_picture);
}

void ClientArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Q_EMIT resized();
}
