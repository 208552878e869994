#pragma once

#include "ui/messagebox.h"

#include <QList>

// Records the message boxes shown while it lives, instead of showing them.
class MessageBoxRecorder
{
public:
    MessageBoxRecorder()
        : m_previous(setMessageBoxHandler([this](const MessageBoxRequest &box) { boxes << box; }))
    { }
    ~MessageBoxRecorder() { setMessageBoxHandler(std::move(m_previous)); }
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    QList<MessageBoxRequest> boxes;

private:
    MessageBoxHandler m_previous;
};
