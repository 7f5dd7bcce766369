#include "occurrencecounts.h"

#include "daynumber.h"
#include "event.h"
#include "occurrence.h"

#include <algorithm>
#include <climits>

namespace {

// The list keeps each schedule's due days from today so that every bill of
// that schedule counts them by a look-up. Keeping them costs one step and
// eight bytes per due date: an end further away than this (a weekly bill to
// the year 9999 has 400,000 dates) is left to remainingOccurrences, which
// skips whole 400-year cycles of the same walk.
constexpr qint64 WalkLimitDays = 100 * 366;

} // namespace

// The due days of one schedule after today, walked as far as asked, by the
// engine's own walk.
struct OccurrenceCounts::Walk
{
    explicit Walk(const Event &scheduleOf) : event(scheduleOf), steps(event) { }

    const Event event;  // the walk keeps its own copy of the schedule
    DueDayWalk steps;
    QList<qint64> dueDays;       // rising
    QList<qint64> scheduledDays; // the scheduled day of each, rising too
    bool ended = false;          // the walk yields no later day
};

OccurrenceCounts::OccurrenceCounts(QDate today)
    : m_today(today)
    , m_todayDay(dayNumber(today))
{
}

OccurrenceCounts::ScheduleKey OccurrenceCounts::scheduleKey(const Event &event)
{
    quint32 flags = (event.byDay ? 1u : 0u) | (event.byYear ? 2u : 0u);
    quint32 bit = 4;
    for (bool day : event.weekdays) {
        flags |= day ? bit : 0u;
        bit <<= 1;
    }
    for (bool month : event.months) {
        flags |= month ? bit : 0u;
        bit <<= 1;
    }
    return {event.schedule, event.ordinal, flags, event.options};
}

DueDate OccurrenceCounts::nextDue(const Event &event)
{
    if (event.schedule == Event::ScheduleSingular)
        return nextDueDate(event, m_today);
    const ScheduleKey key = scheduleKey(event);
    auto found = m_nextDates.constFind(key);
    if (found == m_nextDates.cend())
        found = m_nextDates.insert(key, nextDueDate(event, m_today));
    return *found;
}

void OccurrenceCounts::extend(Walk &walk, qint64 start, qint64 end)
{
    qint64 day = walk.dueDays.isEmpty() ? start : walk.dueDays.last();
    while (!walk.ended && (walk.scheduledDays.isEmpty() || walk.scheduledDays.last() <= end)) {
        const qint64 following = walk.steps.after(day);
        if (following == 0) {
            walk.ended = true;
            break;
        }
        walk.dueDays.append(following);
        walk.scheduledDays.append(walk.steps.scheduled());
        day = following;
    }
}

int OccurrenceCounts::remaining(const Event &event)
{
    const qint64 end = dayNumber(event.endDate);
    const bool walkable = event.endMode != Event::EndNever
                          && (event.schedule == Event::ScheduleMonthly || event.schedule == Event::ScheduleYearly)
                          && end - m_todayDay <= WalkLimitDays;
    if (!walkable)
        return remainingOccurrences(event, m_today);
    std::shared_ptr<Walk> &walk = m_walks[scheduleKey(event)];
    if (!walk)
        walk = std::make_shared<Walk>(event);
    extend(*walk, m_todayDay, end);
    // The end date counts the scheduled days.
    const qsizetype count = std::upper_bound(walk->scheduledDays.cbegin(), walk->scheduledDays.cend(), end)
                            - walk->scheduledDays.cbegin();
    return int(std::min<qsizetype>(count, INT_MAX));
}
