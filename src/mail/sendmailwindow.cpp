#include "mail/sendmailwindow.h"

#include "settings/profile.h"

namespace {

using Kind = MailWindow::Control::Kind;

constexpr MailWindow::Control Controls[] = {
    {"Command1", Kind::Button, "&Send E-Mail", 120, 120, 1935, 495, 0},
    {"Frame1", Kind::Frame, "", 2160, 0, 4815, 615, 12},
    {"StatusTxt", Kind::Status, "", 120, 240, 4575, 255, 13},
    {"Label1", Kind::Label, "From (e-mail address)", 120, 720, 2775, 255, 2},
    {"txtFromEmailAddress", Kind::Field, "", 120, 960, 3255, 285, 1},
    {"Label4", Kind::Label, "Your Name", 3600, 720, 3135, 255, 9},
    {"txtFromName", Kind::Field, "", 3600, 960, 3375, 285, 8},
    {"Label2", Kind::Label, "To", 120, 1320, 1575, 255, 4},
    {"txtToEmailAddress", Kind::Field, "", 120, 1560, 3255, 285, 3},
    {"Label6", Kind::Label, "E-Mail Server", 3600, 1320, 3375, 255, 11},
    {"txtEmailServer", Kind::Field, "", 3600, 1560, 3375, 285, 10},
    {"Label3", Kind::Label, "Subject", 120, 1920, 1215, 255, 6},
    {"txtEmailSubject", Kind::Field, "", 120, 2160, 6855, 285, 5},
    {"txtEmailBodyOfMessage", Kind::Body, "", 120, 2640, 6855, 3135, 7},
};

} // namespace

SendMailWindow::SendMailWindow(AppContext &context, const SmtpClientConfig &smtp, QWidget *parent)
    : MailWindow(
        context, smtp, QStringLiteral("Brimlow Send Mail"), QSize(7065, 5850), Controls, parent)
{
    loadField("txtEmailServer", SettingsKeys::MailServer);
    loadField("txtFromEmailAddress", SettingsKeys::Email);
    loadField("txtFromName", SettingsKeys::Name);
}

MailMessage SendMailWindow::composeMessage() const
{
    const QString recipient = fieldText("txtToEmailAddress");
    return {fieldText("txtFromName"), fieldText("txtFromEmailAddress"), recipient, recipient,
        fieldText("txtEmailSubject"), fieldText("txtEmailBodyOfMessage")};
}

void SendMailWindow::rememberFields()
{
    storeField("txtFromName", SettingsKeys::Name);
    storeField("txtFromEmailAddress", SettingsKeys::Email);
    storeField("txtEmailServer", SettingsKeys::MailServer);
}
