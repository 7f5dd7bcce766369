#include "billtotals.h"

#include "daynumber.h"
#include "occurrence.h"
#include "paymentstatus.h"

#include <QtNumeric>

#include <algorithm>
#include <limits>

namespace {

// The due dates of a bill from `first` to `last` (both included) that are
// not past its end; at most one per day, so the walk is short.
int dueDatesWithin(const Event &event, QDate first, QDate last)
{
    if (event.schedule == Event::ScheduleSingular) {
        const DueDate due{event.eventDate, event.eventDate};
        return due.date.isValid() && due.date >= first && due.date <= last && !due.endsAfter(event) ? 1 : 0;
    }
    DueDayWalk walk(event);
    const qint64 lastDay = dayNumber(last);
    int count = 0;
    for (qint64 day = walk.after(dayNumber(first) - 1); day != 0 && day <= lastDay; day = walk.after(day)) {
        if (DueDate{dateOfDayNumber(day), dateOfDayNumber(walk.scheduled())}.endsAfter(event))
            break;
        ++count;
    }
    return count;
}

QString billCount(int bills)
{
    return bills == 1 ? QStringLiteral("1 bill") : QStringLiteral("%1 bills").arg(bills);
}

} // namespace

BillTotals::BillTotals(const EventList &events, QDate today)
{
    const QDate windowEnd = addDays(today, DueWithinDays);
    for (const Event *event : events) {
        const PaymentStatus status = paymentStatus(*event, today);
        int dueSoon = 0;
        switch (status.state) {
        case PaymentStatus::NotTracked:
            dueSoon = dueDatesWithin(*event, today, windowEnd);
            break;
        case PaymentStatus::Upcoming:
            // Every due date from the first owed one on is owed.
            dueSoon = dueDatesWithin(*event, status.unpaid.date, windowEnd);
            break;
        case PaymentStatus::Overdue:
            dueSoon = dueDatesWithin(*event, today, windowEnd);
            add(m_overdue, expectedAmount(*event), status.unpaidCount, event->amountVaries);
            break;
        case PaymentStatus::Finished:
        case PaymentStatus::NoDueDate:
            break;
        }
        if (dueSoon > 0)
            add(m_dueSoon, expectedAmount(*event), dueSoon, event->amountVaries);
    }
    const auto byCurrency = [](const Total &a, const Total &b) {
        if (a.currency.isEmpty() != b.currency.isEmpty())
            return b.currency.isEmpty();
        return a.currency < b.currency;
    };
    std::sort(m_dueSoon.begin(), m_dueSoon.end(), byCurrency);
    std::sort(m_overdue.begin(), m_overdue.end(), byCurrency);
}

void BillTotals::add(QList<Total> &totals, const Money &amount, int dueDates, bool estimate)
{
    const QString currency = amount.currency();
    auto total = std::find_if(totals.begin(), totals.end(),
                              [&currency](const Total &t) { return t.currency == currency; });
    if (total == totals.end()) {
        Total fresh;
        fresh.currency = currency;
        if (!amount.isNull())
            fresh.sum = Money(0, currency);
        totals.append(fresh);
        total = totals.end() - 1;
    }
    ++total->bills;
    int count = 0;
    total->dueDates = qAddOverflow(total->dueDates, dueDates, &count) ? std::numeric_limits<int>::max() : count;
    if (amount.isNull() || total->overflowed)
        return;
    // Exact or none: a sum past the range is never wrapped or rounded.
    std::optional<Money> sum;
    if (const std::optional<Money> part = amount.times(dueDates))
        sum = total->sum.plus(*part);
    std::optional<Money> estimated = total->estimated.isNull() ? Money(0, currency) : total->estimated;
    if (estimate && estimated) {
        const std::optional<Money> part = amount.times(dueDates);
        estimated = part ? estimated->plus(*part) : std::nullopt;
    }
    if (sum && estimated) {
        total->sum = *sum;
        if (estimate)
            total->estimated = *estimated;
    } else {
        total->overflowed = true;
        total->sum = Money();
        total->estimated = Money();
    }
}

QString BillTotals::text(const QList<Total> &totals, const QString &start, const QLocale &locale)
{
    // The locale's own currency first, then the others as sorted.
    QList<Total> ordered = totals;
    const QString own = locale.currencySymbol(QLocale::CurrencyIsoCode);
    std::stable_partition(ordered.begin(), ordered.end(), [&own](const Total &t) { return t.currency == own; });
    QStringList parts;
    for (const Total &total : std::as_const(ordered)) {
        if (total.currency.isEmpty())
            parts << billCount(total.bills) + QStringLiteral(" without an amount");
        else if (total.overflowed)
            parts << QStringLiteral("%1 too large to add up (%2)").arg(total.currency, billCount(total.bills));
        else if (!total.estimated.isNull())
            parts << QStringLiteral("%1 (%2, %3 of it estimated)")
                         .arg(total.sum.toString(locale), billCount(total.bills), total.estimated.toString(locale));
        else
            parts << QStringLiteral("%1 (%2)").arg(total.sum.toString(locale), billCount(total.bills));
    }
    return start + parts.join(QStringLiteral(", ")) + QLatin1Char('.');
}

QString BillTotals::dueSoonText(const QLocale &locale) const
{
    if (m_dueSoon.isEmpty())
        return QStringLiteral("Nothing is due in the next %1 days.").arg(DueWithinDays);
    return text(m_dueSoon, QStringLiteral("Due in the next %1 days: ").arg(DueWithinDays), locale);
}

QString BillTotals::overdueText(const QLocale &locale) const
{
    if (m_overdue.isEmpty())
        return QStringLiteral("Nothing is overdue.");
    return text(m_overdue, QStringLiteral("Overdue: "), locale);
}

bool BillTotals::anyAmount(const EventList &events)
{
    return std::any_of(events.cbegin(), events.cend(), [](const Event *event) { return !event->amount.isNull(); });
}
