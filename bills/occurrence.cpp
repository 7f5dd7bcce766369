#include "occurrence.h"

#include "daynumber.h"
#include "event.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <climits>
#include <limits>
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

// ---- monthly and yearly

// A monthly or yearly schedule is a set of candidate families ("Day" N of the
// month, the 2nd Tuesday of March, ...). In every period (a month, or a year)
// a family names one day; a start day takes this period's day unless it has
// already passed, and then the family's next day. The due date is the
// earliest of all families, or the start + 32000 days when none is nearer.
struct Candidate
{
    qint64 day;   // the family's day in this period
    qint64 later; // its day once `day` has passed
};

constexpr qint64 NoLater = std::numeric_limits<qint64>::max();

class CandidateSet
{
public:
    explicit CandidateSet(const Event &event) : m_event(event) { }

    // The due day on or after `from`. Cheapest when called with rising days.
    qint64 next(qint64 from);

private:
    void buildPeriod(qint64 day);
    void buildMonth(const CivilDate &civil, qint64 day);
    void buildYear(const CivilDate &civil);
    void add(qint64 day, qint64 later) { m_candidates[m_count++] = {day, later}; }

    const Event &m_event;
    qint64 m_start = 1; // the period held: [m_start, m_end)
    qint64 m_end = 0;
    // At most "Day" of the year, of 12 months, and 7 weekdays of the year
    // and of 12 months; a fixed array keeps the walk free of allocations.
    std::array<Candidate, 1 + 12 + 7 * 13> m_candidates;
    std::size_t m_count = 0;             // candidates held, sorted by day
    std::size_t m_passed = 0;            // candidates whose day lies before the last start
    qint64 m_earliestLater = NoLater;    // the earliest `later` of those
    qint64 m_lastFrom = 0;
};

qint64 CandidateSet::next(qint64 from)
{
    if (from < m_start || from >= m_end) {
        buildPeriod(from);
    } else if (from < m_lastFrom) {
        m_passed = 0;
        m_earliestLater = NoLater;
    }
    m_lastFrom = from;
    while (m_passed < m_count && m_candidates[m_passed].day < from) {
        m_earliestLater = std::min(m_earliestLater, m_candidates[m_passed].later);
        ++m_passed;
    }
    qint64 best = std::min(from + NoCandidateOffset, m_earliestLater);
    if (m_passed < m_count)
        best = std::min(best, m_candidates[m_passed].day);
    return best;
}

void CandidateSet::buildPeriod(qint64 day)
{
    m_count = 0;
    m_passed = 0;
    m_earliestLater = NoLater;
    const CivilDate civil = civilFromDay(day);
    if (m_event.schedule == Event::ScheduleMonthly)
        buildMonth(civil, day);
    else
        buildYear(civil);
    std::sort(m_candidates.begin(), m_candidates.begin() + m_count,
              [](const Candidate &a, const Candidate &b) { return a.day < b.day; });
}

// The N-th `weekday` within the month starting at `monthStart`; NoDay when the
// month has no such day (a fifth Friday of a month with four).
qint64 nthWeekdayInMonth(qint64 monthStart, int length, int weekday, qint64 ordinal)
{
    const qint64 day = firstWeekdayOnOrAfter(monthStart, weekday) + 7 * (ordinal - 1);
    return day < monthStart + length ? day : NoDay;
}

// Monthly "Day" N counts in days from the month's first day, so a day the
// month lacks runs over into the next month (N = 31 from 10 April gives
// 1 May). An N-th weekday is kept inside its month; months without one are
// skipped, and N outside 1..5 never occurs.
void CandidateSet::buildMonth(const CivilDate &civil, qint64 day)
{
    const qint64 ordinal = m_event.ordinal;
    const int length = daysInMonth(civil.year, civil.month);
    m_start = day - (civil.day - 1);
    m_end = m_start + length;
    if (m_event.byDay)
        add(m_start + ordinal - 1, m_end + ordinal - 1);
    if (ordinal < 1 || ordinal > 5)
        return;
    for (int weekday = 1; weekday <= 7; ++weekday) {
        if (!weekdaySelected(m_event, weekday))
            continue;
        qint64 later = NoDay;
        qint64 monthStart = m_end;
        qint64 year = civil.year;
        int month = civil.month;
        for (int i = 0; i < MaxMonthsSearched && later == NoDay; ++i) {
            if (++month > 12) {
                month = 1;
                ++year;
            }
            const int monthLength = daysInMonth(year, month);
            later = nthWeekdayInMonth(monthStart, monthLength, weekday, ordinal);
            monthStart += monthLength;
        }
        if (later == NoDay)
            continue;
        const qint64 here = nthWeekdayInMonth(m_start, length, weekday, ordinal);
        add(here == NoDay ? later : here, later);
    }
}

// Day N of month M. A month without day N (30 February, 31 April) gives its
// last day, in every year alike.
qint64 dayOfMonthClamped(qint64 monthStart, int length, qint64 ordinal)
{
    return monthStart + std::min<qint64>(ordinal, length) - 1;
}

// The N-th `weekday` counted from `start`; not kept inside any month (a fifth
// Monday of a February with four is the first Monday of March).
qint64 nthWeekdayFrom(qint64 start, int weekday, qint64 ordinal)
{
    return firstWeekdayOnOrAfter(start, weekday) + 7 * (ordinal - 1);
}

// Yearly "Day" N of the year counts in days from 1 January; of a month, it
// is a date of that month (N below 1 names none).
void CandidateSet::buildYear(const CivilDate &civil)
{
    const qint64 ordinal = m_event.ordinal;
    const qint64 year = civil.year;
    // First days of the months of this year and the next.
    std::array<qint64, 25> monthStarts;
    monthStarts[0] = dayFromCivil(year, 1, 1);
    for (int i = 0; i < 24; ++i)
        monthStarts[std::size_t(i + 1)] = monthStarts[std::size_t(i)] + daysInMonth(year + i / 12, i % 12 + 1);
    m_start = monthStarts[0];
    m_end = monthStarts[12];
    if (m_event.byDay) {
        if (m_event.byYear)
            add(m_start + ordinal - 1, m_end + ordinal - 1);
        for (int month = 1; month <= 12 && ordinal >= 1; ++month) {
            if (m_event.months[std::size_t(month - 1)])
                add(dayOfMonthClamped(monthStarts[std::size_t(month - 1)], daysInMonth(year, month), ordinal),
                    dayOfMonthClamped(monthStarts[std::size_t(month + 11)], daysInMonth(year + 1, month), ordinal));
        }
    }
    for (int weekday = 1; weekday <= 7; ++weekday) {
        if (!weekdaySelected(m_event, weekday))
            continue;
        if (m_event.byYear)
            add(nthWeekdayFrom(m_start, weekday, ordinal), nthWeekdayFrom(m_end, weekday, ordinal));
        for (int month = 1; month <= 12; ++month) {
            if (!m_event.months[std::size_t(month - 1)])
                continue;
            add(nthWeekdayFrom(monthStarts[std::size_t(month - 1)], weekday, ordinal),
                nthWeekdayFrom(monthStarts[std::size_t(month + 11)], weekday, ordinal));
        }
    }
}

// The due days of a repeating bill, asked for with rising start days.
class DueDays
{
public:
    explicit DueDays(const Event &event) : m_event(event), m_candidates(event) { }

    // The first due day on or after `from`; NoDay when there is none.
    qint64 onOrAfter(qint64 from)
    {
        switch (m_event.schedule) {
        case Event::ScheduleWeekly:
            return nextWeekly(m_event, from);
        case Event::ScheduleMonthly:
        case Event::ScheduleYearly:
            return m_candidates.next(from);
        default:
            return NoDay;
        }
    }

    // DueDayWalk::after().
    qint64 following(qint64 day)
    {
        const qint64 next = onOrAfter(day + 1);
        return next == NoDay || next <= day ? NoDay : next;
    }

private:
    const Event &m_event;
    CandidateSet m_candidates;
};

// ---- counting

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
    // A schedule falls in step with its period within a few periods (a
    // fifth weekday turns up within three months); one that has not after
    // this many tries is walked to its end date instead.
    constexpr int MaxPhaseAttempts = 3;

    DueDayWalk walk(event);
    const auto following = [&walk](qint64 day) { return walk.after(day); };
    qint64 count = 0;
    qint64 day = today;
    int attempts = 0;
    std::vector<qint64> offsets; // due days of one period, relative to its first
    for (;;) {
        const qint64 first = following(day);
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
        qint64 next = following(last);
        while (next != NoDay && next < first + period) {
            offsets.push_back(next - first);
            last = next;
            next = following(last);
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

struct DueDayWalk::Private
{
    explicit Private(const Event &event) : dueDays(event) { }
    DueDays dueDays;
};

DueDayWalk::DueDayWalk(const Event &event)
    : d(std::make_unique<Private>(event))
{
}

DueDayWalk::~DueDayWalk() = default;

qint64 DueDayWalk::after(qint64 day)
{
    return d->dueDays.following(day);
}

QDate nextOccurrence(const Event &event, QDate from)
{
    if (event.schedule == Event::ScheduleSingular)
        return event.eventDate;
    return dateOfDayNumber(DueDays(event).onOrAfter(dayNumber(from)));
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
