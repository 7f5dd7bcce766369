#include "holidayset.h"

#include <algorithm>
#include <atomic>

namespace {

// Every reader takes its own reference, so a set installed while another
// thread computes dates is freed only after that thread is done with it.
std::shared_ptr<const HolidaySet> &activeSet()
{
    static std::shared_ptr<const HolidaySet> set;
    return set;
}

// Whether a set is installed: without one, asking costs no lock (the
// engine asks for every schedule that moves dates).
std::atomic<bool> installed{false};

} // namespace

HolidaySet::HolidaySet(QList<Holiday> holidays)
{
    holidays.removeIf([](const Holiday &holiday) { return holiday.day < FirstDay || holiday.day > LastDay; });
    std::stable_sort(holidays.begin(), holidays.end(),
                     [](const Holiday &a, const Holiday &b) { return a.day < b.day; });
    const auto repeated = std::unique(holidays.begin(), holidays.end(),
                                      [](const Holiday &a, const Holiday &b) { return a.day == b.day; });
    holidays.erase(repeated, holidays.end());
    m_holidays = std::move(holidays);
    if (m_holidays.isEmpty())
        return;
    m_first = m_holidays.first().day;
    m_days.assign(std::size_t(m_holidays.last().day - m_first + 1), false);
    for (const Holiday &holiday : std::as_const(m_holidays))
        m_days[std::size_t(holiday.day - m_first)] = true;
}

bool HolidaySet::isBusinessDay(qint64 day) const
{
    // Day 0 was a Monday: 5 and 6 are Saturday and Sunday.
    const qint64 weekday = ((day % 7) + 7) % 7;
    return weekday < 5 && !isHoliday(day);
}

QString HolidaySet::nameOf(qint64 day) const
{
    if (!isHoliday(day))
        return {};
    const auto found = std::lower_bound(m_holidays.cbegin(), m_holidays.cend(), day,
                                        [](const Holiday &holiday, qint64 d) { return holiday.day < d; });
    return found->name;
}

std::shared_ptr<const HolidaySet> HolidaySet::active()
{
    if (!installed.load(std::memory_order_acquire))
        return nullptr;
    return std::atomic_load(&activeSet());
}

void HolidaySet::install(std::shared_ptr<const HolidaySet> holidays)
{
    if (holidays && holidays->isEmpty())
        holidays.reset();
    const bool any = holidays != nullptr;
    std::atomic_store(&activeSet(), std::move(holidays));
    installed.store(any, std::memory_order_release);
}
