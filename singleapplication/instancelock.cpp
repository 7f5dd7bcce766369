#include "instancelock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QLockFile>
#endif

namespace {

// Whether `path` is a folder only this user can reach, creating it so when
// it is missing. A folder someone else made (or a link to one) does not do.
bool isPrivateFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    return ::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
           && (info.st_mode & 0077) == 0;
#else
    return QDir().mkpath(path);
#endif
}

QString privateFolder(const QString &name)
{
#ifdef Q_OS_UNIX
    const QString inTemp = QDir::tempPath() + QLatin1Char('/') + name + QLatin1Char('-')
                           + QString::number(::geteuid());
    if (isPrivateFolder(inTemp))
        return inTemp;
#endif
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache))
        return {};
    const QString inCache = cache + QLatin1Char('/') + name;
    return isPrivateFolder(inCache) ? inCache : QString();
}

} // namespace

InstanceLock::InstanceLock(const QString &name)
    : m_folder(privateFolder(name))
{
}

QString InstanceLock::nameForProgram(const QString &programFilePath)
{
    return QFileInfo(programFilePath).completeBaseName() + QStringLiteral("-instance");
}

InstanceLock::~InstanceLock()
{
#ifdef Q_OS_UNIX
    if (m_descriptor >= 0)
        ::close(m_descriptor);
#endif
}

bool InstanceLock::tryLock()
{
    if (m_folder.isEmpty() || isLocked())
        return false;
#ifdef Q_OS_UNIX
    // The folder itself is locked: no lock file that an aging clean-up of
    // the temporary folder could remove under a running instance (it leaves
    // locked folders alone), and the lock ends with the process.
    const int descriptor = ::open(QFile::encodeName(m_folder).constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return false;
    }
    m_descriptor = descriptor;
    return true;
#else
    m_lockFile = std::make_unique<QLockFile>(m_folder + QStringLiteral("/lock"));
    if (m_lockFile->tryLock(0))
        return true;
    m_lockFile.reset();
    return false;
#endif
}

bool InstanceLock::isLocked() const
{
#ifdef Q_OS_UNIX
    return m_descriptor >= 0;
#else
    return m_lockFile != nullptr;
#endif
}
