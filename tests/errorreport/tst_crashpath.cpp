// A crash of the running program from end to end, as a user meets it on an X
// display: Payvane (its main window, or the reminder window of the automatic
// start) is sent SIGSEGV from outside; its crash handler writes the dump
// into the user's private runtime folder and starts the error-report
// program beside it with "Payvane", "1.0.1.2" and the dump's path; the
// error-report dialog appears on the display; the user declines it by
// keyboard, the program ends with code 0 and the dump is gone. Payvane
// itself ends by the signal.
//
// The test runs its own Xvfb and drives the dialog with xdotool. It makes
// itself the reaper of orphaned descendants, so the error-report program,
// which outlives the crashed process that started it, becomes its child and
// its exit code can be read.

#include <event.h>
#include <eventstore.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace {

const QString fakeTimeLibrary = QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1");
const QDateTime fakeNow(QDate(2027, 3, 1), QTime(10, 0));
// Generous: the programs start under the sanitizers.
constexpr int windowTimeoutMs = 60000;

// Own HOME and XDG folders, and a bill due for a reminder on the fake day.
class Sandbox
{
public:
    Sandbox()
    {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("config"));
        root.mkpath(QStringLiteral("data/Tervona/Payvane"));
        root.mkpath(QStringLiteral("runtime"));
        root.mkpath(QStringLiteral("tmp"));
        QFile::setPermissions(path(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString path(const QString &relative) const { return QDir(dir.path()).filePath(relative); }

    bool writeDueBill() const
    {
        Event event;
        event.name = QStringLiteral("Rent");
        event.schedule = Event::ScheduleSingular;
        event.eventDate = fakeNow.date();
        event.endMode = Event::EndAfterTimes;
        event.endDate = fakeNow.date();
        event.notify = true;
        event.notifyDays = 3;
        const EventList events{&event};
        return saveEvents(events, path(QStringLiteral("data/Tervona/Payvane/events.evt")));
    }

    QProcessEnvironment environment(const QString &display) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("LD_PRELOAD"), fakeTimeLibrary);
        env.insert(QStringLiteral("FAKETIME"), fakeNow.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        // The sanitizer must leave SIGSEGV to the program's own crash handler,
        // as in a build without it; and it must not insist on loading first.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("handle_segv=0:verify_asan_link_order=0"));
        return env;
    }

private:
    QTemporaryDir dir;
};

QStringList commandLine(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList arguments;
    for (const QByteArray &argument : file.readAll().split('\0'))
        arguments.append(QFile::decodeName(argument));
    if (!arguments.isEmpty() && arguments.last().isEmpty())
        arguments.removeLast();
    return arguments;
}

// The running processes started as `program`.
QList<qint64> processesOf(const QString &program)
{
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && commandLine(pid).value(0) == program)
            pids.append(pid);
    }
    return pids;
}

// Windows of `pid` that are on the screen, with the given title when one is given.
QStringList visibleWindows(const QString &display, qint64 pid, const QString &titlePattern = QString())
{
    QProcess xdotool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    xdotool.setProcessEnvironment(env);
    QStringList arguments = {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--pid"), QString::number(pid)};
    if (!titlePattern.isEmpty())
        arguments << QStringLiteral("--name") << titlePattern;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    xdotool.waitForFinished(10000);
    return QString::fromLatin1(xdotool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool xdotool(const QString &display, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

// Polls `condition` until it holds or `timeoutMs` of wall-clock time have
// passed; each poll may start a process, so polls are not counted.
template<typename Condition>
bool waitFor(Condition condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

// Waits for an adopted child to end; its wait status, or -1 on time-out.
int waitForAdopted(qint64 pid, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        int status = 0;
        const pid_t ended = ::waitpid(pid_t(pid), &status, WNOHANG);
        if (ended == pid_t(pid))
            return status;
        if (ended < 0)
            return -1;
        QTest::qWait(50);
    }
    return -1;
}

// Ends an adopted error-report program that a failed check left running.
class ReporterGuard
{
public:
    ~ReporterGuard()
    {
        if (pid > 0 && ::waitpid(pid_t(pid), nullptr, WNOHANG) == 0) {
            ::kill(pid_t(pid), SIGKILL);
            ::waitpid(pid_t(pid), nullptr, 0);
        }
    }
    qint64 pid = 0;
};

} // namespace

class CrashPathTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void crashLeadsToErrorReport_data();
    void crashLeadsToErrorReport();

private:
    QProcess xvfb;
    QString display;
};

void CrashPathTest::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("Xvfb and xdotool are needed (scripts/install-deps.sh installs them)");
    if (!QFile::exists(fakeTimeLibrary))
        QSKIP("libfaketime is not installed");
    QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);

    // Xvfb picks a free display and writes its number to standard output.
    // Without -noreset it resets whenever its last client leaves (the crashed
    // program, or one xdotool call), and refuses connections meanwhile.
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                        QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("1280x900x24"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
    QVERIFY(xvfb.waitForStarted());
    QByteArray number;
    QVERIFY(waitFor([&] { return (number += xvfb.readAllStandardOutput()).contains('\n'); }, 30000));
    display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
}

void CrashPathTest::cleanupTestCase()
{
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(10000);
    }
}

void CrashPathTest::crashLeadsToErrorReport_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("answerKeys");
    QTest::addColumn<bool>("restartWhileAsking");

    // Escape closes the dialog; Tab moves from "Send Error Report", which
    // has the focus, to "Don't Send", and the space bar presses it. Sending
    // itself is tested against a local server in tst_errordialog: this
    // program sends to the server it was built for.
    QTest::newRow("main window, Escape") << QStringList() << QStringList{QStringLiteral("Escape")} << true;
    QTest::newRow("reminder shown, Don't Send")
        << QStringList{QStringLiteral("auto")} << QStringList{QStringLiteral("Tab"), QStringLiteral("space")}
        << false;
}

void CrashPathTest::crashLeadsToErrorReport()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, answerKeys);
    QFETCH(bool, restartWhileAsking);

    Sandbox sandbox;
    QVERIFY(sandbox.writeDueBill());
    const QString payvaneFolder = QFileInfo(QStringLiteral(PAYVANE_EXECUTABLE)).canonicalPath();
    const QString reporter = payvaneFolder + QStringLiteral("/Exception");
    QVERIFY(QFileInfo(reporter).isExecutable());

    QProcess payvane;
    payvane.setProcessEnvironment(sandbox.environment(display));
    // The error-report program inherits these; a pipe would be closed under
    // it once Payvane has ended.
    const QString output = sandbox.path(QStringLiteral("output.txt"));
    payvane.setStandardOutputFile(output);
    payvane.setStandardErrorFile(output);
    payvane.start(QStringLiteral(PAYVANE_EXECUTABLE), arguments);
    QVERIFY(payvane.waitForStarted());
    const qint64 payvanePid = payvane.processId();
    const auto programOutput = [&output] {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QVERIFY2(waitFor([&] { return !visibleWindows(display, payvanePid).isEmpty(); }, windowTimeoutMs),
             programOutput().constData());
    const QList<qint64> reportersBefore = processesOf(reporter);

    QCOMPARE(::kill(pid_t(payvanePid), SIGSEGV), 0);
    QVERIFY(payvane.waitForFinished(windowTimeoutMs));
    QCOMPARE(payvane.exitStatus(), QProcess::CrashExit);
    QCOMPARE(payvane.exitCode(), SIGSEGV);

    // The error-report program, started by the crashed process.
    ReporterGuard guard;
    qint64 &reporterPid = guard.pid;
    QVERIFY2(waitFor(
                 [&] {
                     for (const qint64 pid : processesOf(reporter)) {
                         if (!reportersBefore.contains(pid))
                             reporterPid = pid;
                     }
                     return reporterPid != 0;
                 },
                 windowTimeoutMs),
             programOutput().constData());
    const QString dumpFolder = sandbox.path(QStringLiteral("runtime/Payvane"));
    const QString dumpPath = QDir(dumpFolder).filePath(QStringLiteral("Payvane-%1.dmp").arg(payvanePid));
    QCOMPARE(commandLine(reporterPid),
             (QStringList{reporter, QStringLiteral("Payvane"), QStringLiteral("1.0.1.2"), dumpPath}));

    // The dump, private to the user.
    QFile dump(dumpPath);
    QVERIFY(dump.open(QIODevice::ReadOnly));
    QVERIFY(dump.readAll().startsWith("Payvane 1.0.1.2\nsignal " + QByteArray::number(SIGSEGV) + "\n"));
    dump.close();
    QCOMPARE(dump.permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);
    QCOMPARE(QFileInfo(dumpFolder).permissions() & 0x0777,
             QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);

    // Its dialog on the screen, answered from the keyboard.
    QStringList dialogs;
    QVERIFY2(waitFor(
                 [&] {
                     dialogs = visibleWindows(display, reporterPid, QStringLiteral("^Unexpected Problem$"));
                     return !dialogs.isEmpty();
                 },
                 windowTimeoutMs),
             programOutput().constData());
    QVERIFY(QFile::exists(dumpPath));

    if (restartWhileAsking) {
        // The reporter holds nothing of the crashed program's: started again
        // meanwhile, Payvane is no second instance and opens its window.
        QProcess again;
        again.setProcessEnvironment(sandbox.environment(display));
        again.setStandardOutputFile(output, QIODevice::Append);
        again.setStandardErrorFile(output, QIODevice::Append);
        again.start(QStringLiteral(PAYVANE_EXECUTABLE), QStringList());
        QVERIFY(again.waitForStarted());
        const qint64 againPid = again.processId();
        QVERIFY2(waitFor([&] { return !visibleWindows(display, againPid).isEmpty(); }, windowTimeoutMs),
                 programOutput().constData());
        again.kill();
        again.waitForFinished();
    }

    QVERIFY(xdotool(display, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialogs.first()}));
    for (const QString &key : answerKeys)
        QVERIFY(xdotool(display, {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100"), key}));

    const int status = waitForAdopted(reporterPid, windowTimeoutMs);
    QVERIFY2(status != -1, "the error-report program did not end");
    QVERIFY2(WIFEXITED(status), programOutput().constData());
    QVERIFY2(WEXITSTATUS(status) == 0, programOutput().constData());
    QVERIFY(!QFile::exists(dumpPath));
}

QTEST_GUILESS_MAIN(CrashPathTest)
#include "tst_crashpath.moc"
