#ifndef PAYVANE_COMMANDLINEOUTPUT_H
#define PAYVANE_COMMANDLINEOUTPUT_H

#include <QByteArray>
#include <QString>

// What the options that print and end share: their exit codes and their two
// ways out, standard output for the answer and standard error for a problem.

// The exit codes of these options.
enum InformationExitCode {
    ExitDone = 0,
    ExitFailed = 1, // the bills could not be read completely, or the output not written
    ExitUsage = 2,  // an argument that is not an option
};

// Writes all of `bytes` to standard output; false with the system's reason
// in *errorString when it cannot (a full disk, a closed pipe).
[[nodiscard]] bool writeStandardOutput(const QByteArray &bytes, QString *errorString);

// One line on standard error: "Payvane: " and the text, with any control
// character in it (a file name may hold a line break) shown as "?".
void printErrorLine(const QString &text);

#endif // PAYVANE_COMMANDLINEOUTPUT_H
