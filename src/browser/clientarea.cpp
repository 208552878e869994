#include "browser/clientarea.h"

#include <QPainter>

namespace {

// Qt's raster engine copies a tiled picture one tile row at a time, so a tiny
// picture costs a call per pixel or two. Repeating it into a tile of at least
// this many pixels each way, once, keeps every paint a handful of copies.
constexpr int MinimumTileSide = 256;

QPixmap expandedTile(const QPixmap &picture)
{
    if (picture.isNull())
        return picture;
    const int columns = (MinimumTileSide + picture.width() - 1) / picture.width();
    const int rows = (MinimumTileSide + picture.height() - 1) / picture.height();
    if (columns == 1 && rows == 1)
        return picture;
    QPixmap source = picture;
    source.setDevicePixelRatio(1);
    QPixmap tile(source.width() * columns, source.height() * rows);
    tile.fill(Qt::transparent);
    {
        QPainter painter(&tile);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawTiledPixmap(tile.rect(), source);
    }
    tile.setDevicePixelRatio(picture.devicePixelRatio());
    return tile;
}

} // namespace

void paintTiledBackground(
    QPainter &painter, const QRect &area, const QColor &color, const QPixmap &picture)
{
    const bool hasPicture = !picture.isNull() && picture.width() > 0 && picture.height() > 0;
    // An opaque picture covers the whole area; the colour shows only through
    // a transparent one.
    if (!hasPicture || picture.hasAlphaChannel())
        painter.fillRect(area, color);
    if (hasPicture)
        painter.drawTiledPixmap(area, picture, area.topLeft());
}

ClientArea::ClientArea(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientArea::setBackground(const QColor &color, const QPixmap &picture)
{
    m_color = color;
    m_tile = expandedTile(picture);
    update();
}

void ClientArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintTiledBackground(painter, rect(), m_color, m_tile);
}

void ClientArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Q_EMIT resized();
}
