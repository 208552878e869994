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

void centerOverWindow(QWidget *window, const QWidget *owner)
{
    if (!owner || !owner->isVisible()) {
        centerOnScreen(window);
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    if (const QScreen *screen = owner->screen()) {
        const QRect available = screen->availableGeometry();
        frame.moveLeft(
            qBound(available.left(), frame.left(), available.right() - frame.width() + 1));
        frame.moveTop(
            qBound(available.top(), frame.top(), available.bottom() - frame.height() + 1));
    }
    window->move(frame.topLeft());
}
