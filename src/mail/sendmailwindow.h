#pragma once

#include "mail/mailwindow.h"

// The Send Mail window (Form3): any sender, recipient, subject and body. It
// remembers the mail server and the sender's name and address.
class SendMailWindow : public MailWindow
{
    Q_OBJECT

public:
    explicit SendMailWindow(AppContext &context, const SmtpClientConfig &smtp = {},
        CredentialStore *credentials = nullptr, QWidget *parent = nullptr);

protected:
    MailMessage composeMessage() const override;
    void rememberFields() override;

private:
    QLineEdit *m_toAddress;
    QLineEdit *m_subject;
};
