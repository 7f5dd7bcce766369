// Start to end of "Payvane auto" with 1,000 bills none of which is due,
// against a program that only builds a QApplication, in the same run on the
// offscreen platform. Each iteration is one whole process. The last update
// check is recent, as on most starts, so the automatic check is not due.
//
//   bench_startup --benchmark_filter=Time --benchmark_repetitions=25
//                 --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
//
// The budget of such a start is given in instructions, which unlike the time
// do not depend on the machine's load: BM_StartInstructions runs both
// programs once each under callgrind (valgrind) and reports the counts and
// their ratio.
//
//   bench_startup --benchmark_filter=Instructions
//
// The same budget for the options that print and end: "Payvane --list" with
// no bill and with the 1,000 bills against a program that only builds a
// QCoreApplication (BM_ListInstructions).
//
// The runtime folder (lock file and socket of the single instance) goes on
// /dev/shm when there is one, as a desktop session's /run/user is a tmpfs:
// on a disk the lock file's sync makes the start depend on disk load.

#include "billfiles.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QTemporaryDir *sandbox = nullptr;
QString runtimeFolder;

// The data folder with the 1,000 bills, and one with none.
const QString BillsData = QStringLiteral("data");
const QString NoBillsData = QStringLiteral("nobills");

QProcessEnvironment sandboxEnvironment(const QString &dataFolder = BillsData)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QDir root(sandbox->path());
    env.insert(QStringLiteral("HOME"), root.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(dataFolder));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

void runProcess(benchmark::State &state, const QString &program, const QStringList &arguments)
{
    const QProcessEnvironment env = sandboxEnvironment();
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            state.SkipWithError("the program did not end with 0");
            return;
        }
    }
}

// The instructions one run of the program takes under callgrind; -1 when it
// could not be run or did not end with 0.
qint64 instructionsOf(const QString &program, const QStringList &arguments, const QString &dataFolder = BillsData)
{
    QProcess process;
    process.setProcessEnvironment(sandboxEnvironment(dataFolder));
    process.start(QStringLiteral("valgrind"),
                  QStringList{QStringLiteral("--tool=callgrind"), QStringLiteral("--callgrind-out-file=/dev/null"),
                              program}
                      + arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch collected = QRegularExpression(QStringLiteral("Collected : (\\d+)"))
                                                  .match(QString::fromLocal8Bit(process.readAllStandardError()));
    return collected.hasMatch() ? collected.captured(1).toLongLong() : -1;
}

void BM_BareApplicationTime(benchmark::State &state)
{
    runProcess(state, QStringLiteral(BARE_APPLICATION), {});
}

void BM_PayvaneAutoNothingDueTime(benchmark::State &state)
{
    runProcess(state, QStringLiteral(PAYVANE_EXECUTABLE), {QStringLiteral("auto")});
}

void BM_StartInstructions(benchmark::State &state)
{
    // The first start after fonts were installed refreshes the font cache,
    // which is no part of the start being measured.
    QProcess warmUp;
    warmUp.setProcessEnvironment(sandboxEnvironment());
    warmUp.start(QStringLiteral(BARE_APPLICATION), {});
    warmUp.waitForFinished(300000);

    qint64 bare = -1;
    qint64 payvane = -1;
    for (auto _ : state) {
        bare = instructionsOf(QStringLiteral(BARE_APPLICATION), {});
        payvane = instructionsOf(QStringLiteral(PAYVANE_EXECUTABLE), {QStringLiteral("auto")});
    }
    if (bare <= 0 || payvane <= 0) {
        state.SkipWithError("valgrind did not run both programs to an end with 0");
        return;
    }
    state.counters["bare_application"] = double(bare);
    state.counters["payvane_auto"] = double(payvane);
    state.counters["ratio"] = double(payvane) / double(bare);
}

void BM_ListInstructions(benchmark::State &state)
{
    const QString payvane = QStringLiteral(PAYVANE_EXECUTABLE);
    const QStringList list{QStringLiteral("--list")};
    qint64 bare = -1;
    qint64 noBills = -1;
    qint64 thousandBills = -1;
    for (auto _ : state) {
        bare = instructionsOf(QStringLiteral(BARE_CORE_APPLICATION), {});
        noBills = instructionsOf(payvane, list, NoBillsData);
        thousandBills = instructionsOf(payvane, list);
    }
    if (bare <= 0 || noBills <= 0 || thousandBills <= 0) {
        state.SkipWithError("valgrind did not run every program to an end with 0");
        return;
    }
    state.counters["bare_core_application"] = double(bare);
    state.counters["list_0_bills"] = double(noBills);
    state.counters["list_1000_bills"] = double(thousandBills);
    state.counters["ratio_0_bills"] = double(noBills) / double(bare);
    state.counters["per_bill"] = double(thousandBills - noBills) / 1000.0;
}

} // namespace

BENCHMARK(BM_BareApplicationTime)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PayvaneAutoNothingDueTime)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StartInstructions)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListInstructions)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    sandbox = &dir;
    QDir root(dir.path());
    const bool onTmpfs = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    QTemporaryDir tmpfsRuntime(QStringLiteral("/dev/shm/payvane-bench-XXXXXX"));
    runtimeFolder = onTmpfs && tmpfsRuntime.isValid() ? tmpfsRuntime.path()
                                                      : root.filePath(QStringLiteral("runtime"));
    root.mkpath(runtimeFolder);
    root.mkpath(NoBillsData);
    QFile::setPermissions(runtimeFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    std::printf("runtime folder: %s\n", qPrintable(runtimeFolder));
    if (!writeBillFile(root.filePath(QStringLiteral("data/Tervona/Payvane/events.evt")), 1000, 0,
                       QDate::currentDate()))
        return 1;
    // Checked for updates a moment ago: no start of the run sends a check.
    QSettings(root.filePath(QStringLiteral("config/Tervona/Payvane.conf")), QSettings::IniFormat)
        .setValue(QStringLiteral("UpdateLastRun"), QDateTime::currentDateTime());

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
