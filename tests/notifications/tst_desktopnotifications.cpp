// The automatic start through the desktop's notifications, as a process,
// against a stand-in notification service on a private session bus (the
// test runs under dbus-run-session): one notification per due bill that
// stays until answered, the answers saved as the reminder window saves them,
// the click that opens the main window beside the other reminders, a
// reminder that went away unanswered, and the popup dialog when no service
// with actions answers.
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
    void closedWithoutAnswer_data();
    void closedWithoutAnswer();
    void nothingDueEndsAtOnce();
    void noServiceFallsBackToThePopupDialog_data();
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
    Event *overdue = dueBill(QStringLiteral("Water"));
    overdue->eventDate = overdue->endDate = fakeNow.date().addDays(-3);
    startTracking(*overdue, fakeNow.date().addDays(-30));
    QVERIFY(writeBills(sandbox, {tracking, dueBill(QStringLiteral("Gas")), off, overdue}));
    QVERIFY(writeSettings(sandbox, true));

    QProcess process;
    QVERIFY(startAndWaitForNotifications(sandbox, process, 3));
    // Each stays until answered, with the launcher's id; an overdue bill's
    // is critical, the others normal (a byte, as the protocol has it).
    for (const FakeNotificationService::Shown &shown : std::as_const(service->shown)) {
        QCOMPARE(shown.expireTimeout, 0);
        QCOMPARE(shown.hints.value(QStringLiteral("desktop-entry")).toString(),
                 QStringLiteral("example.tervona.Payvane"));
        const QVariant urgency = shown.hints.value(QStringLiteral("urgency"));
        QCOMPARE(urgency.metaType(), QMetaType::fromType<uchar>());
        QCOMPARE(urgency.toInt(), shown.summary == QLatin1String("Water") ? 2 : 1);
    }
    const FakeNotificationService::Shown &rent = service->shown.at(0);
    QCOMPARE(rent.appName, QStringLiteral("Payvane"));
    QCOMPARE(rent.summary, QStringLiteral("<b>Rent</b>"));
    // The service reads markup in bodies: the name comes escaped, to be
    // shown as it is.
    QVERIFY2(rent.body.startsWith(QStringLiteral("&lt;b&gt;Rent&lt;/b&gt; is due on ")), qPrintable(rent.body));
    QCOMPARE(rent.actions, (QStringList{"paid", "Paid", "tomorrow", "Remind me tomorrow", "default", "Open Payvane"}));
    // "Paid" only for a bill that tracks payments.
    const FakeNotificationService::Shown &gas = service->shown.at(1);
    QCOMPARE(gas.actions, (QStringList{"tomorrow", "Remind me tomorrow", "default", "Open Payvane"}));
    QVERIFY(gas.body.endsWith(QStringLiteral(" there are 2 days to go.")));

    // Dismissed, all: the program saves and ends.
    service->dismiss(1);
    service->dismiss(2);
    service->dismiss(3);
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, endTimeoutMs);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(sandbox.setting(QStringLiteral("LastDisplay")).toDateTime(), fakeNow);
    const EventList saved = savedBills(sandbox);
    QCOMPARE(saved.size(), 4);
    QCOMPARE(saved.at(0)->lastNotified, fakeNow.date());
    QCOMPARE(saved.at(1)->lastNotified, fakeNow.date());
    QVERIFY(!saved.at(2)->lastNotified.isValid()); // never reminded
    QCOMPARE(saved.at(3)->lastNotified, fakeNow.date());
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
    QCOMPARE(saved.at(0)->history.size(), 1); // the payment is in the history, once
    QCOMPARE(saved.at(0)->history.first().dueDate, fakeNow.date().addDays(2));
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
    // The answer reaches the file before the window reads it; the program
    // goes on with the main window, and the other reminder stays.
    QTRY_VERIFY_WITH_TIMEOUT(service->closed.contains(2u), endTimeoutMs);
    QTest::qWait(windowWaitMs);
    QCOMPARE(process.state(), QProcess::Running);
    QVERIFY(!service->closed.contains(1u));
    EventList saved = savedBills(sandbox);
    QCOMPARE(saved.size(), 2);
    QVERIFY(!saved.at(0)->lastNotified.isValid()); // not answered yet
    QCOMPARE(saved.at(1)->lastNotified, fakeNow.date());
    qDeleteAll(saved);

    // The reminder still on screen still answers, beside the main window.
    service->invokeAction(1, QStringLiteral("tomorrow"));
    QTRY_VERIFY_WITH_TIMEOUT(service->closed.contains(1u), endTimeoutMs);
    saved = savedBills(sandbox);
    QCOMPARE(saved.at(0)->lastNotified, fakeNow.date());
    QCOMPARE(saved.at(0)->notifyAgainDays, 1);
    qDeleteAll(saved);
    QCOMPARE(process.state(), QProcess::Running);
    process.kill();
    process.waitForFinished();
}

void tst_DesktopNotifications::closedWithoutAnswer_data()
{
    QTest::addColumn<uint>("reason"); // 0: none, the service ends
    QTest::addColumn<bool>("answered");
    QTest::newRow("expired") << 1u << false;
    QTest::newRow("dismissed by the user") << 2u << true;
    QTest::newRow("closed by a call") << 3u << false;
    QTest::newRow("undefined") << 4u << false;
    // The service ends and takes its notifications along, unannounced.
    QTest::newRow("service ended") << 0u << false;
}

void tst_DesktopNotifications::closedWithoutAnswer()
{
    QFETCH(uint, reason);
    QFETCH(bool, answered);
    ProgramSandbox sandbox;
    QVERIFY(writeBills(sandbox, {dueBill(QStringLiteral("Rent"))}));
    QVERIFY(writeSettings(sandbox, true));
    QFile file(sandbox.eventsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    QProcess process;
    QVERIFY(startAndWaitForNotifications(sandbox, process, 1));
    if (reason == 0)
        service->unregisterFromBus();
    else
        service->close(1, reason);
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, endTimeoutMs);
    QCOMPARE(process.exitCode(), 0);
    // Dismissed, it was seen today; otherwise nothing is written and the
    // bill comes again at the next automatic start.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll() == before, !answered);
    file.close();
    const EventList saved = savedBills(sandbox);
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first()->lastNotified, answered ? fakeNow.date() : QDate());
    qDeleteAll(saved);
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

void tst_DesktopNotifications::noServiceFallsBackToThePopupDialog_data()
{
    QTest::addColumn<bool>("serviceThere");
    QTest::newRow("no service") << false;
    // A reminder without buttons could not be answered.
    QTest::newRow("no actions") << true;
}

void tst_DesktopNotifications::noServiceFallsBackToThePopupDialog()
{
    QFETCH(bool, serviceThere);
    if (serviceThere)
        service->capabilities.removeAll(QStringLiteral("actions"));
    else
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
