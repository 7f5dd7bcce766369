// Cost of the occurrence engine per schedule kind, and of counting the
// remaining due dates of bills that end far away.
#include "daynumber.h"
#include "event.h"
#include "occurrence.h"

#include <benchmark/benchmark.h>

namespace {

const QDate Today(2026, 12, 5);

Event makeEvent(qint32 schedule, int ordinal, bool byDay, bool byYear,
                std::initializer_list<int> weekdays, std::initializer_list<int> months = {})
{
    Event e;
    e.schedule = schedule;
    e.ordinal = ordinal;
    e.byDay = byDay;
    e.byYear = byYear;
    e.eventDate = QDate(2027, 3, 1);
    for (const int w : weekdays)
        e.weekdays[std::size_t(w - 1)] = true;
    for (const int m : months)
        e.months[std::size_t(m - 1)] = true;
    return e;
}

Event scheduleOfKind(int kind)
{
    switch (kind) {
    case 0: return makeEvent(Event::ScheduleSingular, 1, false, false, {});
    case 1: return makeEvent(Event::ScheduleWeekly, 1, false, false, {1, 4});
    case 2: return makeEvent(Event::ScheduleMonthly, 31, true, false, {});
    case 3: return makeEvent(Event::ScheduleMonthly, 2, false, false, {2});
    case 4: return makeEvent(Event::ScheduleYearly, 100, true, true, {});
    case 5: return makeEvent(Event::ScheduleYearly, 1, true, false, {}, {1, 4, 7, 10});
    default: return makeEvent(Event::ScheduleYearly, 5, false, false, {1}, {2});
    }
}

const char *const KindNames[] = {"singular", "weekly Mon+Thu", "monthly day 31", "monthly 2nd Tuesday",
                                 "yearly day 100 of year", "yearly day 1 quarterly",
                                 "yearly 5th Monday of February"};

void BM_nextOccurrence(benchmark::State &state)
{
    const Event e = scheduleOfKind(int(state.range(0)));
    state.SetLabel(KindNames[state.range(0)]);
    qint64 day = Today.toJulianDay();
    for (auto _ : state) {
        // Walk the start day through a year so every month shape is seen.
        benchmark::DoNotOptimize(nextOccurrence(e, QDate::fromJulianDay(day)));
        day = day + 1 > Today.toJulianDay() + 366 ? Today.toJulianDay() : day + 1;
    }
}
BENCHMARK(BM_nextOccurrence)->DenseRange(0, 6);

Event endingIn9999(Event e)
{
    e.endMode = Event::EndOnDate;
    e.endDate = QDate(9999, 12, 31);
    return e;
}

const Event EveryDay = endingIn9999(makeEvent(Event::ScheduleWeekly, 1, false, false, {1, 2, 3, 4, 5, 6, 7}));
const Event MonthlyEveryFirstWeekday =
    endingIn9999(makeEvent(Event::ScheduleMonthly, 1, true, false, {1, 2, 3, 4, 5, 6, 7}));
const Event YearlyEveryMonthEveryFirstWeekday = endingIn9999(
    makeEvent(Event::ScheduleYearly, 1, true, true, {1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
const Event MonthlyDay15 = endingIn9999(makeEvent(Event::ScheduleMonthly, 15, true, false, {}));

void BM_remainingOccurrences_weeklyAllDays(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(remainingOccurrences(EveryDay, Today));
}
BENCHMARK(BM_remainingOccurrences_weeklyAllDays)->Unit(benchmark::kMicrosecond);

void BM_remainingOccurrences_monthlyDay15(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(remainingOccurrences(MonthlyDay15, Today));
}
BENCHMARK(BM_remainingOccurrences_monthlyDay15)->Unit(benchmark::kMicrosecond);

void BM_remainingOccurrences_monthlyFirstOfEveryWeekday(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(remainingOccurrences(MonthlyEveryFirstWeekday, Today));
}
BENCHMARK(BM_remainingOccurrences_monthlyFirstOfEveryWeekday)->Unit(benchmark::kMicrosecond);

void BM_remainingOccurrences_yearlyEverything(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(remainingOccurrences(YearlyEveryMonthEveryFirstWeekday, Today));
}
BENCHMARK(BM_remainingOccurrences_yearlyEverything)->Unit(benchmark::kMicrosecond);

// Schedules with options, the costliest the editor can make of each kind:
// every selection at once, a step of N months or years that does not divide
// the 400-year calendar cycle (so the walk sees one long cycle), counting
// from the end and moving weekend dates.
Event withOptions(Event e, int every, int fromEnd, qint32 weekends)
{
    e.options.every = every;
    e.options.everyFrom = QDate(2026, 1, 1);
    e.options.fromEnd = fromEnd;
    e.options.weekends = weekends;
    return e;
}

Event optionsOfKind(int kind)
{
    const Event monthly = MonthlyEveryFirstWeekday;
    const Event yearly = YearlyEveryMonthEveryFirstWeekday;
    switch (kind) {
    case 0: return withOptions(EveryDay, 99, 0, ScheduleOptions::FridayBefore);
    case 1: return withOptions(monthly, 7, 0, ScheduleOptions::FridayBefore);
    case 2: return withOptions(monthly, 2, 1, ScheduleOptions::MondayAfter);
    case 3: return withOptions(yearly, 1, 1, ScheduleOptions::MondayAfter);
    case 4: return withOptions(yearly, 3, 0, ScheduleOptions::FridayBefore);
    default: return withOptions(yearly, 7, 1, ScheduleOptions::FridayBefore);
    }
}

const char *const OptionNames[] = {"weekly all days, every 99 weeks, Friday before",
                                   "monthly Day + all weekdays, every 7 months, Friday before",
                                   "monthly last Day + last of all weekdays, every 2 months, Monday after",
                                   "yearly everything from the end, Monday after",
                                   "yearly everything, every 3 years, Friday before",
                                   "yearly everything from the end, every 7 years, Friday before"};

void BM_remainingOccurrences_withOptions(benchmark::State &state)
{
    const Event e = optionsOfKind(int(state.range(0)));
    state.SetLabel(OptionNames[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(remainingOccurrences(e, Today));
}
BENCHMARK(BM_remainingOccurrences_withOptions)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

void BM_nextOccurrence_withOptions(benchmark::State &state)
{
    const Event e = optionsOfKind(int(state.range(0)));
    state.SetLabel(OptionNames[state.range(0)]);
    qint64 day = Today.toJulianDay();
    for (auto _ : state) {
        benchmark::DoNotOptimize(nextOccurrence(e, QDate::fromJulianDay(day)));
        day = day + 1 > Today.toJulianDay() + 366 ? Today.toJulianDay() : day + 1;
    }
}
BENCHMARK(BM_nextOccurrence_withOptions)->DenseRange(0, 5);

// The plain count, one due date after another, for comparison.
void BM_plainWalk_weeklyAllDays(benchmark::State &state)
{
    for (auto _ : state) {
        qint64 count = 0;
        QDate d = Today;
        for (;;) {
            d = nextOccurrence(EveryDay, d.addDays(1));
            if (d > EveryDay.endDate)
                break;
            ++count;
        }
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_plainWalk_weeklyAllDays)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
