// Start to end of "Payvane auto" with 1,000 bills none of which is due,
// against a program that only builds a QApplication, in the same run on the
// offscreen platform. Each iteration is one whole process.
//
//   bench_startup --benchmark_repetitions=15 --benchmark_report_aggregates_only=true

#include "billfiles.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QTemporaryDir *sandbox = nullptr;

QProcessEnvironment sandboxEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QDir root(sandbox->path());
    env.insert(QStringLiteral("HOME"), root.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
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
    root.mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!writeBillFile(root.filePath(QStringLiteral("data/Tervona/Payvane/events.evt")), 1000, 0,
                       QDate::currentDate()))
        return 1;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
