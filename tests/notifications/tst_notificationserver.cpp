// The automatic start's reminders against a real notification server: dunst
// on the test's own session bus (the test runs under dbus-run-session) and X
// server. The answers are given through dunst's own commands: its context
// menu (through a stand-in for dmenu that picks the line the test names) and
// its "close all", the user's dismissal.
#include "../common/programsandbox.h"
#include "../common/xsession.h"

#include <paymentstatus.h>

#include <notificationsettings.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace programsandbox;
using xsession::XSession;

namespace {

Event *dueBill(const QString &name, int days)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleSingular;
    event->eventDate = fakeNow.date().addDays(days);
    event->endMode = Event::EndAfterTimes;
    event->endDate = event->eventDate;
    event->notify = true;
    event->notifyDays = 5;
    return event;
}

// The notifications' urgency and desktop entry show in the text dunst keeps
// in its history; the context menu goes to menu.sh.
const char *const DunstConfig = R"([global]
dmenu = %1/menu.sh
[payvane-critical]
desktop_entry = example.tervona.Payvane
msg_urgency = critical
format = "critical %s"
[payvane-normal]
desktop_entry = example.tervona.Payvane
msg_urgency = normal
format = "normal %s"
)";

// Picks the menu line that holds the text in the file "pick".
const char *const MenuScript = "#!/bin/sh\ngrep -F -- \"$(cat '%1/pick')\" | head -n 1\n";

} // namespace

class NotificationServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void answersThroughTheServer();
    void manyRemindersAreSummedUp();

private:
    QString dunstctl(const QStringList &arguments) const;
    int displayed() const { return dunstctl({QStringLiteral("count"), QStringLiteral("displayed")}).toInt(); }
    // Chooses the action with this label on the reminder of this bill.
    void choose(const QString &label, const QString &bill) const;
    // The texts dunst shows of the closed notifications, with their timeouts.
    QStringList history() const;

    std::unique_ptr<XSession> desktop;
    QTemporaryDir configDir;
    QProcess dunst;
};

void NotificationServerTest::initTestCase()
{
    if (!QFile::exists(fakeTimeLibrary))
        QSKIP("libfaketime is not installed");
    QString missing = xsession::missingTool(false);
    for (const QString &tool : {QStringLiteral("dunst"), QStringLiteral("dunstctl")}) {
        if (missing.isEmpty() && QStandardPaths::findExecutable(tool).isEmpty())
            missing = tool;
    }
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");

    desktop = std::make_unique<XSession>();
    QVERIFY(desktop->start(false));
    QVERIFY(configDir.isValid());
    QFile config(configDir.filePath(QStringLiteral("dunstrc")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QString::fromLatin1(DunstConfig).arg(configDir.path()).toUtf8());
    config.close();
    QFile menu(configDir.filePath(QStringLiteral("menu.sh")));
    QVERIFY(menu.open(QIODevice::WriteOnly));
    menu.write(QString::fromLatin1(MenuScript).arg(configDir.path()).toUtf8());
    menu.close();
    QVERIFY(menu.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    dunst.setProcessEnvironment(desktop->environment());
    dunst.start(QStringLiteral("dunst"), {QStringLiteral("-config"), config.fileName()});
    // No call before it owns its name: the bus would start another dunst
    // for it, one without the display.
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")).value()
                                 || dunst.state() == QProcess::NotRunning,
                             endTimeoutMs);
    QCOMPARE(dunst.state(), QProcess::Running);
}

void NotificationServerTest::cleanupTestCase()
{
    dunst.terminate();
    dunst.waitForFinished();
}

QString NotificationServerTest::dunstctl(const QStringList &arguments) const
{
    // Each call is short: the waits around it poll it many times, and a
    // call that hung for the whole end timeout would multiply it.
    constexpr int callTimeoutMs = 5000;
    QProcess process;
    process.start(QStringLiteral("dunstctl"), arguments);
    if (!process.waitForFinished(callTimeoutMs))
        return QStringLiteral("timeout");
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void NotificationServerTest::choose(const QString &label, const QString &bill) const
{
    // A menu line reads "#<label> (<summary>) [<id>,<action>]".
    QFile pick(configDir.filePath(QStringLiteral("pick")));
    QVERIFY(pick.open(QIODevice::WriteOnly));
    pick.write(QStringLiteral("#%1 (%2) [").arg(label, bill).toUtf8());
    pick.close();
    dunstctl({QStringLiteral("context")});
}

QStringList NotificationServerTest::history() const
{
    QStringList texts;
    const QJsonArray entries = QJsonDocument::fromJson(dunstctl({QStringLiteral("history")}).toUtf8())
                                   .object()
                                   .value(QStringLiteral("data"))
                                   .toArray()
                                   .first()
                                   .toArray();
    for (const QJsonValue &entry : entries) {
        const QJsonObject fields = entry.toObject();
        const auto field = [&fields](const char *name) {
            return fields.value(QLatin1String(name)).toObject().value(QStringLiteral("data")).toVariant().toString();
        };
        texts << field("message").section(QLatin1Char('\n'), 0, 0) + QStringLiteral(", timeout ") + field("timeout");
    }
    texts.sort();
    return texts;
}

void NotificationServerTest::answersThroughTheServer()
{
    ProgramSandbox sandbox;
    sandbox.setDisplay(desktop->display());
    Event *water = dueBill(QStringLiteral("Water"), -3);
    startTracking(*water, fakeNow.date().addDays(-30));
    const EventList bills{dueBill(QStringLiteral("Rent"), 2), water, dueBill(QStringLiteral("Gas"), 1)};
    QVERIFY(saveEvents(bills, sandbox.eventsPath()));
    qDeleteAll(bills);
    NotificationSettings settings;
    settings.desktopNotifications = true;
    QVERIFY(settings.save(sandbox.path(QStringLiteral("data/Tervona/Payvane/settings.ini"))));

    QProcess reminders;
    sandbox.start(reminders, {QStringLiteral("auto")});
    QTRY_COMPARE_WITH_TIMEOUT(displayed(), 3, endTimeoutMs);

    // A plain start opens the main window beside the reminders and ends.
    const RunResult second = sandbox.run({});
    QVERIFY(second.ended);
    QCOMPARE(second.exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(desktop->visibleWindows(QStringLiteral("Payvane")).size(), 1, endTimeoutMs);
    QCOMPARE(displayed(), 3);

    // The reminders still answer; each answer is in the file at once.
    choose(QStringLiteral("Paid"), QStringLiteral("Water"));
    QTRY_COMPARE_WITH_TIMEOUT(displayed(), 2, endTimeoutMs);
    choose(QStringLiteral("Remind me tomorrow"), QStringLiteral("Gas"));
    QTRY_COMPARE_WITH_TIMEOUT(displayed(), 1, endTimeoutMs);
    dunstctl({QStringLiteral("close-all")});
    QTRY_COMPARE_WITH_TIMEOUT(displayed(), 0, endTimeoutMs);
    QTest::qWait(windowWaitMs);
    QCOMPARE(reminders.state(), QProcess::Running); // the main window is open

    const EventList saved = loadEvents(sandbox.eventsPath());
    QCOMPARE(saved.size(), 3);
    for (const Event *event : saved)
        QCOMPARE(event->lastNotified, fakeNow.date());
    QCOMPARE(saved.at(0)->notifyAgainDays, 0); // dismissed: the default choice
    QCOMPARE(saved.at(1)->payments.paidThrough, fakeNow.date().addDays(-3));
    QCOMPARE(saved.at(2)->notifyAgainDays, 1);
    qDeleteAll(saved);
    // They stayed until answered, the overdue one critical.
    QCOMPARE(history(), (QStringList{QStringLiteral("critical Water, timeout 0"),
                                     QStringLiteral("normal Gas, timeout 0"),
                                     QStringLiteral("normal Rent, timeout 0")}));

    reminders.kill();
    reminders.waitForFinished();
}

void NotificationServerTest::manyRemindersAreSummedUp()
{
    const auto writeBills = [](const ProgramSandbox &sandbox) {
        Event *water = dueBill(QStringLiteral("Water"), -3);
        startTracking(*water, fakeNow.date().addDays(-30));
        const EventList bills{dueBill(QStringLiteral("Rent"), 2), water, dueBill(QStringLiteral("Gas"), 1),
                              dueBill(QStringLiteral("Phone"), 0), dueBill(QStringLiteral("Tax"), 2)};
        const bool saved = saveEvents(bills, sandbox.eventsPath());
        qDeleteAll(bills);
        NotificationSettings settings;
        settings.desktopNotifications = true;
        return saved && settings.save(sandbox.path(QStringLiteral("data/Tervona/Payvane/settings.ini")));
    };
    const QString digest = QStringLiteral("4 bills due in the next 2 days, 1 overdue");

    // Its click opens the reminder window (a narrow one, not the main
    // window's 639 pixels) and marks nothing: the window marks the bills
    // as it shows them.
    ProgramSandbox opened;
    opened.setDisplay(desktop->display());
    QVERIFY(writeBills(opened));
    QProcess reminders;
    opened.start(reminders, {QStringLiteral("auto")});
    QTRY_COMPARE_WITH_TIMEOUT(displayed(), 1, endTimeoutMs);
    choose(QStringLiteral("Open"), digest);
    QTRY_COMPARE_WITH_TIMEOUT(displayed(), 0, endTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(desktop->visibleWindows(QStringLiteral("Payvane")).size(), 1, endTimeoutMs);
    const QString window = desktop->visibleWindows(QStringLiteral("Payvane")).constFirst();
    const QString geometry = desktop->tool(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window});
    const int width = geometry.section(QStringLiteral("Geometry: "), 1).section(QLatin1Char('x'), 0, 0).toInt();
    QVERIFY2(width > 0 && width < 639, qPrintable(geometry));
    QCOMPARE(reminders.state(), QProcess::Running);
    EventList saved = loadEvents(opened.eventsPath());
    QCOMPARE(saved.size(), 5);
    for (const Event *event : std::as_const(saved))
        QVERIFY(!event->lastNotified.isValid());
    qDeleteAll(saved);
    reminders.kill();
    reminders.waitForFinished();
    // One notification, critical for the overdue bill, that stayed.
    QVERIFY(history().contains(QStringLiteral("critical %1, timeout 0").arg(digest)));

    // Its dismissal marks every bill reminded and pays none.
    ProgramSandbox dismissed;
    dismissed.setDisplay(desktop->display());
    QVERIFY(writeBills(dismissed));
    dismissed.start(reminders, {QStringLiteral("auto")});
    QTRY_COMPARE_WITH_TIMEOUT(displayed(), 1, endTimeoutMs);
    dunstctl({QStringLiteral("close-all")});
    QTRY_VERIFY_WITH_TIMEOUT(reminders.state() == QProcess::NotRunning, endTimeoutMs);
    QCOMPARE(reminders.exitCode(), 0);
    saved = loadEvents(dismissed.eventsPath());
    QCOMPARE(saved.size(), 5);
    for (const Event *event : std::as_const(saved))
        QCOMPARE(event->lastNotified, fakeNow.date());
    QVERIFY(!saved.at(1)->payments.paidThrough.isValid());
    qDeleteAll(saved);
}

QTEST_GUILESS_MAIN(NotificationServerTest)
#include "tst_notificationserver.moc"
