#pragma once

#include <QRect>
#include <QtMath>

// Positions and sizes of the windows are laid down in twips (1/1440 inch).
// At 15 twips per device-independent pixel the windows scale with the screen.
namespace Twips {

inline constexpr int PerPixel = 15;

constexpr int toPixels(int twips)
{
    // Round half away from zero, so negative offsets mirror positive ones.
    return twips >= 0 ? (twips + PerPixel / 2) / PerPixel : -((-twips + PerPixel / 2) / PerPixel);
}

constexpr int fromPixels(int pixels)
{
    return pixels * PerPixel;
}

constexpr QRect toRect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

constexpr QRect toRect(const QRect &twips)
{
    return toRect(twips.x(), twips.y(), twips.width(), twips.height());
}

} // namespace Twips
