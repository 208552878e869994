#include "ui/placement.h"

QFont arialFont(qreal pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont windowFont()
{
    return arialFont(9, true);
}
