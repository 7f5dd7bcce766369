#ifndef PAYVANE_SETTINGSFILECHECK_H
#define PAYVANE_SETTINGSFILECHECK_H

// Called by the entry once the application's identity is set and before
// anything opens the native settings store: a settings file that is no
// regular file (a FIFO would block the start for ever) is set aside
// (settingsfiles.h), and the user is told: in a message box when the start
// shows the main window, on the error output otherwise.
void setAsideSpecialSettingsFiles();

#endif // PAYVANE_SETTINGSFILECHECK_H
