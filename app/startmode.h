#ifndef PAYVANE_STARTMODE_H
#define PAYVANE_STARTMODE_H

#include <QStringList>

enum class StartMode { Interactive, Automatic, AutomaticWithInterval };

// The command line (the program first): nothing or anything but "auto"
// first is the interactive mode; "auto" alone or with two or more further
// arguments the automatic mode; "auto" with exactly one more argument adds
// the interval rule, with that argument in *intervalSeconds (a text that is
// not a number counts as 0).
[[nodiscard]] StartMode startMode(const QStringList &arguments, int *intervalSeconds);

// Whether the automatic start goes on, by the interval rule (only in
// AutomaticWithInterval, which records this start in "LastRun"). Reads and
// writes the native settings store of organization "Tervona", application
// "Payvane"; needs no application object.
[[nodiscard]] bool automaticStartGoesOn(StartMode mode, int intervalSeconds);

#endif // PAYVANE_STARTMODE_H
