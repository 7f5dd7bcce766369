// Opening and closing the main window with many bills, against a plain
// QStandardItemModel shown in a QTreeView.
//
//   QT_QPA_PLATFORM=offscreen bench/bench_mainwindow
//       --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
//
// The memory counters of BM_ShowMainWindow are the process's own, so they
// mean something only with one case per process:
//
//   QT_QPA_PLATFORM=offscreen bench/bench_mainwindow
//       --benchmark_filter='BM_ShowMainWindow/100000/'
//
// What a bill costs above the file: in_use_MiB of 100000 bills less that of
// the empty window (BM_ShowMainWindow/0/), per bill, less file_per_bill.
//
// Works on the standard paths' test folders, never on the user's bills.
#include "billmodel.h"
#include "mainwindow.h"
#include "monthspage.h"

#include "daynumber.h"
#include "event.h"
#include "eventstore.h"
#include "paymentstatus.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

// Bills of the kinds people keep: weekly, monthly by day or weekday,
// quarterly, yearly and one-off; without end, a number of times or until a
// date, ending within ten years (or on 31 December 9999 when `farEnd`).
EventList everydayBills(int count, bool farEnd)
{
    QRandomGenerator random(2026);
    const QDate today = QDate::currentDate();
    EventList bills;
    bills.reserve(count);
    for (int i = 0; i < count; ++i) {
        auto *event = new Event;
        event->name = QStringLiteral("Bill %1").arg(i);
        event->notify = true;
        event->notifyDays = 5;
        switch (i % 6) {
        case 0:
            event->schedule = Event::ScheduleWeekly;
            event->weekdays[std::size_t(random.bounded(7))] = true;
            break;
        case 1:
            event->schedule = Event::ScheduleMonthly;
            event->byDay = true;
            event->ordinal = int(random.bounded(1, 29));
            break;
        case 2:
            event->schedule = Event::ScheduleMonthly;
            event->weekdays[std::size_t(random.bounded(7))] = true;
            event->ordinal = int(random.bounded(1, 5));
            break;
        case 3:
            event->schedule = Event::ScheduleYearly;
            event->byDay = true;
            event->ordinal = int(random.bounded(1, 29));
            event->months[0] = event->months[3] = event->months[6] = event->months[9] = true;
            break;
        case 4:
            event->schedule = Event::ScheduleYearly;
            event->byDay = true;
            event->byYear = true;
            event->ordinal = int(random.bounded(1, 366));
            break;
        default:
            event->schedule = Event::ScheduleSingular;
            event->eventDate = today.addDays(random.bounded(-100, 3650));
            break;
        }
        // Every third bill has an amount, in one of two currencies.
        if (i % 3 == 0)
            event->amount = Money(100 + qint64(random.bounded(100000)), i % 2 == 0 ? QStringLiteral("EUR") : QStringLiteral("USD"));
        const QDate end = farEnd ? QDate(9999, 12, 31) : today.addDays(random.bounded(1, 3650));
        event->endMode = farEnd ? Event::EndOnDate : qint32(random.bounded(3));
        event->endDate = event->schedule == Event::ScheduleSingular ? event->eventDate : end;
        if (event->schedule == Event::ScheduleSingular)
            event->endMode = Event::EndAfterTimes;
        bills.append(event);
    }
    return bills;
}

void writeBills(int count, bool farEnd)
{
    EventList bills = everydayBills(count, farEnd);
    if (!saveEvents(bills, eventsFilePath()))
        qFatal("cannot write %s", qPrintable(eventsFilePath()));
    qDeleteAll(bills);
}

// The same bills, each tracking payments with `payments` of them paid (the
// first bill `firstPayments`), as "Paid" records them; without `keepHistory`
// only the payment dates are kept, as before payments had a history.
void writeBillsWithHistory(int count, int payments, int firstPayments, bool keepHistory)
{
    EventList bills = everydayBills(count, false);
    const QDate today = QDate::currentDate();
    for (qsizetype i = 0; i < bills.size(); ++i) {
        Event *event = bills.at(i);
        const int paid = i == 0 ? firstPayments : payments;
        if (paid == 0)
            continue;
        // Long enough ago for weekly bills to owe that many dates.
        startTracking(*event, today.addDays(-7 * paid - 7));
        for (int p = 0; p < paid; ++p) {
            if (markPaid(*event, today).date.isNull())
                break;
        }
        if (!keepHistory)
            event->history.clear();
    }
    if (!saveEvents(bills, eventsFilePath()))
        qFatal("cannot write %s", qPrintable(eventsFilePath()));
    qDeleteAll(bills);
}

// Runs the event loop until its first turn is through (painting included).
void finishOneTurn()
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

// Opens the window on the bill file written, until the list is painted,
// as often as the benchmark asks; closing it is not timed.
void openWindows(benchmark::State &state)
{
    for (auto _ : state) {
        auto *window = new MainWindow;
        window->show();
        finishOneTurn();
        state.PauseTiming();
        window->hide();
        delete window;
        state.ResumeTiming();
    }
    QFile::remove(eventsFilePath());
}

void BM_OpenMainWindow(benchmark::State &state)
{
    const bool farEnd = state.range(1) != 0;
    writeBills(int(state.range(0)), farEnd);
    openWindows(state);
}
BENCHMARK(BM_OpenMainWindow)->Args({0, 0})->Args({10000, 0})->Args({1000, 1})->Unit(benchmark::kMillisecond)->Iterations(1);

// A figure of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 if unknown.
double processMemory(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() * 1024;
    }
    return 0;
}

// The bytes the heap has handed out and not taken back.
double heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
}

// From the construction to the first painted list, with what the shown
// window holds above the process before it, per bill, and the bill file's
// size per bill.
void BM_ShowMainWindow(benchmark::State &state)
{
    const int count = int(state.range(0));
    writeBills(count, false);
    const double fileSize = double(QFileInfo(eventsFilePath()).size());
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        const double before = processMemory("VmRSS");
        const double heapBefore = heapInUse();
        state.ResumeTiming();
        auto *window = new MainWindow;
        window->show();
        finishOneTurn();
        state.PauseTiming();
        const double shown = processMemory("VmRSS");
        const double peak = processMemory("VmHWM");
        state.counters["shown_rss_MiB"] = (shown - before) / (1 << 20);
        state.counters["peak_MiB"] = (peak - before) / (1 << 20);
        state.counters["rss_per_bill"] = count > 0 ? (shown - before) / count : 0;
        state.counters["file_per_bill"] = count > 0 ? fileSize / count : 0;
        state.counters["heap_MiB"] = (heapInUse() - heapBefore) / (1 << 20);
        state.counters["heap_per_bill"] = count > 0 ? (heapInUse() - heapBefore) / count : 0;
        // What the heap still gives back to the system: the rest is in use.
        malloc_trim(0);
        const double inUse = processMemory("VmRSS") - before;
        state.counters["in_use_MiB"] = inUse / (1 << 20);
        state.counters["in_use_per_bill"] = count > 0 ? inUse / count : 0;
        window->hide();
        delete window;
        state.ResumeTiming();
    }
    QFile::remove(eventsFilePath());
}
BENCHMARK(BM_ShowMainWindow)->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// From the construction to the first painted list, for bills with a
// payment history against the same bills without: payments per bill, those
// of the first bill, and whether the history is kept (0: the same payment
// dates without records).
void BM_ShowMainWindowWithHistory(benchmark::State &state)
{
    writeBillsWithHistory(int(state.range(0)), int(state.range(1)), int(state.range(2)), state.range(3) != 0);
    state.counters["file_MiB"] = double(QFileInfo(eventsFilePath()).size()) / (1 << 20);
    openWindows(state);
}
BENCHMARK(BM_ShowMainWindowWithHistory)
    ->Args({10000, 0, 0, 1})
    ->Args({10000, 10, 10, 0})
    ->Args({10000, 10, 10, 1})
    ->Args({10000, 10, 1000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A click on a column header of a long list, each column in turn, until the
// list is painted again: the first click sorts ascending, the next
// descending, so every click reorders.
void BM_SortByColumn(benchmark::State &state)
{
    writeBills(int(state.range(0)), false);
    const int column = int(state.range(1));
    auto *window = new MainWindow;
    window->show();
    finishOneTurn();
    auto *view = window->findChild<QTreeView *>(QStringLiteral("eventTreeView"));
    int turn = 0;
    for (auto _ : state) {
        view->sortByColumn(column, turn % 2 == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
        finishOneTurn(); // the view lays the rows out again and paints
        ++turn;
    }
    window->hide();
    delete window;
    QFile::remove(eventsFilePath());
}
BENCHMARK(BM_SortByColumn)
    ->ArgsProduct({{100000}, {0, 1, 2, 4}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

// A click on a column header of a long list: every row's cells move.
void BM_SortBillList(benchmark::State &state)
{
    writeBills(int(state.range(0)), false);
    auto *window = new MainWindow;
    window->show();
    finishOneTurn();
    auto *view = window->findChild<QTreeView *>(QStringLiteral("eventTreeView"));
    int turn = 0;
    for (auto _ : state) {
        // Details ascending, then due date descending: each sort reorders.
        view->sortByColumn(turn % 2 == 0 ? 2 : 0, turn % 2 == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
        ++turn;
    }
    window->hide();
    delete window;
    QFile::remove(eventsFilePath());
}
BENCHMARK(BM_SortBillList)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same number of rows, filled with plain values and no bill logic.
void BM_OpenPlainTreeView(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const QDate today = QDate::currentDate();
    for (auto _ : state) {
        auto *model = new QStandardItemModel(0, 4);
        for (int row = 0; row < rows; ++row) {
            auto *date = new QStandardItem;
            date->setData(today.addDays(row % 400), Qt::EditRole);
            auto *days = new QStandardItem;
            days->setData(row % 400, Qt::EditRole);
            auto *text = new QStandardItem(QStringLiteral("Bill %1 - Due 12 more times, ending on Friday, 1 December 2028").arg(row));
            auto *data = new QStandardItem;
            data->setData(QVariant::fromValue(static_cast<void *>(model)), Qt::UserRole + 1);
            model->appendRow({date, days, text, data});
        }
        auto *view = new QTreeView;
        view->setModel(model);
        view->hideColumn(3);
        view->resize(639, 654);
        view->show();
        finishOneTurn();
        state.PauseTiming();
        delete view;
        delete model;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenPlainTreeView)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// From the close to the window's end: saving the bills and the settings,
// then tearing down the window, its model and the records.
void BM_CloseMainWindow(benchmark::State &state)
{
    writeBills(int(state.range(0)), false);
    for (auto _ : state) {
        state.PauseTiming();
        auto *window = new MainWindow;
        window->show();
        finishOneTurn();
        // Sorted the other way first, so every item has moved (in a plain
        // QStandardItemModel that makes the teardown quadratic).
        window->findChild<QTreeView *>(QStringLiteral("eventTreeView"))->sortByColumn(2, Qt::DescendingOrder);
        window->findChild<QTreeView *>(QStringLiteral("eventTreeView"))->sortByColumn(0, Qt::AscendingOrder);
        finishOneTurn();
        state.ResumeTiming();
        window->close();
        delete window;
        finishOneTurn();
    }
    QFile::remove(eventsFilePath());
}
BENCHMARK(BM_CloseMainWindow)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The file write alone, to set against the close.
void BM_SaveBills(benchmark::State &state)
{
    EventList bills = everydayBills(int(state.range(0)), false);
    for (auto _ : state) {
        if (!saveEvents(bills, eventsFilePath()))
            state.SkipWithError("cannot write the bill file");
    }
    qDeleteAll(bills);
    QFile::remove(eventsFilePath());
}
BENCHMARK(BM_SaveBills)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Deleting a model whose rows went in at the top and were then sorted:
// a plain QStandardItemModel against the bill list's model.
template<typename Model>
void fillAtTopAndSort(Model &model, int rows);

template<>
void fillAtTopAndSort(QStandardItemModel &model, int rows)
{
    for (int row = 0; row < rows; ++row) {
        model.insertRow(0, {new QStandardItem(QString::number(row * 7919 % rows)), new QStandardItem,
                            new QStandardItem, new QStandardItem});
    }
    model.sort(0);
}

template<>
void fillAtTopAndSort(BillModel &model, int rows)
{
    // Rows at the top one by one end up in reverse order; inserting them all
    // at once gives the same rows faster.
    model.insertRowsAtTop(rows);
    for (int row = 0; row < rows; ++row)
        model.item(rows - 1 - row, 0)->setText(QString::number(row * 7919 % rows));
    model.sort(0);
}

template<typename Model>
void BM_DeleteModel(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto *model = new Model;
        model->setColumnCount(4);
        fillAtTopAndSort(*model, rows);
        state.ResumeTiming();
        delete model;
    }
}
// The months page for a list: its sums, chart, table and calendar marks
// worked out and painted.
void BM_DrawMonthsPage(benchmark::State &state)
{
    const EventList bills = everydayBills(int(state.range(0)), false);
    MonthsPage page;
    page.resize(800, 600);
    page.show();
    finishOneTurn();
    for (auto _ : state) {
        page.showBills(bills, QDate::currentDate());
        page.repaint();
    }
    qDeleteAll(bills);
}
BENCHMARK(BM_DrawMonthsPage)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_DeleteModel<QStandardItemModel>)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DeleteModel<BillModel>)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane-bench"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
    return 0;
}
