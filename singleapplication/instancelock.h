#ifndef PAYVANE_INSTANCELOCK_H
#define PAYVANE_INSTANCELOCK_H

#include <QString>

#include <memory>

class QLockFile;

// The lock that one running instance of a program holds for its user: an
// advisory lock on a folder private to the user, which the system drops
// with the process however it ends, so a crashed instance never blocks the
// next. The folder depends on the user alone (its id is in the name), not on
// the session's runtime folder, so starts from cron, ssh or a second login
// find the same lock. The instance's socket lives in the same folder.
class InstanceLock
{
public:
    // `name` names the folder; empty folder() when no private folder could
    // be made.
    explicit InstanceLock(const QString &name);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // The name every copy of a program shares: from the program file's name,
    // so that a start that has no application object yet finds the same
    // lock as the instance that runs.
    [[nodiscard]] static QString nameForProgram(const QString &programFilePath);

    // Takes the lock without waiting; false when another process holds it.
    bool tryLock();
    [[nodiscard]] bool isLocked() const;

    // The private folder: "<name>-<uid>" in the temporary folder, or, when
    // someone else took that name, "<name>" in the user's cache folder.
    [[nodiscard]] QString folder() const { return m_folder; }

private:
    QString m_folder;
#ifdef Q_OS_UNIX
    int m_descriptor = -1; // the open folder, locked while the lock is held
#else
    std::unique_ptr<QLockFile> m_lockFile;
#endif
};

#endif // PAYVANE_INSTANCELOCK_H
