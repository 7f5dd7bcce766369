#ifndef PAYVANE_TESTS_REFERENCESCHEDULE_H
#define PAYVANE_TESTS_REFERENCESCHEDULE_H

#include "event.h"

#include <QDate>

#include <algorithm>
#include <optional>

// The due dates of a bill with its schedule options, found the slow, obvious
// way: day by day with QDate, asking of each day whether the schedule names
// it. An independent oracle for the engine; for values the editor stores.
namespace referenceschedule {

inline bool weekdayOn(const Event &e, int w) { return e.weekdays[std::size_t(w - 1)]; }
inline bool monthOn(const Event &e, int m) { return e.months[std::size_t(m - 1)]; }

// Periods are counted: weeks from a Monday, months as year * 12 + month - 1.
inline qint64 weekOf(QDate d)
{
    const qint64 days = d.toJulianDay() - QDate(2001, 1, 1).toJulianDay(); // a Monday
    return days >= 0 ? days / 7 : (days - 6) / 7;
}
inline qint64 monthOf(QDate d) { return qint64(d.year()) * 12 + d.month() - 1; }

inline int every(const Event &e)
{
    const ScheduleOptions &o = e.options;
    return o.every > 1 && o.everyFrom.isValid() ? o.every : 1;
}

inline bool periodHoldsDates(const Event &e, qint64 period)
{
    if (every(e) == 1)
        return true;
    const QDate start = e.options.everyFrom;
    const qint64 first = e.schedule == Event::ScheduleWeekly ? weekOf(start)
                         : e.schedule == Event::ScheduleMonthly ? monthOf(start)
                                                                : start.year();
    return period >= first && (period - first) % every(e) == 0;
}

inline QDate firstWeekdayFrom(QDate d, int w)
{
    while (d.dayOfWeek() != w)
        d = d.addDays(1);
    return d;
}

inline QDate lastWeekdayUpTo(QDate d, int w)
{
    while (d.dayOfWeek() != w)
        d = d.addDays(-1);
    return d;
}

inline QDate notBefore(QDate d, QDate first) { return d < first ? first : d; }

// The days a month (of a monthly bill) names: "Day" N and the N-th weekdays.
inline bool monthNames(const Event &e, int year, int month, QDate day)
{
    const QDate first(year, month, 1);
    const QDate last = first.addDays(first.daysInMonth() - 1);
    const bool fromEnd = e.options.fromEnd > 0;
    const int n = fromEnd ? e.options.fromEnd : e.ordinal;
    if (e.byDay) {
        QDate d;
        if (fromEnd)
            d = notBefore(last.addDays(-(n - 1)), first);
        else if (e.options.shortMonths == ScheduleOptions::LastDay)
            d = QDate(year, month, std::min(n, first.daysInMonth()));
        else
            d = first.addDays(n - 1);
        if (d == day)
            return true;
    }
    for (int w = 1; w <= 7 && n >= 1 && n <= 5; ++w) {
        if (!weekdayOn(e, w))
            continue;
        const QDate d = fromEnd ? lastWeekdayUpTo(last, w).addDays(-7 * (n - 1))
                                : firstWeekdayFrom(first, w).addDays(7 * (n - 1));
        if (d.month() == month && d == day)
            return true;
    }
    return false;
}

// The days a year (of a yearly bill) names.
inline bool yearNames(const Event &e, int year, QDate day)
{
    const QDate jan1(year, 1, 1);
    const QDate dec31(year, 12, 31);
    const bool fromEnd = e.options.fromEnd > 0;
    const int n = fromEnd ? e.options.fromEnd : e.ordinal;
    if (e.byDay) {
        if (e.byYear && (fromEnd ? notBefore(dec31.addDays(-(n - 1)), jan1) : jan1.addDays(n - 1)) == day)
            return true;
        for (int m = 1; m <= 12; ++m) {
            if (!monthOn(e, m))
                continue;
            const QDate first(year, m, 1);
            const QDate d = fromEnd ? notBefore(first.addDays(first.daysInMonth() - n), first)
                                    : QDate(year, m, std::min(n, first.daysInMonth()));
            if (d == day)
                return true;
        }
    }
    for (int w = 1; w <= 7; ++w) {
        if (!weekdayOn(e, w))
            continue;
        if (e.byYear && (fromEnd ? lastWeekdayUpTo(dec31, w).addDays(-7 * (n - 1))
                                 : firstWeekdayFrom(jan1, w).addDays(7 * (n - 1))) == day)
            return true;
        for (int m = 1; m <= 12; ++m) {
            if (!monthOn(e, m))
                continue;
            const QDate first(year, m, 1);
            if (fromEnd) {
                const QDate d = lastWeekdayUpTo(first.addDays(first.daysInMonth() - 1), w).addDays(-7 * (n - 1));
                if (n >= 1 && n <= 5 && d.month() == m && d == day)
                    return true;
            } else if (firstWeekdayFrom(first, w).addDays(7 * (n - 1)) == day) {
                return true;
            }
        }
    }
    return false;
}

// Whether the schedule, looked at from `from`, names `day`: a week, month or
// year at or after the one of `from` that holds due dates names it (a month's
// "Day" N may run into the next month, a year's weekday into the next year).
inline bool scheduledOn(const Event &e, QDate day, QDate from)
{
    switch (e.schedule) {
    case Event::ScheduleWeekly:
        return weekdayOn(e, day.dayOfWeek()) && periodHoldsDates(e, weekOf(day));
    case Event::ScheduleMonthly:
        for (int back = 0; back <= 1; ++back) {
            const QDate month = QDate(day.year(), day.month(), 1).addMonths(-back);
            if (monthOf(month) >= monthOf(from) && periodHoldsDates(e, monthOf(month))
                && monthNames(e, month.year(), month.month(), day))
                return true;
        }
        return false;
    case Event::ScheduleYearly:
        for (int back = 0; back <= 1; ++back) {
            const int year = day.year() - back;
            if (year >= from.year() && periodHoldsDates(e, year) && yearNames(e, year, day))
                return true;
        }
        return false;
    default:
        return false;
    }
}

inline QDate moved(const Event &e, QDate d)
{
    const int w = d.dayOfWeek();
    if (w < 6)
        return d;
    if (e.options.weekends == ScheduleOptions::FridayBefore)
        return d.addDays(5 - w);
    if (e.options.weekends == ScheduleOptions::MondayAfter)
        return d.addDays(8 - w);
    return d;
}

struct Due
{
    QDate date;
    QDate scheduled;
};

inline bool movesWeekends(const Event &e)
{
    return e.options.weekends == ScheduleOptions::FridayBefore || e.options.weekends == ScheduleOptions::MondayAfter;
}

// The first day in [from, before) that the schedule names, looked at from
// `from`; null when there is none.
inline QDate scheduledFrom(const Event &e, QDate from, QDate before)
{
    for (QDate d = from; d < before; d = d.addDays(1)) {
        if (scheduledOn(e, d, from))
            return d;
    }
    return QDate();
}

// The first due date on or after `from`; none within `limit` days. Only a
// date on a weekend moves. A Saturday or Sunday up to two days before `from`
// may move onto or past it (Monday after), so the schedule is looked at from
// there for those two days. From `from` on it is looked at from `from`
// itself, as the plain rule does: a day that only an earlier start names
// (the 29th of a 28-day February, run over into March) does not come back.
// When a date moves before `from`, the schedule's next date is looked for
// from the day after it.
inline std::optional<Due> next(const Event &e, QDate from, int limit = 40000)
{
    if (movesWeekends(e)) {
        for (QDate d = scheduledFrom(e, from.addDays(-2), from); d.isValid();
             d = scheduledFrom(e, d.addDays(1), from)) {
            if (d.dayOfWeek() >= 6 && moved(e, d) >= from)
                return Due{moved(e, d), d};
        }
    }
    const QDate end = from.addDays(limit);
    for (QDate d = scheduledFrom(e, from, end); d.isValid(); d = scheduledFrom(e, d.addDays(1), end)) {
        if (moved(e, d) >= from)
            return Due{moved(e, d), d};
    }
    return std::nullopt;
}

} // namespace referenceschedule

#endif // PAYVANE_TESTS_REFERENCESCHEDULE_H
