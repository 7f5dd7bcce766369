// Publishing to a local CalDAV server (Debian's radicale on 127.0.0.1, a
// fresh calendar for each run): the first publish of N bills of every kind
// the export knows (with one request at a time and with the publisher's
// default), the first publish into a calendar that holds them already, and a
// second publish with nothing changed, whose "puts" counter must be 0. BM_CalendarObjects is the objects of every bill,
// which the publisher makes on a worker thread; BM_PublishReturns is what the
// main window waits for: the bills' calendar UIDs checked and publish()
// returning (the publish itself ends outside the timing).
#include "../tests/common/radicaleserver.h"
#include "instantcaldavserver.h"

#include "billfiles.h"

#include <caldavpublisher.h>
#include <calendarobject.h>
#include <calendaruids.h>
#include <eventstore.h>

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTcpServer>

#include <benchmark/benchmark.h>

namespace {

const QDate Today(2027, 3, 1);

EventList mixedBills(int count)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.evt"));
    EventList bills = writeMixedBillFile(path, count, Today) ? loadEvents(path) : EventList();
    (void)assignCalendarUids(bills);
    return bills;
}

CalDavPublisher::Counts publishAndWait(CalDavPublisher &publisher, const QUrl &collection, const EventList &bills,
                                       const QString &user = RadicaleServer::User,
                                       const QString &password = RadicaleServer::Password)
{
    CalDavPublisher::Counts result;
    QEventLoop loop;
    QObject::connect(&publisher, &CalDavPublisher::finished, &loop,
                     [&](const CalDavPublisher::Counts &counts, const QString &) {
                         result = counts;
                         loop.quit();
                     });
    if (publisher.publish(collection, user, password, bills, Today))
        loop.exec();
    publisher.disconnect(&loop);
    return result;
}

// Fills the calendar with the bills' objects in one request (radicale takes
// a whole calendar PUT to the collection as its new contents, one object
// per UID at "<uid>.ics"), as a first publish that lost its record would
// find it.
bool seedCalendar(RadicaleServer &server, const EventList &bills)
{
    const QList<CalendarObject> objects = calendarObjects(bills, Today, QDateTime::currentDateTimeUtc());
    if (objects.isEmpty())
        return false;
    const QByteArray &first = objects.first().text;
    QByteArray calendar = first.left(first.indexOf("BEGIN:VEVENT"));
    for (const CalendarObject &object : objects) {
        const qsizetype begin = object.text.indexOf("BEGIN:VEVENT");
        calendar += object.text.mid(begin, object.text.lastIndexOf("END:VCALENDAR") - begin);
    }
    calendar += "END:VCALENDAR\r\n";
    const int status = server.request("PUT", server.collection(), calendar, {{"Content-Type", "text/calendar"}});
    return status / 100 == 2 && server.storedFileCount() == objects.size();
}

struct Run
{
    RadicaleServer server;
    QTemporaryDir dir;
    CalDavPublisher publisher;

    bool open()
    {
        publisher.setRecordPath(dir.filePath(QStringLiteral("calendar-sent.dat")));
        return server.start() && server.makeCalendar();
    }
};

void BM_FirstPublish(benchmark::State &state)
{
    const EventList bills = mixedBills(int(state.range(0)));
    CalDavPublisher::Counts counts;
    for (auto _ : state) {
        state.PauseTiming();
        Run run;
        run.publisher.setRequestsAtOnce(int(state.range(1)));
        if (!run.open()) {
            state.SkipWithError("radicale did not start");
            break;
        }
        state.ResumeTiming();
        counts = publishAndWait(run.publisher, run.server.collection(), bills);
        state.PauseTiming();
        // The server's end is not the publish's.
        run.server.stop();
        state.ResumeTiming();
    }
    state.counters["created"] = counts.created;
    state.counters["failed"] = counts.failed;
    qDeleteAll(bills);
}

// The first publish into a calendar that already holds every object (a
// lost record): each create meets 412, and a look recognises the object.
void BM_FirstPublishToFilledCalendar(benchmark::State &state)
{
    const EventList bills = mixedBills(int(state.range(0)));
    CalDavPublisher::Counts counts;
    for (auto _ : state) {
        state.PauseTiming();
        Run run;
        if (!run.open() || !seedCalendar(run.server, bills)) {
            state.SkipWithError("radicale did not start or take the calendar");
            break;
        }
        state.ResumeTiming();
        counts = publishAndWait(run.publisher, run.server.collection(), bills);
        state.PauseTiming();
        run.server.stop();
        state.ResumeTiming();
    }
    state.counters["recognised"] = counts.created;
    state.counters["differing"] = counts.differing;
    state.counters["failed"] = counts.failed;
    qDeleteAll(bills);
}

void BM_SecondPublish(benchmark::State &state)
{
    const EventList bills = mixedBills(int(state.range(0)));
    Run run;
    if (!run.open() || !seedCalendar(run.server, bills)) {
        state.SkipWithError("radicale did not start or take the calendar");
        return;
    }
    CalDavPublisher::Counts counts = publishAndWait(run.publisher, run.server.collection(), bills);
    state.counters["first_recognised"] = counts.created;
    for (auto _ : state)
        counts = publishAndWait(run.publisher, run.server.collection(), bills);
    state.counters["puts"] = counts.created + counts.changed;
    state.counters["unchanged"] = counts.unchanged;
    qDeleteAll(bills);
}

// The same first and second publish against a server that answers at once:
// the publisher's own part of the time.
void BM_PublishToInstantServer(benchmark::State &state)
{
    const EventList bills = mixedBills(int(state.range(0)));
    const QList<QByteArray> credentials = InstantCalDavServer::Credentials.split(':');
    const QString user = QString::fromLatin1(credentials.first());
    const QString password = QString::fromLatin1(credentials.last());
    CalDavPublisher::Counts first;
    CalDavPublisher::Counts second;
    int challenges = 0;
    qsizetype stored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        InstantCalDavServer server;
        QTemporaryDir dir;
        CalDavPublisher publisher;
        publisher.setRecordPath(dir.filePath(QStringLiteral("calendar-sent.dat")));
        state.ResumeTiming();
        first = publishAndWait(publisher, server.collection(), bills, user, password);
        if (state.range(1))
            second = publishAndWait(publisher, server.collection(), bills, user, password);
        state.PauseTiming();
        challenges = server.challenges();
        stored = server.objectCount();
        state.ResumeTiming();
    }
    state.counters["created"] = first.created;
    state.counters["stored"] = double(stored);
    state.counters["challenges"] = challenges;
    state.counters["failed"] = first.failed + second.failed;
    state.counters["second_puts"] = second.created + second.changed;
    qDeleteAll(bills);
}

void BM_CalendarObjects(benchmark::State &state)
{
    const EventList bills = mixedBills(int(state.range(0)));
    const QDateTime stamp(Today, QTime(8, 0), Qt::UTC);
    qsizetype objects = 0;
    for (auto _ : state)
        objects = calendarObjects(bills, Today, stamp).size();
    state.counters["objects"] = double(objects);
    qDeleteAll(bills);
}

// To a port nothing listens on: the first requests are refused at once and
// the publish stops, so each iteration starts from the same empty record.
void BM_PublishReturns(benchmark::State &state)
{
    const EventList bills = mixedBills(int(state.range(0)));
    QTemporaryDir dir;
    const QString recordPath = dir.filePath(QStringLiteral("calendar-sent.dat"));
    QTcpServer closed;
    if (!closed.listen(QHostAddress::LocalHost)) {
        state.SkipWithError("no free port");
        return;
    }
    const QUrl collection(QStringLiteral("http://127.0.0.1:%1/cal/").arg(closed.serverPort()));
    closed.close();
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath);
    CalDavPublisher::Counts counts;
    QEventLoop loop;
    QObject::connect(&publisher, &CalDavPublisher::finished, &loop,
                     [&](const CalDavPublisher::Counts &result, const QString &) {
                         counts = result;
                         loop.quit();
                     });
    for (auto _ : state) {
        (void)assignCalendarUids(bills);
        if (!publisher.publish(collection, RadicaleServer::User, RadicaleServer::Password, bills, Today)) {
            state.SkipWithError("the publish did not start");
            break;
        }
        state.PauseTiming();
        loop.exec();
        QFile::remove(recordPath);
        state.ResumeTiming();
    }
    state.counters["failed"] = counts.failed;
    qDeleteAll(bills);
}

} // namespace

// Arguments: bills, requests at once. Radicale (3.1.8) checks each new
// object's UID against every object it holds, so creating gets slower as the
// calendar fills: 10,000 bills take hours, and are left out.
BENCHMARK(BM_FirstPublish)->Args({1000, 1})->Args({1000, CalDavPublisher::DefaultRequestsAtOnce})
    ->Args({2000, CalDavPublisher::DefaultRequestsAtOnce})->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(1)
    ->UseRealTime();
BENCHMARK(BM_FirstPublishToFilledCalendar)->Arg(10000)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(1)
    ->UseRealTime();
BENCHMARK(BM_SecondPublish)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1)
    ->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();
// Arguments: bills, whether a second publish (nothing changed) follows.
BENCHMARK(BM_PublishToInstantServer)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kSecond)
    ->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)->UseRealTime();
BENCHMARK(BM_CalendarObjects)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PublishReturns)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    if (!RadicaleServer::available()) {
        fprintf(stderr, "radicale is not installed\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
