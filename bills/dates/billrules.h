#ifndef PAYVANE_BILLRULES_H
#define PAYVANE_BILLRULES_H

#include <QDate>
#include <QString>

struct Event;

// What the editor checks before a bill is stored, and what it computes for it.
// No widgets: the main window shows the message and moves the focus.

// Why a bill cannot be stored; the values are the editor's result codes.
enum class BillProblem {
    None = 0,            // the bill can be stored
    NoDescription = 1,   // focus goes to the description
    MonthlyLimit = 2,    // focus goes to the monthly ordinal; also for a schedule never due
    YearlyLimit = 3,     // focus goes to the yearly ordinal; also for a schedule never due
    NoSchedule = 4,      // focus stays where it is
};

struct BillCheck
{
    BillProblem problem = BillProblem::None;
    QString message; // the sentence shown to the user; empty when valid
};

// Checks the description first, then the schedule's limits and selection,
// then that a monthly or yearly schedule is ever due: a due date from
// `today` through 31 December 9999, the last day a date field reaches (a
// schedule with none is isNeverDue() in occurrence.h, or first due
// thousands of years ahead). Singular bills and unknown schedules need no
// selection.
[[nodiscard]] BillCheck checkBill(const Event &event, QDate today);

// The same for the local clock's today.
[[nodiscard]] BillCheck checkBill(const Event &event);

// The date of the last of `times` due dates after `today` (today itself does
// not count): the end date of a bill that repeats a number of times. With 0
// the answer is `today`. Stops early, keeping the last date found, when the
// schedule yields no later date.
[[nodiscard]] QDate endDateAfterTimes(const Event &event, QDate today, int times);

// The record's day for a bill due on a business day (below 0 from the
// month's end): the day of the month it is nearest to, for programs that
// know only the record.
[[nodiscard]] int nearestPlainDay(int businessDay);

// The ordinal a record keeps for a schedule counted from the end (N = 1 the
// last): the nearest count from the start that the record's own limits
// accept, so that a program reading only the record still finds a valid
// schedule close to the real one ("the last day" keeps the 31st, "the last
// Friday" the 4th Friday). Uses the bill's schedule and selection.
[[nodiscard]] int nearestForwardOrdinal(const Event &event, int fromEnd);

#endif // PAYVANE_BILLRULES_H
