// The automatic start through the desktop's notifications, as a process,
// against a stand-in notification service on a private session bus (the
// test runs under dbus-run-session): one notification per due bill, the
// answers saved as the reminder window saves them, the click that opens the
// main window, and the popup dialog when no service answers.
#include "../common/programsandbox.h"
#include "fakenotificationservice.h"

#include <notificationsettings.h>
#include <paymentstatus.h>

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace programsandbox;

namespace {

Event *dueBill(const QString &name)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleSingular;
    event->eventDate = fakeNow.date().addDays(2);
    event->endMode = Event::EndAfterTimes;
    event->endDate = event->eventDate;
    event->notify = true;
    event->notifyDays = 5;
    return event;
}

bool writeSettings(const ProgramSandbox &sandbox, bool desktop)
{
    NotificationSettings settings;
    settings.desktopNotifications = desktop;
    settings.popupDialog = true;
    return settings.save(sandbox.path(QStringLiteral("data/Tervona/Payvane/settings.ini")));
}

bool writeBills(const ProgramSandbox &sandbox, const EventList &bills)
{
    const bool saved = saveEvents(bills, sandbox.eventsPath());
    qDeleteAll(bills);
    return saved;
}

EventList savedBills(const ProgramSandbox &sandbox)
{
    return loadEvents(sandbox.eventsPath());
}

// Runs the program while the stand-in service keeps answering (a blocking
// wait would leave the program's calls unanswered).
RunResult runAnswering(const ProgramSandbox &sandbox, const QStringList &arguments, int waitMs)
{
    QProcess process;
    sandbox.start(process, arguments);
    RunResult result;
    if (!process.waitForStarted())
        return result;
    QElapsedTimer timer;
    timer.start();
    while (process.state() != QProcess::NotRunning && timer.elapsed() < waitMs)
        QTest::qWait(20);
    result.ended = process.state() == QProcess::NotRunning;
    if (result.ended) {
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    } else {
        process.kill();
        process.waitForFinished();
    }
    return result;
}

} // namespace

class tst_DesktopNotifications : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void oneNotificationPerDueBill();
    void answersAreSaved();
    void clickOpensTheMainWindow();
    void nothingDueEndsAtOnce();
    void noServiceFallsBackToThePopupDialog();

private:
    // Starts `Payvane auto` and waits until the service was asked `count` times.
    bool startAndWaitForNotifications(ProgramSandbox &sandbox, QProcess &process, int count);

    FakeNotificationService *service = nullptr;
};

void tst_DesktopNotifications::initTestCase()
{
    if (!QFile::exists(fakeTimeLibrary))
        QSKIP("libfaketime is not installed");
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
}

void tst_DesktopNotifications::init()
{
    service = new FakeNotificationService;
    QVERIFY(service->registerOnBus());
}

void tst_DesktopNotifications::cleanup()
{
    service->unregisterFromBus();
    delete service;
    service = nullptr;
}

bool tst_DesktopNotifications::startAndWaitForNotifications(ProgramSandbox &sandbox, QProcess &process, int count)
{
    sandbox.start(process, {QStringLiteral("auto")});
    if (!process.waitForStarted())
        return false;
    QElapsedTimer timer;
    timer.start();
    while (service->shown.size() < count && timer.elapsed() < endTimeoutMs
           && process.state() == QProcess::Running)
        QTest::qWait(20);
    return service->shown.size() == count;
}

void tst_DesktopNotifications::oneNotificationPerDueBill()
{
    ProgramSandbox sandbox;
    Event *tracking = dueBill(QStringLiteral("<b>Rent</b>"));
    startTracking(*tracking, fakeNow.date().addDays(-30));
    Event *off = dueBill(QStringLiteral("Off"));
    off->notify = false;
    QVERIFY(writeBills(sandbox, {tracking, dueBill(QStringLiteral("Gas")), off}));
    QVERIFY(writeSettings(sandbox, true));

    QProcess process;
    QVERIFY(startAndWaitForNotifications(sandbox, process, 2));
    const FakeNotificationService::Shown &rent = service->shown.at(0);
    QCOMPARE(rent.appName, QStringLiteral("Payvane"));
    QCOMPARE(rent.summary, QStringLiteral("<b>Rent</b>"));
    // The service reads markup in bodies: the name comes escaped, to be
    // shown as it is.
    QVERIFY2(rent.body.startsWith(QStringLiteral("&lt;b&gt;Rent&lt;/b&gt; is due on ")), qPrintable(rent.body));
    QCOMPARE(rent.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("example.tervona.Payvane"));
    QCOMPARE(rent.actions, (QStringList{"paid", "Paid", "tomorrow", "Remind me tomorrow", "default", "Open Payvane"}));
    // "Paid" only for a bill that tracks payments.
    const FakeNotificationService::Shown &gas = service->shown.at(1);
    QCOMPARE(gas.actions, (QStringList{"tomorrow", "Remind me tomorrow", "default", "Open Payvane"}));
    QVERIFY(gas.body.endsWith(QStringLiteral(" there are 2 days to go.")));

    // Dismissed, both: the program saves and ends.
    service->dismiss(1);
    service->dismiss(2);
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, endTimeoutMs);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(sandbox.setting(QStringLiteral("LastDisplay")).toDateTime(), fakeNow);
    const EventList saved = savedBills(sandbox);
    QCOMPARE(saved.size(), 3);
    QCOMPARE(saved.at(0)->lastNotified, fakeNow.date());
    QCOMPARE(saved.at(1)->lastNotified, fakeNow.date());
    QVERIFY(!saved.at(2)->lastNotified.isValid()); // never reminded
    qDeleteAll(saved);
}

void tst_DesktopNotifications::answersAreSaved()
{
    ProgramSandbox sandbox;
    Event *rent = dueBill(QStringLiteral("Rent"));
    startTracking(*rent, fakeNow.date().addDays(-30));
    QVERIFY(writeBills(sandbox, {rent, dueBill(QStringLiteral("Gas"))}));
    QVERIFY(writeSettings(sandbox, true));

    QProcess process;
    QVERIFY(startAndWaitForNotifications(sandbox, process, 2));
    service->invokeAction(1, QStringLiteral("paid"));
    service->invokeAction(2, QStringLiteral("tomorrow"));
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, endTimeoutMs);
    QCOMPARE(process.exitCode(), 0);
    // Answered notifications are taken off the screen.
    QVERIFY(service->closed.contains(1u));
    QVERIFY(service->closed.contains(2u));

    const EventList saved = savedBills(sandbox);
    QCOMPARE(saved.size(), 2);
    QCOMPARE(saved.at(0)->payments.paidThrough, fakeNow.date().addDays(2));
    QCOMPARE(saved.at(0)->payments.paidOn, fakeNow.date());
    // "Remind me tomorrow" is "Notify me again in 1 days".
    QCOMPARE(saved.at(1)->notifyAgainDays, 1);
    QCOMPARE(saved.at(1)->lastNotified, fakeNow.date());
    qDeleteAll(saved);
}

void tst_DesktopNotifications::clickOpensTheMainWindow()
{
    ProgramSandbox sandbox;
    QVERIFY(writeBills(sandbox, {dueBill(QStringLiteral("Rent")), dueBill(QStringLiteral("Gas"))}));
    QVERIFY(writeSettings(sandbox, true));

    QProcess process;
    QVERIFY(startAndWaitForNotifications(sandbox, process, 2));
    service->invokeAction(2, QStringLiteral("default"));
    // The reminders' state reaches the file before the window reads it, the
    // other notification goes, and the program goes on as the main window.
    QTRY_VERIFY_WITH_TIMEOUT(service->closed.contains(1u), endTimeoutMs);
    QTest::qWait(windowWaitMs);
    QCOMPARE(process.state(), QProcess::Running);
    const EventList saved = savedBills(sandbox);
    QCOMPARE(saved.size(), 2);
    QCOMPARE(saved.at(0)->lastNotified, fakeNow.date());
    qDeleteAll(saved);
    process.kill();
    process.waitForFinished();
}

void tst_DesktopNotifications::nothingDueEndsAtOnce()
{
    ProgramSandbox sandbox;
    Event *later = dueBill(QStringLiteral("Later"));
    later->eventDate = later->endDate = fakeNow.date().addDays(40);
    QVERIFY(writeBills(sandbox, {later}));
    QVERIFY(writeSettings(sandbox, true));
    const RunResult result = runAnswering(sandbox, {QStringLiteral("auto")}, endTimeoutMs);
    QVERIFY(result.ended);
    QCOMPARE(result.exitCode, 0);
    QVERIFY(service->shown.isEmpty());
    QVERIFY(!sandbox.setting(QStringLiteral("LastDisplay")).isValid());
}

void tst_DesktopNotifications::noServiceFallsBackToThePopupDialog()
{
    service->unregisterFromBus();
    ProgramSandbox sandbox;
    QVERIFY(writeBills(sandbox, {dueBill(QStringLiteral("Rent"))}));
    QVERIFY(writeSettings(sandbox, true));
    // The reminder window opens instead, and stays until answered.
    const RunResult result = runAnswering(sandbox, {QStringLiteral("auto")}, windowWaitMs + 5000);
    QVERIFY(!result.ended);
    QCOMPARE(sandbox.setting(QStringLiteral("LastDisplay")).toDateTime(), fakeNow);
    QVERIFY(service->shown.isEmpty());
}

QTEST_GUILESS_MAIN(tst_DesktopNotifications)
#include "tst_desktopnotifications.moc"
