#ifndef PAYVANE_NOTIFICATIONSETTINGS_H
#define PAYVANE_NOTIFICATIONSETTINGS_H

#include <QString>

// How reminders are shown; kept in "settings.ini" (stream booleans: two,
// and the later ones only when they are not their defaults).
struct NotificationSettings
{
    bool separateNotifications = false; // one reminder window step per bill
    bool popupDialog = false;           // centred dialog instead of tray slide-in
    // The desktop's notifications instead of a window. Kept in a third byte
    // that a reader of the two flags never looks at; with it popupDialog is
    // on, which is what the automatic start falls back to without a
    // notification service.
    bool desktopNotifications = false;
    // More than three reminders at one start summed up in one notification
    // or one section of the reminder window. On unless turned off; kept in a
    // fourth byte written only when off, so the files of everyone who keeps
    // it on stay as they were.
    bool sumUpReminders = true;

    // Reads the file; a file that cannot be read keeps the current values.
    // Returns whether both flags were read.
    bool load(const QString &path);

    // Writes the file, creating its folder when missing. Returns false on
    // failure, with the system's reason in *errorString when given.
    [[nodiscard]] bool save(const QString &path, QString *errorString = nullptr) const;
};

#endif // PAYVANE_NOTIFICATIONSETTINGS_H
