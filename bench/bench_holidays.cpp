// Loading a calendar of 10,000 holidays: the compact file every entry reads
// (holidays.dat) and the iCalendar file the windows read with libical.
#include "holidaycalendarreader.h"
#include "holidayfile.h"

#include <benchmark/benchmark.h>

#include <QDate>

namespace {

constexpr int Holidays = 10000;

QList<HolidaySet::Holiday> tenThousandHolidays()
{
    QList<HolidaySet::Holiday> holidays;
    const qint64 first = QDate(2026, 1, 1).toJulianDay();
    for (int i = 0; i < Holidays; ++i)
        holidays.append({first + i * 3 / 2, QStringLiteral("Holiday number %1").arg(i)});
    return holidays;
}

QByteArray calendarBytes()
{
    QByteArray bytes("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n");
    for (const HolidaySet::Holiday &holiday : tenThousandHolidays()) {
        bytes += "BEGIN:VEVENT\r\nUID:" + QByteArray::number(holiday.day) + "@bench\r\nDTSTAMP:20260101T000000Z\r\n"
                 + "DTSTART;VALUE=DATE:" + QDate::fromJulianDay(holiday.day).toString(QStringLiteral("yyyyMMdd")).toLatin1()
                 + "\r\nSUMMARY:" + holiday.name.toUtf8() + "\r\nEND:VEVENT\r\n";
    }
    return bytes + "END:VCALENDAR\r\n";
}

void BM_loadHolidayFile(benchmark::State &state)
{
    HolidayFile file;
    file.sources.append({QStringLiteral("/calendars/bench.ics"), 1, 1, tenThousandHolidays()});
    const QByteArray bytes = file.toBytes();
    for (auto _ : state) {
        HolidayFile read;
        if (!HolidayFile::fromBytes(bytes, &read))
            state.SkipWithError("not read");
        const HolidaySet set = read.holidaySet();
        benchmark::DoNotOptimize(set.size());
    }
}
BENCHMARK(BM_loadHolidayFile)->Unit(benchmark::kMillisecond);

void BM_readCalendarFile(benchmark::State &state)
{
    const QByteArray bytes = calendarBytes();
    for (auto _ : state) {
        HolidayCalendarReader reader;
        if (!reader.readBytes(bytes) || reader.holidays().size() != Holidays)
            state.SkipWithError("not read");
        benchmark::DoNotOptimize(reader.holidays().size());
    }
}
BENCHMARK(BM_readCalendarFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
