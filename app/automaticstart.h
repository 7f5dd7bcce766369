#ifndef PAYVANE_AUTOMATICSTART_H
#define PAYVANE_AUTOMATICSTART_H

#include <QDate>
#include <QString>
#include <QStringList>

// The automatic start's decision, taken before anything with widgets is
// loaded: most automatic starts show nothing, and then they end without
// loading the windows at all.
enum class AutomaticStart {
    End,            // nothing to show and nothing to check: end with 0
    LoadWindows,    // the windows take the whole start, the interval rule included
    RemindersToShow, // the interval rule (if asked for) passed; bills are due
};

// For the automatic start ("auto" first in `arguments`), in the order of a
// whole start: settings files that are no regular files set aside (told on
// the error output); an update check that is due hands the whole start to
// the windows, which begin with it; another instance running ends the start
// writing nothing; the interval rule (which writes "LastRun"); then the bill
// file, read only, on `today`: a bill due for a reminder, or a reminder mark
// in the future that the windows write back as today, needs the windows.
// The application's identity must be set (no application object is needed);
// `programFilePath` names the instance lock as the windows' application
// object names it.
[[nodiscard]] AutomaticStart decideAutomaticStart(const QStringList &arguments, const QString &programFilePath,
                                                  QDate today);

#endif // PAYVANE_AUTOMATICSTART_H
