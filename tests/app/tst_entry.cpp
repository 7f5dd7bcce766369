// The program's start as a process: the command line, the interval rule
// with "LastRun" and "LastDisplay", the single instance. Each case runs the
// built program with its own HOME and XDG folders and, where the day
// matters, a frozen wall clock through libfaketime.

#include "../common/programsandbox.h"

#include <event.h>
#include <eventstore.h>
#include <daynumber.h>
#include <holidayfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <libical/ical.h>

#include <sys/stat.h>

namespace {

using namespace programsandbox;
using Sandbox = ProgramSandbox;

// What takes the bill file's place in listOptions.
enum class BillFileCase { Bills, BillsAndHolidays, None, Damaged, Empty, Folder, Fifo, DataFolderGone };

// A regular file's bytes; nothing for anything else (a FIFO would block).
QByteArray contents(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The bills of the printing options: "Rent" once on the frozen day, with a
// reminder, and "Water" on the 15th of every month, with an amount.
void writeTwoBills(const Sandbox &sandbox)
{
    const QString eventsPath = sandbox.eventsPath();
    QVERIFY(sandbox.writeBill(true));
    EventList bills = loadEvents(eventsPath);
    // Tracks payments since January and has paid none: 15 January and
    // 15 February are unpaid.
    auto *water = new Event;
    water->name = QStringLiteral("Water");
    water->schedule = Event::ScheduleMonthly;
    water->byDay = true;
    water->ordinal = 15;
    water->endMode = Event::EndNever;
    water->payments.trackedSince = QDate(2027, 1, 1);
    water->amount = Money(125050, QStringLiteral("EUR"));
    bills.append(water);
    const bool saved = saveEvents(bills, eventsPath);
    qDeleteAll(bills);
    QVERIFY(saved);
}

// The events of an iCalendar file as libical reads them, one
// "summary|start|description|alarm description" each; "error" for a file
// it finds fault with.
QStringList calendarEvents(const QByteArray &calendar)
{
    QStringList events;
    icalcomponent *root = icalparser_parse_string(calendar.constData());
    if (!root || icalcomponent_isa(root) != ICAL_VCALENDAR_COMPONENT || icalcomponent_count_errors(root) > 0) {
        if (root)
            icalcomponent_free(root);
        return {QStringLiteral("error")};
    }
    for (icalcomponent *event = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(event);
        const char *description = icalcomponent_get_description(event);
        icalcomponent *alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
        const char *alarmText = alarm ? icalcomponent_get_description(alarm) : nullptr;
        events.append(QStringLiteral("%1|%2|%3|%4")
                          .arg(QString::fromUtf8(icalcomponent_get_summary(event)),
                               QDate(start.year, start.month, start.day).toString(Qt::ISODate),
                               QString::fromUtf8(description ? description : ""),
                               QString::fromUtf8(alarmText ? alarmText : "")));
    }
    icalcomponent_free(root);
    return events;
}

} // namespace

Q_DECLARE_METATYPE(BillFileCase)

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
    void windowsLoadedOnlyWhenShown_data();
    void windowsLoadedOnlyWhenShown();
    void listOptions_data();
    void listOptions();
    void calendarOption_data();
    void calendarOption();
    void overdueAfterDaysAway_data();
    void overdueAfterDaysAway();
    void reminderMarkFromAClockThatRanAhead();
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
    const auto displayRecorded = [&] {
        return sandbox.setting(QStringLiteral("LastDisplay")).toDateTime() == fakeNow;
    };
    const RunResult result = sandbox.run(arguments, windowShown ? windowWaitMs : endTimeoutMs,
                                         lastDisplayWritten ? displayRecorded : std::function<bool()>());

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
    // Times after now come from a clock that ran ahead: a start in the
    // future says nothing about a regular scheduler, and reminders shown on
    // a later day count as shown today.
    QTest::newRow("LastRun in the future, shown today") << "3600" << qint64(-60) << shownToday << true;
    QTest::newRow("1.5 intervals less 1 s, shown in 2077") << "3600" << qint64(5399) << fakeNow.addYears(50) << false;
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

    const auto displayRecorded = [&] {
        return sandbox.setting(QStringLiteral("LastDisplay")).toDateTime() == fakeNow;
    };
    const RunResult result = sandbox.run({QStringLiteral("auto"), interval},
                                         windowShown ? windowWaitMs : endTimeoutMs,
                                         windowShown ? displayRecorded : std::function<bool()>());

    QCOMPARE(result.ended, !windowShown);
    if (result.ended)
        QCOMPARE(result.exitCode, 0);
    // "LastRun" records every start with an interval, held back or not.
    QCOMPARE(sandbox.setting(QStringLiteral("LastRun")).toDateTime(), fakeNow);
    QCOMPARE(sandbox.setting(QStringLiteral("LastDisplay")).toDateTime(),
             windowShown || lastDisplay > fakeNow ? fakeNow : lastDisplay);
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

void EntryTest::windowsLoadedOnlyWhenShown_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("billDue");
    QTest::addColumn<bool>("updateCheckDue");
    QTest::addColumn<bool>("needsWindows");

    const QString a = QStringLiteral("auto");
    QTest::newRow("auto, nothing due") << QStringList{a} << false << false << false;
    QTest::newRow("auto interval, nothing due") << QStringList{a, "3600"} << false << false << false;
    QTest::newRow("auto, bill due") << QStringList{a} << true << false << true;
    QTest::newRow("auto, update check due") << QStringList{a} << false << true << true;
    QTest::newRow("no argument") << QStringList{} << false << false << true;
}

void EntryTest::windowsLoadedOnlyWhenShown()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, billDue);
    QFETCH(bool, updateCheckDue);
    QFETCH(bool, needsWindows);

    // A copy of the program without its windows' module beside it: a start
    // that needs the windows says so and ends with 1; one that shows nothing
    // never looks for them.
    Sandbox sandbox;
    QVERIFY(sandbox.writeBill(billDue));
    if (updateCheckDue) {
        QSettings config(sandbox.configPath(), QSettings::IniFormat);
        config.setValue(QStringLiteral("UpdateAutoRun"), true);
        config.setValue(QStringLiteral("UpdateLastRun"), fakeNow.addDays(-6));
    }
    const QString copy = sandbox.path(QStringLiteral("bin/Payvane"));
    QVERIFY(QDir().mkpath(QFileInfo(copy).path()));
    QVERIFY(QFile::copy(QStringLiteral(PAYVANE_EXECUTABLE), copy));
    sandbox.setProgram(copy);

    const RunResult result = sandbox.run(arguments);
    QVERIFY(result.ended);
    QCOMPARE(result.exitCode, needsWindows ? 1 : 0);
    const QList<QByteArray> lines = result.standardError.trimmed().split('\n');
    if (needsWindows) {
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith("Payvane: cannot load ") && lines.first().contains("libpayvane_desktop.so: "),
                 lines.first().constData());
    } else {
        QVERIFY2(!result.standardError.contains("cannot load"), result.standardError.constData());
    }
}

void EntryTest::listOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<BillFileCase>("billFile");
    QTest::addColumn<QString>("outputFile"); // standard output goes there when given
    QTest::addColumn<bool>("withHome");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("error"); // what the one line on standard error says after "Payvane: "

    // The amount's text in the user's locale (German here), its number in
    // JSON as JSON writes numbers.
    const QByteArray table("Due Date    Days Remaining  Unpaid      Amount  Description\n"
                           "2027-01-15             -45       2  1.250,50\u00A0€  Water\n"
                           "2027-03-01               0                      Rent\n");
    const QByteArray json("[\n"
                          "    {\n"
                          "        \"amount\": 1250.5,\n"
                          "        \"amountText\": \"1.250,50\u00A0€\",\n"
                          "        \"currency\": \"EUR\",\n"
                          "        \"daysRemaining\": -45,\n"
                          "        \"ends\": null,\n"
                          "        \"name\": \"Water\",\n"
                          "        \"nextDue\": \"2027-01-15\",\n"
                          "        \"overdue\": true,\n"
                          "        \"paidThrough\": null,\n"
                          "        \"remaining\": null,\n"
                          "        \"reminders\": [\n"
                          "        ],\n"
                          "        \"schedule\": \"monthly\",\n"
                          "        \"unpaidCount\": 2\n"
                          "    },\n"
                          "    {\n"
                          "        \"amount\": null,\n"
                          "        \"amountText\": null,\n"
                          "        \"currency\": null,\n"
                          "        \"daysRemaining\": 0,\n"
                          "        \"ends\": \"2027-03-01\",\n"
                          "        \"name\": \"Rent\",\n"
                          "        \"nextDue\": \"2027-03-01\",\n"
                          "        \"overdue\": false,\n"
                          "        \"paidThrough\": null,\n"
                          "        \"remaining\": 0,\n"
                          "        \"reminders\": [\n"
                          "            {\n"
                          "                \"days\": 3,\n"
                          "                \"when\": \"before\"\n"
                          "            }\n"
                          "        ],\n"
                          "        \"schedule\": \"once\",\n"
                          "        \"unpaidCount\": null\n"
                          "    }\n"
                          "]\n");
    const QStringList list{QStringLiteral("--list")};
    const QString events = QStringLiteral("%1: the bill file could not be read completely: ");
    using F = BillFileCase;
    QTest::newRow("--list") << list << F::Bills << QString() << true << 0 << table << QString();
    QTest::newRow("--json") << QStringList{"--json"} << F::Bills << QString() << true << 0 << json << QString();
    QTest::newRow("--list --json") << QStringList{"--list", "--json"} << F::Bills << QString() << true << 0 << json
                                   << QString();
    // Water moves to the business day after; 15 January is a holiday.
    QByteArray moved = json;
    moved.replace("\"daysRemaining\": -45", "\"daysRemaining\": -42").replace("2027-01-15", "2027-01-18");
    QTest::newRow("--json with holidays") << QStringList{"--json"} << F::BillsAndHolidays << QString() << true << 0
                                          << moved << QString();
    QTest::newRow("no bill file yet") << list << F::None << QString() << true << 0
                                      << QByteArray("Due Date    Days Remaining  Unpaid  Amount  Description\n")
                                      << QString();
    // Nothing is listed from a file read in part: it would pass for the whole list.
    QTest::newRow("damaged") << list << F::Damaged << QString() << true << 1 << QByteArray()
                             << events + QStringLiteral("it ends inside a record");
    QTest::newRow("empty") << QStringList{"--json"} << F::Empty << QString() << true << 1 << QByteArray()
                           << events + QStringLiteral("it ends before its first record");
    QTest::newRow("a folder in its place") << list << F::Folder << QString() << true << 1 << QByteArray()
                                           << events + QStringLiteral("it is not a regular file");
    QTest::newRow("a FIFO in its place") << QStringList{"--json"} << F::Fifo << QString() << true << 1
                                         << QByteArray() << events + QStringLiteral("it is not a regular file");
    QTest::newRow("chosen data folder gone") << list << F::DataFolderGone << QString() << true << 1 << QByteArray()
                                             << QStringLiteral("The data folder %2 is missing; is its drive connected?");
    QTest::newRow("HOME not set") << list << F::Bills << QString() << false << 1 << QByteArray()
                                  << QStringLiteral("there is no home folder (HOME is not set), so no bill file "
                                                    "can be found in it");
    QTest::newRow("output to a full disk") << list << F::Bills << QStringLiteral("/dev/full") << true << 1
                                           << QByteArray()
                                           << QStringLiteral("cannot write the bills to standard output: "
                                                             "No space left on device");
    QTest::newRow("an argument that is no option") << QStringList{"--list", "--days", "7"} << F::Bills << QString()
                                                   << true << 2 << QByteArray()
                                                   << QStringLiteral("unknown argument \"--days\"; Payvane --help "
                                                                     "lists the options");
}

void EntryTest::listOptions()
{
    // The bills for other programs, printed without any window (so with no
    // display), instance test or update check, and without writing anything.
    QFETCH(QStringList, arguments);
    QFETCH(BillFileCase, billFile);
    QFETCH(QString, outputFile);
    QFETCH(bool, withHome);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QString, error);

    Sandbox sandbox;
    const QString eventsPath = sandbox.eventsPath();
    const QByteArray eventsName = QFile::encodeName(eventsPath);
    const QString goneFolder = sandbox.path(QStringLiteral("Sync"));
    switch (billFile) {
    case BillFileCase::Bills:
        writeTwoBills(sandbox);
        if (QTest::currentTestFailed())
            return;
        break;
    case BillFileCase::None:
        break;
    case BillFileCase::Damaged: {
        QVERIFY(sandbox.writeBill(true));
        QFile file(eventsPath);
        QVERIFY(file.resize(file.size() - 1));
        break;
    }
    case BillFileCase::BillsAndHolidays: {
        writeTwoBills(sandbox);
        if (QTest::currentTestFailed())
            return;
        EventList bills = loadEvents(eventsPath);
        bills.last()->options.weekends = ScheduleOptions::MondayAfter;
        const bool saved = saveEvents(bills, eventsPath);
        qDeleteAll(bills);
        QVERIFY(saved);
        HolidayFile holidays;
        holidays.sources.append({QString(), -1, 0, {{dayNumber(QDate(2027, 1, 15)), QStringLiteral("Feast")}}});
        QFile file(QFileInfo(eventsPath).dir().filePath(QStringLiteral("holidays.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(holidays.toBytes()) > 0);
        break;
    }
    case BillFileCase::Empty:
        QVERIFY(QFile(eventsPath).open(QIODevice::WriteOnly));
        break;
    case BillFileCase::Folder:
        QVERIFY(QDir().mkpath(eventsPath));
        break;
    case BillFileCase::Fifo:
        QVERIFY(::mkfifo(eventsName.constData(), 0600) == 0);
        break;
    case BillFileCase::DataFolderGone:
        QSettings(sandbox.configPath(), QSettings::IniFormat).setValue(QStringLiteral("DataFolder"), goneFolder);
        break;
    }
    const QByteArray config = contents(sandbox.configPath());
    const QByteArray bills = contents(eventsPath);

    QProcessEnvironment env = sandbox.environment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    if (!withHome) {
        env.remove(QStringLiteral("HOME"));
        env.remove(QStringLiteral("XDG_DATA_HOME"));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(QStringLiteral(PAYVANE_EXECUTABLE), arguments);
    QVERIFY(process.waitForFinished(endTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray written = process.readAllStandardOutput();
    QVERIFY2(written == output, written.constData());
    const QString expectedError = error.isEmpty()
        ? QString()
        : QStringLiteral("Payvane: ")
              + QString(error)
                    .replace(QLatin1String("%1"), QDir::toNativeSeparators(eventsPath))
                    .replace(QLatin1String("%2"), QDir::toNativeSeparators(goneFolder))
              + QLatin1Char('\n');
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()), expectedError);
    QCOMPARE(contents(sandbox.configPath()), config);
    QCOMPARE(contents(eventsPath), bills);
    QVERIFY(!QFileInfo::exists(sandbox.instanceSocketPath()));
}

void EntryTest::calendarOption_data()
{
    QTest::addColumn<bool>("toFile"); // else to standard output
    QTest::addColumn<bool>("damagedBills");
    QTest::addColumn<QString>("standardOutput"); // a file standard output goes to, when given
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("error");

    const QStringList both{QStringLiteral("Rent|2027-03-01||Rent"),
                           QStringLiteral("Water|2027-03-15|Amount: 1.250,50\u00A0€|")};
    const QString events = QStringLiteral("%1: the bill file could not be read completely: ");
    QTest::newRow("standard output") << false << false << QString() << 0 << both << QString();
    QTest::newRow("file") << true << false << QString() << 0 << both << QString();
    QTest::newRow("standard output on a full disk")
        << false << false << QStringLiteral("/dev/full") << 1 << QStringList()
        << QStringLiteral("cannot write the calendar to standard output: No space left on device");
    // The calendar published before stays: a partial one would drop bills.
    QTest::newRow("damaged bill file, file kept") << true << true << QString() << 1 << QStringList()
                                                  << events
                                                         + QStringLiteral("its extra details (schedule options, "
                                                                          "payments, amounts and reminders) could not be read");
    QTest::newRow("damaged bill file, nothing on standard output")
        << false << true << QString() << 1 << QStringList()
        << events + QStringLiteral("its extra details (schedule options, payments, amounts and reminders) could not be read");
}

void EntryTest::calendarOption()
{
    QFETCH(bool, toFile);
    QFETCH(bool, damagedBills);
    QFETCH(QString, standardOutput);
    QFETCH(int, exitCode);
    QFETCH(QStringList, events);
    QFETCH(QString, error);

    Sandbox sandbox;
    writeTwoBills(sandbox);
    if (QTest::currentTestFailed())
        return;
    const QString eventsPath = sandbox.eventsPath();
    if (damagedBills) {
        QFile file(eventsPath);
        QVERIFY(file.resize(file.size() - 1));
    }
    const QByteArray bills = contents(eventsPath);
    const QString published = sandbox.path(QStringLiteral("published/bills.ics"));
    const QByteArray before("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    QVERIFY(QDir().mkpath(QFileInfo(published).path()));
    {
        QFile old(published);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(before) == before.size());
    }

    QProcessEnvironment env = sandbox.environment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    QProcess process;
    process.setProcessEnvironment(env);
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    QStringList arguments{QStringLiteral("--calendar")};
    if (toFile)
        arguments.append(published);
    process.start(QStringLiteral(PAYVANE_EXECUTABLE), arguments);
    QVERIFY(process.waitForFinished(endTimeoutMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString expectedError = error.isEmpty()
        ? QString()
        : QStringLiteral("Payvane: ") + QString(error).replace(QLatin1String("%1"), QDir::toNativeSeparators(eventsPath))
              + QLatin1Char('\n');
    QCOMPARE(QString::fromLocal8Bit(process.readAllStandardError()), expectedError);

    const QByteArray output = process.readAllStandardOutput();
    const QByteArray file = contents(published);
    if (exitCode == 0) {
        QCOMPARE(calendarEvents(toFile ? file : output), events);
        QCOMPARE(toFile ? output : file, toFile ? QByteArray() : before);
    } else {
        QCOMPARE(output, QByteArray());
        QCOMPARE(file, before);
    }
    // Nothing left beside the file, and the bills untouched.
    QCOMPARE(QDir(QFileInfo(published).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"bills.ics"});
    QCOMPARE(contents(eventsPath), bills);
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
    const auto displayRecorded = [&] {
        return sandbox.setting(QStringLiteral("LastDisplay")).toDateTime() == fakeNow;
    };
    const RunResult after = sandbox.run(hourly, windowShown ? windowWaitMs : endTimeoutMs,
                                        windowShown ? displayRecorded : std::function<bool()>());
    QCOMPARE(after.ended, !windowShown);
    if (after.ended)
        QCOMPARE(after.exitCode, 0);
    QCOMPARE(sandbox.setting(QStringLiteral("LastRun")).toDateTime(), fakeNow);
    QCOMPARE(sandbox.setting(QStringLiteral("LastDisplay")).toDateTime(), windowShown ? fakeNow : QDateTime());
}

void EntryTest::reminderMarkFromAClockThatRanAhead()
{
    // One start with the clock 50 years ahead marked the unpaid rent as
    // reminded in 2077. With "once a day", the mark counts as today on the
    // right clock and is written back so; the next day the rent is reminded.
    Sandbox sandbox;
    Event rent;
    rent.name = QStringLiteral("Rent");
    rent.schedule = Event::ScheduleMonthly;
    rent.byDay = true;
    rent.ordinal = 24;
    rent.endMode = Event::EndNever;
    rent.notify = true;
    rent.notifyDays = 3;
    rent.showOnce = true;
    rent.lastNotified = fakeNow.date().addYears(50);
    rent.payments.trackedSince = QDate(2027, 2, 1);
    QVERIFY(saveEvents(EventList{&rent}, sandbox.eventsPath()));

    const RunResult today = sandbox.run({QStringLiteral("auto")});
    QVERIFY(today.ended);
    QCOMPARE(today.exitCode, 0);
    const EventList saved = loadEvents(sandbox.eventsPath());
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.at(0)->lastNotified, fakeNow.date());
    qDeleteAll(saved);

    sandbox.setNow(fakeNow.addDays(1));
    const RunResult tomorrow = sandbox.run({QStringLiteral("auto")}, windowWaitMs);
    QVERIFY(!tomorrow.ended);
}

QTEST_GUILESS_MAIN(EntryTest)
#include "tst_entry.moc"
