#include "paymentstatus.h"

#include "daynumber.h"
#include "event.h"

#include <QtNumeric>

#include <algorithm>

// The owed dates of a bill are a tail of its due dates: due dates keep the
// order of their scheduled dates (a move takes a date at most
// LongestDueDateMove days and never past another), so "on or after the day tracking began" and
// "scheduled after the last paid one" both hold from some due date on. The
// first owed date is found by a walk that starts next to that boundary, never
// at the beginning of the bill, and the unpaid ones are counted by the
// engine's bounded count of that walk's own dates.

namespace {

bool hasEnd(const Event &event)
{
    return event.schedule == Event::ScheduleSingular || event.endMode != Event::EndNever;
}

// The first due date from which on every date is owed; null when none is.
DueDate firstOwedDate(const Event &event)
{
    const qint64 since = dayNumber(event.payments.trackedSince);
    const qint64 paid = dayNumber(event.payments.paidThrough);
    DueDate owed;
    if (event.schedule == Event::ScheduleSingular) {
        const qint64 day = dayNumber(event.eventDate);
        if (day != 0 && day >= since && day > paid)
            owed = {event.eventDate, event.eventDate};
    } else {
        // A due date scheduled after `paid` is due no earlier than the
        // longest move before it; the few dates between that and the paid
        // one are stepped over.
        DueDayWalk walk(event);
        qint64 day = walk.after(std::max(since - 1, paid - LongestDueDateMove - 1));
        while (day != 0 && walk.scheduled() <= paid)
            day = walk.after(day);
        if (day != 0)
            owed = {dateOfDayNumber(day), dateOfDayNumber(walk.scheduled())};
    }
    if (owed.date.isNull() || owed.endsAfter(event))
        return DueDate();
    return owed;
}

// The owed due dates before `today`, from the first owed one, `owed`: the
// dates "Paid" would mark one after the other.
int unpaidBefore(const Event &event, const DueDate &owed, QDate today)
{
    if (event.schedule == Event::ScheduleSingular)
        return 1;
    return dueDatesWalkedFrom(event, owed, today);
}

// The due date of a paid scheduled date: the day it was due, or the date
// itself when the schedule no longer names it.
QDate dueDateOf(const Event &event, QDate scheduled)
{
    if (event.schedule == Event::ScheduleSingular || scheduled.isNull())
        return scheduled;
    const qint64 target = dayNumber(scheduled);
    DueDayWalk walk(event);
    for (qint64 day = walk.after(target - LongestDueDateMove - 1); day != 0 && walk.scheduled() <= target;
         day = walk.after(day)) {
        if (walk.scheduled() == target)
            return dateOfDayNumber(day);
    }
    return scheduled;
}

// The day tracking begins when it starts on `today`: today, or a singular
// bill's own date when that has passed, so a bill the list still shows is
// owed.
QDate trackingStart(const Event &event, QDate today)
{
    if (event.schedule == Event::ScheduleSingular && event.eventDate.isValid() && event.eventDate < today)
        return event.eventDate;
    return today;
}

// What the payments for the due date scheduled on `scheduled` came to in
// the bill's currency, and whether there is any.
Money paidTowards(const Event &event, QDate scheduled, bool *any = nullptr)
{
    Money paid(0, event.amount.currency());
    if (any)
        *any = false;
    for (const PaymentRecord &payment : event.history) {
        if (payment.dueDate != scheduled)
            continue;
        if (any)
            *any = true;
        if (payment.amount.currency() != event.amount.currency() || event.amount.isNull())
            continue;
        paid = paid.plus(payment.amount).value_or(event.amount); // past the range: certainly enough
    }
    return paid;
}

bool paymentsReachAmount(const Event &event, QDate scheduled)
{
    bool any = false;
    const Money paid = paidTowards(event, scheduled, &any);
    if (event.amount.isNull())
        return any;
    return any && paid.minorUnits() >= event.amount.minorUnits();
}

// The scheduled date of the due date before the one scheduled on `scheduled`;
// null when there is none. Walks ever longer stretches before it, so a
// yearly bill costs no more steps than a weekly one.
QDate scheduledBefore(const Event &event, QDate scheduled)
{
    if (event.schedule == Event::ScheduleSingular)
        return QDate();
    const qint64 target = dayNumber(scheduled);
    for (qint64 span = 8; span <= 146097 * 2; span *= 2) {
        DueDayWalk walk(event);
        qint64 before = 0;
        for (qint64 day = walk.after(target - span); day != 0 && walk.scheduled() < target; day = walk.after(day))
            before = walk.scheduled();
        if (before != 0)
            return dateOfDayNumber(before);
    }
    return QDate();
}

// The latest day a payment for a paid date (or for the one scheduled on
// `only`) was made; null when none is recorded.
QDate lastPaidOn(const Event &event, QDate only = QDate())
{
    QDate last;
    for (const PaymentRecord &payment : event.history) {
        const bool counts = only.isValid() ? payment.dueDate == only : payment.dueDate <= event.payments.paidThrough;
        if (counts && payment.paidOn > last)
            last = payment.paidOn;
    }
    return last;
}

// After the payments of the date scheduled on `scheduled` changed: a paid
// date they no longer reach is owed again (with every later one), the first
// owed date they now reach is paid.
void settlePaymentsOf(Event &event, QDate scheduled)
{
    PaymentState &state = event.payments;
    if (state.paidThrough.isValid() && scheduled <= state.paidThrough) {
        if (paymentsReachAmount(event, scheduled))
            return;
        const QDate before = scheduledBefore(event, scheduled);
        const bool owedBefore = before.isValid() && dueDateOf(event, before) >= state.trackedSince;
        state.paidThrough = owedBefore ? before : QDate();
        state.paidOn = lastPaidOn(event);
        return;
    }
    DueDate owed = firstOwedDate(event);
    if (owed.scheduled != scheduled || !scheduled.isValid())
        return;
    // Paid, the dates after it may be paid already too (a date owed again
    // after the ones after it were paid): each record pays one date, so the
    // history bounds the steps.
    for (qsizetype step = 0; step <= event.history.size() && owed.scheduled.isValid()
                             && paymentsReachAmount(event, owed.scheduled);
         ++step) {
        state.paidThrough = owed.scheduled;
        state.paidOn = lastPaidOn(event, owed.scheduled);
        owed = firstOwedDate(event);
    }
}

// What is left of the bill's amount after `paid` (in its currency).
Money amountLeft(const Event &event, const Money &paid)
{
    if (paid.minorUnits() >= event.amount.minorUnits())
        return Money(0, event.amount.currency());
    return Money(event.amount.minorUnits() - paid.minorUnits(), event.amount.currency());
}

} // namespace

Money openAmount(const Event &event, QDate scheduled)
{
    if (event.amount.isNull())
        return Money();
    return amountLeft(event, paidTowards(event, scheduled));
}

DueDate recordPayment(Event &event, QDate today, const Money &amount, QDate paidOn, const QString &note)
{
    const DueDate due = dueDateToPay(event, today);
    if (due.date.isNull())
        return due;
    startTracking(event, today);
    event.history.append(PaymentRecord{due.scheduled, paidOn, amount, note.left(PaymentRecord::MaximumNoteLength)});
    settlePaymentsOf(event, due.scheduled);
    return due;
}

bool takeBackLastPayment(Event &event)
{
    return removePayment(event, event.history.size() - 1);
}

bool removePayment(Event &event, qsizetype index)
{
    if (index < 0 || index >= event.history.size())
        return false;
    const QDate scheduled = event.history.takeAt(index).dueDate;
    settlePaymentsOf(event, scheduled);
    return true;
}

bool changePayment(Event &event, qsizetype index, const PaymentRecord &payment)
{
    if (index < 0 || index >= event.history.size())
        return false;
    PaymentRecord &changed = event.history[index];
    changed.paidOn = payment.paidOn;
    changed.amount = payment.amount;
    changed.note = payment.note.left(PaymentRecord::MaximumNoteLength);
    settlePaymentsOf(event, changed.dueDate);
    return true;
}

Money expectedAmount(const Event &event)
{
    if (!event.amountVaries || event.amount.isNull())
        return event.amount;
    qint64 sum = 0;
    qint64 count = 0;
    for (auto it = event.history.crbegin(); it != event.history.crend() && count < 3; ++it) {
        if (it->amount.currency() != event.amount.currency())
            continue;
        // Payments whose sum leaves the range kept exactly give no
        // estimate: the amount stands.
        if (qAddOverflow(sum, it->amount.minorUnits(), &sum))
            return event.amount;
        ++count;
    }
    if (count == 0)
        return event.amount;
    // Rounded half away from zero.
    const qint64 average = (sum >= 0 ? sum + count / 2 : sum - count / 2) / count;
    return Money(average, event.amount.currency());
}

Money paidInLastYear(const Event &event, QDate today)
{
    if (event.amount.isNull())
        return Money();
    Money sum(0, event.amount.currency());
    const QDate from = today.addYears(-1);
    for (const PaymentRecord &payment : event.history) {
        if (payment.paidOn > from && payment.paidOn <= today && payment.amount.currency() == sum.currency())
            sum = sum.plus(payment.amount).value_or(sum);
    }
    return sum;
}

PaymentStatus paymentStatus(const Event &event, QDate today)
{
    PaymentStatus status;
    if (!event.payments.isTracking())
        return status;
    status.lastPaid = dueDateOf(event, event.payments.paidThrough);
    status.paidOn = event.payments.paidOn;
    status.unpaid = firstOwedDate(event);
    if (status.unpaid.date.isNull()) {
        status.state = hasEnd(event) ? PaymentStatus::Finished : PaymentStatus::NoDueDate;
        return status;
    }
    if (!event.amount.isNull()) {
        // One pass over the payments: a long history costs once per status.
        bool any = false;
        const Money paid = paidTowards(event, status.unpaid.scheduled, &any);
        if (any)
            status.open = amountLeft(event, paid);
    }
    const qint64 days = daysBetween(today, status.unpaid.date);
    if (days >= 0) {
        status.state = PaymentStatus::Upcoming;
        status.daysLeft = days;
        return status;
    }
    status.state = PaymentStatus::Overdue;
    status.daysOverdue = -days;
    status.unpaidCount = unpaidBefore(event, status.unpaid, today);
    return status;
}

DueDate dueDateToPay(const Event &event, QDate today)
{
    if (event.payments.isTracking())
        return firstOwedDate(event);
    Event tracking = event;
    startTracking(tracking, today);
    return firstOwedDate(tracking);
}

DueDate markPaid(Event &event, QDate today)
{
    const DueDate due = dueDateToPay(event, today);
    if (due.date.isNull())
        return due;
    return recordPayment(event, today, openAmount(event, due.scheduled), today);
}

void startTracking(Event &event, QDate today)
{
    if (!event.payments.isTracking())
        event.payments.trackedSince = trackingStart(event, today);
}

void stopTracking(Event &event)
{
    event.payments = PaymentState();
    event.history.clear();
}
