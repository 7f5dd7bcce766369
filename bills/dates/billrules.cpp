#include "billrules.h"

#include "daynumber.h"
#include "event.h"
#include "occurrence.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char *const NoScheduleText = "Please select a reminder schedule.";

BillCheck problem(BillProblem kind, const char *text)
{
    return {kind, QString::fromLatin1(text)};
}

BillCheck checkWeekly(const Event &event)
{
    if (!event.anyWeekdaySelected())
        return problem(BillProblem::NoSchedule, NoScheduleText);
    return {};
}

BillCheck checkMonthly(const Event &event)
{
    // The N-th business day takes the place of the day and the weekdays.
    if (event.options.businessDay != 0) {
        if (std::abs(event.options.businessDay) > ScheduleOptions::MaximumBusinessDay)
            return problem(BillProblem::MonthlyLimit,
                           "You cannot select a monthly repetition period greater than 23 business days.");
        return {};
    }
    // The N-th weekday of a month exists only up to the fifth.
    if (event.ordinal > 5 && event.anyWeekdaySelected())
        return problem(BillProblem::MonthlyLimit,
                       "You cannot select a monthly repetition period greater than 5 week days.");
    if (!event.byDay && !event.anyWeekdaySelected())
        return problem(BillProblem::NoSchedule, NoScheduleText);
    return {};
}

BillCheck checkYearly(const Event &event)
{
    const int n = event.ordinal;
    const bool weekday = event.anyWeekdaySelected();
    const bool month = event.anyMonthSelected();
    if (n > 5) {
        if (weekday && month)
            return problem(BillProblem::YearlyLimit,
                           "You cannot select a yearly repetition period greater than 5 weeks for a specific month.");
        if (n > 31 && event.byDay && month)
            return problem(BillProblem::YearlyLimit,
                           "You cannot select a yearly repetition period greater than 31 days for a specific month.");
        if (n > 52 && weekday && event.byYear)
            return problem(BillProblem::YearlyLimit,
                           "You cannot select a yearly repetition period greater than 52 weeks.");
    }
    if (!((event.byDay || weekday) && (event.byYear || month)))
        return problem(BillProblem::NoSchedule, NoScheduleText);
    return {};
}

// A schedule within every limit may still name no date: its N-th weekday
// exists only in some months, and every N months or years never reaches
// one of them (the 5th Tuesday of February every 2 years from an odd year),
// or first after the year 9999 (every 31 years from 2024: in 10084). The
// list would show a made-up date 32,000 days ahead, or one no date field
// reaches. N is what the user can change, so the focus goes there.
BillCheck checkSomeDateNamed(const Event &event, QDate today)
{
    const QDate lastDay(9999, 12, 31);
    if (!isNeverDue(event) && daysBetween(nextOccurrence(event, today), lastDay) >= 0)
        return {};
    const BillProblem kind =
        event.schedule == Event::ScheduleMonthly ? BillProblem::MonthlyLimit : BillProblem::YearlyLimit;
    return problem(kind, "This schedule is never due: none of the months it repeats in from now to the year "
                         "9999 has that many of the chosen week days.");
}

} // namespace

BillCheck checkBill(const Event &event)
{
    return checkBill(event, QDate::currentDate());
}

BillCheck checkBill(const Event &event, QDate today)
{
    if (event.name.isEmpty())
        return problem(BillProblem::NoDescription, "Please enter a description of the bill.");
    BillCheck check;
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        return checkWeekly(event);
    case Event::ScheduleMonthly:
        check = checkMonthly(event);
        break;
    case Event::ScheduleYearly:
        check = checkYearly(event);
        break;
    default:
        return {};
    }
    if (check.problem != BillProblem::None)
        return check;
    return checkSomeDateNamed(event, today);
}

QDate endDateAfterTimes(const Event &event, QDate today, int times)
{
    // The end date is a scheduled date: with weekend moves, the one the last
    // due date comes from.
    DueDayWalk walk(event);
    qint64 due = dayNumber(today);
    QDate end = today;
    for (int i = 0; i < times; ++i) {
        due = walk.after(due);
        // A schedule without later dates keeps the last real one.
        if (due == 0)
            break;
        end = dateOfDayNumber(walk.scheduled());
    }
    return end;
}

int nearestPlainDay(int businessDay)
{
    // Five business days take about seven days.
    const int days = std::clamp((std::abs(businessDay) * 7 + 2) / 5, 1, 31);
    return businessDay > 0 ? days : 32 - days;
}

int nearestForwardOrdinal(const Event &event, int fromEnd)
{
    const auto mirrored = [fromEnd](int count) { return std::clamp(count + 1 - fromEnd, 1, count); };
    const bool weekday = event.anyWeekdaySelected();
    if (event.schedule == Event::ScheduleMonthly)
        return weekday ? mirrored(4) : mirrored(31);
    if (event.schedule != Event::ScheduleYearly)
        return 1;
    // The tightest limit of what is selected decides, as the editor's checks do.
    const bool month = event.anyMonthSelected();
    if (weekday && month)
        return mirrored(4);
    if (event.byDay && month)
        return mirrored(31);
    if (weekday && event.byYear)
        return mirrored(52);
    return mirrored(365);
}
