#include "support/messageboxrecorder.h"

MessageBoxRecorder::MessageBoxRecorder()
{
    m_previous
        = setMessageBoxHandler([this](const MessageBoxRequest &request) { boxes.append(request); });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    setMessageBoxHandler(std::move(m_previous));
}
