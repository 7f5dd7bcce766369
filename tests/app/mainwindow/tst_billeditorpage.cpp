// The editor page alone, on the window's form without the window: a bill
// loaded into the form and read back is the same bill.
#include "billeditorpage.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

const QDate Today(2026, 3, 10);

Event repeating(qint32 schedule)
{
    Event event;
    event.name = QStringLiteral("Rent <b>&amp;</b>");
    event.schedule = schedule;
    event.notify = true;
    event.notifyDays = 4;
    return event;
}

} // namespace

class tst_BillEditorPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void loadAndReadBack_data();
    void loadAndReadBack();
};

void tst_BillEditorPage::loadAndReadBack_data()
{
    QTest::addColumn<Event>("bill");

    Event weekly = repeating(Event::ScheduleWeekly);
    weekly.weekdays = {true, false, false, false, true, false, true};
    weekly.options.every = 2;
    weekly.options.everyFrom = QDate(2026, 1, 5);
    weekly.options.weekends = ScheduleOptions::MondayAfter;
    weekly.endMode = Event::EndOnDate;
    weekly.endDate = QDate(2027, 1, 31);
    QTest::newRow("weekly, every 2, until a date") << weekly;

    Event monthly = repeating(Event::ScheduleMonthly);
    monthly.byDay = true;
    monthly.ordinal = 31;
    monthly.options.shortMonths = ScheduleOptions::LastDay;
    monthly.amount = *Money::parse(QStringLiteral("12.50"), QStringLiteral("EUR"), QLocale::c());
    QTest::newRow("monthly day 31, short months on the last day, an amount") << monthly;

    Event reminders = repeating(Event::ScheduleWeekly);
    reminders.weekdays[2] = true;
    reminders.extraReminders.resize(ExtraReminder::MaximumCount);
    reminders.extraReminders[0].days = 14;
    reminders.extraReminders[0].firedFor = QDate(2026, 3, 4);
    reminders.extraReminders[6].days = 3;
    reminders.extraReminders[6].when = ExtraReminder::AfterUnpaid;
    QTest::newRow("weekly, eight reminders in all") << reminders;

    Event fromEnd = repeating(Event::ScheduleMonthly);
    fromEnd.byDay = true;
    fromEnd.options.fromEnd = 2;
    fromEnd.ordinal = 30;
    fromEnd.payments.trackedSince = QDate(2026, 1, 1);
    fromEnd.payments.paidThrough = QDate(2026, 2, 27);
    QTest::newRow("monthly second day from the end, paid dates kept") << fromEnd;

    Event businessDay = repeating(Event::ScheduleMonthly);
    businessDay.byDay = true;
    businessDay.ordinal = 29; // the record's nearest plain day
    businessDay.options.businessDay = -2;
    businessDay.options.every = 3;
    businessDay.options.everyFrom = QDate(2026, 2, 1);
    QTest::newRow("every 3 months on the second last business day") << businessDay;

    Event yearly = repeating(Event::ScheduleYearly);
    yearly.weekdays[4] = true;
    yearly.ordinal = 3;
    yearly.months[1] = yearly.months[10] = true;
    yearly.options.weekends = ScheduleOptions::FridayBefore;
    yearly.showOnce = true;
    QTest::newRow("yearly third Friday of February and November") << yearly;

    Event singular;
    singular.name = QStringLiteral("Dentist");
    singular.eventDate = QDate(2026, 5, 4);
    singular.endMode = Event::EndAfterTimes;
    singular.endDate = singular.eventDate;
    singular.unknownFields.insert(QStringLiteral("future"), QByteArray("kept"));
    singular.calendarUid = QUuid::fromString(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
    QTest::newRow("singular, no reminder, a newer version's field, a calendar UID") << singular;
}

void tst_BillEditorPage::loadAndReadBack()
{
    QFETCH(Event, bill);
    QMainWindow window;
    Ui::MainWindow form;
    form.setupUi(&window);
    BillEditorPage page(&form, [] { return Today; }, [&bill] { return &bill; });

    page.startEditing(bill);
    QVERIFY(!page.isAdding());
    // A bill has at most eight reminders, its own and seven more.
    auto *add = window.findChild<QPushButton *>(QStringLiteral("addExtraReminderButton"));
    QVERIFY(add);
    QCOMPARE(add->isEnabled(), bill.extraReminders.size() < ExtraReminder::MaximumCount);
    // A form read back wrongly may fail the checks, whose message is modal.
    QTimer::singleShot(0, &window, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    const std::unique_ptr<Event> read = page.takeBill(&bill);
    QVERIFY(read);

    QCOMPARE(read->name, bill.name);
    QCOMPARE(read->schedule, bill.schedule);
    QCOMPARE(read->endMode, bill.endMode);
    if (bill.endMode == Event::EndOnDate || bill.schedule == Event::ScheduleSingular)
        QCOMPARE(read->endDate, bill.endDate);
    QCOMPARE(read->eventDate, bill.schedule == Event::ScheduleSingular ? bill.eventDate : QDate());
    QCOMPARE(read->weekdays, bill.weekdays);
    QCOMPARE(read->byDay, bill.byDay);
    if (bill.options.fromEnd == 0)
        QCOMPARE(read->ordinal, bill.ordinal);
    QCOMPARE(read->months, bill.months);
    QCOMPARE(read->byYear, bill.byYear);
    QVERIFY(read->options == bill.options);
    QCOMPARE(read->notify, bill.notify);
    QCOMPARE(read->notify ? read->notifyDays : 0, bill.notifyDays);
    QCOMPARE(read->showOnce, bill.showOnce);
    QCOMPARE(read->amount, bill.amount);
    QVERIFY(read->payments == bill.payments);
    QCOMPARE(read->unknownFields, bill.unknownFields);
    QCOMPARE(read->calendarUid, bill.calendarUid);
    // A save clears the reminder state, so the bill is reminded of at once.
    QCOMPARE(read->lastNotified, Today.addDays(-1));
    QList<ExtraReminder> unfired = bill.extraReminders;
    for (ExtraReminder &reminder : unfired)
        reminder.firedFor = QDate();
    QCOMPARE(read->extraReminders, unfired);
}

QTEST_MAIN(tst_BillEditorPage)
#include "tst_billeditorpage.moc"
