#include "ui/windowutils.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void SetTopmost(QWidget *window)
{
    const bool wasVisible = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Changing the flags hides a shown window; put it back where it was.
    if (wasVisible) {
        window->setGeometry(geometry);
        window->show();
    }
}

void centerOnScreen(QWidget *window)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
