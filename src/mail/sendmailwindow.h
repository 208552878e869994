#pragma once

#include "core/mailcomposer.h"
#include "mail/mailwindow.h"

// The Send Mail window (Form3): any sender, recipient, subject and body. It
// remembers the mail server and the sender's name and address.
class SendMailWindow : public MailWindow, public MailComposer
{
    Q_OBJECT

public:
    explicit SendMailWindow(AppContext &context, const SmtpClientConfig &smtp = {},
        CredentialStore *credentials = nullptr, QWidget *parent = nullptr);

    // From a mailto: link; a subject or body it does not give leaves the
    // field as the user left it.
    void beginMessage(const QString &to, const QString &subject, const QString &body) override;

protected:
    MailMessage composeMessage() const override;
    void rememberFields() override;

private:
    QLineEdit *m_toAddress;
    QLineEdit *m_subject;
};
