#ifndef PAYVANE_DESKTOPENTRY_H
#define PAYVANE_DESKTOPENTRY_H

// The program's windows (main window, reminder window, desktop
// notifications, the single-instance application, the updater) live in a
// module of their own, which the program loads at run time only when a start
// shows something: a start that shows nothing then never loads widgets,
// fonts or the network library.

// What the program already did before it loaded the module.
enum DesktopHandover : int {
    NothingDecided = 0,
    // The interval rule was applied ("LastRun" written) and let the start
    // go on: the module must not apply it again.
    IntervalRuleApplied = 1,
};

// The module's entry: the rest of the start, from the application object
// to the end of the event loop; returns the exit code. argc must live as
// long as the call.
extern "C" {
using DesktopMain = int(int *argc, char **argv, int handover);
}

// The name the entry is exported under.
inline constexpr char DesktopMainSymbol[] = "payvaneDesktopMain";

#endif // PAYVANE_DESKTOPENTRY_H
