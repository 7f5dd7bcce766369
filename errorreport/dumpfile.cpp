#include "dumpfile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A dump that grew or shrank since it was checked is not the dump that was
// checked: refused.
bool sizeHeld(const QByteArray &contents, qint64 size)
{
    return contents.size() == size;
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
    // One byte more than checked, to notice a file that grew meanwhile.
    QByteArray contents(qsizetype(status.st_size) + 1, Qt::Uninitialized);
    qsizetype total = 0;
    while (total < contents.size()) {
        const ssize_t count = ::read(fd, contents.data() + total, size_t(contents.size() - total));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        total += count;
    }
    ::close(fd);
    contents.truncate(total);
    if (!sizeHeld(contents, qint64(status.st_size)))
        return std::nullopt;
    return contents;
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
    const QByteArray contents = file.read(info.size() + 1);
    file.close();
    if (!sizeHeld(contents, info.size()))
        return std::nullopt;
    return contents;
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
