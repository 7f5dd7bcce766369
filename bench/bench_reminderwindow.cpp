// Building the reminder window of an automatic start with N due bills, up to
// the moment it is on screen: loading, the items, the fit to the screen and
// the first paint.
//
//   QT_QPA_PLATFORM=offscreen bench/bench_reminderwindow
//       --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// Runs with HOME in a temporary folder and the standard paths in test mode,
// never on the user's bills.
#include "billfiles.h"
#include "reminderwindow.h"

#include <eventstore.h>
#include <notificationsettings.h>

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_ReminderWindowShown(benchmark::State &state)
{
    const int due = int(state.range(0));
    // And a tenth as many that are not due but still looked at.
    if (!writeBillFile(eventsFilePath(), due + due / 10, due, QDate::currentDate())) {
        state.SkipWithError("cannot write the bill file");
        return;
    }
    for (auto _ : state) {
        auto *window = new ReminderWindow;
        if (!window->addDueItems()) {
            state.SkipWithError("no due bill");
            delete window;
            break;
        }
        window->positionWindow();
        window->show();
        // The first paint.
        QCoreApplication::processEvents();
        state.PauseTiming();
        // Deleted, not closed: closing would save the marks and end the loop.
        delete window;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["due"] = due;
}
BENCHMARK(BM_ReminderWindowShown)->Arg(10)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    // Tray method, all due bills together: the usual automatic start.
    if (!NotificationSettings().save(settingsFilePath()))
        return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
