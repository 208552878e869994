#include "mail/keychaincredentialstore.h"

#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("Wavecrest Mail");

template <typename Job> Job *newJob(const QString &account)
{
    auto *job = new Job(Service);
    job->setKey(account);
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    return job;
}

} // namespace

void KeychainCredentialStore::readPassword(const QString &account, QObject *context, ReadDone done)
{
    auto *job = newJob<QKeychain::ReadPasswordJob>(account);
    QObject::connect(job, &QKeychain::Job::finished, context, [job, done](QKeychain::Job *) {
        if (job->error() == QKeychain::NoError)
            done(job->textData());
        else
            done(std::nullopt);
    });
    job->start();
}

void KeychainCredentialStore::writePassword(
    const QString &account, const QString &password, QObject *context, WriteDone done)
{
    auto *job = newJob<QKeychain::WritePasswordJob>(account);
    job->setTextData(password);
    QObject::connect(job, &QKeychain::Job::finished, context, [job, done](QKeychain::Job *) {
        done(job->error() == QKeychain::NoError ? QString() : job->errorString());
    });
    job->start();
}

void KeychainCredentialStore::forgetPassword(const QString &account)
{
    newJob<QKeychain::DeletePasswordJob>(account)->start();
}
