#ifndef PAYVANE_PAYMENTSTATE_H
#define PAYVANE_PAYMENTSTATE_H

#include <QDate>

// What a bill remembers about its payments. Kept in the bill file's
// extension block; all null for a bill that does not track payments, which
// is every bill until the user first marks one paid.
//
// The functions of paymentstatus.h read and change it; the due dates it
// speaks of are the engine's (occurrence.h).
struct PaymentState
{
    // The day tracking began: due dates before it were never owed. Null
    // while the bill does not track payments.
    QDate trackedSince;
    // The scheduled date (occurrence.h, DueDate::scheduled) of the last
    // due date marked paid; that date and every earlier one are paid. The
    // scheduled date, not the day it was due, so a paid date stays paid when
    // the bill's weekend rule changes. Null while none is paid.
    QDate paidThrough;
    // The day the last payment was marked.
    QDate paidOn;

    [[nodiscard]] bool isTracking() const { return trackedSince.isValid(); }

    friend bool operator==(const PaymentState &a, const PaymentState &b)
    {
        return a.trackedSince == b.trackedSince && a.paidThrough == b.paidThrough && a.paidOn == b.paidOn;
    }
    friend bool operator!=(const PaymentState &a, const PaymentState &b) { return !(a == b); }
};

#endif // PAYVANE_PAYMENTSTATE_H
