#include "eventstore.h"

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

} // namespace

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

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(errorString, file.errorString());

    QDataStream stream(&file);
    stream.setVersion(QDataStream::Qt_4_2);
    stream << qint32(events.size());
    for (const Event *event : events)
        stream << *event;

    if (stream.status() != QDataStream::Ok) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(errorString, reason);
    }
    if (!file.commit())
        return fail(errorString, file.errorString());
    return true;
}

EventList loadEvents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readEvents(file);
}

EventList readEvents(QIODevice &device)
{
    EventList events;
    QDataStream stream(&device);
    stream.setVersion(QDataStream::Qt_4_2);
    qint32 count = 0;
    stream >> count;

    // The count is not trusted for allocation: records are read one by one
    // until the count is reached or the data ends, and a record the file
    // holds only in part is dropped.
    for (qint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        auto *event = new Event;
        stream >> *event;
        if (stream.status() != QDataStream::Ok) {
            delete event;
            break;
        }
        events.append(event);
    }
    return events;
}
