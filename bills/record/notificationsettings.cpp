#include "notificationsettings.h"

#include "datafolder.h"

#include "regularfile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool NotificationSettings::load(const QString &path)
{
    QFile file(path);
    if (!openRegularFileForReading(file))
        return false;

    QDataStream stream(&file);
    stream.setVersion(QDataStream::Qt_4_2);
    bool separate = false;
    bool popup = false;
    stream >> separate >> popup;
    // A short file keeps what it holds and defaults the rest, as the stream would.
    separateNotifications = separate;
    popupDialog = popup;
    const bool read = stream.status() == QDataStream::Ok;
    bool desktop = false;
    if (read && !stream.atEnd())
        stream >> desktop;
    desktopNotifications = desktop;
    bool sumUp = true;
    if (read && !stream.atEnd())
        stream >> sumUp;
    sumUpReminders = sumUp;
    // Where no notification service answers, the popup dialog shows them.
    if (desktopNotifications)
        popupDialog = true;
    return read;
}

bool NotificationSettings::save(const QString &path, QString *errorString) const
{
    // A first run has no data folder yet; without it the choice would be lost.
    if (!makeFolderFor(path, errorString))
        return false;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    QDataStream stream(&file);
    stream.setVersion(QDataStream::Qt_4_2);
    stream << separateNotifications << popupDialog;
    // Two bytes, as always, unless the desktop's notifications are chosen
    // or reminders are not summed up (the fourth byte, after the third).
    if (desktopNotifications || !sumUpReminders)
        stream << desktopNotifications;
    if (!sumUpReminders)
        stream << sumUpReminders;
    if (!file.commit()) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    return true;
}
