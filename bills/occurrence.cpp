#include "occurrence.h"

#include "daynumber.h"
#include "event.h"

#include <QDate>

#include <algorithm>
#include <climits>
#include <vector>

// The engine works on day numbers (Julian Day Numbers, 0 for the null date)
// with its own proleptic Gregorian arithmetic: it is called for every bill on
// every redraw, and counting to a far end date walks many occurrences.

namespace {

// The offset of a monthly or yearly bill without any candidate, and the
// starting value of every minimum.
constexpr qint64 NoCandidateOffset = 32000;

// Every schedule repeats with the Gregorian calendar: 400 years are
// 146,097 days, a whole number of weeks.
constexpr qint64 GregorianCycleDays = 146097;
constexpr qint64 WeekDays = 7;

// A day number meaning "no date" (the null date).
constexpr qint64 NoDay = 0;

// A monthly N-th weekday search gives up after this many months; a fifth
// weekday turns up within three.
constexpr int MaxMonthsSearched = 24;

constexpr qint64 UnixEpochDay = 2440588; // 1 January 1970

struct CivilDate
{
    qint64 year;
    int month;
    int day;
};

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : (a - b + 1) / b;
}

// Civil date of a day number (Hinnant's days-to-civil, moved to day numbers).
CivilDate civilFromDay(qint64 day)
{
    const qint64 z = day - UnixEpochDay + 719468;
    const qint64 era = floorDiv(z, GregorianCycleDays);
    const qint64 doe = z - era * GregorianCycleDays;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

qint64 dayFromCivil(qint64 year, int month, int day)
{
    const qint64 y = month <= 2 ? year - 1 : year;
    const qint64 era = floorDiv(y, 400);
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * GregorianCycleDays + doe - 719468 + UnixEpochDay;
}

bool isLeapYear(qint64 year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(qint64 year, int month)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

int daysInYear(qint64 year)
{
    return isLeapYear(year) ? 366 : 365;
}

// 1 = Monday ... 7 = Sunday; day 0 was a Monday.
int isoWeekday(qint64 day)
{
    return int(day - floorDiv(day, WeekDays) * WeekDays) + 1;
}

// The first day on or after `day` that falls on `weekday`.
qint64 firstWeekdayOnOrAfter(qint64 day, int weekday)
{
    return day + (weekday - isoWeekday(day) + 7) % 7;
}

bool weekdaySelected(const Event &event, int weekday)
{
    return event.weekdays[std::size_t(weekday - 1)];
}

// ---- weekly

qint64 nextWeekly(const Event &event, qint64 from)
{
    const int first = isoWeekday(from);
    for (int i = 0; i < 7; ++i) {
        if (weekdaySelected(event, (first - 1 + i) % 7 + 1))
            return from + i;
    }
    return NoDay;
}

// ---- monthly

// "Day" N of the month: counted in days from the month of `from`, so a day
// the month lacks runs over into the next month (N = 31 from 10 April gives
// 1 May).
qint64 monthlyDayOffset(qint64 ordinal, const CivilDate &from)
{
    const int dayOfMonth = from.day;
    if (ordinal < dayOfMonth)
        return daysInMonth(from.year, from.month) + ordinal - dayOfMonth;
    return ordinal - dayOfMonth;
}

// The N-th `weekday` of a month, on or after `from`; months without an N-th
// such weekday are skipped. N outside 1..5 never exists.
qint64 monthlyWeekdayOnOrAfter(qint64 from, const CivilDate &civil, int weekday, qint64 ordinal)
{
    if (ordinal < 1 || ordinal > 5)
        return NoDay;
    qint64 year = civil.year;
    int month = civil.month;
    qint64 monthStart = from - (civil.day - 1);
    for (int i = 0; i < MaxMonthsSearched; ++i) {
        const int length = daysInMonth(year, month);
        const qint64 candidate = firstWeekdayOnOrAfter(monthStart, weekday) + 7 * (ordinal - 1);
        if (candidate < monthStart + length && candidate >= from)
            return candidate;
        monthStart += length;
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    return NoDay;
}

qint64 nextMonthly(const Event &event, qint64 from)
{
    const CivilDate civil = civilFromDay(from);
    const qint64 ordinal = event.ordinal;
    qint64 best = NoCandidateOffset;
    if (event.byDay)
        best = monthlyDayOffset(ordinal, civil);
    for (int weekday = 1; weekday <= 7; ++weekday) {
        if (!weekdaySelected(event, weekday))
            continue;
        const qint64 candidate = monthlyWeekdayOnOrAfter(from, civil, weekday, ordinal);
        if (candidate != NoDay)
            best = std::min(best, candidate - from);
    }
    return from + best;
}

// ---- yearly

// Day N of month M in a year. A month without day N (30 February, 31 April)
// gives its last day; N below 1 gives no day.
qint64 dayOfMonthClamped(qint64 year, int month, qint64 ordinal)
{
    const int length = daysInMonth(year, month);
    return dayFromCivil(year, month, int(std::min<qint64>(ordinal, length)));
}

qint64 yearlyDayOffset(const Event &event, qint64 from, const CivilDate &civil)
{
    const qint64 ordinal = event.ordinal;
    qint64 offset = NoCandidateOffset;
    if (event.byYear) {
        const qint64 dayOfYear = from - dayFromCivil(civil.year, 1, 1) + 1;
        if (ordinal < dayOfYear)
            offset = daysInYear(civil.year) + ordinal - dayOfYear;
        else
            offset = ordinal - dayOfYear;
    }
    if (ordinal < 1)
        return offset;
    for (int month = 1; month <= 12; ++month) {
        if (!event.months[std::size_t(month - 1)])
            continue;
        qint64 candidate = dayOfMonthClamped(civil.year, month, ordinal);
        if (candidate < from)
            candidate = dayOfMonthClamped(civil.year + 1, month, ordinal);
        offset = std::min(offset, candidate - from);
    }
    return offset;
}

// The N-th `weekday` counted from `start`; not kept inside any month.
qint64 nthWeekdayFrom(qint64 start, int weekday, qint64 ordinal)
{
    return firstWeekdayOnOrAfter(start, weekday) + 7 * (ordinal - 1);
}

qint64 yearlyWeekdayOffset(const Event &event, qint64 from, const CivilDate &civil, int weekday)
{
    const qint64 ordinal = event.ordinal;
    qint64 offset = NoCandidateOffset;
    if (event.byYear) {
        qint64 candidate = nthWeekdayFrom(dayFromCivil(civil.year, 1, 1), weekday, ordinal);
        if (candidate < from)
            candidate = nthWeekdayFrom(dayFromCivil(civil.year + 1, 1, 1), weekday, ordinal);
        offset = candidate - from;
    }
    for (int month = 1; month <= 12; ++month) {
        if (!event.months[std::size_t(month - 1)])
            continue;
        qint64 candidate = nthWeekdayFrom(dayFromCivil(civil.year, month, 1), weekday, ordinal);
        if (candidate < from)
            candidate = nthWeekdayFrom(dayFromCivil(civil.year + 1, month, 1), weekday, ordinal);
        offset = std::min(offset, candidate - from);
    }
    return offset;
}

qint64 nextYearly(const Event &event, qint64 from)
{
    const CivilDate civil = civilFromDay(from);
    qint64 best = event.byDay ? yearlyDayOffset(event, from, civil) : NoCandidateOffset;
    for (int weekday = 1; weekday <= 7; ++weekday) {
        if (weekdaySelected(event, weekday))
            best = std::min(best, yearlyWeekdayOffset(event, from, civil, weekday));
    }
    return from + best;
}

// The next due day of a repeating bill on or after `from`; NoDay when none.
qint64 nextRepeatingDay(const Event &event, qint64 from)
{
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        return nextWeekly(event, from);
    case Event::ScheduleMonthly:
        return nextMonthly(event, from);
    case Event::ScheduleYearly:
        return nextYearly(event, from);
    default:
        return NoDay;
    }
}

// ---- counting

// The due day after `day`, or NoDay when the schedule yields no later day
// (no date at all, or one that does not move forward): the count stops there.
qint64 followingDay(const Event &event, qint64 day)
{
    const qint64 next = nextRepeatingDay(event, day + 1);
    return next == NoDay || next <= day ? NoDay : next;
}

int saturated(qint64 count)
{
    return int(std::min<qint64>(count, INT_MAX));
}

// Due days strictly after `today` up to and including `end`. A schedule
// repeats with its period, so once the walk comes back to a due day shifted
// by exactly one period, the rest is whole periods plus a part of one
// already walked.
qint64 countDueDays(const Event &event, qint64 today, qint64 end)
{
    const qint64 period = event.schedule == Event::ScheduleWeekly ? WeekDays : GregorianCycleDays;
    constexpr int MaxPhaseAttempts = 3;

    qint64 count = 0;
    qint64 day = today;
    int attempts = 0;
    std::vector<qint64> offsets; // due days of one period, relative to its first
    for (;;) {
        const qint64 first = followingDay(event, day);
        if (first == NoDay || first > end)
            return count;
        if (attempts == MaxPhaseAttempts || end - first < 2 * period) {
            ++count;
            day = first;
            continue;
        }
        ++attempts;

        offsets.assign(1, 0);
        qint64 last = first;
        qint64 next = followingDay(event, last);
        while (next != NoDay && next < first + period) {
            offsets.push_back(next - first);
            last = next;
            next = followingDay(event, last);
        }
        const qint64 perPeriod = qint64(offsets.size());
        if (next == NoDay) // the schedule ended within the period, before `end`
            return count + perPeriod;
        if (next != first + period) {
            // Not yet in step with the period; count this stretch and retry.
            count += perPeriod;
            day = last;
            continue;
        }
        const qint64 periods = (end - first) / period;
        const qint64 rest = (end - first) % period;
        const auto inRest = std::upper_bound(offsets.cbegin(), offsets.cend(), rest) - offsets.cbegin();
        return count + periods * perPeriod + inRest;
    }
}

} // namespace

QDate nextOccurrence(const Event &event, QDate from)
{
    if (event.schedule == Event::ScheduleSingular)
        return event.eventDate;
    return dateOfDayNumber(nextRepeatingDay(event, dayNumber(from)));
}

int remainingOccurrences(const Event &event, QDate today)
{
    if (event.endMode == Event::EndNever)
        return -1;
    if (event.schedule == Event::ScheduleSingular)
        return daysBetween(today, event.eventDate) > 0 ? 1 : 0;
    return saturated(countDueDays(event, dayNumber(today), dayNumber(event.endDate)));
}

int remainingOccurrences(const Event &event)
{
    return remainingOccurrences(event, QDate::currentDate());
}

QString ordinalString(int n)
{
    QString suffix = QStringLiteral("th");
    const int lastTwo = n % 100;
    const int last = n % 10;
    if (lastTwo == 11 || lastTwo == 12 || lastTwo == 13)
        suffix = QStringLiteral("th");
    else if (last == 2)
        suffix = QStringLiteral("nd");
    else if (last == 3)
        suffix = QStringLiteral("rd");
    else if (last == 1)
        suffix = QStringLiteral("st");
    return QString::number(n) + suffix;
}
