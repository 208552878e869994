#pragma once

#include "mail/mailwindow.h"

// The Comments window (Form4): sends the user's comments to the maker's
// mailbox under a fixed subject. It remembers only the mail server.
class CommentsWindow : public MailWindow
{
    Q_OBJECT

public:
    explicit CommentsWindow(AppContext &context, const SmtpClientConfig &smtp = {},
        CredentialStore *credentials = nullptr, QWidget *parent = nullptr);

protected:
    MailMessage composeMessage() const override;
    void rememberFields() override;
};
