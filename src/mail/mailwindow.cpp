#include "mail/mailwindow.h"

#include "core/appcontext.h"
#include "platform/messagebox.h"
#include "platform/twips.h"
#include "platform/windowutils.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <vector>

MailWindow::MailWindow(AppContext &context, const SmtpClientConfig &smtp, const QString &caption,
    QSize clientSizeTwips, std::span<const Control> controls, QWidget *parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_context(context), m_client(new SmtpClient(smtp.defaultPort, smtp.replyTimeLimit, this))
{
    setWindowTitle(caption);
    QFont font(QStringLiteral("Arial"), 9);
    font.setBold(true);
    setFont(font);
    resize(Twips::toPixels(clientSizeTwips.width()), Twips::toPixels(clientSizeTwips.height()));
    for (const Control &each : controls)
        createControl(each);
    orderTabs(controls);

    connect(qobject_cast<QPushButton *>(control("Command1")), &QPushButton::clicked, this,
        &MailWindow::send);
    connect(m_client, &SmtpClient::statusChanged, m_status, &QLabel::setText);
    connect(m_client, &SmtpClient::failed, this, [this](const QString &message) {
        showMessageBox(this, message, QMessageBox::Information);
    });
    connect(m_client, &SmtpClient::finished, this, &MailWindow::showOutcome);
}

void MailWindow::createControl(const Control &control)
{
    QWidget *widget = nullptr;
    switch (control.kind) {
    case Control::Kind::Button:
        widget = new QPushButton(QString::fromUtf8(control.caption), this);
        break;
    case Control::Kind::Frame:
        widget = new QGroupBox(this);
        break;
    case Control::Kind::Label:
        widget = new QLabel(QString::fromUtf8(control.caption), this);
        break;
    case Control::Kind::Field:
        widget = new QLineEdit(this);
        break;
    case Control::Kind::Body: {
        auto *body = new QPlainTextEdit(this);
        body->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        body->setTabChangesFocus(true);
        widget = body;
        break;
    }
    case Control::Kind::Status:
        m_status = new QLabel(MailWindow::control("Frame1"));
        m_status->setAlignment(Qt::AlignCenter);
        widget = m_status;
        break;
    }
    widget->setObjectName(QString::fromLatin1(control.name));
    widget->setGeometry(Twips::toRect(control.left, control.top, control.width, control.height));
    m_controls.insert(control.name, widget);
}

void MailWindow::orderTabs(std::span<const Control> controls)
{
    std::vector<Control> ordered(controls.begin(), controls.end());
    std::sort(ordered.begin(), ordered.end(),
        [](const Control &a, const Control &b) { return a.tabIndex < b.tabIndex; });
    QWidget *previous = nullptr;
    for (const Control &each : ordered) {
        QWidget *widget = control(each.name);
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        else
            widget->setFocus();
        previous = widget;
    }
}

QString MailWindow::fieldText(const char *name) const
{
    QWidget *widget = control(name);
    if (auto *body = qobject_cast<QPlainTextEdit *>(widget))
        return body->toPlainText();
    auto *field = qobject_cast<QLineEdit *>(widget);
    return field ? field->text() : QString();
}

void MailWindow::loadField(const char *name, const char16_t *settingsKey)
{
    if (auto *field = qobject_cast<QLineEdit *>(control(name)))
        field->setText(m_context.setting(QString::fromUtf16(settingsKey)));
}

void MailWindow::storeField(const char *name, const char16_t *settingsKey)
{
    m_context.writeSetting(QString::fromUtf16(settingsKey), fieldText(name));
}

void MailWindow::send()
{
    if (!m_client->SendEmail(fieldText("txtEmailServer"), composeMessage()))
        showMessageBox(this, QStringLiteral(" ") + QString::number(m_client->stateNumber()));
}

void MailWindow::showOutcome(bool accepted)
{
    m_status->setText(accepted ? QStringLiteral("Mail Sent") : QStringLiteral("Mail Not Sent"));
    if (accepted)
        QApplication::beep();
    rememberFields();
}

void MailWindow::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        centerOnScreen(this);
        m_centred = true;
    }
    QWidget::showEvent(event);
}

void MailWindow::closeEvent(QCloseEvent *event)
{
    m_client->abort();
    QWidget::closeEvent(event);
}
