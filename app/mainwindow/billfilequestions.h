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
    // The same for a bill that differs between the window's list and another
    // bill file, `otherPath` (a conflict copy a sync program left, another
    // machine's file).
    [[nodiscard]] static BillChoice whichBillToKeepFrom(const BillConflict &conflict, const QString &otherPath);

    enum class CopyAnswer { Merge, Later, Delete };
    // What to do with a conflict copy a sync program left beside the bill
    // file. A box closed without an answer is Later.
    [[nodiscard]] static CopyAnswer whatToDoWithCopy(const QString &copyPath);
    // The second question before a conflict copy is deleted; false keeps it.
    [[nodiscard]] static bool deleteCopyForGood(const QString &copyPath);
    enum class ExistingBillsAnswer { Merge, UseAsItIs, Cancel };
    // What to do with the bill file `path` found in the folder the data is
    // to move to (another machine's, synced there).
    [[nodiscard]] static ExistingBillsAnswer whatToDoWithExistingBills(const QString &path);

    // Whether to close although the bills could not be saved to `path`.
    [[nodiscard]] static bool closeWithoutSaving(const QString &path, const QString &reason);

private:
    // The sentences of the question about a bill changed on both sides.
    struct ConflictTexts
    {
        QString removedHere;  // %1 the bill's name, %2 the copy's when there is one
        QString removedThere;
        QString changedBoth;
    };
    [[nodiscard]] static BillChoice askWhichBill(const BillConflict &conflict, const ConflictTexts &texts,
                                                 const QString &copy);
};

#endif // PAYVANE_BILLFILEQUESTIONS_H
