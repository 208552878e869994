#pragma once

class QWidget;

// Keeps the window above all windows that are not themselves kept on top,
// without moving or resizing it.
void SetTopmost(QWidget *window);

// Centres a top-level window on the screen it is on (or the primary one).
void centerOnScreen(QWidget *window);

// Centres a top-level window over another window (on the screen, when that
// one is gone or hidden), kept within the available part of the screen.
void centerOverWindow(QWidget *window, const QWidget *owner);
