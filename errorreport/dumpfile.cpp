#include "dumpfile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Reads exactly the size the file had when it was checked, plus one byte to
// notice a file that grew meanwhile.
std::optional<QByteArray> readChecked(QFile &file, qint64 size, qint64 maxSize)
{
    const QByteArray contents = file.read(size + 1);
    if (contents.size() > maxSize || (contents.isEmpty() && size > 0)) {
        file.close();
        return std::nullopt;
    }
    return contents;
}

} // namespace

#ifdef Q_OS_UNIX

std::optional<QByteArray> readDump(QFile &file, qint64 maxSize)
{
    // O_NONBLOCK: opening a named pipe must not wait for a writer.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxSize) {
        ::close(fd);
        return std::nullopt;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    return readChecked(file, qint64(status.st_size), maxSize);
}

bool removeDump(QFile &file)
{
    file.close();
    const QByteArray path = QFile::encodeName(file.fileName());
    struct stat status = {};
    if (path.isEmpty() || ::lstat(path.constData(), &status) != 0)
        return false;
    if (!S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode))
        return false;
    return ::unlink(path.constData()) == 0;
}

#else

std::optional<QByteArray> readDump(QFile &file, qint64 maxSize)
{
    const QFileInfo info(file.fileName());
    if (info.isSymLink() || !info.isFile() || info.size() > maxSize)
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readChecked(file, info.size(), maxSize);
}

bool removeDump(QFile &file)
{
    file.close();
    const QFileInfo info(file.fileName());
    if (!info.isSymLink() && !info.isFile())
        return false;
    return file.remove();
}

#endif
