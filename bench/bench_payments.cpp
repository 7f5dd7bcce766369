// Cost of the payment status of one bill (worst case: every day unpaid for
// decades) and of the totals under a list of 10,000 bills.
#include "billtotals.h"
#include "event.h"
#include "paymentstatus.h"

#include <benchmark/benchmark.h>

namespace {

const QDate Today(2026, 12, 5);

Event everyDay()
{
    Event e;
    e.schedule = Event::ScheduleWeekly;
    e.weekdays.fill(true);
    return e;
}

Event monthlyOn(int day)
{
    Event e;
    e.schedule = Event::ScheduleMonthly;
    e.byDay = true;
    e.ordinal = day;
    return e;
}

void BM_paymentStatus(benchmark::State &state)
{
    Event e = state.range(0) == 0 ? monthlyOn(15) : everyDay();
    e.payments.trackedSince = state.range(1) == 0 ? Today.addDays(-60) : QDate(1976, 1, 1);
    state.SetLabel(std::string(state.range(0) == 0 ? "monthly" : "every day") + ", unpaid since "
                   + (state.range(1) == 0 ? "60 days" : "1976"));
    for (auto _ : state)
        benchmark::DoNotOptimize(paymentStatus(e, Today));
}
BENCHMARK(BM_paymentStatus)->ArgsProduct({{0, 1}, {0, 1}});

// A list as people keep them: mostly monthly bills with amounts in two
// currencies, a tenth of them tracking payments and some of those overdue.
void BM_totals(benchmark::State &state)
{
    EventList bills;
    for (int i = 0; i < 10000; ++i) {
        auto *e = new Event(i % 7 == 0 ? everyDay() : monthlyOn(1 + i % 28));
        if (i % 7 == 0) {
            e->weekdays.fill(false);
            e->weekdays[std::size_t(i % 5)] = true;
        }
        e->amount = Money(1000 + i, i % 3 == 0 ? QStringLiteral("EUR") : QStringLiteral("USD"));
        if (i % 10 == 0)
            e->payments.trackedSince = Today.addDays(-(i % 90));
        bills.append(e);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(BillTotals(bills, Today));
    qDeleteAll(bills);
}
BENCHMARK(BM_totals)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
