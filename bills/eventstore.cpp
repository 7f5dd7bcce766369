#include "eventstore.h"

#include "billextensions.h"
#include "regularfile.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString dataFilePath(const QString &fileName)
{
    QString path = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
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
bool writeAll(QSaveFile &file, const QByteArray &bytes, QString *errorString)
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

bool saveEvents(const EventList &events, const QString &path, QString *errorString)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return fail(errorString, QStringLiteral("Cannot create the folder %1.")
                                     .arg(QDir::toNativeSeparators(info.absolutePath())));

    // The whole file in memory first: written straight into the file, a
    // stream reports a full disk only as a failed write, and the system's
    // reason is lost.
    const QByteArray bytes = billFileBytes(events);
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

BillFileRead readBillFile(QIODevice &device)
{
    BillFileRead read;
    QDataStream stream(&device);
    stream.setVersion(QDataStream::Qt_4_2);
    qint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok)
        return damaged(std::move(read), QStringLiteral("it ends before its first record"));
    if (count < 0)
        return damaged(std::move(read), QStringLiteral("its record count is negative"));

    // The count is not trusted for allocation: records are read one by one
    // until the count is reached or the data ends, and a record the file
    // holds only in part is dropped.
    for (qint32 i = 0; i < count; ++i) {
        auto *event = new Event;
        stream >> *event;
        if (stream.status() != QDataStream::Ok) {
            delete event;
            return damaged(std::move(read), stream.status() == QDataStream::ReadCorruptData
                                                ? QStringLiteral("a record in it is damaged")
                                                : QStringLiteral("it ends inside a record"));
        }
        read.events.append(event);
    }
    QString problem;
    if (!stream.atEnd() && !readBillExtensions(stream, read.events, &problem))
        return damaged(std::move(read), problem);
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
