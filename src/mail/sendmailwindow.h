#pragma once

#include "mail/mailwindow.h"

// The Send Mail window (Form3): any sender, recipient, subject and body. It
// remembers the mail server and the sender's name and address.
class SendMailWindow : public MailWindow
{
public:
    explicit SendMailWindow(
        AppContext &context, const SmtpClientConfig &smtp = {}, QWidget *parent = nullptr);

protected:
    MailMessage composeMessage() const override;
    void rememberFields() override;
};
