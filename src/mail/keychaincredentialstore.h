#pragma once

#include "mail/credentialstore.h"

// The passwords in the desktop's keyring (the Secret Service on Linux), under
// the service "Wavecrest Mail". Nothing ever falls back to a file of ours:
// without a keyring a password is simply not remembered.
class KeychainCredentialStore : public CredentialStore
{
public:
    void readPassword(const QString &account, QObject *context, ReadDone done) override;
    void writePassword(
        const QString &account, const QString &password, QObject *context, WriteDone done) override;
    void forgetPassword(const QString &account) override;
};
