#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

class QPainter;

// Fills area with color and tiles picture over it from its top-left corner; a
// picture with no width or height counts as none. One tiled draw, however
// small the picture.
void paintTiledBackground(
    QPainter &painter, const QRect &area, const QColor &color, const QPixmap &picture);

// The client area of a browser window: paints the window colour and the tiled
// background picture in the gaps between the controls.
class ClientArea : public QWidget
{
    Q_OBJECT

public:
    explicit ClientArea(QWidget *parent = nullptr);

    void setBackground(const QColor &color, const QPixmap &picture);

Q_SIGNALS:
    void resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QColor m_color;
    // The picture, repeated into a larger tile when it is small.
    QPixmap m_tile;
};
