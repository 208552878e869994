#include "mail/commentswindow.h"

#include "core/addresses.h"
#include "settings/profile.h"

#include <QPushButton>

namespace {

using Kind = MailWindow::Control::Kind;

constexpr MailWindow::Control Controls[] = {
    {"Label1", Kind::Label, "From (e-mail address)", 120, 0, 2175, 255, 2},
    {"txtFromEmailAddress", Kind::Field, "", 120, 240, 3255, 285, 1},
    {"Label4", Kind::Label, "Your Name", 3600, 0, 3135, 255, 6},
    {"txtFromName", Kind::Field, "", 3600, 240, 3375, 285, 5},
    {"Label6", Kind::Label, "E-Mail Server", 120, 600, 3375, 255, 8},
    {"txtEmailServer", Kind::Field, "", 120, 840, 3375, 285, 7},
    {"Command1", Kind::Button, "&Send E-Mail", 3600, 600, 1815, 495, 0},
    {"Command2", Kind::Button, "&Exit", 5520, 600, 1455, 495, 4},
    {"txtEmailBodyOfMessage", Kind::Body, "", 120, 1200, 6855, 1695, 3},
    {"Frame1", Kind::Frame, "", 960, 3000, 5175, 615, 9},
    {"StatusTxt", Kind::Status, "", 120, 240, 4935, 255, 10},
};

} // namespace

CommentsWindow::CommentsWindow(AppContext &context, const SmtpClientConfig &smtp, QWidget *parent)
    : MailWindow(context, smtp, QStringLiteral("Send Us Your Comments And Suggestions"),
        QSize(7185, 3705), Controls, parent)
{
    connect(qobject_cast<QPushButton *>(control("Command2")), &QPushButton::clicked, this,
        &QWidget::close);
    loadField("txtEmailServer", SettingsKeys::MailServer);
}

MailMessage CommentsWindow::composeMessage() const
{
    const QString mailbox = QString::fromLatin1(Addresses::CommentsMailbox);
    return {fieldText("txtFromName"), fieldText("txtFromEmailAddress"), mailbox, mailbox,
        QStringLiteral("Wavecrest Comments"), fieldText("txtEmailBodyOfMessage")};
}

void CommentsWindow::rememberFields()
{
    storeField("txtEmailServer", SettingsKeys::MailServer);
}
