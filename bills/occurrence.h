#ifndef PAYVANE_OCCURRENCE_H
#define PAYVANE_OCCURRENCE_H

#include <QDate>
#include <QString>

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

// n followed by its English ordinal suffix: 1st, 2nd, 3rd, 4th, 11th, 112th.
[[nodiscard]] QString ordinalString(int n);

#endif // PAYVANE_OCCURRENCE_H
