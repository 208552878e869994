#include "mail/commentswindow.h"

#include "core/addresses.h"
#include "ui/placement.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const MailWindow::Layout &commentsLayout()
{
    static const MailWindow::Layout layout{
        .clientSize = {7185, 3705},
        .send = {3600, 600, 1815, 495},
        .frame = {960, 3000, 5175, 615},
        .status = {120, 240, 4935, 255},
        .fromLabel = {120, 0, 2175, 255},
        .fromAddress = {120, 240, 3255, 285},
        .nameLabel = {3600, 0, 3135, 255},
        .fromName = {3600, 240, 3375, 285},
        .serverLabel = {120, 600, 3375, 255},
        .server = {120, 840, 3375, 285},
        .body = {120, 1200, 6855, 1695},
    };
    return layout;
}

} // namespace

CommentsWindow::CommentsWindow(AppContext &context, const SmtpClientConfig &smtp,
    CredentialStore *credentials, QWidget *parent)
    : MailWindow(context, smtp, credentials, tr("Send Us Your Comments And Suggestions"),
        commentsLayout(), parent)
{
    auto *exit
        = placeControl(new QPushButton(tr("&Exit"), this), "Command2", {5520, 600, 1455, 495});
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    orderTabs({m_send, m_fromAddress, m_body, exit, m_fromName, m_server});

    loadField(m_server, SettingsKey::MailServer);
}

MailMessage CommentsWindow::composeMessage() const
{
    const QString mailbox = QString::fromLatin1(Addresses::CommentsMailbox);
    // The maker's mailbox sorts by this subject, so it is never translated.
    return {m_fromName->text(), m_fromAddress->text(), mailbox, mailbox,
        QStringLiteral("Wavecrest Comments"), bodyText()};
}

void CommentsWindow::rememberFields()
{
    storeField(m_server, SettingsKey::MailServer);
}
