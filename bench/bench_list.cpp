// "Payvane --list" (and --json) with 1,000 and 100,000 bills against
// "remind -n" with as many reminders of the same kinds (weekly on one day,
// weekly on two days, one date), each iteration one whole process with its
// output thrown away. What counts is the cost per bill: the difference
// between the two sizes over the 99,000 bills between them.
//
//   bench_list --benchmark_filter=Time --benchmark_repetitions=9
//              --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
//
// The "cpu_ms" counter is the process's own user and system time, which the
// machine's load changes less than the wall time. BM_ListInstructions counts
// instructions under callgrind (valgrind) at both sizes and reports them per
// bill. remind is a Debian package; without it its benchmarks are skipped.

#include "billfiles.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

QTemporaryDir *sandbox = nullptr;
QString remindProgram;

QString dataFolder(int count)
{
    return QDir(sandbox->path()).filePath(QStringLiteral("data%1").arg(count));
}

QString remindFile(int count)
{
    return QDir(sandbox->path()).filePath(QStringLiteral("reminders%1.rem").arg(count));
}

// The reminders of writeBillFile()'s bills that are not due: weekly on
// tomorrow's weekday, weekly on it and the day two after, or one date.
bool writeRemindFile(const QString &path, int count, QDate today)
{
    static const char *const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const int tomorrow = today.addDays(1).dayOfWeek() - 1;
    QByteArray text;
    for (int i = 0; i < count; ++i) {
        switch (i % 3) {
        case 0:
            text += QByteArray("REM ") + days[tomorrow];
            break;
        case 1:
            text += QByteArray("REM ") + days[tomorrow] + ' ' + days[(tomorrow + 2) % 7];
            break;
        default:
            text += "REM " + QLocale::c().toString(today.addDays(10 + i % 100), QStringLiteral("d MMM yyyy")).toLatin1();
            break;
        }
        text += " MSG Bill " + QByteArray::number(i) + '\n';
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QProcessEnvironment environmentFor(int count)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), sandbox->path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataFolder(count));
    return env;
}

double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void runProcess(benchmark::State &state, const QString &program, const QStringList &arguments, int count)
{
    const QProcessEnvironment env = environmentFor(count);
    double cpu = 0;
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardOutputFile(QProcess::nullDevice());
        const double before = childCpuMs();
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            state.SkipWithError("the program did not end with 0");
            return;
        }
        cpu += childCpuMs() - before;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

void BM_ListTime(benchmark::State &state)
{
    const int count = int(state.range(0));
    runProcess(state, QStringLiteral(PAYVANE_EXECUTABLE), {QStringLiteral("--list")}, count);
}

void BM_JsonTime(benchmark::State &state)
{
    const int count = int(state.range(0));
    runProcess(state, QStringLiteral(PAYVANE_EXECUTABLE), {QStringLiteral("--json")}, count);
}

void BM_RemindTime(benchmark::State &state)
{
    if (remindProgram.isEmpty()) {
        state.SkipWithError("remind is not installed");
        return;
    }
    const int count = int(state.range(0));
    runProcess(state, remindProgram, {QStringLiteral("-n"), remindFile(count)}, count);
}

// The instructions of one run under callgrind; -1 when it failed.
qint64 instructionsOf(const QString &program, const QStringList &arguments, int count)
{
    QProcess process;
    process.setProcessEnvironment(environmentFor(count));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("valgrind"),
                  QStringList{QStringLiteral("--tool=callgrind"), QStringLiteral("--callgrind-out-file=/dev/null"),
                              program}
                      + arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch collected = QRegularExpression(QStringLiteral("Collected : (\\d+)"))
                                                  .match(QString::fromLocal8Bit(process.readAllStandardError()));
    return collected.hasMatch() ? collected.captured(1).toLongLong() : -1;
}

void BM_ListInstructions(benchmark::State &state)
{
    constexpr int Small = 1000;
    constexpr int Large = 100000;
    qint64 list[2] = {-1, -1};
    qint64 remind[2] = {-1, -1};
    for (auto _ : state) {
        const QStringList listArguments{QStringLiteral("--list")};
        list[0] = instructionsOf(QStringLiteral(PAYVANE_EXECUTABLE), listArguments, Small);
        list[1] = instructionsOf(QStringLiteral(PAYVANE_EXECUTABLE), listArguments, Large);
        if (!remindProgram.isEmpty()) {
            remind[0] = instructionsOf(remindProgram, {QStringLiteral("-n"), remindFile(Small)}, Small);
            remind[1] = instructionsOf(remindProgram, {QStringLiteral("-n"), remindFile(Large)}, Large);
        }
    }
    if (list[0] <= 0 || list[1] <= 0) {
        state.SkipWithError("valgrind did not run Payvane --list to an end with 0");
        return;
    }
    const double perBill = double(list[1] - list[0]) / (Large - Small);
    state.counters["list_per_bill"] = perBill;
    state.counters["list_fixed"] = double(list[0]) - perBill * Small;
    if (remind[0] > 0 && remind[1] > 0) {
        const double remindPerBill = double(remind[1] - remind[0]) / (Large - Small);
        state.counters["remind_per_reminder"] = remindPerBill;
        state.counters["ratio"] = perBill / remindPerBill;
    }
}

} // namespace

BENCHMARK(BM_ListTime)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JsonTime)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RemindTime)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListInstructions)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    sandbox = &dir;
    remindProgram = QStandardPaths::findExecutable(QStringLiteral("remind"));
    const QDate today = QDate::currentDate();
    for (int count : {1000, 100000}) {
        if (!writeBillFile(dataFolder(count) + QStringLiteral("/Tervona/Payvane/events.evt"), count, 0, today)
            || !writeRemindFile(remindFile(count), count, today))
            return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
