#pragma once

#include "ui/twips.h"

#include <QFont>
#include <QRect>
#include <QWidget>

// The program's fixed-size windows are laid out as they were drawn: every
// control sits at a rectangle given in twips and carries its drawn name,
// which tests and other programs find it by.
template <typename Control>
Control *placeControl(Control *control, const char *objectName, const QRect &twips)
{
    control->setObjectName(QLatin1String(objectName));
    control->setGeometry(Twips::toRect(twips));
    return control;
}

// The windows' typeface at the given size.
QFont arialFont(qreal pointSize, bool bold);

// What most windows and their controls are drawn in: Arial 9 pt bold.
QFont windowFont();
