// Start to end of "Payvane auto" with 1,000 bills none of which is due,
// against a program that only builds a QApplication, in the same run on the
// offscreen platform. Each iteration is one whole process.
//
//   bench_startup --benchmark_repetitions=25 --benchmark_enable_random_interleaving=true
//                 --benchmark_report_aggregates_only=true
//
// The runtime folder (lock file and socket of the single instance) goes on
// /dev/shm when there is one, as a desktop session's /run/user is a tmpfs:
// on a disk the lock file's sync makes the start depend on disk load.

#include "billfiles.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QTemporaryDir *sandbox = nullptr;
QString runtimeFolder;

QProcessEnvironment sandboxEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QDir root(sandbox->path());
    env.insert(QStringLiteral("HOME"), root.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
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

void BM_BareApplication(benchmark::State &state)
{
    runProcess(state, QStringLiteral(BARE_APPLICATION), {});
}

void BM_PayvaneAutoNothingDue(benchmark::State &state)
{
    runProcess(state, QStringLiteral(PAYVANE_EXECUTABLE), {QStringLiteral("auto")});
}

} // namespace

BENCHMARK(BM_BareApplication)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PayvaneAutoNothingDue)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    QFile::setPermissions(runtimeFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    std::printf("runtime folder: %s\n", qPrintable(runtimeFolder));
    if (!writeBillFile(root.filePath(QStringLiteral("data/Tervona/Payvane/events.evt")), 1000, 0,
                       QDate::currentDate()))
        return 1;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
