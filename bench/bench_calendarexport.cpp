// The calendar export written to /dev/null: many bills with short names, and
// three bills with long names whose weekend days move (a rule with ten years
// of EXDATEs and RDATEs each).
// BM_CalendarPeakMemory runs `Payvane --calendar > /dev/null` under GNU time
// and reports its peak resident memory (maxrss, the VmHWM at its end), which
// should not grow with the number of bills.
//
// BM_LibicalPeer writes the events of BM_ManyBills with libical, one
// component at a time (icalpeer.c), without their EXDATEs and RDATEs and
// with one alarm each: the events are taken from our own export beforehand,
// so it is timed for building and writing them only, while ours also works
// out every date, rule and UID.
#include "billfiles.h"
#include "icalpeer.h"

#include <calendarexport.h>
#include <eventstore.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>


#include <libical/ical.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace {

const QDate Today(2027, 3, 1);
const QDateTime Stamp(Today, QTime(8, 0), Qt::UTC);

EventList loadedBills(bool longNames, int count, int nameLength)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.evt"));
    const bool written = longNames ? writeLongNameBillFile(path, count, nameLength, Today)
                                   : writeBillFile(path, count, 0, Today);
    return written ? loadEvents(path) : EventList();
}

CalendarExport billCalendar()
{
    CalendarExport calendar(Today);
    calendar.setStamp(Stamp);
    calendar.setDescriptionFunction(CalendarExport::amountDescription);
    return calendar;
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
    CalendarExport calendar = billCalendar();
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

// The events of a calendar as plain fields for the peer, and the strings
// they point into.
struct PeerEvents
{
    std::deque<std::string> texts;
    std::vector<icalpeer_event> events;

    const char *keep(const char *text)
    {
        if (!text)
            return nullptr;
        texts.emplace_back(text);
        return texts.back().c_str();
    }
};

void readPeerEvents(const QByteArray &calendar, PeerEvents *peer)
{
    icalcomponent *root = icalparser_parse_string(calendar.constData());
    for (icalcomponent *vevent = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); vevent;
         vevent = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
        icalpeer_event event{};
        event.uid = peer->keep(icalcomponent_get_uid(vevent));
        event.start = peer->keep(icaltime_as_ical_string(icalcomponent_get_dtstart(vevent)));
        if (icalcomponent_get_first_property(vevent, ICAL_DTEND_PROPERTY))
            event.end = peer->keep(icaltime_as_ical_string(icalcomponent_get_dtend(vevent)));
        if (icalproperty *rule = icalcomponent_get_first_property(vevent, ICAL_RRULE_PROPERTY)) {
            const icalrecurrencetype recurrence = icalproperty_get_rrule(rule);
            event.rule = peer->keep(icalrecurrencetype_as_string(const_cast<icalrecurrencetype *>(&recurrence)));
        }
        event.summary = peer->keep(icalcomponent_get_summary(vevent));
        if (icalproperty *description = icalcomponent_get_first_property(vevent, ICAL_DESCRIPTION_PROPERTY))
            event.description = peer->keep(icalproperty_get_description(description));
        event.alarm_days = -1;
        if (icalcomponent *alarm = icalcomponent_get_first_component(vevent, ICAL_VALARM_COMPONENT)) {
            icalproperty *trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
            event.alarm_days = trigger ? int(icalproperty_get_trigger(trigger).duration.days) : 0;
        }
        peer->events.push_back(event);
    }
    icalcomponent_free(root);
}

void BM_LibicalPeer(benchmark::State &state)
{
    const EventList bills = loadedBills(false, int(state.range(0)), 0);
    CalendarExport calendar = billCalendar();
    PeerEvents peer;
    readPeerEvents(calendar.calendar(bills), &peer);
    qDeleteAll(bills);
    std::FILE *null = std::fopen("/dev/null", "wb");
    if (peer.events.empty() || !null) {
        state.SkipWithError("no events");
        return;
    }
    for (auto _ : state) {
        if (icalpeer_write(peer.events.data(), peer.events.size(), "20270301T080000Z", null) == 0)
            state.SkipWithError("write failed");
    }
    std::fclose(null);
    state.counters["events"] = double(peer.events.size());
}
BENCHMARK(BM_LibicalPeer)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The peak resident memory of `Payvane --calendar` over the bills in
// `dataFolder`, in KiB, as GNU time reports it; -1 when it did not end with
// 0. GNU time is the parent: the child of a fork from this process would
// count this process's memory as its own peak.
long calendarPeakKiB(const QString &dataFolder)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataFolder);
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("/usr/bin/time"), {QStringLiteral("-f"), QStringLiteral("%M"),
                                                    QStringLiteral(PAYVANE_EXECUTABLE), QStringLiteral("--calendar")});
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    bool ok = false;
    const long peak = QString::fromLocal8Bit(process.readAllStandardError()).trimmed().section(QLatin1Char('\n'), -1).toLong(&ok);
    return ok ? peak : -1;
}

void BM_CalendarPeakMemory(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("data"));
    if (!writeBillFile(folder + QStringLiteral("/Tervona/Payvane/events.evt"), int(state.range(0)), 0, Today)) {
        state.SkipWithError("cannot write the bill file");
        return;
    }
    long peak = -1;
    for (auto _ : state)
        peak = calendarPeakKiB(folder);
    if (peak < 0) {
        state.SkipWithError("Payvane --calendar did not end with 0 under /usr/bin/time");
        return;
    }
    state.counters["peak_KiB"] = double(peak);
}
BENCHMARK(BM_CalendarPeakMemory)->Arg(1000)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LongNames(benchmark::State &state)
{
    const EventList bills = loadedBills(true, 3, int(state.range(0)));
    exportTo(state, bills);
    qDeleteAll(bills);
}
BENCHMARK(BM_LongNames)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
