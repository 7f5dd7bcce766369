#include "reminderrules.h"

#include "daynumber.h"
#include "event.h"
#include "longdatetexts.h"
#include "occurrence.h"
#include "paymentstatus.h"

#include <algorithm>

namespace {

// Shown today already with "once a day", or snoozed for days that have not
// passed: the two limits every reminder keeps.
bool heldBack(const Event &event, QDate today)
{
    const QDate mark = reminderMark(event, today);
    if (event.showOnce && mark == today)
        return true;
    // A null mark counts as day 0, so a bill never shown passes.
    return daysBetween(mark, today) < event.notifyAgainDays;
}

// The due date to come that a bill's reminders speak of on `today`: its next
// due date, a tracking bill's next owed one; null when it has none, has
// ended, or is overdue or finished. A bill without an end may answer a date
// before today (a singular bill's own date), as the rule always took it.
QDate upcomingReminderDate(const Event &event, QDate today)
{
    DueDate due;
    if (event.payments.isTracking()) {
        const PaymentStatus status = paymentStatus(event, today);
        if (status.state != PaymentStatus::Upcoming)
            return {};
        due = status.unpaid;
    } else {
        due = nextDueDate(event, today);
    }
    // A schedule without any due date has nothing to remind of.
    if (due.date.isNull())
        return {};
    const qint64 days = daysBetween(today, due.date);
    if (event.endMode != Event::EndNever && (days < 0 || due.endsAfter(event)))
        return {};
    return due.date;
}

// A "before" reminder whose day for `due` (`days` from today) has come and
// that has not fired for it yet.
bool beforeReminderHasCome(const ExtraReminder &reminder, QDate due, qint64 days)
{
    return !reminder.isAfter() && due.isValid() && days >= 0 && days <= reminder.days && reminder.firedFor != due;
}

// An "after" reminder whose day has come for the bill's oldest unpaid date
// and that has not fired for it yet. Once fired it waits until that date is
// paid and a later unpaid date becomes the oldest.
bool afterReminderHasCome(const ExtraReminder &reminder, const PaymentStatus &status)
{
    return reminder.isAfter() && status.isOverdue() && status.daysOverdue >= reminder.days
           && reminder.firedFor != status.unpaid.date;
}

// The bill's name, and its amount in brackets when it has one.
QString nameWithAmount(const Event &event, const QLocale &locale)
{
    if (event.amount.isNull())
        return event.name;
    return event.name + QStringLiteral(" (") + event.amount.toString(locale) + QLatin1Char(')');
}

} // namespace

QDate reminderMark(const Event &event, QDate today)
{
    return daysBetween(today, event.lastNotified) > 0 ? today : event.lastNotified;
}

bool settleFutureReminderMarks(const QList<Event *> &events, QDate today)
{
    bool settled = false;
    for (Event *event : events) {
        const QDate mark = reminderMark(*event, today);
        if (mark != event->lastNotified) {
            event->lastNotified = mark;
            settled = true;
        }
    }
    return settled;
}

ReminderKind reminderKind(const Event &event, QDate today)
{
    if (isOverdueReminderDue(event, today))
        return ReminderKind::Overdue;
    if (isUpcomingReminderDue(event, today))
        return ReminderKind::Upcoming;
    return ReminderKind::None;
}

bool anyReminderDue(const QList<Event *> &events, QDate today)
{
    return std::any_of(events.cbegin(), events.cend(),
                       [today](const Event *event) { return reminderKind(*event, today) != ReminderKind::None; });
}

bool isUpcomingReminderDue(const Event &event, QDate today)
{
    if (!event.notify)
        return false;
    const QDate due = upcomingReminderDate(event, today);
    if (due.isNull())
        return false;
    const qint64 days = daysBetween(today, due);
    if (days <= event.notifyDays && !heldBack(event, today))
        return true;
    return std::any_of(event.extraReminders.cbegin(), event.extraReminders.cend(),
                       [&](const ExtraReminder &reminder) { return beforeReminderHasCome(reminder, due, days); });
}

bool isOverdueReminderDue(const Event &event, QDate today)
{
    if (!event.notify || !event.payments.isTracking())
        return false;
    const bool anyAfter = std::any_of(event.extraReminders.cbegin(), event.extraReminders.cend(),
                                      [](const ExtraReminder &reminder) { return reminder.isAfter(); });
    const bool held = heldBack(event, today);
    // The payment status is the costly part: asked only when it can matter.
    if (held && !anyAfter)
        return false;
    const PaymentStatus status = paymentStatus(event, today);
    if (!status.isOverdue())
        return false;
    if (!held)
        return true;
    return std::any_of(event.extraReminders.cbegin(), event.extraReminders.cend(),
                       [&](const ExtraReminder &reminder) { return afterReminderHasCome(reminder, status); });
}

QList<ReminderOffset> reminderOffsets(const Event &event)
{
    QList<ReminderOffset> offsets;
    if (!event.notify)
        return offsets;
    offsets.append({-qint64(event.notifyDays), false});
    for (const ExtraReminder &reminder : event.extraReminders)
        offsets.append({reminder.isAfter() ? qint64(reminder.days) : -qint64(reminder.days), reminder.isAfter()});
    std::stable_sort(offsets.begin(), offsets.end(),
                     [](const ReminderOffset &a, const ReminderOffset &b) {
                         return a.day != b.day ? a.day < b.day : !a.afterUnpaid && b.afterUnpaid;
                     });
    return offsets;
}

bool markRemindersFired(Event &event, QDate today)
{
    if (event.extraReminders.isEmpty() || !event.notify)
        return false;
    const QDate due = upcomingReminderDate(event, today);
    const qint64 days = due.isNull() ? -1 : daysBetween(today, due);
    bool anyAfter = false;
    bool marked = false;
    for (ExtraReminder &reminder : event.extraReminders) {
        anyAfter = anyAfter || reminder.isAfter();
        if (beforeReminderHasCome(reminder, due, days)) {
            reminder.firedFor = due;
            marked = true;
        }
    }
    if (!anyAfter || !event.payments.isTracking())
        return marked;
    const PaymentStatus status = paymentStatus(event, today);
    for (ExtraReminder &reminder : event.extraReminders) {
        if (afterReminderHasCome(reminder, status)) {
            reminder.firedFor = status.unpaid.date;
            marked = true;
        }
    }
    return marked;
}

QString reminderSentence(const Event &event, QDate today, const QLocale &locale)
{
    if (event.payments.isTracking()) {
        const PaymentStatus status = paymentStatus(event, today);
        if (status.isOverdue())
            return overdueSentence(event, status, locale);
        if (status.state == PaymentStatus::Upcoming)
            return upcomingSentence(event, status.unpaid.date, status.daysLeft, locale);
    }
    const QDate next = nextOccurrence(event, today);
    return upcomingSentence(event, next, daysBetween(today, next), locale);
}

QString upcomingSentence(const Event &event, QDate due, qint64 days, const QLocale &locale)
{
    QString sentence = nameWithAmount(event, locale);
    sentence += QStringLiteral(" is due on ");
    sentence += longDateText(due, locale);
    if (days == 1) {
        sentence += QStringLiteral(" there is 1 day to go.");
    } else {
        sentence += QStringLiteral(" there are ");
        sentence += QString::number(days);
        sentence += QStringLiteral(" days to go.");
    }
    return sentence;
}

QString overdueSentence(const Event &event, const PaymentStatus &status, const QLocale &locale)
{
    if (!status.isOverdue())
        return QString();
    QString sentence = nameWithAmount(event, locale);
    sentence += QStringLiteral(" was due on ");
    sentence += longDateText(status.unpaid.date, locale);
    sentence += status.daysOverdue == 1 ? QStringLiteral(", 1 day ago.")
                                        : QStringLiteral(", %1 days ago.").arg(status.daysOverdue);
    if (status.unpaidCount > 1) {
        sentence += QStringLiteral(" %1 due dates are unpaid").arg(status.unpaidCount);
        const std::optional<Money> total = event.amount.times(status.unpaidCount);
        if (total)
            sentence += QStringLiteral(", ") + total->toString(locale) + QStringLiteral(" in all");
        sentence += QLatin1Char('.');
    }
    return sentence;
}
