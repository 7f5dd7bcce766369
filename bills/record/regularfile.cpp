#include "regularfile.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool fail(QString *errorString, const QString &reason)
{
    if (errorString)
        *errorString = reason;
    return false;
}

} // namespace

bool openRegularFileForReading(QFile &file, QString *errorString)
{
#ifdef Q_OS_UNIX
    // Opened without blocking and checked on the descriptor itself, so the
    // file cannot be swapped for a FIFO between the check and the open.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        // QFile's own reasons read like the rest of the program's.
        if (error == ENOENT)
            return fail(errorString, QStringLiteral("No such file or directory"));
        return fail(errorString, qt_error_string(error));
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(errorString, QStringLiteral("it is not a regular file"));
    }
    // Reads of a regular file never block; the flag only mattered for open().
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(errorString, file.errorString());
    }
    return true;
#else
    if (!file.open(QIODevice::ReadOnly))
        return fail(errorString, file.errorString());
    return true;
#endif
}
