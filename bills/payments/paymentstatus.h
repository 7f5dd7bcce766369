#ifndef PAYVANE_PAYMENTSTATUS_H
#define PAYVANE_PAYMENTSTATUS_H

#include "money.h"
#include "occurrence.h"
#include "paymentrecord.h"

#include <QDate>
#include <QtGlobal>

struct Event;

// Paid and unpaid due dates of a bill that tracks payments.
//
// A bill tracks payments from the first time the user marks it paid (or
// turns tracking on) until tracking is turned off; its PaymentState
// (paymentstate.h) says since when and which due date was paid last. Its
// due dates are the engine's, with weekend moves and its end:
// - a due date is owed when it falls on or after the day tracking began and
//   its scheduled date lies after the last paid one's; the owed dates are
//   therefore every due date from the first owed one on, up to the end;
// - an owed date before today is unpaid, and the bill is overdue;
// - paying marks the first owed date paid, however early or late: paid
//   early, the bill moves on to its following date;
// - a bill whose schedule ends (a singular bill, or one with an end) is
//   finished once its last date is paid.
// Every function takes today's date; none reads the clock.

// What a tracking bill shows on a day.
struct PaymentStatus
{
    enum State {
        NotTracked, // the bill does not track payments: it shows as it always did
        Upcoming,   // nothing unpaid: `unpaid` is its next owed date, today or later
        Overdue,    // `unpaid` is its oldest unpaid date, before today
        Finished,   // its schedule ended and its last date is paid
        NoDueDate,  // nothing unpaid, and its schedule names no further date
    };

    State state = NotTracked;
    // Upcoming, Overdue: the first owed due date (with its scheduled date).
    DueDate unpaid;
    qint64 daysLeft = 0;    // Upcoming: days from today to `unpaid` (0 when due today)
    qint64 daysOverdue = 0; // Overdue: days from `unpaid` to today (at least 1)
    // Overdue: the owed due dates before today, at least 1; an exact count
    // whose work is bounded like remainingOccurrences' (a daily bill unpaid
    // for fifty years costs no more than one unpaid for a week). Saturates
    // at INT_MAX.
    int unpaidCount = 0;
    // The due date last marked paid (null when none), and the day it was
    // marked.
    QDate lastPaid;
    QDate paidOn;
    // Upcoming, Overdue, for a bill with an amount of which a part of the
    // first owed date is paid: what is still open of it (the bill's amount
    // less the parts); null while nothing of it is paid.
    Money open;

    [[nodiscard]] bool isOverdue() const { return state == Overdue; }
};

// The bill's payment status on `today`; NotTracked for a bill that does not
// track payments (and then nothing else is filled).
[[nodiscard]] PaymentStatus paymentStatus(const Event &event, QDate today);

// The due date "Paid" would mark on `today`: a tracking bill's first owed
// date (late or early); for a bill that does not track payments yet, the
// date the list shows, its next due date on or after today (a singular
// bill's own date, even past). Null when nothing is left to pay (a bill
// that ended, or whose schedule names no date).
[[nodiscard]] DueDate dueDateToPay(const Event &event, QDate today);

// Marks dueDateToPay() paid on `today` and returns it, recording a payment
// of what is open of it; turns tracking on when it was off. Returns a null date and changes nothing when there is
// nothing to pay.
DueDate markPaid(Event &event, QDate today);

// Each payment is recorded in the bill's history (paymentrecord.h). A due
// date is paid once the amounts recorded for it reach the bill's amount (a
// bill without an amount: once anything is recorded for it); only then does
// the bill move on to its next date. Dates paid before the history was kept
// have no records and stay paid.

// What is still open of the due date scheduled on `scheduled`: the bill's
// amount less what its payments of that currency came to, never below
// zero; null for a bill without an amount.
[[nodiscard]] Money openAmount(const Event &event, QDate scheduled);

// Records a payment of `amount` (null for a bill without one), paid on
// `paidOn`, for dueDateToPay() on `today`, turning tracking on; the date is
// marked paid when its payments reach the amount. Returns the date the
// payment went to; null, with nothing changed, when nothing is left to pay.
DueDate recordPayment(Event &event, QDate today, const Money &amount, QDate paidOn,
                      const QString &note = QString());

// Takes back the bill's last recorded payment; false when it has none.
bool takeBackLastPayment(Event &event);
// Removes the history's payment at `index`, or puts `payment` in its place
// (the due date it pays stays); false for an index outside the history.
// A due date whose payments no longer reach the amount is owed again, and
// so is every later one; one they now reach is paid when it was the first
// owed.
bool removePayment(Event &event, qsizetype index);
bool changePayment(Event &event, qsizetype index, const PaymentRecord &payment);

// A bill whose amount varies: the average of its last three payments in
// its currency, rounded to the minor unit (the amount itself while none is
// recorded). Otherwise the amount.
[[nodiscard]] Money expectedAmount(const Event &event);
// What the payments of the last 12 months (paid after the day a year
// before `today`, up to today) came to, in the bill's currency; null for a
// bill without an amount.
[[nodiscard]] Money paidInLastYear(const Event &event, QDate today);

// Turns tracking on (nothing happens when it is on): from today, or from a
// singular bill's own date when that has passed, so such a bill is overdue
// until paid.
void startTracking(Event &event, QDate today);

// Turns tracking off and forgets what was paid, the history too: the bill
// shows, reads and writes as one that never tracked payments.
void stopTracking(Event &event);

#endif // PAYVANE_PAYMENTSTATUS_H
