#include "occurrence.h"

#include "daynumber.h"
#include "event.h"
#include "holidayset.h"

#include <QDate>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <vector>

// The engine works on day numbers (Julian Day Numbers, 0 for the null date)
// with its own proleptic Gregorian arithmetic: it is called for every bill on
// every redraw, and counting to a far end date walks many occurrences.
//
// A schedule gives its dates in two steps. First the scheduled dates: the
// record's weekdays, "Day" N and N-th weekdays, in every N-th week, month or
// year, counted from the start or the end of their month or year. Then the
// due dates: a scheduled date on a weekend or a holiday may move to the
// business day before or after. The end date and the "times" limit look at the scheduled
// dates; what the user sees are the due dates, and two scheduled dates that
// move onto one day are one due date.

namespace {

// The offset of a monthly or yearly bill without any candidate, and the
// starting value of every minimum.
constexpr qint64 NoCandidateOffset = 32000;

// Every schedule repeats with the Gregorian calendar: 400 years are
// 146,097 days (a whole number of weeks) and 4,800 months.
constexpr qint64 GregorianCycleDays = 146097;
constexpr qint64 GregorianCycleMonths = 4800;
constexpr qint64 GregorianCycleYears = 400;
constexpr qint64 WeekDays = 7;

// A day number meaning "no date" (the null date).
constexpr qint64 NoDay = 0;

// How many periods a family's next day is looked for in: the calendar
// repeats after 4,800 months or 400 years, so a family that names no day in
// as many periods never will (a fifth Monday of February every fourth year
// from a year that is not a leap year). A fifth weekday of a month turns up
// within three months.
constexpr int MaxMonthsSearched = 4800;
constexpr int MaxYearsSearched = 400;

constexpr qint64 UnixEpochDay = 2440588; // 1 January 1970

// How far a move looks for a business day. A weekend alone moves a day by
// two at most; a longer run of holidays and weekends than this (a closed
// fortnight) leaves the day where it is, so that a move never crosses
// another due date of a monthly bill and the walks below stay bounded.
constexpr qint64 WeekendMove = 2;
constexpr qint64 LongestHolidayMove = LongestDueDateMove;

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

qint64 floorMod(qint64 a, qint64 b)
{
    return a - floorDiv(a, b) * b;
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
    return int(floorMod(day, WeekDays)) + 1;
}



qint64 monthIndex(qint64 year, int month)
{
    return year * 12 + (month - 1);
}

// ---- the schedule with its options, as the engine reads it

// The record and its options, checked once: values a file may hold that the
// editor never stores fall back to the record's plain meaning.
class Schedule
{
public:
    explicit Schedule(const Event &event)
        : m_event(event)
        , m_every(event.options.effectiveEvery())
        , m_fromEnd(event.options.fromEnd > 0 ? event.options.fromEnd : 0)
        , m_lastDayOfShortMonths(event.options.shortMonths == ScheduleOptions::LastDay)
        , m_weekends(event.options.weekends)
    {
        if (event.schedule == Event::ScheduleMonthly && event.options.businessDay != 0
            && std::abs(event.options.businessDay) <= ScheduleOptions::MaximumBusinessDay) {
            // Already on a business day: the weekend rule has nothing to move.
            m_businessDay = event.options.businessDay;
            m_weekends = ScheduleOptions::KeepWeekend;
        }
        if (m_businessDay != 0 || movesWeekends())
            m_holidays = HolidaySet::active();
        if (m_every > 1) {
            const qint64 start = dayNumber(event.options.everyFrom);
            const CivilDate civil = civilFromDay(start);
            switch (event.schedule) {
            case Event::ScheduleWeekly:
                m_firstPeriod = floorDiv(start, WeekDays);
                break;
            case Event::ScheduleMonthly:
                m_firstPeriod = monthIndex(civil.year, civil.month);
                break;
            default:
                m_firstPeriod = civil.year;
                break;
            }
        }
    }

    [[nodiscard]] const Event &event() const { return m_event; }
    [[nodiscard]] qint32 kind() const { return m_event.schedule; }
    [[nodiscard]] bool weekdaySelected(int weekday) const { return m_event.weekdays[std::size_t(weekday - 1)]; }
    [[nodiscard]] bool monthSelected(int month) const { return m_event.months[std::size_t(month - 1)]; }
    [[nodiscard]] int every() const { return m_every; }
    // The first week, month or year that holds due dates (every N above 1).
    [[nodiscard]] qint64 firstPeriod() const { return m_firstPeriod; }
    [[nodiscard]] bool fromEnd() const { return m_fromEnd > 0; }
    // N: counted from the end when the option says so, else the record's.
    [[nodiscard]] qint64 ordinal() const { return m_fromEnd > 0 ? m_fromEnd : m_event.ordinal; }
    [[nodiscard]] bool lastDayOfShortMonths() const { return m_lastDayOfShortMonths; }
    // Not 0: the N-th (below 0 the N-th last) business day of each month.
    [[nodiscard]] int businessDay() const { return m_businessDay; }
    // The installed holidays, when the schedule looks at them; else null.
    [[nodiscard]] const HolidaySet *holidays() const { return m_holidays.get(); }

    // Whether a week, month or year (by its index) holds due dates.
    [[nodiscard]] bool periodValid(qint64 period) const
    {
        return m_every == 1 || (period >= m_firstPeriod && (period - m_firstPeriod) % m_every == 0);
    }
    // The first period at or after `period` that holds due dates.
    [[nodiscard]] qint64 firstValidPeriod(qint64 period) const
    {
        if (m_every == 1)
            return period;
        if (period <= m_firstPeriod)
            return m_firstPeriod;
        return m_firstPeriod + (period - m_firstPeriod + m_every - 1) / m_every * m_every;
    }

    [[nodiscard]] bool movesWeekends() const
    {
        return m_weekends == ScheduleOptions::FridayBefore || m_weekends == ScheduleOptions::MondayAfter;
    }
    [[nodiscard]] bool movesForward() const { return m_weekends == ScheduleOptions::MondayAfter; }
    // The day a scheduled day is due: weekend days and holidays move to the
    // nearest business day before or after when the bill says so.
    [[nodiscard]] qint64 moved(qint64 day) const
    {
        if (!movesWeekends())
            return day;
        if (m_holidays)
            return movedOffHolidays(day);
        const int weekday = isoWeekday(day);
        if (weekday < 6)
            return day;
        if (m_weekends == ScheduleOptions::FridayBefore)
            return day - (weekday - 5);
        return day + (8 - weekday);
    }
    // The most days a move takes a day.
    [[nodiscard]] qint64 longestMove() const { return m_holidays ? LongestHolidayMove : WeekendMove; }
    // From this scheduled day on, no holiday changes a due day: every
    // shortcut that relies on the calendar's cycle holds from here.
    [[nodiscard]] qint64 holidayFreeFrom() const
    {
        if (!m_holidays)
            return std::numeric_limits<qint64>::min();
        // A business day counted from a month's start sees the holidays
        // earlier in its month.
        return m_holidays->lastHoliday() + LongestHolidayMove + 1 + (m_businessDay != 0 ? 31 : 0);
    }

    // The days after which the schedule's scheduled and due days repeat.
    [[nodiscard]] qint64 cycleDays() const
    {
        switch (m_event.schedule) {
        case Event::ScheduleWeekly:
            return WeekDays * m_every;
        case Event::ScheduleMonthly:
            return std::lcm(qint64(m_every), GregorianCycleMonths) / GregorianCycleMonths * GregorianCycleDays;
        default:
            return std::lcm(qint64(m_every), GregorianCycleYears) / GregorianCycleYears * GregorianCycleDays;
        }
    }

private:
    [[nodiscard]] qint64 movedOffHolidays(qint64 day) const
    {
        if (m_holidays->isBusinessDay(day))
            return day;
        const qint64 step = m_weekends == ScheduleOptions::FridayBefore ? -1 : 1;
        for (qint64 distance = 1; distance <= LongestHolidayMove; ++distance) {
            if (m_holidays->isBusinessDay(day + step * distance))
                return day + step * distance;
        }
        return day;
    }

    const Event &m_event;
    int m_every;
    qint64 m_firstPeriod = 0;
    qint64 m_fromEnd;
    bool m_lastDayOfShortMonths;
    qint32 m_weekends;
    int m_businessDay = 0;
    std::shared_ptr<const HolidaySet> m_holidays; // null: none installed, or not looked at
};

// ---- weekly

// The first selected weekday on or after `from` in a week that holds due
// dates (weeks run Monday to Sunday).
qint64 nextWeekly(const Schedule &schedule, qint64 from)
{
    const int first = isoWeekday(from);
    if (schedule.every() == 1) {
        for (int i = 0; i < 7; ++i) {
            if (schedule.weekdaySelected((first - 1 + i) % 7 + 1))
                return from + i;
        }
        return NoDay;
    }
    // The week of `from` holds nothing after it, or is not one of the bill's:
    // the first selected day of the next week that is.
    qint64 week = floorDiv(from, WeekDays);
    for (int attempt = 0; attempt < 2; ++attempt) {
        week = schedule.firstValidPeriod(week);
        for (int weekday = 1; weekday <= 7; ++weekday) {
            const qint64 day = week * WeekDays + weekday - 1;
            if (day >= from && schedule.weekdaySelected(weekday))
                return day;
        }
        ++week;
    }
    return NoDay;
}

// ---- monthly and yearly

// A monthly or yearly schedule is a set of candidate families ("Day" N of the
// month, the 2nd Tuesday of March, ...). In every period (a month, or a year)
// that holds due dates a family names at most one day; a start day takes its
// period's day unless it has passed, and then the family's next day. The
// scheduled day is the earliest of all families, or the start + 32000 days
// when the bill has none.
struct Candidate
{
    qint64 day;   // the family's day in the start's period (or the next that has one)
    qint64 later; // its day once `day` has passed
};

constexpr qint64 NoLater = std::numeric_limits<qint64>::max();
constexpr qint64 UnknownDay = std::numeric_limits<qint64>::min(); // not worked out

// One family: what it names in a period.
struct Family
{
    enum Kind {
        DayOfMonth,
        WeekdayOfMonth,
        DayOfYear,
        WeekdayOfYear,
        DayOfSelectedMonth,
        WeekdayOfSelectedMonth,
        BusinessDayOfMonth
    };
    Kind kind;
    int weekday;
    int month;
};

// A month as the families see it.
struct MonthFrame
{
    qint64 start;
    int length;
    int startWeekday; // of its first day
};

// A year as the families see it: the first days of its months, and of the
// next year at the end, with their weekdays (worked out once per year, not
// once per family).
struct YearFrame
{
    qint64 year;
    std::array<qint64, 13> monthStarts;
    std::array<int, 13> startWeekdays;
};

// The first `weekday` on or after a day whose weekday is known.
qint64 firstWeekdayFrom(qint64 day, int dayWeekday, int weekday)
{
    return day + (weekday - dayWeekday + 7) % 7;
}

// The last `weekday` before a day whose weekday is known.
qint64 lastWeekdayBefore(qint64 day, int dayWeekday, int weekday)
{
    return day - 1 - (dayWeekday - 1 - weekday + 14) % 7;
}

// The frame of a month, or of a year, whose first day is known.
MonthFrame monthFrameFrom(qint64 start, qint64 index)
{
    return {start, daysInMonth(floorDiv(index, 12), int(floorMod(index, 12)) + 1), isoWeekday(start)};
}

// The month after a month, without any calendar conversion.
MonthFrame nextMonthFrame(const MonthFrame &month, qint64 year, int monthNumber)
{
    const int length = monthNumber == 12 ? 31 : daysInMonth(year, monthNumber + 1);
    return {month.start + month.length, length, (month.startWeekday - 1 + month.length) % 7 + 1};
}

YearFrame yearFrameFrom(qint64 start, qint64 year)
{
    YearFrame frame;
    frame.year = year;
    frame.monthStarts[0] = start;
    frame.startWeekdays[0] = isoWeekday(start);
    for (int month = 1; month <= 12; ++month) {
        const int length = daysInMonth(year, month);
        frame.monthStarts[std::size_t(month)] = frame.monthStarts[std::size_t(month - 1)] + length;
        frame.startWeekdays[std::size_t(month)] = (frame.startWeekdays[std::size_t(month - 1)] - 1 + length) % 7 + 1;
    }
    return frame;
}

MonthFrame monthFrame(qint64 index)
{
    return monthFrameFrom(dayFromCivil(floorDiv(index, 12), int(floorMod(index, 12)) + 1, 1), index);
}

YearFrame yearFrame(qint64 year)
{
    return yearFrameFrom(dayFromCivil(year, 1, 1), year);
}



// The N-th day counted back from `lastDay`; a month or year shorter than N
// days gives its first day.
qint64 nthLastDay(qint64 firstDay, qint64 lastDay, qint64 ordinal)
{
    return std::max(firstDay, lastDay - (ordinal - 1));
}


// The rules of one family in one month. Named here, once:
// - "Day" N counts in days from the month's first day, so a day the month
//   lacks runs over into the next month (N = 31 from 10 April gives 1 May),
//   unless the bill asks for the month's last day instead;
// - an N-th weekday is kept inside its month, and months without one are
//   skipped (N outside 1..5 never occurs);
// - counted from the end, "Day" N is the N-th last day (the first day of a
//   shorter month) and the N-th weekday the N-th last, kept inside the month.
// What the family rules need of a schedule, read once.
struct FamilyRules
{
    qint64 ordinal;     // N, from the end when fromEnd
    bool fromEnd;
    bool lastDayOfShortMonths;
    int businessDay;
    const HolidaySet *holidays;
};

// The N-th business day of a month (below 0 the N-th last), or its last
// (first) business day when it has fewer; none in a month without any.
qint64 businessDayInMonth(const FamilyRules &rules, const MonthFrame &month)
{
    const bool fromEnd = rules.businessDay < 0;
    const int wanted = std::abs(rules.businessDay);
    const qint64 step = fromEnd ? -1 : 1;
    qint64 day = fromEnd ? month.start + month.length - 1 : month.start;
    int weekday = fromEnd ? (month.startWeekday - 1 + month.length - 1) % 7 + 1 : month.startWeekday;
    qint64 found = NoDay;
    int count = 0;
    for (int i = 0; i < month.length && count < wanted; ++i, day += step) {
        if (weekday < 6 && !(rules.holidays && rules.holidays->isHoliday(day))) {
            found = day;
            ++count;
        }
        weekday = fromEnd ? (weekday + 5) % 7 + 1 : weekday % 7 + 1;
    }
    return found;
}

qint64 dayInMonth(const FamilyRules &rules, const Family &family, const MonthFrame &month)
{
    const qint64 ordinal = rules.ordinal;
    if (family.kind == Family::BusinessDayOfMonth)
        return businessDayInMonth(rules, month);
    if (family.kind == Family::DayOfMonth) {
        if (rules.fromEnd)
            return nthLastDay(month.start, month.start + month.length - 1, ordinal);
        if (rules.lastDayOfShortMonths)
            return month.start + std::clamp<qint64>(ordinal, 1, month.length) - 1;
        return month.start + ordinal - 1;
    }
    const qint64 end = month.start + month.length;
    if (rules.fromEnd) {
        const int endWeekday = (month.startWeekday - 1 + month.length) % 7 + 1;
        const qint64 day = lastWeekdayBefore(end, endWeekday, family.weekday) - 7 * (ordinal - 1);
        return day >= month.start ? day : NoDay;
    }
    const qint64 day = firstWeekdayFrom(month.start, month.startWeekday, family.weekday) + 7 * (ordinal - 1);
    return day < end ? day : NoDay;
}

// The rules of one family in one year:
// - "Day" N of the year counts in days from 1 January; of a month, it is a
//   date of that month, the month's last day when it is shorter (N below 1
//   names none);
// - an N-th weekday counts in weeks from 1 January or the month's first day
//   and is not kept inside the month;
// - counted from the end: the N-th last day of the year or the month (its
//   first day when shorter), the N-th last weekday of the year, and the N-th
//   last weekday of a month, kept inside the month.
qint64 dayInYear(const FamilyRules &rules, const Family &family, const YearFrame &year)
{
    const qint64 ordinal = rules.ordinal;
    const bool fromEnd = rules.fromEnd;
    const auto month = std::size_t(family.month > 0 ? family.month - 1 : 0);
    switch (family.kind) {
    case Family::DayOfYear:
        return fromEnd ? nthLastDay(year.monthStarts[0], year.monthStarts[12] - 1, ordinal)
                       : year.monthStarts[0] + ordinal - 1;
    case Family::DayOfSelectedMonth: {
        const qint64 start = year.monthStarts[month];
        const qint64 length = year.monthStarts[month + 1] - start;
        if (fromEnd)
            return nthLastDay(start, start + length - 1, ordinal);
        return start + std::min<qint64>(ordinal, length) - 1;
    }
    case Family::WeekdayOfYear:
        if (fromEnd)
            return lastWeekdayBefore(year.monthStarts[12], year.startWeekdays[12], family.weekday) - 7 * (ordinal - 1);
        return firstWeekdayFrom(year.monthStarts[0], year.startWeekdays[0], family.weekday) + 7 * (ordinal - 1);
    case Family::WeekdayOfSelectedMonth: {
        const qint64 start = year.monthStarts[month];
        if (fromEnd) {
            const qint64 day = lastWeekdayBefore(year.monthStarts[month + 1], year.startWeekdays[month + 1], family.weekday)
                               - 7 * (ordinal - 1);
            return day >= start ? day : NoDay;
        }
        return firstWeekdayFrom(start, year.startWeekdays[month], family.weekday) + 7 * (ordinal - 1);
    }
    default:
        return NoDay;
    }
}

class CandidateSet
{
public:
    explicit CandidateSet(const Schedule &schedule);

    // The scheduled day on or after `from`; NoDay when the families name no
    // later day. Cheapest when called with rising days.
    qint64 next(qint64 from);

    // The days next() would give one after the other from `from` (each
    // following one asked for from the day after the last), as long as they
    // stay in the period held: a walk takes a whole period in one go.
    // Writes at least one day (the first may be NoDay); returns how many.
    int run(qint64 from, qint64 *days, int capacity);

    // After next(): whether no family names a day in the period of its
    // start or any later one (next() then gave the start + 32000 days).
    [[nodiscard]] bool namesNoDay() const { return m_count == 0; }

private:
    void buildPeriod(qint64 day);
    // The family's day in the first period at or after `period` that holds
    // due dates and names a day for it; the period in *found. NoDay when
    // there is none.
    qint64 firstDay(const Family &family, qint64 period, qint64 *found);
    qint64 dayIn(const Family &family, qint64 period);
    void add(qint64 day, qint64 later) { m_candidates[m_count++] = {day, later}; }

    static constexpr std::size_t MaxFamilies = 1 + 12 + 7 * 13;
    void addFamily(Family::Kind kind, int weekday = 0, int month = 0)
    {
        m_namesNoDay[m_familyCount] = false;
        m_families[m_familyCount++] = {kind, weekday, month};
    }

    const Schedule &m_schedule;
    const FamilyRules m_rules;
    // Fixed arrays keep a single look-up and the walk free of allocations.
    std::array<Family, MaxFamilies> m_families;
    std::size_t m_familyCount = 0;
    std::array<bool, MaxFamilies> m_namesNoDay; // families found to name no day in any period
    // Each family's day in the period after the one last built (NoDay: none
    // there), for the build of that period.
    std::array<qint64, MaxFamilies> m_secondDays;
    qint64 m_secondPeriod = std::numeric_limits<qint64>::min();
    qint64 m_start = 1; // the period held: [m_start, m_end)
    qint64 m_end = 0;
    qint64 m_period = 0; // its index
    qint64 m_periodYear = 0; // a month's year and month
    int m_periodMonth = 1;
    // At most "Day" of the year, of 12 months, and 7 weekdays of the year
    // and of 12 months.
    std::array<Candidate, MaxFamilies> m_candidates;
    std::size_t m_count = 0;             // candidates held, sorted by day
    std::size_t m_passed = 0;            // candidates whose day lies before the last start
    qint64 m_earliestLater = NoLater;    // the earliest `later` of those
    qint64 m_lastFrom = 0;
    // The frames of two periods: the families mostly ask for the start's
    // period and the next one (a few search on).
    struct Frames
    {
        qint64 period = std::numeric_limits<qint64>::min();
        MonthFrame month;
        YearFrame year;
    };
    Frames &framesFor(qint64 period);
    std::array<Frames, 2> m_frames;
    std::size_t m_nextFrames = 0; // the slot the next new period goes to
};

CandidateSet::CandidateSet(const Schedule &schedule)
    : m_schedule(schedule)
    , m_rules{schedule.ordinal(), schedule.fromEnd(), schedule.lastDayOfShortMonths(), schedule.businessDay(),
              schedule.holidays()}
{
    const Event &event = schedule.event();
    if (schedule.kind() != Event::ScheduleMonthly && schedule.kind() != Event::ScheduleYearly)
        return;
    if (schedule.businessDay() != 0) {
        addFamily(Family::BusinessDayOfMonth);
        return;
    }
    const bool weekdaysCount = schedule.fromEnd() ? schedule.ordinal() >= 1 && schedule.ordinal() <= 5
                                                  : event.ordinal >= 1 && event.ordinal <= 5;
    if (schedule.kind() == Event::ScheduleMonthly) {
        if (event.byDay)
            addFamily(Family::DayOfMonth);
        for (int weekday = 1; weekday <= 7 && weekdaysCount; ++weekday) {
            if (schedule.weekdaySelected(weekday))
                addFamily(Family::WeekdayOfMonth, weekday);
        }
        return;
    }
    // Month by month, so that the families' days come nearly in order and
    // sorting them each year costs little.
    if (event.byDay && event.byYear)
        addFamily(Family::DayOfYear);
    for (int weekday = 1; weekday <= 7; ++weekday) {
        if (event.byYear && schedule.weekdaySelected(weekday))
            addFamily(Family::WeekdayOfYear, weekday);
    }
    for (int month = 1; month <= 12; ++month) {
        if (!schedule.monthSelected(month))
            continue;
        if (event.byDay && (schedule.fromEnd() || event.ordinal >= 1))
            addFamily(Family::DayOfSelectedMonth, 0, month);
        // Counted from the end, a month's weekday is kept inside the month,
        // where there are never more than five.
        for (int weekday = 1; weekday <= 7 && (!schedule.fromEnd() || weekdaysCount); ++weekday) {
            if (schedule.weekdaySelected(weekday))
                addFamily(Family::WeekdayOfSelectedMonth, weekday, month);
        }
    }
}

CandidateSet::Frames &CandidateSet::framesFor(qint64 period)
{
    for (Frames &frames : m_frames) {
        if (frames.period == period)
            return frames;
    }
    Frames &frames = m_frames[m_nextFrames];
    m_nextFrames = (m_nextFrames + 1) % m_frames.size();
    frames.period = period;
    if (m_schedule.kind() == Event::ScheduleMonthly)
        frames.month = monthFrame(period);
    else
        frames.year = yearFrame(period);
    return frames;
}

qint64 CandidateSet::dayIn(const Family &family, qint64 period)
{
    const Frames &frames = framesFor(period);
    if (m_schedule.kind() == Event::ScheduleMonthly)
        return dayInMonth(m_rules, family, frames.month);
    return dayInYear(m_rules, family, frames.year);
}

qint64 CandidateSet::firstDay(const Family &family, qint64 period, qint64 *found)
{
    const int searched = m_schedule.kind() == Event::ScheduleMonthly ? MaxMonthsSearched : MaxYearsSearched;
    qint64 candidate = m_schedule.firstValidPeriod(period);
    for (int i = 0; i < searched; ++i, candidate += m_schedule.every()) {
        const qint64 day = dayIn(family, candidate);
        if (day != NoDay) {
            *found = candidate;
            return day;
        }
    }
    return NoDay;
}

qint64 CandidateSet::next(qint64 from)
{
    if (from < m_start || from >= m_end) {
        buildPeriod(from);
    } else if (from < m_lastFrom) {
        m_passed = 0;
        m_earliestLater = NoLater;
    }
    m_lastFrom = from;
    if (m_count == 0)
        return from + NoCandidateOffset;
    while (m_passed < m_count && m_candidates[m_passed].day < from) {
        m_earliestLater = std::min(m_earliestLater, m_candidates[m_passed].later);
        ++m_passed;
    }
    qint64 best = m_earliestLater;
    if (m_passed < m_count)
        best = std::min(best, m_candidates[m_passed].day);
    return best == NoLater ? NoDay : best;
}

int CandidateSet::run(qint64 from, qint64 *days, int capacity)
{
    qint64 day = next(from);
    days[0] = day;
    int count = 1;
    // next() without its checks: the days rise and stay in the period.
    while (count < capacity && m_count != 0 && day != NoDay && day + 1 >= m_start && day + 1 < m_end) {
        const qint64 start = day + 1;
        m_lastFrom = start;
        while (m_passed < m_count && m_candidates[m_passed].day < start) {
            m_earliestLater = std::min(m_earliestLater, m_candidates[m_passed].later);
            ++m_passed;
        }
        qint64 best = m_earliestLater;
        if (m_passed < m_count)
            best = std::min(best, m_candidates[m_passed].day);
        day = best == NoLater ? NoDay : best;
        days[count++] = day;
    }
    return count;
}

void CandidateSet::buildPeriod(qint64 day)
{
    m_count = 0;
    m_passed = 0;
    m_earliestLater = NoLater;
    const bool monthly = m_schedule.kind() == Event::ScheduleMonthly;
    qint64 period;
    if (day >= m_end && m_start <= m_end && day < m_end + 28) {
        // A walk steps into the next period: no calendar conversion needed.
        period = m_period + 1;
        m_start = m_end;
    } else {
        const CivilDate civil = civilFromDay(day);
        period = monthly ? monthIndex(civil.year, civil.month) : civil.year;
        m_start = monthly ? day - (civil.day - 1) : dayFromCivil(civil.year, 1, 1);
    }
    m_period = period;
    if (monthly) {
        m_periodYear = floorDiv(period, 12);
        m_periodMonth = int(period - m_periodYear * 12) + 1;
        m_end = m_start + daysInMonth(m_periodYear, m_periodMonth);
    } else {
        m_end = m_start + (isLeapYear(period) ? 366 : 365);
    }
    // Nearly every family names a day in the first period that holds due
    // dates and in the one after; only the others are searched on. With
    // every period holding due dates those two are this period and the
    // next, whose first days are known.
    const qint64 first = m_schedule.firstValidPeriod(period);
    const qint64 second = first + m_schedule.every();
    Frames firstFrames;
    Frames secondFrames;
    if (monthly) {
        firstFrames.month = first == period ? MonthFrame{m_start, int(m_end - m_start), isoWeekday(m_start)}
                                            : monthFrame(first);
        secondFrames.month = second == period + 1
                                 ? nextMonthFrame(firstFrames.month, m_periodYear, m_periodMonth)
                                 : monthFrame(second);
    } else {
        firstFrames.year = first == period ? yearFrameFrom(m_start, first) : yearFrame(first);
        secondFrames.year = second == period + 1 ? yearFrameFrom(m_end, second) : yearFrame(second);
    }
    // The candidates serve every start up to the end of the first period
    // with due dates: the periods before it hold none.
    if (first != period) {
        m_period = first;
        if (monthly) {
            m_periodYear = floorDiv(first, 12);
            m_periodMonth = int(first - m_periodYear * 12) + 1;
            m_end = firstFrames.month.start + firstFrames.month.length;
        } else {
            m_end = firstFrames.year.monthStarts[12];
        }
    }
    const auto dayInFrames = [&](const Family &family, const Frames &frames) {
        return monthly ? dayInMonth(m_rules, family, frames.month) : dayInYear(m_rules, family, frames.year);
    };
    // A walk builds period after period: this period's days were the last
    // build's days of its next period.
    const bool known = m_secondPeriod == first;
    for (std::size_t i = 0; i < m_familyCount; ++i) {
        if (m_namesNoDay[i])
            continue;
        const Family &family = m_families[i];
        qint64 foundIn = first;
        qint64 here = known && m_secondDays[i] != UnknownDay ? m_secondDays[i] : dayInFrames(family, firstFrames);
        if (here == NoDay)
            here = firstDay(family, second, &foundIn);
        if (here == NoDay) {
            m_namesNoDay[i] = true;
            m_secondDays[i] = NoDay;
            continue;
        }
        qint64 later = foundIn == first ? dayInFrames(family, secondFrames) : NoDay;
        m_secondDays[i] = foundIn == first ? later : foundIn == second ? here : UnknownDay;
        if (later == NoDay) {
            qint64 laterIn = 0;
            later = firstDay(family, foundIn == first ? second + m_schedule.every() : foundIn + 1, &laterIn);
        }
        add(here, later == NoDay ? NoLater : later);
    }
    m_secondPeriod = second;
    // The families come month by month, so the days are nearly in order:
    // an insertion sort moves few of them.
    const auto byDay = [](const Candidate &a, const Candidate &b) { return a.day < b.day; };
    for (std::size_t i = 1; i < m_count; ++i) {
        const Candidate candidate = m_candidates[i];
        std::size_t j = i;
        for (; j > 0 && byDay(candidate, m_candidates[j - 1]); --j)
            m_candidates[j] = m_candidates[j - 1];
        m_candidates[j] = candidate;
    }
}

// A due day with the scheduled day it comes from (the earliest, when
// several move onto it).
struct Step
{
    qint64 due = NoDay;
    qint64 scheduled = NoDay;
};

// The scheduled and due days of a repeating bill, asked for with rising
// start days.
class DueDays
{
public:
    explicit DueDays(const Event &event)
        : m_schedule(event), m_candidates(m_schedule), m_moves(m_schedule.movesWeekends())
    {
    }

    // The first scheduled day on or after `from`; NoDay when there is none.
    qint64 scheduledOnOrAfter(qint64 from)
    {
        switch (m_schedule.kind()) {
        case Event::ScheduleWeekly:
            return nextWeekly(m_schedule, from);
        case Event::ScheduleMonthly:
        case Event::ScheduleYearly:
            return m_candidates.next(from);
        default:
            return NoDay;
        }
    }

    // The scheduled day after `day`, for a walk that goes from one to the
    // next: served from runs of a whole period at a time.
    qint64 scheduledAfter(qint64 day)
    {
        if (m_schedule.kind() != Event::ScheduleMonthly && m_schedule.kind() != Event::ScheduleYearly)
            return scheduledOnOrAfter(day + 1);
        if (m_runAfter != day || m_runNext >= m_runLength) {
            m_runLength = m_candidates.run(day + 1, m_run.data(), int(m_run.size()));
            m_runNext = 0;
        }
        const qint64 next = m_run[std::size_t(m_runNext++)];
        m_runAfter = next;
        return next;
    }

    // The first due day on or after `from`. A move takes a day at most
    // longestMove() days away, and moves keep the order of the days.
    Step onOrAfter(qint64 from)
    {
        if (!m_moves) {
            const qint64 day = scheduledOnOrAfter(from);
            return {day, day};
        }
        return movedOnOrAfter(from);
    }

    // DueDayWalk::after().
    Step following(qint64 day)
    {
        if (!m_moves) {
            const qint64 next = scheduledAfter(day);
            return next == NoDay || next <= day ? Step() : Step{next, next};
        }
        Step next;
        if (m_last.due == day && day != NoDay)
            next = followingLast();
        else
            next = onOrAfter(day + 1);
        if (next.due == NoDay || next.due <= day)
            next = Step();
        m_last = next;
        return next;
    }

    [[nodiscard]] const Schedule &schedule() const { return m_schedule; }

    // Whether the schedule names no day at all. Its weeks, months or years
    // repeat with the calendar, so looking on from any one day tells.
    bool namesNoDay()
    {
        constexpr qint64 AnyDay = 2451545; // 1 January 2000
        switch (m_schedule.kind()) {
        case Event::ScheduleWeekly:
            return nextWeekly(m_schedule, AnyDay) == NoDay;
        case Event::ScheduleMonthly:
        case Event::ScheduleYearly:
            m_candidates.next(AnyDay);
            return m_candidates.namesNoDay();
        default:
            return true;
        }
    }

    // Goes on as a walk that has just taken `step`.
    void resumeAt(const Step &step) { m_last = step; }

private:
    // onOrAfter() for a bill whose weekend days move.
    Step movedOnOrAfter(qint64 from)
    {
        // From `from` on, only the days the schedule names seen from `from`:
        // a day that only an earlier start names (the 29th of a short
        // February, run over into March) is not a due date from here, and
        // a weekend rule moves no weekday.
        qint64 first = NoDay;
        bool firstKnown = false;
        // A weekend day or holiday just before `from` may move onto it or
        // past.
        if (m_schedule.movesForward()) {
            qint64 asked = from - m_schedule.longestMove();
            qint64 scheduled = scheduledOnOrAfter(asked);
            while (scheduled != NoDay && scheduled < from) {
                const qint64 due = m_schedule.moved(scheduled);
                if (due >= from)
                    return {due, scheduled};
                asked = scheduled + 1;
                const qint64 following = scheduledOnOrAfter(asked);
                if (following <= scheduled) {
                    asked = NoDay; // a walk that does not move on: ask again
                    break;
                }
                scheduled = following;
            }
            // The last day asked for from `from` itself is the first one.
            firstKnown = asked == from;
            first = scheduled;
        }
        if (!firstKnown)
            first = scheduledOnOrAfter(from);
        return firstMovedFrom(first, from);
    }

    // The first of the scheduled days from `scheduled` on, each asked for
    // from the day after the one before, that is due on or after `from`; an
    // empty step when there is none.
    Step firstMovedFrom(qint64 scheduled, qint64 from)
    {
        while (scheduled != NoDay) {
            const qint64 due = m_schedule.moved(scheduled);
            if (due >= from)
                return {due, scheduled};
            const qint64 following = scheduledOnOrAfter(scheduled + 1);
            if (following <= scheduled)
                break;
            scheduled = following;
        }
        return {};
    }

    // The step after the last one, walking on from its scheduled day: the
    // scheduled days only rise, while a fresh start would look back as far
    // as the longest move for every step. Scheduled days moved onto the last
    // due day are one due date with it.
    Step followingLast()
    {
        qint64 scheduled = m_last.scheduled;
        for (;;) {
            const qint64 next = scheduledAfter(scheduled);
            if (next == NoDay || next <= scheduled)
                return {};
            const qint64 due = m_schedule.moved(next);
            if (due > m_last.due)
                return {due, next};
            scheduled = next;
        }
    }

    Schedule m_schedule;
    CandidateSet m_candidates;
    bool m_moves;
    Step m_last; // the last step a walk took
    // A run of scheduled days (CandidateSet::run) and where the walk is in it.
    std::array<qint64, 128> m_run;
    int m_runLength = 0;
    int m_runNext = 0;
    qint64 m_runAfter = NoDay; // the day the next one of the run follows
};

// ---- whole periods at once

// The shape of every month of the 400-year cycle (by its index modulo 4,800)
// and of every year (modulo 400): a month's length and the weekday of its
// first day, a year's leap day and the weekday of 1 January. A period's
// scheduled days depend on nothing else.
struct CalendarShapes
{
    static constexpr int MonthShapes = 4 * 7;
    static constexpr int YearShapes = 2 * 7;
    std::array<quint8, GregorianCycleMonths> months;
    std::array<quint8, GregorianCycleYears> years;
};

const CalendarShapes &calendarShapes()
{
    static const CalendarShapes shapes = [] {
        CalendarShapes made{};
        for (int year = 0; year < GregorianCycleYears; ++year) {
            qint64 start = dayFromCivil(year, 1, 1);
            made.years[std::size_t(year)] = quint8((isLeapYear(year) ? 7 : 0) + isoWeekday(start) - 1);
            for (int month = 1; month <= 12; ++month) {
                const int length = daysInMonth(year, month);
                made.months[std::size_t(year * 12 + month - 1)] = quint8((length - 28) * 7 + isoWeekday(start) - 1);
                start += length;
            }
        }
        return made;
    }();
    return shapes;
}

// The due days of a monthly or yearly bill, counted period by period. A
// period's scheduled days lie near it: from its first day to a few days
// after it (a "Day" 31 runs over by three days at most, a 5th weekday of
// December counted in weeks by four, a 53rd weekday of the year by six),
// and a weekend move adds two (the counts use these periods only after the
// last holiday). So the steps of a walk whose scheduled days
// lie between a boundary a few days before a period's first day and the
// next period's boundary are alike in every period of the same shape and
// with neighbours of the same shapes (every N of 2 or more: no neighbours
// with due days, only the period itself). A count over thousands of periods
// is then a count of their shapes (one 400-year cycle of them at most)
// times one walk per shape. An every N that does not divide the calendar's
// cycle makes the whole cycle of the schedule lcm(N, 4800) months long: too
// long for countWalk to meet it again before the year 9999.
class WholePeriods
{
public:
    explicit WholePeriods(const Event &event)
        : m_dueDays(event)
        , m_monthly(event.schedule == Event::ScheduleMonthly)
    {
        const Schedule &schedule = m_dueDays.schedule();
        m_every = schedule.every();
        m_first = m_every > 1 ? schedule.firstPeriod() : 0;
        m_reachesLittle = reachesLittle(schedule);
    }

    // Whether the periods' days lie near them as described above, and some
    // family names days (a bill without any is due every 32000 days of a
    // walk).
    [[nodiscard]] bool usable() { return m_reachesLittle && !m_dueDays.namesNoDay(); }

    // The first period (counted from the first with due dates) whose
    // boundary lies after `day`.
    [[nodiscard]] qint64 firstAfter(qint64 day) const
    {
        const CivilDate civil = civilFromDay(day + margin());
        const qint64 period = m_monthly ? monthIndex(civil.year, civil.month) : civil.year;
        const qint64 index = floorDiv(period - m_first, m_every) + 1;
        return m_every > 1 ? std::max<qint64>(0, index) : index;
    }

    // A day after the due and scheduled days of the periods before period
    // `index` and before those of the period itself, except the last few of
    // an adjacent period before it.
    [[nodiscard]] qint64 boundary(qint64 index) const
    {
        const qint64 period = m_first + index * m_every;
        const qint64 start = m_monthly ? dayFromCivil(floorDiv(period, 12), int(floorMod(period, 12)) + 1, 1)
                                       : dayFromCivil(period, 1, 1);
        return start - margin();
    }

    // The steps whose scheduled days lie in periods `from` to `to` (both
    // included).
    qint64 count(qint64 from, qint64 to)
    {
        const qint64 cycle = m_monthly ? GregorianCycleMonths : GregorianCycleYears;
        // The shapes come round every cycle / gcd(N, cycle) periods.
        const qint64 round = cycle / std::gcd(qint64(m_every), cycle);
        const qint64 periods = to - from + 1;
        const qint64 wholeRounds = periods / round;
        const qint64 rest = periods % round;
        std::array<qint64, MaxKeys> times{};
        std::array<qint64, MaxKeys> example;
        example.fill(-1);
        const qint64 seen = std::min(periods, round);
        qint64 residue = floorMod(m_first + from * m_every, cycle);
        for (qint64 i = 0; i < seen; ++i) {
            const std::size_t key = keyOf(residue, cycle);
            times[key] += wholeRounds + (i < rest ? 1 : 0);
            if (example[key] < 0)
                example[key] = from + i;
            residue += m_every;
            if (residue >= cycle)
                residue -= cycle;
        }
        qint64 steps = 0;
        for (std::size_t key = 0; key < times.size(); ++key) {
            if (times[key] > 0)
                steps += times[key] * walkThrough(example[key]);
        }
        return steps;
    }

    // The first step of a walk whose scheduled day lies on or after the
    // boundary of period `index`, the walk of `dueDays` going on from it.
    static Step resume(DueDays &dueDays, qint64 boundary)
    {
        Step step = dueDays.onOrAfter(boundary - dueDays.schedule().longestMove());
        dueDays.resumeAt(step);
        while (step.due != NoDay && step.scheduled < boundary)
            step = dueDays.following(step.due);
        return step;
    }

private:
    // Month keys: the shape, and the lengths of the months before and after
    // (4 x 28 x 4); year keys: the shape, and whether the years before and
    // after are leap years (2 x 14 x 2).
    static constexpr std::size_t MaxKeys = 4 * CalendarShapes::MonthShapes * 4;

    [[nodiscard]] qint64 margin() const { return m_monthly ? 3 : 10; }

    [[nodiscard]] std::size_t keyOf(qint64 residue, qint64 cycle) const
    {
        const CalendarShapes &shapes = calendarShapes();
        const auto shape = [&](qint64 at) {
            const auto wrapped = std::size_t(floorMod(at, cycle));
            return std::size_t(m_monthly ? shapes.months[wrapped] : shapes.years[wrapped]);
        };
        const std::size_t here = shape(residue);
        if (m_every > 1)
            return here;
        if (m_monthly)
            return (shape(residue - 1) / 7 * CalendarShapes::MonthShapes + here) * 4 + shape(residue + 1) / 7;
        return (shape(residue - 1) / 7 * CalendarShapes::YearShapes + here) * 2 + shape(residue + 1) / 7;
    }

    // Whether every scheduled day of a period stays near it: "Day" N within
    // 31 days of a month or 366 of a year, N-th weekdays of months within 5
    // weeks; of a year, within 53 weeks when the periods lie apart.
    static bool reachesLittle(const Schedule &schedule)
    {
        if (schedule.businessDay() != 0)
            return true; // inside its month
        if (schedule.ordinal() < 1)
            return false;
        if (schedule.kind() == Event::ScheduleMonthly)
            return schedule.ordinal() <= 31;
        if (schedule.kind() != Event::ScheduleYearly)
            return false;
        bool weekdays = false;
        for (int weekday = 1; weekday <= 7; ++weekday)
            weekdays = weekdays || schedule.weekdaySelected(weekday);
        return schedule.ordinal() <= (!weekdays ? 366 : schedule.every() > 1 ? 53 : 5);
    }

    // The steps of one period, walked from its boundary to the next one.
    qint64 walkThrough(qint64 index)
    {
        const qint64 end = boundary(index + 1);
        qint64 steps = 0;
        for (Step step = resume(m_dueDays, boundary(index)); step.due != NoDay && step.scheduled < end;
             step = m_dueDays.following(step.due))
            ++steps;
        return steps;
    }

    DueDays m_dueDays;
    bool m_monthly;
    int m_every = 1;
    qint64 m_first = 0;
    bool m_reachesLittle = false;
};

// ---- counting

int saturated(qint64 count)
{
    return int(std::min<qint64>(count, INT_MAX));
}

// No bound on a count's due or scheduled days.
constexpr qint64 Unbounded = std::numeric_limits<qint64>::max();

// The steps of a walk from `first` on, `first` included, that are due before
// `dueBefore` and scheduled on or before `lastScheduled`; `dueDays` has just
// taken `first`. Both bounds end the walk (due and scheduled days rise along
// it). A schedule repeats with its cycle, so once the walk comes back to a
// step shifted by exactly one cycle, the rest is whole cycles plus a part of
// one already walked.
qint64 countWalk(DueDays &dueDays, Step first, qint64 dueBefore, qint64 lastScheduled)
{
    // A schedule falls in step with its cycle within a few cycles (a fifth
    // weekday turns up within three months); one that has not after this
    // many tries is walked to its end instead.
    constexpr int MaxPhaseAttempts = 3;

    const qint64 period = dueDays.schedule().cycleDays();
    const auto within = [&](const Step &step) {
        return step.due != NoDay && step.due < dueBefore && step.scheduled <= lastScheduled;
    };
    // Both bounds lie two cycles ahead or more: worth finding the cycle.
    const auto farAhead = [&](const Step &step) {
        return lastScheduled - step.scheduled >= 2 * period
               && (dueBefore == Unbounded || dueBefore - 1 - step.due >= 2 * period);
    };
    qint64 count = 0;
    int attempts = 0;
    // One cycle's steps, relative to its first: due and scheduled days, each
    // kept only for a bound that applies (a second list would cost the
    // plain count a third of its time in the allocator).
    const bool byDue = dueBefore != Unbounded;
    const bool byScheduled = lastScheduled != Unbounded;
    std::vector<qint64> dueOffsets;
    std::vector<qint64> scheduledOffsets;
    for (Step step = first;;) {
        if (!within(step))
            return count;
        if (attempts == MaxPhaseAttempts || !farAhead(step)) {
            ++count;
            step = dueDays.following(step.due);
            continue;
        }
        ++attempts;

        dueOffsets.assign(byDue ? 1 : 0, 0);
        scheduledOffsets.assign(byScheduled ? 1 : 0, 0);
        qint64 perPeriod = 1;
        Step next = dueDays.following(step.due);
        while (next.due != NoDay && next.scheduled < step.scheduled + period) {
            if (byDue)
                dueOffsets.push_back(next.due - step.due);
            if (byScheduled)
                scheduledOffsets.push_back(next.scheduled - step.scheduled);
            ++perPeriod;
            next = dueDays.following(next.due);
        }
        if (next.due == NoDay) // the schedule ended within the cycle, before either bound
            return count + perPeriod;
        if (next.scheduled != step.scheduled + period || next.due != step.due + period) {
            // Not yet in step with the cycle; count this stretch and retry.
            count += perPeriod;
            step = next;
            continue;
        }
        // Steps whose offset from `step` lies within `span` days.
        const auto stepsWithin = [&](const std::vector<qint64> &offsets, qint64 span) {
            const auto inRest = std::upper_bound(offsets.cbegin(), offsets.cend(), span % period) - offsets.cbegin();
            return span / period * perPeriod + inRest;
        };
        qint64 steps = Unbounded;
        if (byScheduled)
            steps = stepsWithin(scheduledOffsets, lastScheduled - step.scheduled);
        if (byDue)
            steps = std::min(steps, stepsWithin(dueOffsets, dueBefore - 1 - step.due));
        return count + steps;
    }
}

qint64 countPlainSteps(DueDays &dueDays, Step first, qint64 dueBefore, qint64 lastScheduled);

// The same as countWalk, but the whole periods of a monthly or yearly bill
// are counted by their shapes (WholePeriods): the walk only takes the steps before
// the first whole period and from the last one on.
qint64 countSteps(DueDays &dueDays, Step first, qint64 dueBefore, qint64 lastScheduled)
{
    // Holidays follow no cycle: the steps among them are walked one by one.
    const auto within = [&](const Step &step) {
        return step.due != NoDay && step.due < dueBefore && step.scheduled <= lastScheduled;
    };
    qint64 count = 0;
    for (const qint64 plainFrom = dueDays.schedule().holidayFreeFrom(); within(first) && first.scheduled < plainFrom;
         first = dueDays.following(first.due))
        ++count;
    if (!within(first))
        return count;
    return count + countPlainSteps(dueDays, first, dueBefore, lastScheduled);
}

// countSteps() from a step on which no holiday changes a due day.
qint64 countPlainSteps(DueDays &dueDays, Step first, qint64 dueBefore, qint64 lastScheduled)
{
    // Fewer whole periods than this are walked: every period of a schedule
    // whose periods lie apart may have its own shape, and adjacent periods
    // are alike only with alike neighbours.
    const qint64 minWholePeriods = dueDays.schedule().every() > 1 ? 16 : 256;
    // Whole periods end before this day; a weekend move may take a due day
    // two days past its period's end (only weekends move days here: the
    // steps among holidays were walked by countSteps).
    const qint64 limit = std::min(lastScheduled == Unbounded ? Unbounded : lastScheduled + 1,
                                  dueBefore == Unbounded ? Unbounded : dueBefore - WeekendMove);
    const Schedule &schedule = dueDays.schedule();
    const bool byPeriods = schedule.kind() == Event::ScheduleMonthly || schedule.kind() == Event::ScheduleYearly;
    if (!byPeriods || limit == Unbounded || first.due == NoDay)
        return countWalk(dueDays, first, dueBefore, lastScheduled);
    WholePeriods periods(schedule.event());
    const qint64 from = periods.firstAfter(first.scheduled);
    const qint64 to = periods.firstAfter(limit - 1) - 2; // its next boundary lies before `limit`
    if (to - from + 1 < minWholePeriods || !periods.usable())
        return countWalk(dueDays, first, dueBefore, lastScheduled);

    const auto within = [&](const Step &step) {
        return step.due != NoDay && step.due < dueBefore && step.scheduled <= lastScheduled;
    };
    qint64 count = 0;
    const qint64 wholeFrom = periods.boundary(from);
    Step step = first;
    for (; within(step) && step.scheduled < wholeFrom; step = dueDays.following(step.due))
        ++count;
    if (!within(step))
        return count;
    count += periods.count(from, to);
    for (step = WholePeriods::resume(dueDays, periods.boundary(to + 1)); within(step); step = dueDays.following(step.due))
        ++count;
    return count;
}

// Due days strictly after `today` whose scheduled day lies on or before
// `end`.
qint64 countDueDays(const Event &event, qint64 today, qint64 end)
{
    DueDays dueDays(event);
    return countSteps(dueDays, dueDays.following(today), Unbounded, end);
}

} // namespace

struct DueDayWalk::Private
{
    explicit Private(const Event &event) : dueDays(event) { }
    DueDays dueDays;
    Step last;
};

DueDayWalk::DueDayWalk(const Event &event)
    : d(std::make_unique<Private>(event))
{
}

DueDayWalk::~DueDayWalk() = default;

qint64 DueDayWalk::after(qint64 day)
{
    d->last = d->dueDays.following(day);
    return d->last.due;
}

qint64 DueDayWalk::scheduled() const
{
    return d->last.scheduled;
}

DueDate nextDueDate(const Event &event, QDate from)
{
    if (event.schedule == Event::ScheduleSingular)
        return {event.eventDate, event.eventDate};
    const Step step = DueDays(event).onOrAfter(dayNumber(from));
    return {dateOfDayNumber(step.due), dateOfDayNumber(step.scheduled)};
}

QDate nextOccurrence(const Event &event, QDate from)
{
    return nextDueDate(event, from).date;
}

bool DueDate::endsAfter(const Event &event) const
{
    return event.endMode != Event::EndNever && daysBetween(event.endDate, scheduled) > 0;
}

bool isNeverDue(const Event &event)
{
    return event.schedule != Event::ScheduleSingular && DueDays(event).namesNoDay();
}

int remainingOccurrences(const Event &event, QDate today)
{
    if (event.endMode == Event::EndNever)
        return -1;
    if (event.schedule == Event::ScheduleSingular)
        return daysBetween(today, event.eventDate) > 0 ? 1 : 0;
    return saturated(countDueDays(event, dayNumber(today), dayNumber(event.endDate)));
}

int dueDatesWalkedFrom(const Event &event, const DueDate &first, QDate before)
{
    if (event.schedule == Event::ScheduleSingular || first.date.isNull())
        return 0;
    DueDays dueDays(event);
    const Step step{dayNumber(first.date), dayNumber(first.scheduled)};
    dueDays.resumeAt(step);
    const qint64 lastScheduled = event.endMode == Event::EndNever ? Unbounded : dayNumber(event.endDate);
    return saturated(countSteps(dueDays, step, dayNumber(before), lastScheduled));
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
