#ifndef PAYVANE_TESTS_SCHEDULEBUILDERS_H
#define PAYVANE_TESTS_SCHEDULEBUILDERS_H

#include "event.h"

#include <QDate>

#include <initializer_list>

// Builders for the schedules the tests use. Weekdays and months are given as
// lists of 1-based numbers (1 = Monday, 1 = January). Every bill is called
// "Bill" so that the rules which want a description leave it alone.
namespace ScheduleBuilders {

inline Event weekly(std::initializer_list<int> weekdays)
{
    Event e;
    e.name = QStringLiteral("Bill");
    e.schedule = Event::ScheduleWeekly;
    for (const int w : weekdays)
        e.weekdays[std::size_t(w - 1)] = true;
    return e;
}

inline Event monthly(int ordinal, bool byDay, std::initializer_list<int> weekdays = {})
{
    Event e = weekly(weekdays);
    e.schedule = Event::ScheduleMonthly;
    e.byDay = byDay;
    e.ordinal = ordinal;
    return e;
}

inline Event yearly(int ordinal, bool byDay, std::initializer_list<int> weekdays, bool byYear,
                    std::initializer_list<int> months = {})
{
    Event e = monthly(ordinal, byDay, weekdays);
    e.schedule = Event::ScheduleYearly;
    e.byYear = byYear;
    for (const int m : months)
        e.months[std::size_t(m - 1)] = true;
    return e;
}

inline Event endingOn(Event e, QDate end)
{
    e.endMode = Event::EndOnDate;
    e.endDate = end;
    return e;
}

inline Event every(Event e, int n, QDate from)
{
    e.options.every = n;
    e.options.everyFrom = from;
    return e;
}

} // namespace ScheduleBuilders

#endif // PAYVANE_TESTS_SCHEDULEBUILDERS_H
