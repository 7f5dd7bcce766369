#ifndef PAYVANE_INFORMATIONOPTIONS_H
#define PAYVANE_INFORMATIONOPTIONS_H

#include <QByteArray>
#include <QString>

// The options that print something and end: help, version, and the bill
// list and calendar for other programs. They open no window and need no display.

enum class InformationOption {
    None,    // the command line starts the program as it always did
    Help,    // -h, --help
    Version, // -v, --version
    List,    // --list
    Json,    // --json, also with --list
    Calendar, // --calendar, with at most a file after it
    Unknown, // an option first, then an argument that is none
};

// What the command line (argv[1] on) asks for. None when the program starts
// as always: no argument, "auto" first (what follows is its interval,
// "auto --help" included), or any other first argument that is not one of
// these options. With one of them first: -h/--help anywhere is Help, else
// -v/--version anywhere is Version; otherwise every argument must be --list
// or --json (Json when --json is among them), or the answer is Unknown with
// the first other argument in *unknown. --calendar stands alone: it may be
// followed by one argument that is no option, the file, in *calendarFile
// (empty for standard output); anything else is Unknown.
[[nodiscard]] InformationOption informationOption(int argc, const char *const *argv, QString *unknown = nullptr,
                                                  QString *calendarFile = nullptr);

[[nodiscard]] QByteArray helpText();
[[nodiscard]] QByteArray versionText();

// For main(), first of all: -1 when the program starts as always;
// otherwise answers the option with a core application object only (no
// window, no display, no instance test, no update check, nothing written)
// and returns the exit code.
[[nodiscard]] int answerInformationOption(int &argc, char **argv);

#endif // PAYVANE_INFORMATIONOPTIONS_H
