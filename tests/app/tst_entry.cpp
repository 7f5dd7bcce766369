// The program's start as a process: the command line, the interval rule
// with "LastRun" and "LastDisplay", the single instance. Each case runs the
// built program with its own HOME and XDG folders and, where the day
// matters, a frozen wall clock through libfaketime.

#include "../common/programsandbox.h"

#include <event.h>
#include <eventstore.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

using namespace programsandbox;
using Sandbox = ProgramSandbox;

} // namespace

class EntryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void intervalRule_data();
    void intervalRule();
    void secondInstanceLeavesFirstAlone();
    void fifoInPlaceOfTheBillsNeverHangs();
    void listOptions_data();
    void listOptions();
    void overdueAfterDaysAway_data();
    void overdueAfterDaysAway();
};

void EntryTest::initTestCase()
{
    if (!QFile::exists(fakeTimeLibrary))
        QSKIP("libfaketime is not installed");
}

void EntryTest::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("billDue");
    QTest::addColumn<bool>("windowShown");
    QTest::addColumn<bool>("lastRunWritten");
    QTest::addColumn<bool>("lastDisplayWritten");

    const QString a = QStringLiteral("auto");
    QTest::newRow("auto, nothing due") << QStringList{a} << false << false << false << false;
    QTest::newRow("auto interval, nothing due") << QStringList{a, "3600"} << false << false << true << false;
    QTest::newRow("auto and two more, nothing due") << QStringList{a, "3600", "x"} << false << false << false << false;
    QTest::newRow("auto, due") << QStringList{a} << true << true << false << true;
    QTest::newRow("auto interval, due") << QStringList{a, "3600"} << true << true << true << true;
    QTest::newRow("auto and two more, due") << QStringList{a, "3600", "x"} << true << true << false << true;
    // Any other first argument is the interactive mode, which keeps no start times.
    QTest::newRow("Auto, due") << QStringList{"Auto"} << true << true << false << false;
    QTest::newRow("no argument, due") << QStringList{} << true << true << false << false;
}

void EntryTest::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, billDue);
    QFETCH(bool, windowShown);
    QFETCH(bool, lastRunWritten);
    QFETCH(bool, lastDisplayWritten);

    Sandbox sandbox;
    QVERIFY(sandbox.writeBill(billDue));
    const RunResult result = sandbox.run(arguments, windowShown ? windowWaitMs : endTimeoutMs);

    QCOMPARE(result.ended, !windowShown);
    if (result.ended)
        QCOMPARE(result.exitCode, 0);
    QCOMPARE(sandbox.setting(QStringLiteral("LastRun")).toDateTime(),
             lastRunWritten ? fakeNow : QDateTime());
    QCOMPARE(sandbox.setting(QStringLiteral("LastDisplay")).toDateTime(),
             lastDisplayWritten ? fakeNow : QDateTime());
}

void EntryTest::intervalRule_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<qint64>("secondsSinceLastRun"); // 0: no "LastRun" yet
    QTest::addColumn<QDateTime>("lastDisplay");
    QTest::addColumn<bool>("windowShown");

    const QDateTime shownToday = fakeNow.addSecs(-3 * 3600);
    const QDateTime shownYesterday = fakeNow.addDays(-1);
    QTest::newRow("1.5 intervals less 1 s, shown today") << "3600" << qint64(5399) << shownToday << false;
    QTest::newRow("exactly 1.5 intervals, shown today") << "3600" << qint64(5400) << shownToday << true;
    QTest::newRow("1.5 intervals less 1 s, shown yesterday") << "3600" << qint64(5399) << shownYesterday << true;
    QTest::newRow("1.5 intervals less 1 s, never shown") << "3600" << qint64(5399) << QDateTime() << true;
    QTest::newRow("no LastRun, shown today") << "3600" << qint64(0) << shownToday << true;
    QTest::newRow("LastRun in the future, shown today") << "3600" << qint64(-60) << shownToday << false;
    QTest::newRow("interval not a number, shown today") << "hourly" << qint64(10) << shownToday << true;
}

void EntryTest::intervalRule()
{
    QFETCH(QString, interval);
    QFETCH(qint64, secondsSinceLastRun);
    QFETCH(QDateTime, lastDisplay);
    QFETCH(bool, windowShown);

    Sandbox sandbox;
    QVERIFY(sandbox.writeBill(true));
    const QDateTime lastRun = secondsSinceLastRun == 0 ? QDateTime() : fakeNow.addSecs(-secondsSinceLastRun);
    sandbox.setStartTimes(lastRun, lastDisplay);

    const RunResult result = sandbox.run({QStringLiteral("auto"), interval},
                                         windowShown ? windowWaitMs : endTimeoutMs);

    QCOMPARE(result.ended, !windowShown);
    if (result.ended)
        QCOMPARE(result.exitCode, 0);
    // "LastRun" records every start with an interval, held back or not.
    QCOMPARE(sandbox.setting(QStringLiteral("LastRun")).toDateTime(), fakeNow);
    QCOMPARE(sandbox.setting(QStringLiteral("LastDisplay")).toDateTime(),
             windowShown ? fakeNow : lastDisplay);
}

void EntryTest::secondInstanceLeavesFirstAlone()
{
    Sandbox sandbox;
    QVERIFY(sandbox.writeBill(true));
    QFile events(sandbox.eventsPath());
    QVERIFY(events.open(QIODevice::ReadOnly));
    const QByteArray billsBefore = events.readAll();
    events.close();
    QFile config(sandbox.configPath());
    QVERIFY(config.open(QIODevice::ReadOnly));
    const QByteArray configBefore = config.readAll();
    config.close();

    QProcess first;
    sandbox.start(first, {});
    QVERIFY(first.waitForStarted());
    // The first instance listens once its application object exists.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(sandbox.instanceSocketPath()), endTimeoutMs);

    const RunResult second = sandbox.run({QStringLiteral("auto"), QStringLiteral("3600")});
    QVERIFY(second.ended);
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(first.state(), QProcess::Running);
    // The second start kept no start times and left the bills alone.
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.readAll(), configBefore);
    QVERIFY(events.open(QIODevice::ReadOnly));
    QCOMPARE(events.readAll(), billsBefore);

    first.kill();
    first.waitForFinished();
}

void EntryTest::fifoInPlaceOfTheBillsNeverHangs()
{
    // Opening a FIFO would block for ever and keep the single-instance lock,
    // so that every later start ended silently too.
    Sandbox sandbox;
    QVERIFY(::mkfifo(QFile::encodeName(sandbox.eventsPath()).constData(), 0600) == 0);
    for (int start = 0; start < 2; ++start) {
        const RunResult result = sandbox.run({QStringLiteral("auto")});
        QVERIFY(result.ended);
        QCOMPARE(result.exitCode, 0);
    }
    // Nothing was due, so nothing was saved: the FIFO is left as it is.
    QVERIFY(QFileInfo::exists(sandbox.eventsPath()) && !QFileInfo(sandbox.eventsPath()).isFile());
}

void EntryTest::listOptions_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("--list") << QStringLiteral("--list")
                            << QByteArray("Due Date    Days Remaining  Amount  Description\n"
                                          "2027-03-01               0          Rent\n");
    QTest::newRow("--json") << QStringLiteral("--json")
                            << QByteArray("[\n  {\"name\": \"Rent\", \"nextDue\": \"2027-03-01\", \"daysRemaining\": 0, "
                                          "\"remaining\": 0, \"schedule\": \"once\", \"ends\": \"2027-03-01\", "
                                          "\"amount\": null}\n]\n");
}

void EntryTest::listOptions()
{
    // The bills for other programs, printed without any window, instance
    // test or update check, and without writing anything.
    QFETCH(QString, option);
    QFETCH(QByteArray, output);
    Sandbox sandbox;
    QVERIFY(sandbox.writeBill(true));
    const auto contents = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray config = contents(sandbox.configPath());
    const QByteArray bills = contents(sandbox.eventsPath());
    QProcess process;
    sandbox.start(process, {option});
    QVERIFY(process.waitForFinished(endTimeoutMs));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), output);
    QCOMPARE(contents(sandbox.configPath()), config);
    QCOMPARE(contents(sandbox.eventsPath()), bills);
    QVERIFY(!QFileInfo::exists(sandbox.instanceSocketPath()));
}

void EntryTest::overdueAfterDaysAway_data()
{
    QTest::addColumn<bool>("tracking");
    QTest::addColumn<bool>("windowShown");
    QTest::newRow("tracks payments: reminded of the unpaid date") << true << true;
    QTest::newRow("no tracking: the passed date is gone") << false << false;
}

void EntryTest::overdueAfterDaysAway()
{
    // A scheduler starts Payvane every hour. The rent falls due on 24
    // February, while the computer is off from 15 February to 1 March.
    QFETCH(bool, tracking);
    QFETCH(bool, windowShown);

    Sandbox sandbox;
    Event rent;
    rent.name = QStringLiteral("Rent");
    rent.schedule = Event::ScheduleMonthly;
    rent.byDay = true;
    rent.ordinal = 24;
    rent.endMode = Event::EndNever;
    rent.notify = true;
    rent.notifyDays = 3;
    if (tracking)
        rent.payments.trackedSince = QDate(2027, 2, 1);
    QVERIFY(saveEvents(EventList{&rent}, sandbox.eventsPath()));
    const QStringList hourly{QStringLiteral("auto"), QStringLiteral("3600")};

    // 15 February: nine days before the date, nothing to remind of yet.
    sandbox.setNow(QDateTime(QDate(2027, 2, 15), QTime(9, 0)));
    const RunResult before = sandbox.run(hourly);
    QVERIFY(before.ended);
    QCOMPARE(before.exitCode, 0);
    QVERIFY(!sandbox.setting(QStringLiteral("LastDisplay")).isValid());

    // 1 March, the first start after the gap.
    sandbox.setNow(fakeNow);
    const RunResult after = sandbox.run(hourly, windowShown ? windowWaitMs : endTimeoutMs);
    QCOMPARE(after.ended, !windowShown);
    if (after.ended)
        QCOMPARE(after.exitCode, 0);
    QCOMPARE(sandbox.setting(QStringLiteral("LastRun")).toDateTime(), fakeNow);
    QCOMPARE(sandbox.setting(QStringLiteral("LastDisplay")).toDateTime(), windowShown ? fakeNow : QDateTime());
}

QTEST_GUILESS_MAIN(EntryTest)
#include "tst_entry.moc"
