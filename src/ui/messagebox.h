#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through showMessageBox(), so that
// tests can record what would have been shown instead of opening a modal box.
struct MessageBoxRequest {
    QWidget *parent = nullptr;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // The button Enter presses; the box's own choice when none.
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // Told which button closed the box (the one Escape stands for when it
    // was closed otherwise); may be empty.
    std::function<void(QMessageBox::StandardButton)> answered;
};

using MessageBoxHandler = std::function<void(const MessageBoxRequest &)>;

// The application's title, used as the caption when a box names none.
QString applicationTitle();

// Shows the box without blocking: no nested event loop runs while it is up.
void showMessageBox(const MessageBoxRequest &request);
void showMessageBox(QWidget *parent, const QString &text,
    QMessageBox::Icon icon = QMessageBox::NoIcon, const QString &caption = QString());

// Runs action once no box shown through showMessageBox is open any more (at
// once when none is), in context's thread and only while context lives.
void whenNoMessageBoxOpen(QObject *context, std::function<void()> action);

// Replaces the real box (tests); an empty handler restores it. Returns the
// previous handler.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);
