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

// Whether an answer came from a running store (one without the entry too).
bool reachedStore(QKeychain::Error error)
{
    return error == QKeychain::NoError || error == QKeychain::EntryNotFound
        || error == QKeychain::CouldNotDeleteEntry;
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

// The jobs have no parent: one still running when its CalDavPassword goes
// finishes on its own (QtKeychain's backends call back into the job).
void CalDavPassword::read()
{
    auto *job = new QKeychain::ReadPasswordJob(Service);
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
    auto *job = new QKeychain::WritePasswordJob(Service);
    job->setTextData(password);
    // What memory holds does not wait for this object.
    connect(job, &QKeychain::Job::finished, job, [key = m_key, job, password] {
        if (reachedStore(job->error()))
            rememberedPasswords().remove(key);
        else
            rememberedPasswords().insert(key, password);
    });
    connect(job, &QKeychain::Job::finished, this, [this, job] {
        noteStore(job);
        emit writeFinished();
    });
    start(job);
}

void CalDavPassword::remove()
{
    rememberedPasswords().remove(m_key);
    auto *job = new QKeychain::DeletePasswordJob(Service);
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
    const QKeychain::Error error = job->error();
    if (reachedStore(error)) {
        m_store = Store::Runs;
        m_storeSentence.clear();
        return true;
    }
    m_store = Store::Missing;
    m_storeSentence = error == QKeychain::AccessDenied || error == QKeychain::AccessDeniedByUser
        ? QStringLiteral("The secret store did not let Payvane in, so Payvane will ask for the calendar's password "
                         "each time.")
        : QStringLiteral("No secret store runs on this desktop, so Payvane will ask for the calendar's password "
                         "each time.");
    return false;
}
