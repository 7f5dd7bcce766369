#ifndef PAYVANE_EXTRAREMINDER_H
#define PAYVANE_EXTRAREMINDER_H

#include <QDate>
#include <QtGlobal>

// One more reminder of a bill besides its own ("notify me N days before"):
// a number of days before a due date, or after it while it is unpaid. Kept
// in the bill file's extension block; a bill has none until the user adds
// one, and then it is stored and reminds exactly as before.
//
// reminderrules.h decides when it fires: once per due date, remembered in
// `firedFor`.
struct ExtraReminder
{
    enum When : qint32 {
        Before = 0,      // `days` before the due date; 0 is the day itself
        AfterUnpaid = 1, // `days` after an unpaid due date (a tracking bill only)
    };

    // With the bill's own reminder, a bill has at most eight.
    static constexpr int MaximumCount = 7;
    static constexpr int MaximumDays = 99;

    qint32 days = 0;
    qint32 when = Before;
    // The due date this reminder last fired for; null when it never did.
    QDate firedFor;

    [[nodiscard]] bool isAfter() const { return when == AfterUnpaid; }

    friend bool operator==(const ExtraReminder &a, const ExtraReminder &b)
    {
        return a.days == b.days && a.when == b.when && a.firedFor == b.firedFor;
    }
    friend bool operator!=(const ExtraReminder &a, const ExtraReminder &b) { return !(a == b); }
};

#endif // PAYVANE_EXTRAREMINDER_H
