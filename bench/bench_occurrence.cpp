// Cost of the occurrence engine per schedule kind, of counting the
// remaining due dates of bills that end far away, and a search for the
// schedule that costs the most to count.
#include "daynumber.h"
#include "event.h"
#include "holidayset.h"
#include "occurrence.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

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

// The same counts with holidays installed: 200 a year (on random days,
// weekends included) from 2026 on, for 10 or 50 years (50 years are 10,000
// holidays, the most a calendar is expected to bring). The steps among the
// holidays are walked one by one; after them the shortcuts apply again.
std::shared_ptr<const HolidaySet> holidaysPerYear(int years)
{
    std::mt19937 random(20261208);
    QList<HolidaySet::Holiday> holidays;
    const qint64 first = QDate(2026, 1, 1).toJulianDay();
    std::uniform_int_distribution<qint64> day(0, 365 * qint64(years) - 1);
    for (int i = 0; i < 200 * years; ++i)
        holidays.append({first + day(random), QStringLiteral("Holiday")});
    return std::make_shared<const HolidaySet>(holidays);
}

void BM_remainingOccurrences_withHolidays(benchmark::State &state)
{
    const Event e = optionsOfKind(int(state.range(0)));
    const int years = int(state.range(1));
    state.SetLabel(std::string(OptionNames[state.range(0)]) + ", holidays for " + std::to_string(years) + " years");
    HolidaySet::install(holidaysPerYear(years));
    for (auto _ : state)
        benchmark::DoNotOptimize(remainingOccurrences(e, Today));
    HolidaySet::install(nullptr);
}
BENCHMARK(BM_remainingOccurrences_withHolidays)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 5, 1), {10, 50}})
    ->Unit(benchmark::kMicrosecond);

// A monthly bill on the 3rd or the last business day, to the year 9999,
// with or without holidays for 50 years.
void BM_remainingOccurrences_businessDay(benchmark::State &state)
{
    Event e = MonthlyDay15;
    e.options.businessDay = int(state.range(0));
    const bool holidays = state.range(1) != 0;
    state.SetLabel(std::string(e.options.businessDay > 0 ? "3rd" : "last") + " business day"
                   + (holidays ? ", holidays for 50 years" : ", no holidays"));
    HolidaySet::install(holidays ? holidaysPerYear(50) : nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(remainingOccurrences(e, Today));
    HolidaySet::install(nullptr);
}
BENCHMARK(BM_remainingOccurrences_businessDay)->ArgsProduct({{3, -1}, {0, 1}})->Unit(benchmark::kMicrosecond);

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


// ---- the worst shape: a search over random schedules of every shape the
// editor makes, plus the known costly ones, each counted to 31 December 9999

// A random schedule as the editor makes it: weekly weekdays, monthly "Day"
// or N-th weekdays, yearly day of the year, of selected months or their
// weekdays; every N, from the end, short months, weekend moves.
Event randomSchedule(std::mt19937 &random)
{
    const auto below = [&](int n) { return int(random() % unsigned(n)); };
    Event e;
    e.eventDate = QDate(2026, 1, 1).addDays(below(1500));
    e.schedule = below(3) == 0 ? Event::ScheduleWeekly : below(2) == 0 ? Event::ScheduleMonthly : Event::ScheduleYearly;
    const bool weekdays = e.schedule == Event::ScheduleWeekly || below(2) == 0;
    e.byDay = !weekdays;
    e.byYear = e.schedule == Event::ScheduleYearly && below(2) == 0;
    if (weekdays) {
        const int mask = 1 + below(127);
        for (int w = 0; w < 7; ++w)
            e.weekdays[std::size_t(w)] = (mask >> w) & 1;
    }
    if (e.schedule == Event::ScheduleYearly && (!e.byYear || below(3) == 0)) {
        const int mask = 1 + below(4095);
        for (int m = 0; m < 12; ++m)
            e.months[std::size_t(m)] = (mask >> m) & 1;
    }
    const bool ofYear = e.byYear && e.byDay;
    e.ordinal = weekdays ? 1 + below(5) : 1 + below(ofYear ? 366 : 31);
    if (e.schedule != Event::ScheduleWeekly && below(4) == 0)
        e.options.fromEnd = weekdays ? 1 + below(5) : 1 + below(ofYear ? 366 : 31);
    e.options.shortMonths = below(3) == 0 ? ScheduleOptions::LastDay : ScheduleOptions::RunOver;
    e.options.weekends = below(3);
    if (below(4) != 0) {
        e.options.every = 2 + below(ScheduleOptions::MaximumEvery - 1);
        e.options.everyFrom = QDate(2020, 1, 1).addDays(below(4000));
    }
    return endingIn9999(e);
}

QString scheduleText(const Event &e)
{
    return QStringLiteral("kind %1 ordinal %2 byDay %3 byYear %4 every %5 from %6 fromEnd %7 short %8 weekends %9")
        .arg(e.schedule)
        .arg(e.ordinal)
        .arg(e.byDay)
        .arg(e.byYear)
        .arg(e.options.every)
        .arg(e.options.everyFrom.toString(Qt::ISODate))
        .arg(e.options.fromEnd)
        .arg(e.options.shortMonths)
        .arg(e.options.weekends);
}

double microsecondsToCount(const Event &e)
{
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(remainingOccurrences(e, Today));
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

void BM_remainingOccurrences_worstShape(benchmark::State &state)
{
    std::vector<Event> schedules;
    // The known costly ones: every N months or years where N does not
    // divide the 400-year cycle, with all weekdays and weekend moves.
    for (const int every : {7, 23, 41, 97, 99}) {
        for (const qint32 weekends : {ScheduleOptions::KeepWeekend, ScheduleOptions::MondayAfter}) {
            schedules.push_back(withOptions(optionsOfKind(1), every, 0, weekends));
            schedules.push_back(withOptions(MonthlyDay15, every, 0, weekends));
            schedules.push_back(withOptions(YearlyEveryMonthEveryFirstWeekday, every, 0, weekends));
        }
    }
    std::mt19937 random(20261208);
    for (int i = 0; i < 3000; ++i)
        schedules.push_back(randomSchedule(random));

    for (auto _ : state) {
        std::vector<std::pair<double, std::size_t>> times;
        for (std::size_t i = 0; i < schedules.size(); ++i)
            times.emplace_back(microsecondsToCount(schedules[i]), i);
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2].first;
        // The slowest few again, the best of five each: one busy moment
        // must not make a shape the worst.
        std::pair<double, std::size_t> worst{0, 0};
        for (std::size_t k = times.size() - std::min<std::size_t>(20, times.size()); k < times.size(); ++k) {
            double best = times[k].first;
            for (int run = 0; run < 5; ++run)
                best = std::min(best, microsecondsToCount(schedules[times[k].second]));
            worst = std::max(worst, std::make_pair(best, times[k].second));
        }
        state.counters["median_us"] = median;
        state.counters["worst_us"] = worst.first;
        state.SetLabel(scheduleText(schedules[worst.second]).toStdString());
    }
}
BENCHMARK(BM_remainingOccurrences_worstShape)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
