#ifndef PAYVANE_SETTINGSPAGE_H
#define PAYVANE_SETTINGSPAGE_H

#include "notificationsettings.h"

class CalDavSection;
class DataFolderSection;

namespace Ui {
class MainWindow;
}

// The settings page edits the notification flags of "settings.ini" (the
// method, one at a time, summed up), the updater's automatic checks, the
// time of day of exported calendar alarms and the CalDAV calendar the bills
// are published to (native settings), with the holidays and data folder
// sections, which act at once; it shows the stored values each time it is
// entered, so choices left with Cancel are not seen again.
class SettingsPage
{
public:
    explicit SettingsPage(Ui::MainWindow *form);

    // Reads the stored notification flags (once, at start).
    void load();
    // The stored values into the page.
    void showStored();
    // The focus on the chosen method, once the page is shown.
    void focusChosenMethod();
    // The page's choices stored; tells the user when they cannot be written.
    void storeChoices();
    // The updater's check, on demand.
    static void checkForUpdates();
    // The CalDAV section, whose last result is shown again after a publish.
    [[nodiscard]] CalDavSection *calDavSection() const { return calDav; }
    // The section that moves the data folder (the window does the move).
    [[nodiscard]] DataFolderSection *dataFolderSection() const { return dataFolder; }

private:
    Ui::MainWindow *ui;
    NotificationSettings notificationSettings;
    CalDavSection *calDav; // owned by the page's widget
    DataFolderSection *dataFolder = nullptr; // owned by the page's widget
};

#endif // PAYVANE_SETTINGSPAGE_H
