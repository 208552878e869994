#include "ui/messagebox.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>

#include <memory>

namespace {

MessageBoxHandler &currentHandler()
{
    static MessageBoxHandler handler;
    return handler;
}

QList<QPointer<QMessageBox>> &openBoxes()
{
    static QList<QPointer<QMessageBox>> boxes;
    return boxes;
}

bool anyBoxOpen()
{
    openBoxes().removeAll(QPointer<QMessageBox>());
    return !openBoxes().isEmpty();
}

void showRealBox(const MessageBoxRequest &request)
{
    auto *box = new QMessageBox(
        request.icon, request.caption, request.text, request.buttons, request.parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (request.defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(request.defaultButton);
    box->setWindowModality(request.parent ? Qt::WindowModal : Qt::ApplicationModal);
    if (request.answered) {
        // Closed by Escape or its close button, the box counts the button
        // that Escape stands for as clicked.
        QObject::connect(box, &QMessageBox::finished, box, [box, answered = request.answered] {
            answered(box->standardButton(box->clickedButton()));
        });
    }
    openBoxes().append(box);
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

void showMessageBox(
    QWidget *parent, const QString &text, QMessageBox::Icon icon, const QString &caption)
{
    showMessageBox(MessageBoxRequest{parent, caption, text, icon});
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

void whenNoMessageBoxOpen(QObject *context, std::function<void()> action)
{
    if (!anyBoxOpen()) {
        action();
        return;
    }
    // Check again whenever one of the open boxes goes away.
    auto shared = std::make_shared<std::function<void()>>(std::move(action));
    for (const QPointer<QMessageBox> &box : openBoxes()) {
        QObject::connect(
            box, &QObject::destroyed, context,
            [shared] {
                if (*shared && !anyBoxOpen()) {
                    auto run = std::move(*shared);
                    *shared = nullptr;
                    run();
                }
            },
            Qt::QueuedConnection);
    }
}
