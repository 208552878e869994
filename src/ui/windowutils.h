#pragma once

class QWidget;

// Keeps the window above all windows that are not themselves kept on top,
// without moving or resizing it.
void SetTopmost(QWidget *window);

// Centres a top-level window on the screen it is on (or the primary one).
void centerOnScreen(QWidget *window);
