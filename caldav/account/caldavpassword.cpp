#include "caldavpassword.h"

#include <qt6keychain/keychain.h>

#include <QHash>

namespace {

const QString Service = QStringLiteral("Payvane");

// Passwords of this run where no store keeps them; gone when the process ends.
QHash<QString, QString> &rememberedPasswords()
{
    static QHash<QString, QString> passwords;
    return passwords;
}

} // namespace

CalDavPassword::CalDavPassword(const QString &key, QObject *parent)
    : QObject(parent)
    , m_key(key)
{
}

QString CalDavPassword::remembered(const QString &key)
{
    return rememberedPasswords().value(key);
}

void CalDavPassword::read()
{
    auto *job = new QKeychain::ReadPasswordJob(Service, this);
    connect(job, &QKeychain::Job::finished, this, [this, job] {
        if (!noteStore(job)) {
            emit readFinished(remembered(m_key));
            return;
        }
        emit readFinished(job->error() == QKeychain::NoError ? job->textData() : QString());
    });
    start(job);
}

void CalDavPassword::write(const QString &password)
{
    auto *job = new QKeychain::WritePasswordJob(Service, this);
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [this, job, password] {
        if (noteStore(job))
            rememberedPasswords().remove(m_key);
        else
            rememberedPasswords().insert(m_key, password);
        emit writeFinished();
    });
    start(job);
}

void CalDavPassword::remove()
{
    rememberedPasswords().remove(m_key);
    auto *job = new QKeychain::DeletePasswordJob(Service, this);
    connect(job, &QKeychain::Job::finished, this, [this, job] {
        noteStore(job);
        emit removeFinished();
    });
    start(job);
}

void CalDavPassword::start(QKeychain::Job *job)
{
    job->setKey(m_key);
    // Without a store QtKeychain would otherwise keep the password in a
    // settings file, readable as it was typed.
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    job->start();
}

bool CalDavPassword::noteStore(const QKeychain::Job *job)
{
    switch (job->error()) {
    case QKeychain::NoError:
    case QKeychain::EntryNotFound:
    case QKeychain::CouldNotDeleteEntry:
        m_store = Store::Runs;
        m_storeSentence.clear();
        return true;
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        m_store = Store::Missing;
        m_storeSentence = QStringLiteral("The secret store did not let Payvane in, so Payvane will ask for the "
                                         "calendar's password each time.");
        return false;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
    case QKeychain::OtherError:
        break;
    }
    m_store = Store::Missing;
    m_storeSentence = QStringLiteral("No secret store runs on this desktop, so Payvane will ask for the calendar's "
                                     "password each time.");
    return false;
}
