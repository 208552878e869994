#include "platform/messagebox.h"

#include <QMessageBox>

namespace {

MessageBoxHandler &currentHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

void showRealBox(const MessageBoxRequest &request)
{
    auto *box = new QMessageBox(request.icon, request.caption, request.text,
                                request.buttons, request.parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(request.parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->show();
}

} // namespace

QString applicationTitle()
{
    return QStringLiteral("Wavecrest");
}

void showMessageBox(const MessageBoxRequest &request)
{
    MessageBoxRequest effective = request;
    if (effective.caption.isEmpty())
        effective.caption = applicationTitle();
    if (currentHandler())
        currentHandler()(effective);
    else
        showRealBox(effective);
}

void showMessageBox(QWidget *parent, const QString &text, QMessageBox::Icon icon,
                    const QString &caption)
{
    showMessageBox(MessageBoxRequest{parent, caption, text, icon, QMessageBox::Ok});
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}
