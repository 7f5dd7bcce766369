#include "occurrencecounts.h"

#include "daynumber.h"
#include "event.h"
#include "occurrence.h"

#include <algorithm>
#include <climits>

namespace {

// Counting by walking costs one step per due date; an end further away
// than this is left to remainingOccurrences, which skips whole cycles.
constexpr qint64 WalkLimitDays = 100 * 366;

} // namespace

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
    return {event.schedule, event.ordinal, flags};
}

QDate OccurrenceCounts::next(const Event &event)
{
    if (event.schedule == Event::ScheduleSingular)
        return nextOccurrence(event, m_today);
    const ScheduleKey key = scheduleKey(event);
    auto found = m_nextDates.constFind(key);
    if (found == m_nextDates.cend())
        found = m_nextDates.insert(key, nextOccurrence(event, m_today));
    return *found;
}

void OccurrenceCounts::extend(Walk &walk, const Event &event, qint64 start, qint64 end)
{
    // Each step is the due date after the last one; a schedule that gives
    // no date, or none later, ends the walk (as it ends a count).
    qint64 day = walk.days.isEmpty() ? start : walk.days.last();
    while (!walk.ended && (walk.days.isEmpty() || walk.days.last() <= end)) {
        const qint64 following = dayNumber(nextOccurrence(event, dateOfDayNumber(day + 1)));
        if (following == 0 || following <= day) {
            walk.ended = true;
            break;
        }
        walk.days.append(following);
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
    Walk &walk = m_walks[scheduleKey(event)];
    extend(walk, event, m_todayDay, end);
    const qsizetype count = std::upper_bound(walk.days.cbegin(), walk.days.cend(), end) - walk.days.cbegin();
    return int(std::min<qsizetype>(count, INT_MAX));
}
