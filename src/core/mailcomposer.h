#pragma once

#include <QString>

// A window that begins a message (the Send Mail window), reached through the
// window registry: a mailto: link in a page opens it with the address.
class MailComposer
{
public:
    virtual ~MailComposer() = default;

    // Fills in the recipient, and the subject and body where given; nothing
    // is sent until the user sends it.
    virtual void beginMessage(const QString &to, const QString &subject, const QString &body) = 0;
};
