#include "paymentstatus.h"

#include "daynumber.h"
#include "event.h"

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

} // namespace

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
    startTracking(event, today);
    event.payments.paidThrough = due.scheduled;
    event.payments.paidOn = today;
    return due;
}

void startTracking(Event &event, QDate today)
{
    if (!event.payments.isTracking())
        event.payments.trackedSince = trackingStart(event, today);
}

void stopTracking(Event &event)
{
    event.payments = PaymentState();
}
