#ifndef PAYVANE_BILLFILEQUESTIONS_H
#define PAYVANE_BILLFILEQUESTIONS_H

#include "billmerge.h"

#include <QString>

// What the main window asks the user about its bill file, modally.
class BillFileQuestions
{
public:
    // Which version of a bill changed both in the window and, meanwhile, in
    // the file by another program stays. A box closed without an answer
    // keeps the window's version, as before merging.
    [[nodiscard]] static BillChoice whichBillToKeep(const BillConflict &conflict);
    // Whether to close although the bills could not be saved to `path`.
    [[nodiscard]] static bool closeWithoutSaving(const QString &path, const QString &reason);
};

#endif // PAYVANE_BILLFILEQUESTIONS_H
