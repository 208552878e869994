#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Where remembered mail passwords are kept: the desktop's keyring in the
// program, a map in the tests. Each call answers later, through the callback,
// and only while context lives; a keyring may ask the user to unlock it first.
class CredentialStore
{
public:
    virtual ~CredentialStore() = default;

    // The password, or nothing when none is stored or the keyring cannot be
    // reached.
    using ReadDone = std::function<void(const std::optional<QString> &password)>;
    // Empty on success, else why the password could not be stored.
    using WriteDone = std::function<void(const QString &error)>;

    virtual void readPassword(const QString &account, QObject *context, ReadDone done) = 0;
    virtual void writePassword(
        const QString &account, const QString &password, QObject *context, WriteDone done)
        = 0;
    virtual void forgetPassword(const QString &account) = 0;
};
