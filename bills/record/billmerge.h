#ifndef PAYVANE_BILLMERGE_H
#define PAYVANE_BILLMERGE_H

#include "event.h"

#include <QByteArray>
#include <QList>

#include <functional>

// Two processes that read one bill file and both write it back: the merge of
// what each changed, bill by bill.
//
// Three lists take part: the bills as both read them (base), the bills now
// in the file (theirs), and this process's bills (ours). Each bill of ours
// knows the base bill it came from (or none: added here); the bills of
// theirs are matched to the base by what they are (matchBills). Then, per
// bill: changed on one side only, that side; removed on one side and
// unchanged on the other, removed; added on either side, kept (once when
// both added the same bill); changed on both sides differently, a conflict
// that a resolver decides.

// A bill that both sides changed, differently. `base` is the bill as both
// read it; a null `ours` or `theirs` is a side that removed it.
struct BillConflict
{
    const Event *base = nullptr;
    const Event *ours = nullptr;
    const Event *theirs = nullptr;
    // Both kept the bill and changed different parts of it (billParts
    // below), so both changes fit in one bill.
    bool separateChanges = false;
};

enum class BillChoice {
    Ours,   // this process's version (none, when it removed the bill)
    Theirs, // the file's version (none, when it was removed there)
    Both,   // both kept it: each part from the side that changed it, ours
            // where both changed one part; as Ours when a side removed it
};

using BillConflictResolver = std::function<BillChoice(const BillConflict &)>;

// The automatic start's choice, which asks nobody: both changes where they
// touch different parts of the bill (a reminder mark here, a payment there),
// its own where they touch the same part; a removal on either side wins over
// the other side's changes (the user removed the bill in the main window).
[[nodiscard]] BillChoice automaticBillChoice(const BillConflict &conflict);

// The parts of a bill that change independently: the name; the schedule
// (record fields of dates and repetition, with its ScheduleOptions); the
// reminder options; the reminder state (last shown, snoozed days); the
// payments; the amount; the extra reminders (with what each fired for);
// whether the amount varies; the calendar UID; and each field of a newer version on its own.
// The payment history is merged whatever both did: what one side took back
// goes, what either added stays, once when both added the same payment.
// The bill with each part from the side that changed it, `ours` where both
// did.
[[nodiscard]] Event mergedBillParts(const Event &base, const Event &ours, const Event &theirs);
// Whether no part was changed on both sides to different values.
[[nodiscard]] bool separateBillChanges(const Event &base, const Event &ours, const Event &theirs);

// Whether two bills are equal in every field the file keeps.
[[nodiscard]] bool sameBill(const Event &a, const Event &b);
// Every field the file keeps, in one byte string: equal exactly for the
// same bill (a key for hashing).
[[nodiscard]] QByteArray billKey(const Event &event);

// Pairs each bill of `other` with the base bill it is: equal bills first,
// then bills of the same name, each in list order and each base bill once.
// Per bill of `other`: the index of its base bill, or -1 (added). A renamed
// and changed bill is not recognised: it counts as removed and added.
[[nodiscard]] QList<qsizetype> matchBills(const QList<Event> &base, const EventList &other);

struct BillMerge
{
    EventList bills;              // the merged list: new records, owned by the caller
    QList<qsizetype> fromOurs;    // per bill of ours: the index of its bill in `bills`, -1 when gone
    QList<qsizetype> fromTheirs;  // per bill of `bills`: the index of its bill in theirs, -1 when theirs has none
    int conflicts = 0;            // bills the resolver decided
};

// The three-way merge. `oursOrigins` gives, per bill of ours, the index of
// its base bill, or -1 for a bill added here (an index out of range, or one
// given twice, counts as added). The order is ours, with the bills only
// theirs has placed after the bill they follow in theirs.
[[nodiscard]] BillMerge mergeBills(const QList<Event> &base, const EventList &theirs, const EventList &ours,
                                   const QList<qsizetype> &oursOrigins,
                                   const BillConflictResolver &resolve = automaticBillChoice);

#endif // PAYVANE_BILLMERGE_H
