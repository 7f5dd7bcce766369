// The main window publishes its bills to a real CalDAV server (radicale on
// 127.0.0.1): once it opens, after a change, and before the program ends
// when it closes. No secret store runs, so the password is asked for once.
#include "mainwindow.h"

#include "../../common/radicaleserver.h"
#include "caldavaccount.h"
#include "event.h"
#include "eventstore.h"

#include <QApplication>
#include <QInputDialog>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

Event *weeklyBill(const QString &name)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleWeekly;
    event->weekdays[0] = true;
    event->endMode = Event::EndNever;
    return event;
}

} // namespace

class tst_MainWindowCalDav : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void publishesOpenedChangedAndClosed();

private:
    RadicaleServer server;
    int passwordsAsked = 0;
};

void tst_MainWindowCalDav::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // No secret store: a session bus address that leads nowhere.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/payvane-test-bus");
    if (!RadicaleServer::available())
        QSKIP("radicale is not installed");
    QVERIFY(server.start());
    QVERIFY(server.makeCalendar());
    CalDavAccount account;
    account.enabled = true;
    account.url = server.collection().toString();
    account.user = RadicaleServer::User;
    account.store();
    // The password box is answered whenever it shows.
    auto *answer = new QTimer(this);
    connect(answer, &QTimer::timeout, this, [this] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ++passwordsAsked;
        dialog->setTextValue(RadicaleServer::Password);
        dialog->accept();
    });
    answer->start(50);
}

void tst_MainWindowCalDav::publishesOpenedChangedAndClosed()
{
    EventList bills{weeklyBill(QStringLiteral("Rent")), weeklyBill(QStringLiteral("Gym")),
                    weeklyBill(QStringLiteral("Phone"))};
    QVERIFY(saveEvents(bills, eventsFilePath()));
    qDeleteAll(bills);

    auto *window = new MainWindow;
    window->show();
    QTRY_COMPARE_WITH_TIMEOUT(server.objects().size(), 3, 30000);
    window->removeBillRow(0);
    QTRY_COMPARE_WITH_TIMEOUT(server.objects().size(), 2, 30000);
    QCOMPARE(passwordsAsked, 1);

    // The bills keep the UIDs they were published with.
    window->close();
    delete window;
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), 2);
    const QMap<QString, RadicaleServer::StoredObject> objects = server.objects();
    for (const Event *event : saved) {
        QVERIFY(!event->calendarUid.isNull());
        const QByteArray uid = event->calendarUid.toByteArray(QUuid::WithoutBraces);
        QVERIFY2(objects.contains(server.objectPath(uid)), uid.constData());
        QVERIFY(objects.value(server.objectPath(uid)).data.contains(event->name.toUtf8()));
    }
    qDeleteAll(saved);
    QVERIFY(CalDavAccount::lastResult().contains(QStringLiteral("Published")));
}

QTEST_MAIN(tst_MainWindowCalDav)
#include "tst_mainwindowcaldav.moc"
