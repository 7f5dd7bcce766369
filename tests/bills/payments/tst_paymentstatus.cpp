// Paid and overdue due dates: paying early and late, several dates missed,
// the last date of a bill that ends, tracking turned off, weekend moves and
// every-N schedules; checked by hand and against a day-by-day walk.
#include "billtext.h"
#include "daynumber.h"
#include "event.h"
#include "eventstore.h"
#include "paymentstatus.h"
#include "referenceschedule.h"
#include "schedulebuilders.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

namespace {

using namespace ScheduleBuilders;

Event monthlyDay(int day, qint32 weekends = ScheduleOptions::KeepWeekend)
{
    Event e = weekly({});
    e.schedule = Event::ScheduleMonthly;
    e.byDay = true;
    e.ordinal = day;
    e.options.weekends = weekends;
    return e;
}

Event singular(QDate date)
{
    Event e;
    e.name = QStringLiteral("Once");
    e.schedule = Event::ScheduleSingular;
    e.eventDate = date;
    e.endMode = Event::EndAfterTimes;
    e.endDate = date;
    return e;
}

Event tracked(Event e, QDate since, QDate paidThrough = QDate())
{
    e.payments.trackedSince = since;
    e.payments.paidThrough = paidThrough;
    return e;
}

// The owed due dates before `today` and the first owed one, the slow way:
// every due date from the day tracking began, one day at a time.
struct Expected
{
    QDate first;
    int unpaidBefore = 0;
};

Expected walkedByDay(const Event &e, QDate today)
{
    Expected expected;
    const QDate since = e.payments.trackedSince;
    const QDate paid = e.payments.paidThrough;
    for (QDate from = since;;) {
        const std::optional<referenceschedule::Due> due = referenceschedule::next(e, from, 800);
        if (!due || (e.endMode != Event::EndNever && due->scheduled > e.endDate))
            break;
        from = due->date.addDays(1);
        if (paid.isValid() && due->scheduled <= paid)
            continue;
        if (expected.first.isNull())
            expected.first = due->date;
        if (due->date >= today)
            break;
        ++expected.unpaidBefore;
    }
    return expected;
}

} // namespace

class tst_PaymentStatus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void paidAndOverdue_data();
    void paidAndOverdue();
    void agreesWithDayByDayWalk_data();
    void agreesWithDayByDayWalk();
    void nothingToPay_data();
    void nothingToPay();
    void pastSingularBillIsOwedWhenTracked();
    void paidDateSurvivesWeekendRuleChange();
    void trackingTurnedOff();
    void partsAndTakingBack_data();
    void partsAndTakingBack();
    void listRowFollowsPayments_data();
    void listRowFollowsPayments();
    void detailsSentence_data();
    void detailsSentence();
    void fiftyYearsUnpaidCostsLittle();
};

void tst_PaymentStatus::paidAndOverdue_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QDate>("paid");     // what the last press marked paid
    QTest::addColumn<int>("state");
    QTest::addColumn<QDate>("shown");    // the first unpaid date
    QTest::addColumn<qint64>("days");    // days left, or days overdue
    QTest::addColumn<int>("unpaid");

    const Event day15 = monthlyDay(15);
    const QDate none;
    const int upcoming = PaymentStatus::Upcoming;
    const int overdue = PaymentStatus::Overdue;
    const int finished = PaymentStatus::Finished;

    // Paid early: the bill moves on to its following date.
    QTest::newRow("paid early") << day15 << QDate(2026, 12, 10) << 1 << QDate(2026, 12, 15)
                                << upcoming << QDate(2027, 1, 15) << qint64(36) << 0;
    QTest::newRow("paid on the day") << day15 << QDate(2026, 12, 15) << 1 << QDate(2026, 12, 15)
                                     << upcoming << QDate(2027, 1, 15) << qint64(31) << 0;
    QTest::newRow("paid early twice") << day15 << QDate(2026, 12, 10) << 2 << QDate(2027, 1, 15)
                                      << upcoming << QDate(2027, 2, 15) << qint64(67) << 0;
    QTest::newRow("due today is not overdue") << tracked(day15, QDate(2026, 12, 1)) << QDate(2026, 12, 15) << 0
                                              << none << upcoming << QDate(2026, 12, 15) << qint64(0) << 0;

    // Paid late, after days away.
    const Event sinceNovember = tracked(day15, QDate(2026, 11, 1));
    QTest::newRow("overdue after a gap") << sinceNovember << QDate(2026, 12, 20) << 0 << none
                                         << overdue << QDate(2026, 11, 15) << qint64(35) << 2;
    QTest::newRow("paid late, one left") << sinceNovember << QDate(2026, 12, 20) << 1 << QDate(2026, 11, 15)
                                         << overdue << QDate(2026, 12, 15) << qint64(5) << 1;
    QTest::newRow("paid late, all") << sinceNovember << QDate(2026, 12, 20) << 2 << QDate(2026, 12, 15)
                                    << upcoming << QDate(2027, 1, 15) << qint64(26) << 0;
    const Event mondays = tracked(weekly({1}), QDate(2026, 11, 1));
    QTest::newRow("several dates missed") << mondays << QDate(2026, 12, 5) << 0 << none
                                          << overdue << QDate(2026, 11, 2) << qint64(33) << 5;
    QTest::newRow("several missed, two paid") << mondays << QDate(2026, 12, 5) << 2 << QDate(2026, 11, 9)
                                              << overdue << QDate(2026, 11, 16) << qint64(19) << 3;

    // "Day" 31 runs over where a month is shorter: the count takes the due
    // dates "Paid" walks, the run-over ones included.
    QTest::newRow("31st: 1 and 31 October unpaid")
        << tracked(monthlyDay(31), QDate(2027, 9, 1)) << QDate(2027, 11, 1) << 0 << none << overdue
        << QDate(2027, 10, 1) << qint64(31) << 2;
    QTest::newRow("31st: \"31 February\" (3 March) still to come")
        << tracked(monthlyDay(31), QDate(2027, 1, 20)) << QDate(2027, 3, 1) << 0 << none << overdue
        << QDate(2027, 1, 31) << qint64(29) << 1;

    // The last date of a bill that ends.
    const Event ends = tracked(endingOn(day15, QDate(2027, 2, 15)), QDate(2026, 12, 1), QDate(2027, 1, 15));
    QTest::newRow("last date paid") << ends << QDate(2027, 2, 1) << 1 << QDate(2027, 2, 15)
                                    << finished << none << qint64(0) << 0;
    QTest::newRow("ended with its last date unpaid") << ends << QDate(2027, 3, 1) << 0 << none
                                                     << overdue << QDate(2027, 2, 15) << qint64(14) << 1;
    QTest::newRow("singular paid late") << singular(QDate(2026, 12, 1)) << QDate(2026, 12, 5) << 1
                                        << QDate(2026, 12, 1) << finished << none << qint64(0) << 0;
    QTest::newRow("singular paid early") << singular(QDate(2026, 12, 24)) << QDate(2026, 12, 5) << 1
                                         << QDate(2026, 12, 24) << finished << none << qint64(0) << 0;

    // Weekend moves: 5 December 2026 is a Saturday.
    const Event friday = monthlyDay(5, ScheduleOptions::FridayBefore);
    const Event monday = monthlyDay(5, ScheduleOptions::MondayAfter);
    QTest::newRow("Friday before, paid early") << friday << QDate(2026, 12, 2) << 1 << QDate(2026, 12, 4)
                                               << upcoming << QDate(2027, 1, 5) << qint64(34) << 0;
    QTest::newRow("Friday before, overdue on the Saturday")
        << tracked(friday, QDate(2026, 12, 1)) << QDate(2026, 12, 5) << 0 << none << overdue
        << QDate(2026, 12, 4) << qint64(1) << 1;
    QTest::newRow("Monday after, not overdue on the Saturday")
        << tracked(monday, QDate(2026, 12, 1)) << QDate(2026, 12, 5) << 0 << none << upcoming
        << QDate(2026, 12, 7) << qint64(2) << 0;
    QTest::newRow("Monday after, paid on the Saturday") << monday << QDate(2026, 12, 5) << 1 << QDate(2026, 12, 7)
                                                        << upcoming << QDate(2027, 1, 5) << qint64(31) << 0;
    Event weekend = weekly({6, 7, 1});
    weekend.options.weekends = ScheduleOptions::MondayAfter;
    QTest::newRow("dates moved onto one Monday count once")
        << tracked(weekend, QDate(2026, 11, 30)) << QDate(2026, 12, 8) << 0 << none << overdue
        << QDate(2026, 11, 30) << qint64(8) << 2;
    QTest::newRow("dates moved onto one Monday are paid at once")
        << tracked(weekend, QDate(2026, 11, 30)) << QDate(2026, 12, 8) << 1 << QDate(2026, 11, 30) << overdue
        << QDate(2026, 12, 7) << qint64(1) << 1;

    // Every N.
    QTest::newRow("every 2 months")
        << tracked(every(monthlyDay(1), 2, QDate(2026, 1, 1)), QDate(2026, 6, 15)) << QDate(2026, 12, 5) << 0
        << none << overdue << QDate(2026, 7, 1) << qint64(157) << 3;
    QTest::newRow("every 2 weeks, paid up")
        << tracked(every(weekly({5}), 2, QDate(2026, 11, 2)), QDate(2026, 11, 1)) << QDate(2026, 12, 5) << 3
        << QDate(2026, 12, 4) << upcoming << QDate(2026, 12, 18) << qint64(13) << 0;
}

void tst_PaymentStatus::paidAndOverdue()
{
    QFETCH(Event, bill);
    QFETCH(QDate, today);
    QFETCH(int, presses);
    QFETCH(QDate, paid);
    QFETCH(int, state);
    QFETCH(QDate, shown);
    QFETCH(qint64, days);
    QFETCH(int, unpaid);

    DueDate last;
    for (int i = 0; i < presses; ++i) {
        const DueDate toPay = dueDateToPay(bill, today);
        last = markPaid(bill, today);
        QCOMPARE(last.date, toPay.date);
        QVERIFY(bill.payments.isTracking());
        QCOMPARE(bill.payments.paidOn, today);
    }
    QCOMPARE(last.date, paid);

    const PaymentStatus status = paymentStatus(bill, today);
    QCOMPARE(int(status.state), state);
    QCOMPARE(status.unpaid.date, shown);
    QCOMPARE(state == PaymentStatus::Overdue ? status.daysOverdue : status.daysLeft, days);
    QCOMPARE(status.unpaidCount, unpaid);
    if (presses > 0)
        QCOMPARE(status.lastPaid, paid);
}

void tst_PaymentStatus::agreesWithDayByDayWalk_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("today");

    Event friday = monthlyDay(31, ScheduleOptions::FridayBefore);
    friday.options.shortMonths = ScheduleOptions::LastDay;
    Event lastFriday = monthlyDay(1);
    lastFriday.byDay = false;
    lastFriday.weekdays[4] = true;
    lastFriday.options.fromEnd = 1;
    Event quarterly = monthlyDay(15);
    quarterly.schedule = Event::ScheduleYearly;
    for (const int month : {1, 4, 7, 10})
        quarterly.months[std::size_t(month - 1)] = true;
    Event weekend = weekly({6, 7});
    weekend.options.weekends = ScheduleOptions::MondayAfter;
    const QList<QPair<const char *, Event>> kinds = {
        {"weekly Mon Thu", weekly({1, 4})},
        {"weekend to Monday", weekend},
        {"every 3 weeks", every(weekly({2}), 3, QDate(2025, 3, 12))},
        {"31st or last, Friday before", friday},
        {"last Friday", lastFriday},
        {"every 2 months", every(monthlyDay(30), 2, QDate(2025, 2, 1))},
        {"quarterly", quarterly},
        {"monthly ending", endingOn(monthlyDay(10), QDate(2026, 3, 10))},
        {"31st, runs over", monthlyDay(31)},
    };
    // Tracking from a day in 2025, the last paid date one of the due dates
    // after it (or none), and today some days or months later.
    QRandomGenerator random(20261205);
    for (const auto &kind : kinds) {
        for (int i = 0; i < 6; ++i) {
            const QDate since = QDate(2025, 1, 1).addDays(random.bounded(365));
            Event bill = tracked(kind.second, since);
            const int paidDates = int(random.bounded(4));
            QDate from = since;
            for (int p = 0; p < paidDates; ++p) {
                const std::optional<referenceschedule::Due> due = referenceschedule::next(bill, from, 800);
                if (!due)
                    break;
                bill.payments.paidThrough = due->scheduled;
                from = due->date.addDays(1);
            }
            const QDate today = since.addDays(random.bounded(i < 3 ? 40 : 500));
            QTest::addRow("%s %d", kind.first, i) << bill << today;
        }
    }
}

void tst_PaymentStatus::agreesWithDayByDayWalk()
{
    QFETCH(Event, bill);
    QFETCH(QDate, today);
    const Expected expected = walkedByDay(bill, today);
    const PaymentStatus status = paymentStatus(bill, today);
    QCOMPARE(status.unpaid.date, expected.first);
    QCOMPARE(status.unpaidCount, expected.unpaidBefore);
    QCOMPARE(status.isOverdue(), expected.unpaidBefore > 0);
    if (status.isOverdue())
        QCOMPARE(status.daysOverdue, daysBetween(expected.first, today));
    // What "Paid" marks is the first unpaid date.
    QCOMPARE(dueDateToPay(bill, today).date, expected.first);
}

void tst_PaymentStatus::nothingToPay_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("state");

    QTest::newRow("finished") << tracked(singular(QDate(2026, 12, 1)), QDate(2026, 11, 1), QDate(2026, 12, 1))
                              << QDate(2026, 12, 5) << int(PaymentStatus::Finished);
    QTest::newRow("ended, never tracked") << endingOn(monthlyDay(15), QDate(2026, 10, 15)) << QDate(2026, 12, 5)
                                          << int(PaymentStatus::NotTracked);
    QTest::newRow("tracking began after the end")
        << tracked(endingOn(monthlyDay(15), QDate(2026, 10, 15)), QDate(2026, 11, 1)) << QDate(2026, 12, 5)
        << int(PaymentStatus::Finished);
    QTest::newRow("weekly without weekdays") << tracked(weekly({}), QDate(2026, 11, 1)) << QDate(2026, 12, 5)
                                             << int(PaymentStatus::NoDueDate);
}

void tst_PaymentStatus::nothingToPay()
{
    QFETCH(Event, bill);
    QFETCH(QDate, today);
    QFETCH(int, state);
    const PaymentState before = bill.payments;
    QCOMPARE(dueDateToPay(bill, today).date, QDate());
    QCOMPARE(markPaid(bill, today).date, QDate());
    QCOMPARE(bill.payments, before);
    QCOMPARE(int(paymentStatus(bill, today).state), state);
}

void tst_PaymentStatus::pastSingularBillIsOwedWhenTracked()
{
    // The list still shows a one-off bill whose date passed; tracked, it is
    // overdue until paid.
    Event once = singular(QDate(2026, 12, 1));
    startTracking(once, QDate(2026, 12, 5));
    const PaymentStatus status = paymentStatus(once, QDate(2026, 12, 5));
    QCOMPARE(int(status.state), int(PaymentStatus::Overdue));
    QCOMPARE(status.unpaid.date, QDate(2026, 12, 1));
    QCOMPARE(status.daysOverdue, qint64(4));
    QCOMPARE(status.unpaidCount, 1);
    // Turned on again, nothing changes.
    startTracking(once, QDate(2026, 12, 6));
    QCOMPARE(once.payments.trackedSince, QDate(2026, 12, 1));
}

void tst_PaymentStatus::paidDateSurvivesWeekendRuleChange()
{
    // 5 December 2026 is a Saturday: due on Friday the 4th, paid on the 2nd.
    Event bill = monthlyDay(5, ScheduleOptions::FridayBefore);
    QCOMPARE(markPaid(bill, QDate(2026, 12, 2)).date, QDate(2026, 12, 4));
    // Moved to the Monday after instead, the same date is still the paid one.
    bill.options.weekends = ScheduleOptions::MondayAfter;
    const PaymentStatus status = paymentStatus(bill, QDate(2026, 12, 5));
    QCOMPARE(status.state, PaymentStatus::Upcoming);
    QCOMPARE(status.unpaid.date, QDate(2027, 1, 5));
    QCOMPARE(status.lastPaid, QDate(2026, 12, 7));
}

void tst_PaymentStatus::trackingTurnedOff()
{
    const Event plain = monthlyDay(15);
    Event bill = plain;
    const QDate today(2026, 12, 20);
    markPaid(bill, QDate(2026, 11, 10));
    QCOMPARE(paymentStatus(bill, today).state, PaymentStatus::Overdue);
    stopTracking(bill);
    QCOMPARE(bill.payments, PaymentState());
    QCOMPARE(paymentStatus(bill, today).state, PaymentStatus::NotTracked);
    // Shown and written as a bill that never tracked payments.
    const BillRow row = billRow(bill, today, -1);
    const BillRow plainRow = billRow(plain, today, -1);
    QCOMPARE(row.dueDate, plainRow.dueDate);
    QCOMPARE(row.daysLeft, plainRow.daysLeft);
    QCOMPARE(row.details, plainRow.details);
    Event copy = bill;
    Event original = plain;
    QCOMPARE(billFileBytes({&copy}), billFileBytes({&original}));
}

void tst_PaymentStatus::partsAndTakingBack_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QString>("steps"); // "pay 40.00", "paid", "undo", "remove 0", "change 0 120.00"
    QTest::addColumn<QDate>("paidThrough");
    QTest::addColumn<QDate>("paidOn");
    QTest::addColumn<qint64>("open"); // of the first owed date; -1: nothing of it paid
    QTest::addColumn<QString>("amounts"); // the history's amounts in minor units

    // Today is 10 December 2026; the first owed date 15 December.
    Event rent = tracked(monthlyDay(15), QDate(2026, 12, 1));
    rent.amount = Money(12000, QStringLiteral("EUR"));
    const QDate none;
    const QDate today(2026, 12, 10);
    const QDate dec15(2026, 12, 15);
    QTest::newRow("a part leaves the date owed") << rent << "pay 4000" << none << none << qint64(8000) << "4000";
    QTest::newRow("parts that reach the amount pay it")
        << rent << "pay 4000;pay 8000" << dec15 << today << qint64(-1) << "4000 8000";
    QTest::newRow("Paid pays what is open") << rent << "pay 4000;paid" << dec15 << today << qint64(-1) << "4000 8000";
    QTest::newRow("more than the amount pays it") << rent << "pay 15000" << dec15 << today << qint64(-1) << "15000";
    QTest::newRow("a part of the next date") << rent << "paid;pay 100" << dec15 << today << qint64(11900) << "12000 100";
    QTest::newRow("taking back the last date paid") << rent << "paid;paid;undo" << dec15 << today << qint64(-1) << "12000";
    QTest::newRow("taking back the only payment") << rent << "paid;undo" << none << none << qint64(-1) << "";
    QTest::newRow("taking back a part reopens the date")
        << rent << "pay 4000;pay 8000;undo" << none << none << qint64(8000) << "4000";
    QTest::newRow("removing an early payment owes its date again")
        << rent << "paid;paid;remove 0" << none << none << qint64(-1) << "12000";
    QTest::newRow("paying the date owed again pays the next one paid before")
        << rent << "paid;paid;remove 0;pay 12000" << QDate(2027, 1, 15) << today << qint64(-1) << "12000 12000";
    QTest::newRow("changing a part to the whole pays the date")
        << rent << "pay 4000;change 0 12000" << dec15 << today << qint64(-1) << "12000";
    QTest::newRow("changing a payment to a part owes the date again")
        << rent << "paid;change 0 5000" << none << none << qint64(7000) << "5000";
    Event water = tracked(monthlyDay(15), QDate(2026, 12, 1));
    QTest::newRow("no amount: any payment pays") << water << "paid" << dec15 << today << qint64(-1) << "0";
    // Paid before payments were recorded: taking the next one back goes
    // back a whole year, to the date paid then (whose day paid no record
    // tells).
    Event yearly = tracked(ScheduleBuilders::yearly(1, true, {}, false, {12}), QDate(2024, 1, 1), QDate(2025, 12, 1));
    yearly.payments.paidOn = QDate(2025, 11, 28);
    QTest::newRow("a yearly bill taken back to the date before")
        << yearly << "paid;undo" << QDate(2025, 12, 1) << none << qint64(-1) << "";
}

void tst_PaymentStatus::partsAndTakingBack()
{
    QFETCH(Event, bill);
    QFETCH(QString, steps);
    QFETCH(QDate, paidThrough);
    QFETCH(QDate, paidOn);
    QFETCH(qint64, open);
    QFETCH(QString, amounts);

    const QDate today(2026, 12, 10);
    const QString currency = bill.amount.currency();
    for (const QString &step : steps.split(u';')) {
        const QStringList words = step.split(u' ');
        if (words.first() == QLatin1String("pay"))
            QVERIFY(recordPayment(bill, today, Money(words.at(1).toLongLong(), currency), today).date.isValid());
        else if (words.first() == QLatin1String("paid"))
            QVERIFY(markPaid(bill, today).date.isValid());
        else if (words.first() == QLatin1String("undo"))
            QVERIFY(takeBackLastPayment(bill));
        else if (words.first() == QLatin1String("remove"))
            QVERIFY(removePayment(bill, words.at(1).toInt()));
        else if (words.first() == QLatin1String("change"))
            QVERIFY(changePayment(bill, words.at(1).toInt(),
                                  PaymentRecord{QDate(), today, Money(words.at(2).toLongLong(), currency), QString()}));
        else
            QFAIL(qPrintable(step));
    }
    QCOMPARE(bill.payments.paidThrough, paidThrough);
    QCOMPARE(bill.payments.paidOn, paidOn);
    const PaymentStatus status = paymentStatus(bill, today);
    QCOMPARE(status.open.isNull() ? -1 : status.open.minorUnits(), open);
    QStringList recorded;
    for (const PaymentRecord &payment : std::as_const(bill.history))
        recorded << QString::number(payment.amount.minorUnits());
    QCOMPARE(recorded.join(u' '), amounts);
}

void tst_PaymentStatus::listRowFollowsPayments_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("dueDate");
    QTest::addColumn<qint64>("daysLeft");
    QTest::addColumn<QString>("details");

    const Event day15 = monthlyDay(15);
    QTest::newRow("not tracked") << day15 << QDate(2026, 12, 15) << qint64(10) << QStringLiteral("Bill");
    QTest::newRow("paid early") << tracked(day15, QDate(2026, 12, 1), QDate(2026, 12, 15)) << QDate(2027, 1, 15)
                                << qint64(41) << QStringLiteral("Bill");
    QTest::newRow("overdue") << tracked(day15, QDate(2026, 10, 1)) << QDate(2026, 10, 15) << qint64(-1)
                             << QStringLiteral("Bill");
    QTest::newRow("finished")
        << tracked(endingOn(day15, QDate(2026, 11, 15)), QDate(2026, 10, 1), QDate(2026, 11, 15))
        << QDate(2026, 11, 15) << qint64(-1) << QStringLiteral("Bill - Finished: its last due date is paid");
}

void tst_PaymentStatus::listRowFollowsPayments()
{
    QFETCH(Event, bill);
    QFETCH(QDate, dueDate);
    QFETCH(qint64, daysLeft);
    QFETCH(QString, details);
    const QDate today(2026, 12, 5);
    const BillRow row = billRow(bill, today, bill.endMode == Event::EndNever ? -1 : remainingOccurrences(bill, today));
    QCOMPARE(row.dueDate, dueDate);
    QCOMPARE(row.daysLeft, daysLeft);
    QCOMPARE(row.details, details);
    QCOMPARE(row.payment.state, paymentStatus(bill, today).state);
}

void tst_PaymentStatus::detailsSentence_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("sentence");

    const QString us = QStringLiteral("en_US");
    const Event sinceNovember = tracked(monthlyDay(15), QDate(2026, 11, 1));
    QTest::newRow("one date, one day") << us << sinceNovember << QDate(2026, 11, 16)
                                       << "Unpaid since Sunday, November 15, 2026: 1 due date, 1 day overdue.";
    QTest::newRow("one date, days") << us << sinceNovember << QDate(2026, 11, 20)
                                    << "Unpaid since Sunday, November 15, 2026: 1 due date, 5 days overdue.";
    QTest::newRow("several dates") << us << sinceNovember << QDate(2026, 12, 20)
                                   << "Unpaid since Sunday, November 15, 2026: 2 due dates, the oldest 35 days overdue.";
    QTest::newRow("de several dates")
        << "de_DE" << sinceNovember << QDate(2026, 12, 20)
        << "Unpaid since Sonntag, 15. November 2026: 2 due dates, the oldest 35 days overdue.";
    QTest::newRow("none paid yet") << us << sinceNovember << QDate(2026, 11, 10)
                                   << "Payments are tracked; no due date is marked paid yet.";
    Event paid = sinceNovember;
    paid.payments.paidThrough = QDate(2026, 11, 15);
    paid.payments.paidOn = QDate(2026, 11, 14);
    QTest::newRow("paid up") << us << paid << QDate(2026, 11, 20)
                             << "Paid through the due date of Sunday, November 15, 2026,"
                                " marked paid on Saturday, November 14, 2026.";
    Event ended = endingOn(paid, QDate(2026, 12, 15));
    ended.payments.paidThrough = QDate(2026, 12, 15);
    ended.payments.paidOn = QDate(2026, 12, 16);
    QTest::newRow("finished") << us << ended << QDate(2026, 12, 20)
                              << "Finished: its last due date, Tuesday, December 15, 2026, is paid"
                                 " (marked paid on Wednesday, December 16, 2026).";
    QTest::newRow("not tracked") << us << monthlyDay(15) << QDate(2026, 12, 20) << QString();
}

void tst_PaymentStatus::detailsSentence()
{
    QFETCH(QString, locale);
    QFETCH(Event, bill);
    QFETCH(QDate, today);
    QFETCH(QString, sentence);
    QCOMPARE(paymentDetailsText(paymentStatus(bill, today), QLocale(locale)), sentence);
}

void tst_PaymentStatus::fiftyYearsUnpaidCostsLittle()
{
    // Every day of the week, unpaid since 1976, and since the first day of
    // the calendar: counted exactly, without walking every date.
    const Event daily = weekly({1, 2, 3, 4, 5, 6, 7});
    const QDate today(2026, 1, 1);
    const PaymentStatus fifty = paymentStatus(tracked(daily, QDate(1976, 1, 1)), today);
    QCOMPARE(fifty.unpaidCount, int(QDate(1976, 1, 1).daysTo(today)));
    QCOMPARE(fifty.daysOverdue, QDate(1976, 1, 1).daysTo(today));

    const Event ancient = tracked(daily, QDate(1, 1, 1));
    const QDate far(9999, 12, 31);
    QElapsedTimer timer;
    timer.start();
    PaymentStatus status;
    for (int i = 0; i < 100; ++i)
        status = paymentStatus(ancient, far);
    // A walk of every one of those 3.65 million dates would take seconds
    // for each call.
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(status.unpaidCount, int(QDate(1, 1, 1).daysTo(far)));
}

QTEST_GUILESS_MAIN(tst_PaymentStatus)
#include "tst_paymentstatus.moc"
