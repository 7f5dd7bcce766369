#ifndef PAYVANE_LISTOPTION_H
#define PAYVANE_LISTOPTION_H

#include "event.h"

#include <QDate>
#include <QString>

#include <functional>

class BillFileStream;

// The bill list for other programs ("--list" and "--json"): the user's
// bills printed to standard output on `today`, as a table or as JSON
// (billlisting.h). Reads the bill file only; writes nothing. The
// application's organization and name must be set, as they name the data
// folder.
//
// Returns the exit code: 0, or 1 with one line on standard error naming
// the file or folder and the reason, when there is no home folder to hold
// the data folder, when the bill file could not be read completely (cut
// off, damaged, unreadable, a folder or FIFO in its place: nothing is
// printed then, as a partial list would pass for the whole one), or when
// the output could not be written.
[[nodiscard]] int printBillList(bool json, QDate today);

// The user's bills for an option that prints them, taken one at a time:
// *bills is checked through (`record` sees each record) and, on 0, ready
// for BillFileStream::next(). Returns the exit code: 0, or 1 after one line
// on standard error for the cases above that concern reading.
[[nodiscard]] int checkBillsForPrinting(BillFileStream *bills,
                                        const std::function<void(const Event &)> &record);

// One line on standard error: the bill file could not be read completely,
// and why.
void printUnreadBillFile(const QString &problem);

#endif // PAYVANE_LISTOPTION_H
