#ifndef PAYVANE_DAYNUMBER_H
#define PAYVANE_DAYNUMBER_H

#include <QDate>
#include <QtGlobal>

// Dates are counted as Julian Day Numbers, and a null date counts as day 0.
// QDate::daysTo() answers 0 whenever a date is null, and a null QDate never
// moves with addDays(), so all day arithmetic goes through these helpers.

// The day number of a date; 0 for a null date.
[[nodiscard]] inline qint64 dayNumber(QDate date)
{
    return date.isNull() ? 0 : date.toJulianDay();
}

// The date of a day number; the null date for day 0.
[[nodiscard]] inline QDate dateOfDayNumber(qint64 day)
{
    return day == 0 ? QDate() : QDate::fromJulianDay(day);
}

// The days from a to b: negative when b is earlier.
[[nodiscard]] inline qint64 daysBetween(QDate a, QDate b)
{
    return dayNumber(b) - dayNumber(a);
}

// The date k days after d (a null d counts as day 0).
[[nodiscard]] inline QDate addDays(QDate d, qint64 k)
{
    return dateOfDayNumber(dayNumber(d) + k);
}

#endif // PAYVANE_DAYNUMBER_H
