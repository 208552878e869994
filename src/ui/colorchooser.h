#pragma once

#include <QColor>

#include <functional>

class QWidget;

// Asks for a colour without blocking: onChosen runs with the colour once the
// user confirms one, and never when the picker is cancelled.
using ColorChooser = std::function<void(
    QWidget *parent, const QColor &initial, std::function<void(const QColor &color)> onChosen)>;

// The real chooser: a colour dialog, modal to its parent only, that deletes
// itself when closed.
ColorChooser nativeColorChooser();
