#ifndef PAYVANE_NOTIFICATIONSETTINGS_H
#define PAYVANE_NOTIFICATIONSETTINGS_H

#include <QString>

// How reminders are shown; kept in "settings.ini" (two stream booleans).
struct NotificationSettings
{
    bool separateNotifications = false; // one reminder window step per bill
    bool popupDialog = false;           // centred dialog instead of tray slide-in
    // The desktop's notifications instead of a window. Kept in a third byte
    // that a reader of the two flags never looks at; with it popupDialog is
    // on, which is what the automatic start falls back to without a
    // notification service.
    bool desktopNotifications = false;

    // Reads the file; a file that cannot be read keeps the current values.
    // Returns whether both flags were read.
    bool load(const QString &path);

    // Writes the file, creating its folder when missing. Returns false on
    // failure, with the system's reason in *errorString when given.
    [[nodiscard]] bool save(const QString &path, QString *errorString = nullptr) const;
};

#endif // PAYVANE_NOTIFICATIONSETTINGS_H
