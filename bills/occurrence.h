#ifndef PAYVANE_OCCURRENCE_H
#define PAYVANE_OCCURRENCE_H

#include <QDate>
#include <QString>

#include <memory>

struct Event;

// The first due date of a bill on or after `from`. A singular bill answers its
// own date whatever `from` is. A weekly bill without weekdays, or an unknown
// schedule, answers the null date. A monthly or yearly bill without any
// candidate answers from + 32000 days: never due in practice.
[[nodiscard]] QDate nextOccurrence(const Event &event, QDate from);

// How many due dates lie strictly after `today` and on or before the bill's
// endDate: -1 for a bill without end, 1 or 0 for a singular bill. A due date
// on `today` is not counted. A schedule that stops yielding later dates ends
// the count there. Saturates at INT_MAX.
[[nodiscard]] int remainingOccurrences(const Event &event, QDate today);

// The same for the local clock's today, read once.
[[nodiscard]] int remainingOccurrences(const Event &event);

// The due dates of a repeating bill after a given day, one step at a time:
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

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// n followed by its English ordinal suffix: 1st, 2nd, 3rd, 4th, 11th, 112th.
[[nodiscard]] QString ordinalString(int n);

#endif // PAYVANE_OCCURRENCE_H
