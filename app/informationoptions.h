#ifndef PAYVANE_INFORMATIONOPTIONS_H
#define PAYVANE_INFORMATIONOPTIONS_H

#include <QByteArray>

// What "--help" or "--version" prints; empty for any other argument.
[[nodiscard]] QByteArray informationOptionText(const char *argument);

// For main(), first of all: with "--help" or "--version" as the first
// argument prints the answer to standard output and returns true, and main()
// ends with 0 before any window, instance test or update check. False for
// every other command line, which keeps its meaning.
bool printInformationOption(int argc, const char *const *argv);

#endif // PAYVANE_INFORMATIONOPTIONS_H
