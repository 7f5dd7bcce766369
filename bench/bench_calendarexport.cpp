// The calendar export written to /dev/null: many bills with short names, and
// three bills with long names whose dates are listed one event per date.
// Peak memory is measured outside, on `Payvane --calendar > /dev/null`.
#include "billfiles.h"

#include <calendarexport.h>
#include <eventstore.h>

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const QDate Today(2027, 3, 1);

EventList loadedBills(bool longNames, int count, int nameLength)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.evt"));
    const bool written = longNames ? writeLongNameBillFile(path, count, nameLength, Today)
                                   : writeBillFile(path, count, 0, Today);
    return written ? loadEvents(path) : EventList();
}

void exportTo(benchmark::State &state, const EventList &bills)
{
    if (bills.isEmpty()) {
        state.SkipWithError("no bills");
        return;
    }
    QFile null(QStringLiteral("/dev/null"));
    if (!null.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    CalendarExport calendar(Today);
    calendar.setDescriptionFunction(CalendarExport::amountDescription);
    for (auto _ : state) {
        if (!calendar.write(&null, bills) || !null.flush())
            state.SkipWithError("write failed");
    }
    state.counters["bills"] = double(calendar.billsWritten());
}

void BM_ManyBills(benchmark::State &state)
{
    const EventList bills = loadedBills(false, int(state.range(0)), 0);
    exportTo(state, bills);
    qDeleteAll(bills);
}
BENCHMARK(BM_ManyBills)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LongNames(benchmark::State &state)
{
    const EventList bills = loadedBills(true, 3, int(state.range(0)));
    exportTo(state, bills);
    qDeleteAll(bills);
}
BENCHMARK(BM_LongNames)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
