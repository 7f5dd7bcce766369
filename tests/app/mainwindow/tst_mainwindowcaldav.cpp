// The main window publishes its bills to a real CalDAV server (radicale on
// 127.0.0.1): once it opens, after a change, and before the program ends
// when it closes; a bill changed in the calendar is put back only when the
// user asks. No secret store runs, so the password is asked for once.
#include "mainwindow.h"

#include "../../common/radicaleserver.h"
#include "caldavaccount.h"
#include "event.h"
#include "eventstore.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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

void click(const QWidget *window, const char *name)
{
    auto *button = window->findChild<QAbstractButton *>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
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

    // A bill changed in the calendar, then here: the calendar's version
    // stays until the user has it replaced.
    const QString name = window->eventAtRow(0)->name;
    QUrl objectUrl = server.collection();
    objectUrl.setPath(server.objectPath(window->eventAtRow(0)->calendarUid.toByteArray(QUuid::WithoutBraces)));
    QByteArray theirs = server.objects().value(objectUrl.path()).data;
    theirs.replace("SUMMARY:" + name.toUtf8(), "SUMMARY:" + name.toUtf8() + " (moved on the phone)");
    QCOMPARE(server.request("PUT", objectUrl, theirs, {{"Content-Type", "text/calendar"}}) / 100, 2);
    QVERIFY(window->selectBill(name));
    click(window, "editButton");
    window->findChild<QLineEdit *>(QStringLiteral("eventName"))->setText(name + QStringLiteral(" at six"));
    click(window, "saveButton");
    click(window, "settingsButton");
    auto *replace = window->findChild<QPushButton *>(QStringLiteral("caldavReplaceButton"));
    QTRY_VERIFY_WITH_TIMEOUT(replace->isEnabled(), 30000);
    QCOMPARE(window->findChild<QWidget *>(QStringLiteral("caldavPasswordEdit"))->nextInFocusChain(), replace);
    QVERIFY(server.objects().value(objectUrl.path()).data.contains("(moved on the phone)"));

    QString question;
    bool noIsDefault = false;
    QTimer yes;
    connect(&yes, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        question = box->text();
        noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        box->button(QMessageBox::Yes)->click();
    });
    yes.start(50);
    replace->click();
    QCOMPARE(question, QStringLiteral("Replace the calendar's versions of 1 bill with Payvane's? The changes made "
                                      "in the calendar are lost."));
    QVERIFY(noIsDefault);
    QTRY_VERIFY_WITH_TIMEOUT(!replace->isEnabled(), 30000);
    const QByteArray ours = server.objects().value(objectUrl.path()).data;
    QVERIFY(ours.contains("SUMMARY:" + name.toUtf8() + " at six"));
    QVERIFY(!ours.contains("moved on the phone"));
    QCOMPARE(passwordsAsked, 1);
    click(window, "settingsCancelButton");

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
