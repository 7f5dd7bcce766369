#include "eventstore.h"

#include "billextensions.h"
#include "datafolder.h"
#include "recordreader.h"
#include "regularfile.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <array>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString dataFilePath(const QString &fileName)
{
    QString path = dataFolderPath();
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path + fileName;
}

bool fail(QString *errorString, const QString &reason)
{
    if (errorString)
        *errorString = reason;
    return false;
}

// A write may take only part of the bytes (a disk that just filled up); the
// next one then fails with the reason.
[[maybe_unused]] bool writeAll(QSaveFile &file, const QByteArray &bytes, QString *errorString)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return fail(errorString, file.errorString());
        written += n;
    }
    return true;
}

BillFileRead damaged(BillFileRead read, const QString &problem)
{
    read.state = BillFileState::Damaged;
    read.problem = problem;
    return read;
}

} // namespace

QByteArray billFileBytes(const EventList &events)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream stream(&buffer);
    stream.setVersion(QDataStream::Qt_4_2);
    stream << qint32(events.size());
    for (const Event *event : events)
        stream << *event;
    writeBillExtensions(stream, events);
    return bytes;
}

QString eventsFilePath()
{
    return dataFilePath(QStringLiteral("events") + QStringLiteral(".evt"));
}

QString settingsFilePath()
{
    return dataFilePath(QStringLiteral("settings.ini"));
}

QString holidaysFilePath()
{
    return dataFilePath(QStringLiteral("holidays.dat"));
}

QString linkTargetPath(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

bool saveEvents(const EventList &events, const QString &path, QString *errorString)
{
    return writeFileEntry(billFileBytes(events), linkTargetPath(path), errorString);
}

#ifdef Q_OS_UNIX

namespace {

// The temporary file's name: the entry's name, a dot and six letters of
// both cases (BillFile::removeSaveLeftovers() knows them by that).
QByteArray temporaryName(const QByteArray &entry)
{
    static const char lower[] = "abcdefghijklmnopqrstuvwxyz";
    static const char upper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QRandomGenerator *random = QRandomGenerator::system();
    QByteArray letters(6, 'a');
    for (char &letter : letters)
        letter = random->bounded(2) ? lower[random->bounded(26)] : upper[random->bounded(26)];
    const int lowerAt = int(random->bounded(6));
    letters[lowerAt] = lower[random->bounded(26)];
    letters[(lowerAt + 1 + int(random->bounded(5))) % 6] = upper[random->bounded(26)];
    return entry + '.' + letters;
}

bool writeAllTo(int fd, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        written += n;
    }
    return true;
}

bool failWithErrno(QString *errorString, int error)
{
    return fail(errorString, qt_error_string(error));
}

// The folder takes no new file: the entry itself, when it is a regular file
// (never a link, a FIFO or a device), is written in place.
bool writeInPlace(const QByteArray &bytes, const QByteArray &entry, QString *errorString)
{
    const int fd = ::open(entry.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ELOOP)
        return fail(errorString, QStringLiteral("it is a link"));
    if (fd < 0)
        return failWithErrno(errorString, errno);
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(errorString, QStringLiteral("it is not a regular file"));
    }
    const bool written = ::ftruncate(fd, 0) == 0 && writeAllTo(fd, bytes) && ::fsync(fd) == 0;
    const int error = errno;
    if (::close(fd) != 0 && written)
        return failWithErrno(errorString, errno);
    return written || failWithErrno(errorString, error);
}

} // namespace

bool writeFileEntry(const QByteArray &bytes, const QString &path, QString *errorString)
{
    if (!makeFolderFor(path, errorString))
        return false;
    const QByteArray entry = QFile::encodeName(path);
    struct stat old;
    const bool replacesFile = ::lstat(entry.constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacesFile && ::access(entry.constData(), W_OK) != 0)
        return fail(errorString, QStringLiteral("Existing file %1 is not writable").arg(QDir::toNativeSeparators(path)));

    // A complete new file beside the entry, then renamed over it: rename()
    // replaces the entry, whatever it is, and never follows a link there.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(entry);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS)
            return writeInPlace(bytes, entry, errorString);
        return failWithErrno(errorString, error);
    }
    if (replacesFile)
        ::fchmod(fd, old.st_mode & 07777);
    bool written = writeAllTo(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.constData(), entry.constData()) == 0)
        return true;
    if (written)
        error = errno;
    ::unlink(temporary.constData());
    return failWithErrno(errorString, error);
}

#else

bool writeFileEntry(const QByteArray &bytes, const QString &path, QString *errorString)
{
    if (!makeFolderFor(path, errorString))
        return false;
    QSaveFile file(path);
    // A folder that takes no new file (no permission) while the file itself
    // is writable: write in place rather than not at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return fail(errorString, file.errorString());
    if (!writeAll(file, bytes, errorString)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return fail(errorString, file.errorString());
    return true;
}

#endif

BillFileRead readBillFile(const QString &path)
{
    BillFileRead read;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return read; // Missing
    QFile file(path);
    if (!openRegularFileForReading(file, &read.problem)) {
        read.state = BillFileState::Unreadable;
        return read;
    }
    return readBillFile(file);
}

namespace {

// What is left of the device, in one read: a buffer's bytes as they are, a
// file's up to the size it has now (it cannot grow the read without end).
QByteArray remainingBytes(QIODevice &device)
{
    if (auto *buffer = qobject_cast<QBuffer *>(&device)) {
        const qint64 start = buffer->pos();
        QByteArray bytes = buffer->data();
        buffer->seek(bytes.size());
        return start == 0 ? bytes : bytes.mid(start);
    }
    if (device.isSequential())
        return device.readAll();
    return device.read(qMax<qint64>(0, device.size() - device.pos()));
}

} // namespace

BillFileRead readBillFile(QIODevice &device)
{
    BillFileRead read;
    const QByteArray bytes = remainingBytes(device);
    RecordReader reader(bytes.constData(), bytes.size());
    const qint32 count = reader.int32();
    if (reader.status() != QDataStream::Ok)
        return damaged(std::move(read), QStringLiteral("it ends before its first record"));
    if (count < 0)
        return damaged(std::move(read), QStringLiteral("its record count is negative"));

    // The count is not trusted for allocation: records are read one by one
    // until the count is reached or the data ends, and a record the file
    // holds only in part is dropped.
    for (qint32 i = 0; i < count; ++i) {
        auto *event = new Event;
        reader.read(*event);
        if (reader.status() != QDataStream::Ok) {
            delete event;
            return damaged(std::move(read), reader.status() == QDataStream::ReadCorruptData
                                                ? QStringLiteral("a record in it is damaged")
                                                : QStringLiteral("it ends inside a record"));
        }
        read.events.append(event);
    }
    if (reader.position() < bytes.size()) {
        // The extension block, rarely there and read as a stream.
        QByteArray rest = QByteArray::fromRawData(bytes.constData() + reader.position(),
                                                  bytes.size() - reader.position());
        QBuffer block(&rest);
        block.open(QIODevice::ReadOnly);
        QDataStream stream(&block);
        stream.setVersion(QDataStream::Qt_4_2);
        QString problem;
        if (!readBillExtensions(stream, read.events, &problem))
            return damaged(std::move(read), problem);
    }
    read.state = BillFileState::Complete;
    return read;
}

EventList loadEvents(const QString &path)
{
    return readBillFile(path).events;
}

EventList readEvents(QIODevice &device)
{
    return readBillFile(device).events;
}
