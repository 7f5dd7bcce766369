#include "calendarexport.h"

#include "daynumber.h"
#include "occurrence.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QHash>
#include <QIODevice>
#include <QLocale>
#include <QSettings>

#include <libical/ical.h>

#include <algorithm>
#include <array>
#include <utility>

// Each bill is one component built with libical and written as soon as it
// is complete, so memory stays flat in the number of bills.
//
// The dates of a repeating bill are its plain rule (the schedule before any
// move) corrected by the engine: over the horizon the rule's dates are
// compared with the engine's due dates, and every difference (a weekend
// move, a day that ran over into the next month, a paid date) becomes an
// EXDATE or an RDATE. One mechanism for every kind of move, and one that
// cannot disagree with the engine inside the horizon. The rule's dates come
// from libical's own expansion, or, for a rule that names the schedule's
// unmoved dates exactly, from the engine walking the bill without its moves.

namespace {

constexpr int MonthCount = 12;
constexpr int WeekdayCount = 7;
constexpr int WeekDays = 7;
// The N-th weekday of every month (counted from the start or the end) is
// found in every month up to the fourth; a fifth is not.
constexpr int WeekdaysInEveryMonth = 4;
constexpr int MostWeeksInEveryYear = 52;
constexpr int DaysInEveryYear = 365;
constexpr int DaysInEveryMonth = 28;
constexpr int MostDaysInMonth = 31;
constexpr int SecondsPerDay = 24 * 60 * 60;
// Dates are compared this long after the horizon, so that a date moved over
// the horizon's end is not lost on one side of the comparison.
constexpr int MoveMarginDays = 31;
// A "times" limit far beyond the horizon is counted up to this many rule
// dates; a longer one is written as its end date.
constexpr int MostCountedDates = 100000;

const std::array<const char *, WeekdayCount> WeekdayCodes = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
// The shortest and longest length of each month, January first.
const std::array<int, MonthCount> ShortestMonth = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const std::array<int, MonthCount> LongestMonth = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// libical writes no date after the year 3000.
constexpr int LastWritableYear = 3000;

bool isWritable(QDate date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= LastWritableYear;
}

icaltimetype icalDate(QDate date)
{
    // Not icaltime_null_date(): its hours of -1 stall the rule iterator.
    icaltimetype time = icaltime_null_time();
    time.is_date = 1;
    time.year = date.year();
    time.month = date.month();
    time.day = date.day();
    return time;
}

// A text as the format allows it: line breaks as one kind, other control
// characters dropped. libical escapes the rest.
QByteArray plainText(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    utf8.replace("\r\n", "\n");
    utf8.replace('\r', '\n');
    utf8.removeIf([](char c) { return uchar(c) < 0x20 ? c != '\n' && c != '\t' : uchar(c) == 0x7f; });
    return utf8;
}

// ---- recurrence rules: the schedule's dates before any move

QByteArray frequency(const char *freq, int every)
{
    QByteArray rule = QByteArray("FREQ=") + freq;
    if (every > 1)
        rule += ";INTERVAL=" + QByteArray::number(every);
    return rule;
}

// "2MO,2FR" for the selected weekdays; `ordinal` 0 writes none.
QByteArray weekdayList(const std::array<bool, WeekdayCount> &weekdays, int ordinal)
{
    QByteArray list;
    for (int day = 0; day < WeekdayCount; ++day) {
        if (!weekdays[std::size_t(day)])
            continue;
        if (!list.isEmpty())
            list += ',';
        if (ordinal != 0)
            list += QByteArray::number(ordinal);
        list += WeekdayCodes[std::size_t(day)];
    }
    return list;
}

const QByteArray WorkingDays = QByteArrayLiteral("BYDAY=MO,TU,WE,TH,FR");

QByteArray weeklyRule(const Event &event, int every)
{
    const QByteArray list = weekdayList(event.weekdays, 0);
    if (list.isEmpty())
        return {};
    return frequency("WEEKLY", every) + ";BYDAY=" + list + ";WKST=MO";
}

// BYMONTHDAY (and BYSETPOS) for "Day" N of every month, or empty when no
// rule names it. A day that short months lack, running over into the next
// month, is named in the months that have it: the others come as moves.
QByteArray monthDayOfEveryMonth(const Event &event, int fromEnd)
{
    if (fromEnd > 0) {
        // The N-th last day, or the first day of a shorter month.
        if (fromEnd <= DaysInEveryMonth || fromEnd < MostDaysInMonth)
            return "BYMONTHDAY=" + QByteArray::number(-fromEnd);
        return "BYMONTHDAY=1";
    }
    const int n = event.ordinal;
    if (n < 1 || n > MostDaysInMonth)
        return {};
    if (n <= DaysInEveryMonth || event.options.shortMonths != ScheduleOptions::LastDay)
        return "BYMONTHDAY=" + QByteArray::number(n);
    if (n == MostDaysInMonth)
        return "BYMONTHDAY=-1";
    // Day 29 or 30, or the last day of a shorter month: the latest of the
    // days from 28 up to N that the month has.
    QByteArray days = "BYMONTHDAY=" + QByteArray::number(DaysInEveryMonth);
    for (int day = DaysInEveryMonth + 1; day <= n; ++day)
        days += ',' + QByteArray::number(day);
    return days + ";BYSETPOS=-1";
}

QByteArray monthlyRule(const Event &event, int every, int fromEnd)
{
    const int business = event.options.businessDay;
    if (business != 0) {
        // Business days before holidays are the weekdays.
        if (business > ScheduleOptions::MaximumBusinessDay || business < -ScheduleOptions::MaximumBusinessDay)
            return {};
        return frequency("MONTHLY", every) + ';' + WorkingDays + ";BYSETPOS=" + QByteArray::number(business);
    }
    const int n = fromEnd > 0 ? fromEnd : event.ordinal;
    const bool weekdayFamilies = n >= 1 && n <= 5 && event.anyWeekdaySelected();
    // BYMONTHDAY and BYDAY together name their intersection, not the union.
    if (event.byDay == weekdayFamilies)
        return {};
    if (event.byDay) {
        const QByteArray day = monthDayOfEveryMonth(event, fromEnd);
        if (day.isEmpty())
            return {};
        // The last day moved off weekends to the Friday before is the last
        // weekday of the month, and the first moved to the Monday after the
        // first weekday: rules of their own that stay exact for ever.
        const int weekends = event.options.weekends;
        if (day == "BYMONTHDAY=-1" && weekends == ScheduleOptions::FridayBefore)
            return frequency("MONTHLY", every) + ';' + WorkingDays + ";BYSETPOS=-1";
        if (day == "BYMONTHDAY=1" && weekends == ScheduleOptions::MondayAfter)
            return frequency("MONTHLY", every) + ';' + WorkingDays + ";BYSETPOS=1";
        return frequency("MONTHLY", every) + ';' + day;
    }
    // Months with a fifth weekday come often enough, but not every N-th month
    // need ever have one; such a rule would search on for ever.
    if (n == 5 && every > 1)
        return {};
    return frequency("MONTHLY", every) + ";BYDAY=" + weekdayList(event.weekdays, fromEnd > 0 ? -n : n);
}

QByteArray monthList(const Event &event)
{
    QByteArray list;
    for (int month = 0; month < MonthCount; ++month) {
        if (!event.months[std::size_t(month)])
            continue;
        if (!list.isEmpty())
            list += ',';
        list += QByteArray::number(month + 1);
    }
    return list;
}

// BYMONTHDAY for "Day" N of the selected months; 0 when no single value
// says it. A month shorter than N gives its last day (its first counted
// from the end).
int monthDayOfSelectedMonths(const Event &event, int n, bool fromEnd)
{
    int shortest = MostDaysInMonth;
    int longest = 0;
    for (int month = 0; month < MonthCount; ++month) {
        if (!event.months[std::size_t(month)])
            continue;
        shortest = std::min(shortest, ShortestMonth[std::size_t(month)]);
        longest = std::max(longest, LongestMonth[std::size_t(month)]);
    }
    if (n <= shortest)
        return fromEnd ? -n : n;
    if (n >= longest)
        return fromEnd ? 1 : -1;
    return 0;
}

QByteArray yearlyRule(const Event &event, int every, int fromEnd)
{
    const bool counted = fromEnd > 0;
    const int n = counted ? fromEnd : event.ordinal;
    const bool weekday = event.anyWeekdaySelected();
    const bool month = event.anyMonthSelected();
    // The kinds of dates the engine makes of the record. One rule can say
    // only one kind: its parts restrict each other.
    const bool dayOfYear = event.byDay && event.byYear;
    const bool dayOfMonths = event.byDay && month && (counted || event.ordinal >= 1);
    const bool weekdayOfYear = weekday && event.byYear;
    const bool weekdayOfMonths = weekday && month && (!counted || n <= 5);
    if (int(dayOfYear) + int(dayOfMonths) + int(weekdayOfYear) + int(weekdayOfMonths) != 1)
        return {};
    const QByteArray rule = frequency("YEARLY", every);
    if (dayOfYear) {
        // Counted from the start, a day past the year's end runs over into
        // the next; from the end, a year shorter than N gives 1 January.
        if (counted)
            return rule + ";BYYEARDAY=" + QByteArray::number(n <= DaysInEveryYear ? -n : 1);
        if (n < 1 || n > DaysInEveryYear)
            return {};
        return rule + ";BYYEARDAY=" + QByteArray::number(n);
    }
    if (dayOfMonths) {
        const int day = monthDayOfSelectedMonths(event, n, counted);
        if (day == 0)
            return {};
        return rule + ";BYMONTH=" + monthList(event) + ";BYMONTHDAY=" + QByteArray::number(day);
    }
    if (weekdayOfYear) {
        // Up to the 52nd, every year has the weekday; the 53rd runs out of it.
        if (n < 1 || n > MostWeeksInEveryYear)
            return {};
        if (n < 10)
            return rule + ";BYDAY=" + weekdayList(event.weekdays, counted ? -n : n);
        // A two-digit count in BYDAY is valid, but some readers (Python's
        // icalendar 4) drop the whole rule: the N-th of one weekday's dates
        // says it too. Several weekdays have no such rule.
        if (std::count(event.weekdays.begin(), event.weekdays.end(), true) != 1)
            return {};
        return rule + ";BYDAY=" + weekdayList(event.weekdays, 0) + ";BYSETPOS=" + QByteArray::number(counted ? -n : n);
    }
    // Counted from the start, the N-th weekday of a month runs on into the
    // next month when the month has fewer; from the end it is kept inside,
    // and a fifth comes in some year only when every year is the bill's.
    const bool fits = n >= 1 && (n <= WeekdaysInEveryMonth || (counted && n == 5 && every == 1));
    if (!fits)
        return {};
    return rule + ";BYMONTH=" + monthList(event) + ";BYDAY=" + weekdayList(event.weekdays, counted ? -n : n);
}

// Whether a bill's rule names exactly its schedule's dates before any move,
// as the engine makes them: all but business days (which holidays leave),
// the last and first weekday (moved dates themselves), and a "Day" N that
// short months lack (runs over) or the 29th or 30th last day.
bool namesUnmovedSchedule(const Event &event, const QByteArray &rule)
{
    if (event.schedule != Event::ScheduleMonthly)
        return true;
    if (event.options.businessDay != 0 || rule.contains(WorkingDays))
        return false;
    if (!event.byDay)
        return true;
    const int fromEnd = event.options.fromEnd;
    if (fromEnd > 0)
        return fromEnd <= DaysInEveryMonth || fromEnd >= MostDaysInMonth;
    return event.ordinal <= DaysInEveryMonth || event.options.shortMonths == ScheduleOptions::LastDay;
}

// ---- periods: where the rule's counting of every N starts

// The week (Monday first), month or year of a day, as a running index.
qint64 periodOf(const Event &event, QDate date)
{
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        return dayNumber(date) / WeekDays;
    case Event::ScheduleMonthly:
        return qint64(date.year()) * MonthCount + date.month() - 1;
    default:
        return date.year();
    }
}

QDate periodStart(const Event &event, qint64 period)
{
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        return dateOfDayNumber(period * WeekDays);
    case Event::ScheduleMonthly:
        return QDate(int(period / MonthCount), int(period % MonthCount) + 1, 1);
    default:
        return QDate(int(period), 1, 1);
    }
}

// The first period at or after `period` that holds the bill's dates.
qint64 validPeriodFrom(const Event &event, qint64 period)
{
    const int every = event.options.effectiveEvery();
    if (every == 1)
        return period;
    const qint64 first = periodOf(event, event.options.everyFrom);
    if (period <= first)
        return first;
    return first + (period - first + every - 1) / every * every;
}

// ---- UIDs and twins

// What two bills of the same UID key share in their records: the name and
// the schedule fields before any schedule option.
QByteArray recordScheduleKey(const Event &event)
{
    QByteArray key = event.name.toUtf8();
    key += '\0';
    key += QByteArray::number(event.schedule) + ';';
    if (event.schedule == Event::ScheduleSingular) {
        key += QByteArray::number(dayNumber(event.eventDate));
    } else {
        for (bool day : event.weekdays)
            key += day ? '1' : '0';
        for (bool month : event.months)
            key += month ? '1' : '0';
        key += ';' + QByteArray::number(event.byDay) + ';' + QByteArray::number(event.byYear) + ';'
               + QByteArray::number(event.ordinal);
    }
    return key;
}

// The key of a bill's UID: its name and what its dates depend on, not its
// end, so a changed end updates the same event.
QByteArray uidBase(const Event &event)
{
    QByteArray key = recordScheduleKey(event);
    if (event.schedule != Event::ScheduleSingular) {
        const ScheduleOptions &options = event.options;
        key += ';' + QByteArray::number(options.effectiveEvery());
        if (options.effectiveEvery() > 1)
            key += ';' + QByteArray::number(dayNumber(options.everyFrom));
        key += ';' + QByteArray::number(options.fromEnd) + ';' + QByteArray::number(options.shortMonths) + ';'
               + QByteArray::number(options.weekends);
        // Bills from before business days keep the UID they always had.
        if (options.businessDay != 0)
            key += ";b" + QByteArray::number(options.businessDay);
    }
    return QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32);
}

// The filter that finds bills alike in name and schedule: 2^23 bits (1 MB)
// keep false alarms below one in 10^5 up to 100,000 bills and rare far
// beyond.
constexpr quint64 FilterBits = quint64(1) << 23;
constexpr int FilterProbes = 4;

// The record part of a bill's UID key, hashed.
quint64 twinKey(const Event &event)
{
    return quint64(qHash(recordScheduleKey(event), size_t(0x9e3779b97f4a7c15ULL)));
}

template<typename Visit>
bool probeFilter(quint64 key, Visit visit)
{
    const quint64 step = (key >> 32) | 1;
    quint64 bit = key & 0xffffffffu;
    bool all = true;
    for (int i = 0; i < FilterProbes; ++i, bit += step)
        all = visit(bit & (FilterBits - 1)) && all;
    return all;
}

bool filterHas(const std::vector<quint64> &filter, quint64 key)
{
    return probeFilter(key, [&](quint64 bit) { return (filter[bit / 64] >> (bit % 64) & 1) != 0; });
}

void filterAdd(std::vector<quint64> &filter, quint64 key)
{
    probeFilter(key, [&](quint64 bit) {
        filter[bit / 64] |= quint64(1) << (bit % 64);
        return true;
    });
}

// ---- the dates of one bill

bool hasEnd(const Event &event)
{
    return event.endMode != Event::EndNever;
}

bool isPaid(const Event &event, const DueDate &due)
{
    return event.payments.isTracking() && event.payments.paidThrough.isValid()
           && due.scheduled <= event.payments.paidThrough;
}

// What one bill's event says about its dates.
struct BillDates
{
    QDate start;
    QByteArray rule; // with its COUNT or UNTIL; empty: the dates are listed
    std::vector<qint64> exdates;
    std::vector<qint64> rdates;
};

// The engine's due dates from `today` through `last`, within the bill's end,
// without the paid ones; the scheduled date of the first in *firstScheduled.
std::vector<qint64> engineDates(const Event &event, QDate today, qint64 last, qint64 *firstScheduled)
{
    std::vector<qint64> dates;
    const qint64 end = dayNumber(event.endDate);
    DueDayWalk walk(event);
    for (qint64 day = dayNumber(today) - 1;;) {
        const qint64 due = walk.after(day);
        if (due == 0 || due > last || (hasEnd(event) && walk.scheduled() > end))
            break;
        if (*firstScheduled == 0)
            *firstScheduled = walk.scheduled();
        if (!isPaid(event, {dateOfDayNumber(due), dateOfDayNumber(walk.scheduled())}))
            dates.push_back(due);
        day = due;
    }
    return dates;
}

struct RuleDates
{
    std::vector<qint64> dates; // from the first period looked at, through the last day asked for
    qint64 countAfterLast = 0; // how many more up to the bill's end, for its COUNT; -1: too many

    // Takes the rule's next date; false once no later one matters (past
    // `last` without a count, or too many to count).
    bool take(qint64 day, qint64 last, bool counted)
    {
        if (day <= last) {
            dates.push_back(day);
            return true;
        }
        if (!counted)
            return false;
        if (++countAfterLast > MostCountedDates) {
            countAfterLast = -1;
            return false;
        }
        return true;
    }
};

// The dates libical expands `rule` to, from the start of period `period`
// through `last`; with an end, counted on up to the end.
RuleDates ruleDates(const Event &event, icalrecurrencetype rule, qint64 period, qint64 last)
{
    RuleDates result;
    const QDate first = periodStart(event, period);
    if (!isWritable(first))
        return result;
    if (hasEnd(event))
        rule.until = icalDate(event.endDate);
    icalrecur_iterator *iterator = icalrecur_iterator_new(rule, icalDate(first));
    if (!iterator)
        return result;
    const bool counted = event.endMode == Event::EndAfterTimes;
    for (icaltimetype next = icalrecur_iterator_next(iterator); !icaltime_is_null_time(next);
         next = icalrecur_iterator_next(iterator)) {
        if (!result.take(dayNumber(QDate(next.year, next.month, next.day)), last, counted))
            break;
    }
    icalrecur_iterator_free(iterator);
    return result;
}

// The same dates from the engine, for a rule that names the schedule's dates
// before any move (namesUnmovedSchedule): those of the bill without its
// moves. As exact as libical's expansion (the tests compare both for every
// schedule), and some hundred times faster: libical steps through a rule's
// dates at several microseconds each.
RuleDates unmovedDates(const Event &event, qint64 period, qint64 last)
{
    RuleDates result;
    Event unmoved = event;
    unmoved.options.weekends = ScheduleOptions::KeepWeekend;
    const qint64 end = dayNumber(event.endDate);
    const bool counted = event.endMode == Event::EndAfterTimes;
    DueDayWalk walk(unmoved);
    for (qint64 day = dayNumber(periodStart(event, period)) - 1;;) {
        day = walk.after(day);
        if (day == 0 || (hasEnd(event) && walk.scheduled() > end) || !result.take(day, last, counted))
            break;
    }
    return result;
}

std::vector<qint64> difference(const std::vector<qint64> &a, const std::vector<qint64> &b)
{
    std::vector<qint64> only;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(only));
    return only;
}

QByteArray ruleEnd(const Event &event, qint64 count)
{
    if (event.endMode == Event::EndAfterTimes && count >= 0)
        return ";COUNT=" + QByteArray::number(count);
    if (hasEnd(event) && isWritable(event.endDate))
        return ";UNTIL=" + event.endDate.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    return {};
}

// Most bills move no date and have a rule that names their dates exactly:
// the comparison would find nothing, so it is not made. Their event starts
// on the next due date.
bool datesWithoutMoves(const Event &event, QDate today, const QByteArray &rule, BillDates *dates)
{
    const bool moves = event.options.weekends == ScheduleOptions::FridayBefore
                       || event.options.weekends == ScheduleOptions::MondayAfter || event.options.businessDay != 0;
    if (rule.isEmpty() || moves || !namesUnmovedSchedule(event, rule))
        return false;
    const DueDate first = nextDueDate(event, today);
    if (!isWritable(first.date) || first.date > today.addYears(CalendarExport::HorizonYears) || first.endsAfter(event)
        || isPaid(event, first))
        return false;
    dates->start = first.date;
    dates->rule = rule + ruleEnd(event, remainingOccurrences(event, today.addDays(-1)));
    return true;
}

// The dates of a repeating bill from `today` on: its rule with the
// engine's differences, or its listed dates. False when it has none ahead.
bool repeatingDates(const Event &event, QDate today, BillDates *dates)
{
    const QByteArray ruleText = CalendarExport::scheduleRule(event);
    if (datesWithoutMoves(event, today, ruleText, dates))
        return true;
    const QDate horizon = today.addYears(CalendarExport::HorizonYears);
    qint64 last = dayNumber(horizon) + MoveMarginDays;
    qint64 firstScheduled = 0;
    std::vector<qint64> engine = engineDates(event, today, last, &firstScheduled);
    if (engine.empty()) {
        // A bill whose next date lies beyond the horizon still gets it.
        const DueDate next = nextDueDate(event, horizon);
        if (!next.date.isValid() || next.date < horizon || next.endsAfter(event) || isPaid(event, next))
            return false;
        last = dayNumber(next.date) + MoveMarginDays;
        firstScheduled = 0;
        engine = engineDates(event, next.date, last, &firstScheduled);
        if (engine.empty())
            return false;
    }
    dates->start = dateOfDayNumber(engine.front());
    dates->rdates.assign(engine.begin() + 1, engine.end());
    if (ruleText.isEmpty() || !isWritable(dates->start) || !isWritable(dateOfDayNumber(last)))
        return true;
    const icalrecurrencetype rule = icalrecurrencetype_from_string(ruleText.constData());
    if (rule.freq == ICAL_NO_RECURRENCE)
        return true;
    // The event starts on the rule's first date from the earliest of today,
    // the first scheduled date and the first due date, or on the rule's date
    // before that when the rule's first would come after the first due date.
    const qint64 from = std::min({dayNumber(today), firstScheduled, engine.front()});
    const qint64 period = validPeriodFrom(event, periodOf(event, dateOfDayNumber(from)));
    const qint64 earlier = event.options.effectiveEvery() > 1 ? period - event.options.effectiveEvery() : period - 1;
    const bool earlierHolds = validPeriodFrom(event, earlier) == earlier && isWritable(periodStart(event, earlier));
    const qint64 firstPeriod = earlierHolds ? earlier : period;
    const RuleDates found = namesUnmovedSchedule(event, ruleText) ? unmovedDates(event, firstPeriod, last)
                                                                  : ruleDates(event, rule, firstPeriod, last);
    auto start = std::lower_bound(found.dates.begin(), found.dates.end(), from);
    if (start == found.dates.end())
        return true;
    if (*start > engine.front() && start != found.dates.begin())
        --start;
    const std::vector<qint64> named(start, found.dates.end());
    const qint64 count = found.countAfterLast >= 0 ? qint64(named.size()) + found.countAfterLast : -1;
    dates->start = dateOfDayNumber(named.front());
    dates->rule = ruleText + ruleEnd(event, count);
    dates->exdates = difference(named, engine);
    dates->rdates = difference(engine, named);
    return true;
}

// ---- the bill's component

// One alarm per reminder, at `seconds` after midnight of the day it names:
// offsets from the start of the all-day event, in seconds, without repeats.
std::vector<int> alarmOffsets(const Event &event, int seconds)
{
    std::vector<int> offsets;
    const auto add = [&](int days) {
        const int offset = days * SecondsPerDay + seconds;
        if (std::find(offsets.begin(), offsets.end(), offset) == offsets.end())
            offsets.push_back(offset);
    };
    if (event.notify)
        add(-std::max(0, int(event.notifyDays)));
    for (const ExtraReminder &reminder : event.extraReminders) {
        const int days = std::clamp(int(reminder.days), 0, int(ExtraReminder::MaximumDays));
        if (!reminder.isAfter())
            add(-days);
        else if (event.payments.isTracking())
            add(days);
    }
    return offsets;
}

icalproperty *dateProperty(icalproperty *property)
{
    icalproperty_add_parameter(property, icalparameter_new_value(ICAL_VALUE_DATE));
    return property;
}

icalproperty *rdateProperty(qint64 day)
{
    icaldatetimeperiodtype value;
    value.time = icalDate(dateOfDayNumber(day));
    value.period = icalperiodtype_null_period();
    return dateProperty(icalproperty_new_rdate(value));
}

// What every bill's component carries besides its dates.
struct BillTexts
{
    QByteArray uid;
    icaltimetype stamp;
    QByteArray summary;
    QByteArray description;
    std::vector<int> alarms;
};

icalcomponent *billComponent(const BillTexts &texts, const BillDates &dates)
{
    icalcomponent *event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(event, icalproperty_new_uid(texts.uid.constData()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(texts.stamp));
    icalcomponent_add_property(event, dateProperty(icalproperty_new_dtstart(icalDate(dates.start))));
    const QDate nextDay = dates.start.addDays(1);
    if (isWritable(nextDay))
        icalcomponent_add_property(event, dateProperty(icalproperty_new_dtend(icalDate(nextDay))));
    if (!dates.rule.isEmpty())
        icalcomponent_add_property(event, icalproperty_new_rrule(icalrecurrencetype_from_string(dates.rule.constData())));
    for (qint64 day : dates.exdates)
        icalcomponent_add_property(event, dateProperty(icalproperty_new_exdate(icalDate(dateOfDayNumber(day)))));
    for (qint64 day : dates.rdates)
        icalcomponent_add_property(event, rdateProperty(day));
    icalcomponent_add_property(event, icalproperty_new_summary(texts.summary.constData()));
    if (!texts.description.isEmpty())
        icalcomponent_add_property(event, icalproperty_new_description(texts.description.constData()));
    // A bill takes no time in the user's day.
    icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    for (int offset : texts.alarms) {
        icalcomponent *alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
        icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        // A display alarm must have a text of its own.
        icalcomponent_add_property(alarm, icalproperty_new_description(texts.summary.constData()));
        icaltriggertype trigger;
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(offset);
        icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
        icalcomponent_add_component(event, alarm);
    }
    return event;
}

// The bill's dates from `today` on; false when it has none to write.
bool billDates(const Event &event, QDate today, BillDates *dates)
{
    if (event.schedule != Event::ScheduleSingular)
        return repeatingDates(event, today, dates);
    // A singular bill shows on its date, past or not, until it is paid.
    if (!isWritable(event.eventDate) || isPaid(event, {event.eventDate, event.eventDate}))
        return false;
    dates->start = event.eventDate;
    return true;
}

} // namespace

CalendarExport::CalendarExport(QDate today)
    : m_today(today.isValid() ? today : QDate::currentDate())
{
}

CalendarExport::CalendarExport(CalendarExport &&other) noexcept = default;
CalendarExport &CalendarExport::operator=(CalendarExport &&other) noexcept = default;
CalendarExport::~CalendarExport() = default;

void CalendarExport::setStamp(const QDateTime &stamp)
{
    m_stamp = stamp;
}

void CalendarExport::setDescriptionFunction(std::function<QString(const Event &)> description)
{
    m_description = std::move(description);
}

void CalendarExport::setAlarmTime(QTime time)
{
    m_alarmTime = time.isValid() ? time : QTime(DefaultAlarmHour, 0);
}

namespace {
const char *const AlarmTimeKey = "Calendar/AlarmTime";
const QString AlarmTimeFormat = QStringLiteral("HH:mm");

QSettings nativeSettings()
{
    return QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
}
} // namespace

QTime CalendarExport::savedAlarmTime()
{
    const QTime time = QTime::fromString(nativeSettings().value(QLatin1String(AlarmTimeKey)).toString(), AlarmTimeFormat);
    return time.isValid() ? time : QTime(DefaultAlarmHour, 0);
}

void CalendarExport::saveAlarmTime(QTime time)
{
    QSettings settings = nativeSettings();
    settings.setValue(QLatin1String(AlarmTimeKey), time.toString(AlarmTimeFormat));
}

QString CalendarExport::amountDescription(const Event &event)
{
    return event.amount.isNull() ? QString() : QStringLiteral("Amount: %1").arg(event.amount.toString(QLocale()));
}

QByteArray CalendarExport::scheduleRule(const Event &event)
{
    const int every = event.options.effectiveEvery();
    const int fromEnd = event.options.fromEnd > 0 ? event.options.fromEnd : 0;
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        return weeklyRule(event, every);
    case Event::ScheduleMonthly:
        return monthlyRule(event, every, fromEnd);
    case Event::ScheduleYearly:
        return yearlyRule(event, every, fromEnd);
    default:
        return {};
    }
}

bool CalendarExport::write(QIODevice *device, const EventList &bills)
{
    forgetBills();
    for (const Event *event : bills) {
        if (event)
            noteBill(*event);
    }
    if (!begin(device))
        return false;
    for (const Event *event : bills) {
        if (event && !writeBill(*event))
            return false;
    }
    return end();
}

void CalendarExport::forgetBills()
{
    m_device = nullptr;
    m_written = false;
    m_noted.clear();
    m_noted.shrink_to_fit();
    m_twinKeys.clear();
    m_uidsSeen.clear();
}

void CalendarExport::noteBill(const Event &event)
{
    if (m_noted.empty())
        m_noted.assign(FilterBits / 64, 0);
    const quint64 key = twinKey(event);
    if (filterHas(m_noted, key))
        m_twinKeys.insert(key);
    else
        filterAdd(m_noted, key);
}

bool CalendarExport::put(const QByteArray &bytes)
{
    m_written = m_written && m_device->write(bytes) == bytes.size();
    return m_written;
}

bool CalendarExport::begin(QIODevice *device)
{
    m_billsWritten = 0;
    m_uidsSeen.clear();
    const QDateTime stamp = m_stamp.isValid() ? m_stamp.toUTC() : QDateTime::currentDateTimeUtc();
    m_stampValue = stamp.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
    m_device = device;
    m_written = device != nullptr;
    return m_written
           && put("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tervona//Payvane//EN\r\nCALSCALE:GREGORIAN\r\n");
}

bool CalendarExport::writeBill(const Event &event)
{
    m_lastUid.clear();
    if (!m_device || !m_written)
        return false;
    BillDates dates;
    if (!billDates(event, m_today, &dates))
        return true;
    BillTexts texts;
    if (!event.calendarUid.isNull()) {
        // A bill that is published keeps its own UID through every change.
        texts.uid = event.calendarUid.toByteArray(QUuid::WithoutBraces);
    } else {
        texts.uid = uidBase(event);
        if (m_twinKeys.contains(twinKey(event))) {
            const int seen = ++m_uidsSeen[texts.uid];
            if (seen > 1)
                texts.uid += '-' + QByteArray::number(seen);
        }
        texts.uid += "@payvane";
    }
    m_lastUid = texts.uid;
    texts.stamp = icaltime_from_string(m_stampValue.constData());
    texts.summary = plainText(event.name);
    if (m_description)
        texts.description = plainText(m_description(event));
    texts.alarms = alarmOffsets(event, m_alarmTime.msecsSinceStartOfDay() / 1000);
    icalcomponent *component = billComponent(texts, dates);
    char *text = icalcomponent_as_ical_string_r(component);
    icalcomponent_free(component);
    const bool written = text && put(QByteArray::fromRawData(text, qsizetype(qstrlen(text))));
    icalmemory_free_buffer(text);
    if (written)
        ++m_billsWritten;
    return written;
}

bool CalendarExport::end()
{
    if (!m_device || !m_written)
        return false;
    const bool written = put("END:VCALENDAR\r\n");
    forgetBills();
    return written;
}

QByteArray CalendarExport::calendar(const EventList &bills)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(&buffer, bills);
    return bytes;
}
