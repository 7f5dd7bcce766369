#ifndef PAYVANE_PAYMENTSTATUS_H
#define PAYVANE_PAYMENTSTATUS_H

#include "occurrence.h"

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

// Marks dueDateToPay() paid on `today` and returns it; turns tracking on
// when it was off. Returns a null date and changes nothing when there is
// nothing to pay.
DueDate markPaid(Event &event, QDate today);

// Turns tracking on (nothing happens when it is on): from today, or from a
// singular bill's own date when that has passed, so such a bill is overdue
// until paid.
void startTracking(Event &event, QDate today);

// Turns tracking off and forgets what was paid: the bill shows, reads and
// writes as one that never tracked payments.
void stopTracking(Event &event);

#endif // PAYVANE_PAYMENTSTATUS_H
