#pragma once

#include "mail/credentialstore.h"

#include <QHash>
#include <QTimer>

// The keyring of the tests: a map, answering on the next turn of the event
// loop as a real keyring would. Without a keyring it finds nothing and stores
// nothing, and says so.
class MemoryCredentialStore : public CredentialStore
{
public:
    explicit MemoryCredentialStore(bool available = true) : m_available(available) { }

    void readPassword(const QString &account, QObject *context, ReadDone done) override
    {
        const std::optional<QString> password = m_available && passwords.contains(account)
            ? std::optional<QString>(passwords.value(account))
            : std::nullopt;
        QTimer::singleShot(0, context, [done, password] { done(password); });
    }

    void writePassword(
        const QString &account, const QString &password, QObject *context, WriteDone done) override
    {
        if (m_available)
            passwords.insert(account, password);
        const QString error = m_available ? QString() : QStringLiteral("No keyring on the bus");
        QTimer::singleShot(0, context, [done, error] { done(error); });
    }

    void forgetPassword(const QString &account) override { passwords.remove(account); }

    QHash<QString, QString> passwords;

private:
    bool m_available;
};
