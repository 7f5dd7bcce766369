#ifndef PAYVANE_TESTS_REFERENCENEXTOCCURRENCE_H
#define PAYVANE_TESTS_REFERENCENEXTOCCURRENCE_H

#include "event.h"

#include <QDate>

#include <algorithm>

// The due-date rules written the slow, obvious way with QDate, step by step
// as a person would apply them: an independent oracle for the engine.
namespace reference {

constexpr qint64 Sentinel = 32000;

inline bool weekdayOn(const Event &e, int w) { return e.weekdays[std::size_t(w - 1)]; }

inline qint64 daysFrom(QDate a, QDate b) { return a.daysTo(b); }

inline QDate firstOnOrAfter(QDate d, int w)
{
    while (d.dayOfWeek() != w)
        d = d.addDays(1);
    return d;
}

inline QDate monthlyNthWeekday(QDate from, int w, int n)
{
    if (n < 1 || n > 5)
        return QDate();
    QDate month(from.year(), from.month(), 1);
    for (int i = 0; i < 48; ++i, month = month.addMonths(1)) {
        const QDate f = firstOnOrAfter(month, w);
        if (f.day() + 7 * (n - 1) <= f.daysInMonth()) {
            const QDate c = f.addDays(7 * (n - 1));
            if (c >= from)
                return c;
        }
    }
    return QDate();
}

// Day N of a month, or the month's last day when it is shorter.
inline QDate monthDay(int year, int month, int n)
{
    const QDate first(year, month, 1);
    return QDate(year, month, std::min(n, first.daysInMonth()));
}

inline QDate next(const Event &e, QDate from)
{
    const qint64 n = e.ordinal;
    switch (e.schedule) {
    case Event::ScheduleSingular:
        return e.eventDate;
    case Event::ScheduleWeekly:
        for (int i = 0; i < 7; ++i) {
            if (weekdayOn(e, from.addDays(i).dayOfWeek()))
                return from.addDays(i);
        }
        return QDate();
    case Event::ScheduleMonthly: {
        qint64 best = Sentinel;
        if (e.byDay)
            best = n < from.day() ? from.daysInMonth() + n - from.day() : n - from.day();
        for (int w = 1; w <= 7; ++w) {
            if (!weekdayOn(e, w))
                continue;
            const QDate c = monthlyNthWeekday(from, w, int(n));
            if (c.isValid())
                best = std::min(best, daysFrom(from, c));
        }
        return from.addDays(best);
    }
    case Event::ScheduleYearly: {
        qint64 best = Sentinel;
        if (e.byDay) {
            if (e.byYear)
                best = n < from.dayOfYear() ? from.daysInYear() + n - from.dayOfYear() : n - from.dayOfYear();
            for (int m = 1; m <= 12 && n >= 1; ++m) {
                if (!e.months[std::size_t(m - 1)])
                    continue;
                QDate d = monthDay(from.year(), m, int(n));
                if (d < from)
                    d = monthDay(from.year() + 1, m, int(n));
                best = std::min(best, daysFrom(from, d));
            }
        }
        for (int w = 1; w <= 7; ++w) {
            if (!weekdayOn(e, w))
                continue;
            qint64 o = Sentinel;
            auto nth = [&](int year, int month) {
                return firstOnOrAfter(QDate(year, month, 1), w).addDays(7 * (n - 1));
            };
            if (e.byYear) {
                QDate c = nth(from.year(), 1);
                if (c < from)
                    c = nth(from.year() + 1, 1);
                o = daysFrom(from, c);
            }
            for (int m = 1; m <= 12; ++m) {
                if (!e.months[std::size_t(m - 1)])
                    continue;
                QDate c = nth(from.year(), m);
                if (c < from)
                    c = nth(from.year() + 1, m);
                o = std::min(o, daysFrom(from, c));
            }
            best = std::min(best, o);
        }
        return from.addDays(best);
    }
    default:
        return QDate();
    }
}

} // namespace reference

#endif // PAYVANE_TESTS_REFERENCENEXTOCCURRENCE_H
