#ifndef PAYVANE_TESTS_UNPRIVILEGED_H
#define PAYVANE_TESTS_UNPRIVILEGED_H

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

// Permission checks mean nothing to root, and CI runs the tests as root. While
// one of these lives, the process acts as the unprivileged user "nobody", so
// a file without read permission is unreadable again. Does nothing for an
// ordinary user. Single-threaded tests only.
class Unprivileged
{
public:
    static constexpr uid_t Nobody = 65534;

    Unprivileged()
    {
        if (::geteuid() != 0)
            return;
        m_active = ::setegid(Nobody) == 0 && ::seteuid(Nobody) == 0;
    }
    ~Unprivileged()
    {
        if (m_active) {
            [[maybe_unused]] const int uid = ::seteuid(0);
            [[maybe_unused]] const int gid = ::setegid(0);
        }
    }
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

    // Whether permissions are enforced now (false only if root could not
    // give up its rights).
    [[nodiscard]] bool enforced() const { return ::geteuid() != 0; }

    // Hands a folder made by root to the user the tests act as, so it can
    // make files there.
    static bool handOver(const QString &folder)
    {
        if (::geteuid() != 0)
            return true;
        const QByteArray path = folder.toLocal8Bit();
        return ::chown(path.constData(), Nobody, Nobody) == 0 && ::chmod(path.constData(), 0755) == 0;
    }

private:
    bool m_active = false;
};

#endif // PAYVANE_TESTS_UNPRIVILEGED_H
