#ifndef PAYVANE_OCCURRENCECOUNTS_H
#define PAYVANE_OCCURRENCECOUNTS_H

#include "occurrence.h"
#include "scheduleoptions.h"

#include <QDate>
#include <QHash>
#include <QList>

#include <memory>

struct Event;

// nextOccurrence and remainingOccurrences of many bills on one day. Bills
// with the same schedule share their due dates, so a long list walks the
// dates of each schedule once instead of once per bill.
class OccurrenceCounts
{
public:
    explicit OccurrenceCounts(QDate today);

    // The same as nextDueDate(event, today).
    [[nodiscard]] DueDate nextDue(const Event &event);
    // The same as nextOccurrence(event, today).
    [[nodiscard]] QDate next(const Event &event) { return nextDue(event).date; }
    // The same as remainingOccurrences(event, today).
    [[nodiscard]] int remaining(const Event &event);

    // Everything the due dates of a repeating bill depend on.
    struct ScheduleKey
    {
        qint32 schedule;
        qint32 ordinal;
        quint32 flags; // byDay, byYear, the weekdays and the months, a bit each
        ScheduleOptions options;

        friend bool operator==(const ScheduleKey &a, const ScheduleKey &b)
        {
            return a.schedule == b.schedule && a.ordinal == b.ordinal && a.flags == b.flags
                   && a.options == b.options;
        }
        friend size_t qHash(const ScheduleKey &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.schedule, key.ordinal, key.flags, key.options.every,
                              key.options.everyFrom, key.options.fromEnd, key.options.shortMonths,
                              key.options.weekends);
        }
    };

private:
    struct Walk;

    [[nodiscard]] static ScheduleKey scheduleKey(const Event &event);
    // Walks on until the last day lies after `end` or the walk ends.
    static void extend(Walk &walk, qint64 start, qint64 end);

    QDate m_today;
    qint64 m_todayDay;
    QHash<ScheduleKey, DueDate> m_nextDates;
    QHash<ScheduleKey, std::shared_ptr<Walk>> m_walks;
};

#endif // PAYVANE_OCCURRENCECOUNTS_H
