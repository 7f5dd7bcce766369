#ifndef PAYVANE_LISTOPTION_H
#define PAYVANE_LISTOPTION_H

#include <QByteArray>
#include <QDate>

struct BillFileRead;

// The bill list for other programs: with "--list" (a table) or "--json" as
// the only argument, main() prints the user's bills to standard output and
// ends, before any window, instance test or update check. Reads the bill
// file only; writes nothing.

// The text for the option on `today`; empty for any other argument.
[[nodiscard]] QByteArray billListText(const char *option, const BillFileRead &bills, QDate today);

// For main(), right after the information options: -1 when the command line
// is not "--list" or "--json"; otherwise prints the list (and, on standard
// error, one sentence when the bill file could not be read completely) and
// returns the exit code: 0, or 1 when the file could not be read at all.
int printBillList(int argc, const char *const *argv);

#endif // PAYVANE_LISTOPTION_H
