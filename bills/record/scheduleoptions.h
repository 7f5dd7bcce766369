#ifndef PAYVANE_SCHEDULEOPTIONS_H
#define PAYVANE_SCHEDULEOPTIONS_H

#include <QDate>

// How a repeating bill's schedule goes beyond the record's own fields. Kept
// in the bill file's extension block; every default is the record's plain
// meaning, so a bill that uses none of them behaves as it always did.
struct ScheduleOptions
{
    // What "Day" N of a month means when the month has fewer than N days.
    enum ShortMonths : qint32 {
        RunOver = 0, // the days run on into the next month (31 from April: 1 May)
        LastDay = 1, // the month's last day
    };
    // Where a due date that falls on a Saturday or Sunday goes.
    enum Weekends : qint32 {
        KeepWeekend = 0,
        FridayBefore = 1,
        MondayAfter = 2,
    };

    static constexpr int MaximumEvery = 99;

    // Every N weeks, months or years (1 to 99), counted from the week, month
    // or year of `everyFrom`. Above 1 without a start date it counts as 1.
    qint32 every = 1;
    QDate everyFrom;
    // Above 0: "Day" N and the N-th weekday count from the end of their
    // month or year (1 the last, 2 the second last), and this is the N; the
    // record's own ordinal then holds the nearest count from the start, for
    // programs that know only the record.
    qint32 fromEnd = 0;
    qint32 shortMonths = RunOver;
    qint32 weekends = KeepWeekend;
    // Not 0: a monthly bill is due on the N-th business day of its month
    // (1 the first), or below 0 on the N-th last (-1 the last), in place of
    // the record's day. Business days are the weekdays that are no holiday.
    qint32 businessDay = 0;
    static constexpr int MaximumBusinessDay = 23;

    // The every-N step that applies: 1 unless a valid N above 1 has a start.
    [[nodiscard]] int effectiveEvery() const
    {
        return every > 1 && every <= MaximumEvery && everyFrom.isValid() ? int(every) : 1;
    }
    // Whether nothing here changes the record's plain meaning.
    [[nodiscard]] bool isDefault() const
    {
        return effectiveEvery() == 1 && fromEnd <= 0 && shortMonths != LastDay
               && weekends != FridayBefore && weekends != MondayAfter && businessDay == 0;
    }

    friend bool operator==(const ScheduleOptions &a, const ScheduleOptions &b)
    {
        return a.every == b.every && a.everyFrom == b.everyFrom && a.fromEnd == b.fromEnd
               && a.shortMonths == b.shortMonths && a.weekends == b.weekends
               && a.businessDay == b.businessDay;
    }
    friend bool operator!=(const ScheduleOptions &a, const ScheduleOptions &b) { return !(a == b); }
};

#endif // PAYVANE_SCHEDULEOPTIONS_H
