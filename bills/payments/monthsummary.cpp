#include "monthsummary.h"

#include "daynumber.h"
#include "occurrence.h"
#include "paymentstatus.h"

#include <algorithm>

namespace {

void addTo(qint64 &sum, qint64 amount, bool &overflowed)
{
    if (__builtin_add_overflow(sum, amount, &sum))
        overflowed = true;
}

// An owed date: what its payments so far came to is paid, the rest open.
void addOwed(MonthSummary::Sums &sums, qint64 amount, qint64 open)
{
    const qint64 left = amount <= 0 ? amount : std::clamp(open, qint64(0), amount);
    addTo(sums.paid, amount - left, sums.overflowed);
    addTo(sums.open, left, sums.overflowed);
}

} // namespace

MonthSummary::MonthSummary(const EventList &events, QDate today)
    : m_first(QDate(today.year(), today.month(), 1).addMonths(-MonthsBefore))
    , m_last(m_first.addMonths(MonthCount).addDays(-1))
    , m_dueDatesPerDay(std::size_t(daysBetween(m_first, m_last) + 1), 0)
{
    for (const Event *event : events) {
        if (event)
            addBill(*event);
    }
}

QDate MonthSummary::month(int index) const
{
    return m_first.addMonths(index);
}

int MonthSummary::monthIndex(QDate day) const
{
    return (day.year() - m_first.year()) * 12 + day.month() - m_first.month();
}

void MonthSummary::addBill(const Event &event)
{
    if (event.schedule == Event::ScheduleSingular) {
        const DueDate due = nextDueDate(event, m_first);
        if (due.date >= m_first && due.date <= m_last && !due.endsAfter(event))
            addDueDate(event, due.date, due.scheduled);
        return;
    }
    // The walk steps from the day before the first month on; it stops where
    // the schedule ends or yields no later date.
    DueDayWalk walk(event);
    const qint64 last = dayNumber(m_last);
    for (qint64 day = walk.after(dayNumber(m_first) - 1); day != 0 && day <= last; day = walk.after(day)) {
        const DueDate due{dateOfDayNumber(day), dateOfDayNumber(walk.scheduled())};
        if (due.endsAfter(event))
            break;
        addDueDate(event, due.date, due.scheduled);
    }
}

void MonthSummary::addDueDate(const Event &event, QDate due, QDate scheduled)
{
    ++m_dueDatesPerDay[std::size_t(daysBetween(m_first, due))];
    if (event.amount.isNull())
        return;
    std::vector<Sums> &months = m_sums[event.amount.currency()];
    if (months.empty())
        months.resize(MonthCount);
    Sums &sums = months[std::size_t(monthIndex(due))];
    const qint64 amount = event.amount.minorUnits();
    ++sums.dueDates;
    addTo(sums.due, amount, sums.overflowed);
    const PaymentState &payments = event.payments;
    if (!payments.isTracking() || due < payments.trackedSince)
        addTo(sums.notTracked, amount, sums.overflowed);
    else if (payments.paidThrough.isValid() && scheduled <= payments.paidThrough)
        addTo(sums.paid, amount, sums.overflowed);
    else
        addOwed(sums, amount, openAmount(event, scheduled).minorUnits());
}

QStringList MonthSummary::currencies() const
{
    QStringList codes = m_sums.keys();
    std::sort(codes.begin(), codes.end());
    return codes;
}

MonthSummary::Sums MonthSummary::sums(const QString &currency, int month) const
{
    const auto it = m_sums.constFind(currency);
    if (it == m_sums.cend() || month < 0 || month >= MonthCount)
        return {};
    return it->at(std::size_t(month));
}

int MonthSummary::dueDatesOn(QDate day) const
{
    if (day < m_first || day > m_last)
        return 0;
    return m_dueDatesPerDay[std::size_t(daysBetween(m_first, day))];
}
