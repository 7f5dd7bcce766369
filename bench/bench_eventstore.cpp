// Loading and saving 100,000 bills, against a plain data-stream read of the
// same fields into structs.
#include "eventstore.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

constexpr int BillCount = 100000;

struct PlainRecord
{
    QString name;
    qint32 endMode;
    QDate endDate;
    qint32 schedule;
    QDate eventDate;
    std::array<bool, 7> weekdays;
    bool byDay;
    qint32 ordinal;
    std::array<bool, 12> months;
    bool byYear;
    bool notify;
    qint32 notifyDays;
    bool showOnce;
    QDate lastNotified;
    qint32 notifyAgainDays;
};

EventList makeBills()
{
    EventList bills;
    bills.reserve(BillCount);
    for (int i = 0; i < BillCount; ++i) {
        auto *e = new Event;
        e->name = QStringLiteral("Electricity bill number %1").arg(i);
        e->endMode = i % 3;
        e->endDate = QDate(2030, 1, 1).addDays(i % 1000);
        e->schedule = i % 4;
        e->weekdays[std::size_t(i % 7)] = true;
        e->ordinal = 1 + i % 28;
        e->months[std::size_t(i % 12)] = true;
        e->notify = true;
        e->notifyDays = i % 10;
        e->lastNotified = QDate(2026, 12, 1);
        bills.append(e);
    }
    return bills;
}

struct Fixture
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("bills.evt"));
    Fixture()
    {
        const EventList bills = makeBills();
        if (!saveEvents(bills, path))
            qFatal("cannot write the benchmark file");
        qDeleteAll(bills);
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_loadEvents(benchmark::State &state)
{
    const QString path = fixture().path;
    for (auto _ : state) {
        EventList bills = loadEvents(path);
        benchmark::DoNotOptimize(bills.size());
        state.PauseTiming();
        qDeleteAll(bills);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_loadEvents)->Unit(benchmark::kMillisecond);

void BM_plainStreamRead(benchmark::State &state)
{
    const QString path = fixture().path;
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open");
        QDataStream in(&file);
        in.setVersion(QDataStream::Qt_4_2);
        qint32 count = 0;
        in >> count;
        std::vector<PlainRecord> records(std::size_t(count > 0 ? count : 0));
        for (PlainRecord &r : records) {
            in >> r.name >> r.endMode >> r.endDate >> r.schedule >> r.eventDate;
            for (bool &b : r.weekdays)
                in >> b;
            in >> r.byDay >> r.ordinal;
            for (bool &b : r.months)
                in >> b;
            in >> r.byYear >> r.notify >> r.notifyDays >> r.showOnce >> r.lastNotified >> r.notifyAgainDays;
        }
        benchmark::DoNotOptimize(records.data());
        state.PauseTiming();
        records.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_plainStreamRead)->Unit(benchmark::kMillisecond);

void BM_saveEvents(benchmark::State &state)
{
    const EventList bills = makeBills();
    const QString path = fixture().dir.filePath(QStringLiteral("saved.evt"));
    for (auto _ : state)
        benchmark::DoNotOptimize(saveEvents(bills, path));
    qDeleteAll(bills);
}
BENCHMARK(BM_saveEvents)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
