#ifndef PAYVANE_OCCURRENCE_H
#define PAYVANE_OCCURRENCE_H

#include <QDate>
#include <QString>

#include <memory>

struct Event;

// A due date with the date its schedule names for it. The two differ only
// when a date on a weekend or a holiday moves to the business day before or
// after (holidayset.h).
// The most days a due date lies from its scheduled date: a longer run of
// weekend days and holidays leaves the date where it is.
constexpr qint64 LongestDueDateMove = 14;

struct DueDate
{
    QDate date;      // the day the bill is due
    QDate scheduled; // the day its schedule names: the end date and the "times" limit count this one

    // Whether the bill has ended before this date: it has an end, and the
    // scheduled day lies after it.
    [[nodiscard]] bool endsAfter(const Event &event) const;
};

// The first due date of a bill on or after `from`, with its scheduled date.
// A singular bill answers its own date.
[[nodiscard]] DueDate nextDueDate(const Event &event, QDate from);

// The first due date of a bill on or after `from`. A singular bill answers its
// own date whatever `from` is. A weekly bill without weekdays, or an unknown
// schedule, answers the null date. A monthly or yearly bill without any
// candidate answers from + 32000 days: never due in practice.
[[nodiscard]] QDate nextOccurrence(const Event &event, QDate from);

// Whether a repeating bill's schedule names no date at all, ever: a weekly
// bill without weekdays, a monthly or yearly one without any candidate, or
// one whose every candidate is a day that none of its months or years has
// (the 5th Tuesday of February every 2 years from an odd year: those
// Februaries have four). nextOccurrence() then answers the null date or
// from + 32000 days. Looks at a whole 400-year cycle of the calendar (after
// the every-N start), after which every schedule repeats. False for a
// singular bill, true for an unknown schedule.
[[nodiscard]] bool isNeverDue(const Event &event);

// How many due dates lie strictly after `today` and are scheduled on or
// before the bill's endDate: -1 for a bill without end, 1 or 0 for a singular
// bill. A due date on `today` is not counted; two scheduled dates moved onto
// one day count once. A schedule that stops yielding later dates ends the
// count there. Saturates at INT_MAX.
[[nodiscard]] int remainingOccurrences(const Event &event, QDate today);

// The same for the local clock's today, read once.
[[nodiscard]] int remainingOccurrences(const Event &event);

// How many due dates a walk of a repeating bill (DueDayWalk) takes from
// `first`, a date it reached, on: `first` itself and every one after it
// that is due before `before` and not past the bill's end (scheduled on or
// before endDate). Counts the very dates a walk steps through, also where a
// fresh look from a later day would name others (a "Day" 31 that ran over
// into the next month). 0 for a singular bill. The work is bounded like
// remainingOccurrences': whole cycles of the schedule are never walked.
// Saturates at INT_MAX.
[[nodiscard]] int dueDatesWalkedFrom(const Event &event, const DueDate &first, QDate before);

// The due days of a repeating bill after a given day, one step at a time:
// the one walk every count of due dates takes (remainingOccurrences here, and
// the bill list's shared counts). Steps are cheapest with rising days.
class DueDayWalk
{
public:
    // Walks the schedule of `event`, which must outlive the walk.
    explicit DueDayWalk(const Event &event);
    ~DueDayWalk();
    DueDayWalk(const DueDayWalk &) = delete;
    DueDayWalk &operator=(const DueDayWalk &) = delete;

    // The first due day (as a day number) after `day`, or 0 where the walk
    // ends: the schedule yields no later date (a weekly bill without
    // weekdays, an unknown schedule), or one that does not move forward (a
    // record from a file with values the editor never stores). Every count
    // of due dates stops there.
    [[nodiscard]] qint64 after(qint64 day);
    // The scheduled day of the last step (the earliest, when several moved
    // onto its due day); 0 after the walk ended.
    [[nodiscard]] qint64 scheduled() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// n followed by its English ordinal suffix: 1st, 2nd, 3rd, 4th, 11th, 112th.
[[nodiscard]] QString ordinalString(int n);

#endif // PAYVANE_OCCURRENCE_H
