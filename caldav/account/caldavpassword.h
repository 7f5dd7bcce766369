#ifndef PAYVANE_CALDAVPASSWORD_H
#define PAYVANE_CALDAVPASSWORD_H

#include <QObject>
#include <QString>

namespace QKeychain {
class Job;
}

// The calendar's password in the desktop's secret store (service "Payvane",
// key CalDavAccount::passwordKey()), read, written and removed in the
// background; each call ends with its signal. Where no secret store runs,
// or it refuses access, the password lives in this process's memory only,
// until the program ends: it is never written to disk in plain text.
class CalDavPassword : public QObject
{
    Q_OBJECT

public:
    enum class Store {
        Unknown, // no answer yet
        Runs,
        Missing, // none runs, or it refused access: the password is asked for each run
    };
    Q_ENUM(Store)

    explicit CalDavPassword(const QString &key, QObject *parent = nullptr);

    [[nodiscard]] QString key() const { return m_key; }
    // What the last answer said of the secret store.
    [[nodiscard]] Store store() const { return m_store; }
    // One sentence for the user when the store is missing; empty otherwise.
    [[nodiscard]] QString storeSentence() const { return m_storeSentence; }

    // Asks for the password; readFinished gives it, empty when none is known.
    void read();
    // Keeps the password; writeFinished follows.
    void write(const QString &password);
    // Forgets the password, in the store and in memory; removeFinished follows.
    void remove();

    // The password this run holds in memory for `key`; empty when none.
    [[nodiscard]] static QString remembered(const QString &key);

signals:
    void readFinished(const QString &password);
    void writeFinished();
    void removeFinished();

private:
    void start(QKeychain::Job *job);
    // Whether the job reached a store; sets store() and its sentence.
    bool noteStore(const QKeychain::Job *job);

    QString m_key;
    Store m_store = Store::Unknown;
    QString m_storeSentence;
};

#endif // PAYVANE_CALDAVPASSWORD_H
