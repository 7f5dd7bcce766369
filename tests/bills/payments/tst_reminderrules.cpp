// Which bills the automatic start reminds of: unpaid dates after days away,
// "once a day" and "again in N days", the reminder of a date to come as it
// always was, and the sentences with their amounts in two locales.
#include "event.h"
#include "paymentstatus.h"
#include "reminderrules.h"

#include <QtTest>

#include <limits>

namespace {

Event monthly15(const QString &name = QStringLiteral("Rent"))
{
    Event e;
    e.name = name;
    e.schedule = Event::ScheduleMonthly;
    e.byDay = true;
    e.ordinal = 15;
    e.notify = true;
    e.notifyDays = 3;
    return e;
}

// Tracking since 1 November 2026 and reminded long ago: on 20 December the
// dates of 15 November and 15 December are unpaid.
Event overdueRent()
{
    Event e = monthly15();
    e.payments.trackedSince = QDate(2026, 11, 1);
    e.lastNotified = QDate(2026, 10, 1);
    return e;
}

Event withAmount(Event e, qint64 minorUnits, const QString &currency)
{
    e.amount = Money(minorUnits, currency);
    return e;
}

const QDate Today(2026, 12, 20);

ExtraReminder extra(int days, ExtraReminder::When when = ExtraReminder::Before)
{
    ExtraReminder reminder;
    reminder.days = days;
    reminder.when = when;
    return reminder;
}

// Every day from `first` to `last`.
QList<QDate> days(QDate first, QDate last)
{
    QList<QDate> all;
    for (QDate day = first; day <= last; day = day.addDays(1))
        all.append(day);
    return all;
}

} // namespace

class tst_ReminderRules : public QObject
{
    Q_OBJECT

private slots:
    void overdueReminder_data();
    void overdueReminder();
    void futureMarkCountsFromToday_data();
    void futureMarkCountsFromToday();
    void upcomingReminder_data();
    void upcomingReminder();
    void sentences_data();
    void sentences();
    void extraRemindersOverStarts_data();
    void extraRemindersOverStarts();
};

void tst_ReminderRules::overdueReminder_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("overdue");

    Event e = overdueRent();
    e.lastNotified = QDate();
    QTest::newRow("overdue, never reminded") << e << Today << true;
    e.lastNotified = QDate(2026, 11, 16);
    e.notifyAgainDays = 1;
    QTest::newRow("reminded once, then weeks away") << e << Today << true;
    e = overdueRent();
    e.notifyDays = 0;
    QTest::newRow("reminder days do not matter") << e << Today << true;

    e = overdueRent();
    e.notify = false;
    QTest::newRow("reminders off") << e << Today << false;
    e = overdueRent();
    e.payments = PaymentState();
    QTest::newRow("not tracking") << e << Today << false;
    e = overdueRent();
    e.payments.paidThrough = QDate(2026, 12, 15);
    QTest::newRow("paid up") << e << Today << false;
    e = overdueRent();
    QTest::newRow("the day it fell due") << e << QDate(2026, 11, 15) << false;
    QTest::newRow("the day after") << e << QDate(2026, 11, 16) << true;

    // Once a day.
    e = overdueRent();
    e.lastNotified = Today;
    QTest::newRow("shown today, again at the next start") << e << Today << true;
    e.showOnce = true;
    QTest::newRow("shown today, once a day") << e << Today << false;
    e.lastNotified = Today.addDays(-1);
    QTest::newRow("shown yesterday, once a day") << e << Today << true;

    // Again in N days.
    e = overdueRent();
    e.notifyAgainDays = 3;
    e.lastNotified = Today.addDays(-2);
    QTest::newRow("again in 3 days, 2 days ago") << e << Today << false;
    e.lastNotified = Today.addDays(-3);
    QTest::newRow("again in 3 days, 3 days ago") << e << Today << true;
    // A mark after today comes from a clock that ran ahead: it counts as today.
    e = overdueRent();
    e.lastNotified = QDate(2076, 12, 20);
    QTest::newRow("shown in 2076, again at the next start") << e << Today << true;

    e = overdueRent();
    e.endMode = Event::EndOnDate;
    e.endDate = QDate(2026, 11, 15);
    e.payments.paidThrough = QDate(2026, 11, 15);
    QTest::newRow("finished") << e << Today << false;
}

void tst_ReminderRules::overdueReminder()
{
    QFETCH(Event, bill);
    QFETCH(QDate, today);
    QFETCH(bool, overdue);
    QCOMPARE(isOverdueReminderDue(bill, today), overdue);
    // An overdue bill gets that reminder and no other.
    if (overdue) {
        QCOMPARE(reminderKind(bill, today), ReminderKind::Overdue);
        QVERIFY(!isUpcomingReminderDue(bill, today));
    }
}

void tst_ReminderRules::futureMarkCountsFromToday_data()
{
    QTest::addColumn<QDate>("mark");
    QTest::addColumn<bool>("showOnce");
    QTest::addColumn<int>("againDays");
    QTest::addColumn<bool>("settled");       // the mark was after today, and is today now
    QTest::addColumn<QDate>("firstReminded"); // the first day from today on with a reminder

    QTest::newRow("never shown") << QDate() << false << 0 << false << Today;
    QTest::newRow("shown yesterday, once a day") << Today.addDays(-1) << true << 0 << false << Today;
    QTest::newRow("shown today, once a day") << Today << true << 0 << false << Today.addDays(1);
    QTest::newRow("shown in 2076") << QDate(2076, 12, 20) << false << 0 << true << Today;
    QTest::newRow("shown in 2076, once a day") << QDate(2076, 12, 20) << true << 0 << true << Today.addDays(1);
    QTest::newRow("shown in 2030, again in 3 days") << QDate(2030, 1, 1) << false << 3 << true << Today.addDays(3);
}

void tst_ReminderRules::futureMarkCountsFromToday()
{
    // An overdue bill (it stays overdue every day after), its mark settled
    // when the bills are read today.
    QFETCH(QDate, mark);
    QFETCH(bool, showOnce);
    QFETCH(int, againDays);
    QFETCH(bool, settled);
    QFETCH(QDate, firstReminded);
    Event e = overdueRent();
    e.lastNotified = mark;
    e.showOnce = showOnce;
    e.notifyAgainDays = againDays;
    QCOMPARE(settleFutureReminderMarks({&e}, Today), settled);
    QCOMPARE(e.lastNotified, settled ? Today : mark);
    QDate reminded;
    for (QDate day = Today; reminded.isNull() && day < Today.addDays(10); day = day.addDays(1)) {
        if (isOverdueReminderDue(e, day))
            reminded = day;
    }
    QCOMPARE(reminded, firstReminded);
}

void tst_ReminderRules::upcomingReminder_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("due");

    // Bills that do not track payments, as the program always decided.
    const QDate dec13(2026, 12, 13);
    Event e = monthly15();
    QTest::newRow("two days ahead, three reminder days") << e << dec13 << true;
    e.notify = false;
    QTest::newRow("reminders off") << e << dec13 << false;
    e = monthly15();
    e.notifyDays = 0;
    QTest::newRow("no reminder days, two days ahead") << e << dec13 << false;
    QTest::newRow("no reminder days, due today") << e << QDate(2026, 12, 15) << true;
    e.notifyDays = 1;
    QTest::newRow("one reminder day, due tomorrow") << e << QDate(2026, 12, 14) << true;
    e = monthly15();
    e.endMode = Event::EndOnDate;
    e.endDate = QDate(2026, 11, 15);
    QTest::newRow("past its end") << e << dec13 << false;
    e = monthly15();
    e.lastNotified = dec13;
    e.showOnce = true;
    QTest::newRow("shown today, once a day") << e << dec13 << false;
    e.showOnce = false;
    QTest::newRow("shown today") << e << dec13 << true;
    e = monthly15();
    e.notifyAgainDays = 3;
    e.lastNotified = dec13.addDays(-2);
    QTest::newRow("again in 3 days, 2 days ago") << e << dec13 << false;
    e.lastNotified = dec13.addDays(-3);
    QTest::newRow("again in 3 days, 3 days ago") << e << dec13 << true;
    Event once = monthly15();
    once.schedule = Event::ScheduleSingular;
    once.eventDate = QDate(2026, 12, 12);
    once.endMode = Event::EndAfterTimes;
    once.endDate = once.eventDate;
    QTest::newRow("singular, passed") << once << dec13 << false;

    // Tracking bills speak of their next unpaid date.
    e = monthly15();
    e.payments.trackedSince = QDate(2026, 12, 1);
    QTest::newRow("tracked, unpaid") << e << dec13 << true;
    e.payments.paidThrough = QDate(2026, 12, 15);
    QTest::newRow("tracked, paid early") << e << dec13 << false;
    QTest::newRow("tracked, paid early, following date near") << e << QDate(2027, 1, 13) << true;
}

void tst_ReminderRules::upcomingReminder()
{
    QFETCH(Event, bill);
    QFETCH(QDate, today);
    QFETCH(bool, due);
    QCOMPARE(isUpcomingReminderDue(bill, today), due);
    QCOMPARE(reminderKind(bill, today), due ? ReminderKind::Upcoming : ReminderKind::None);
}

void tst_ReminderRules::sentences_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("sentence");

    const QString us = QStringLiteral("en_US");
    const QString de = QStringLiteral("de_DE");
    const QString nbsp(QChar(0x00A0));
    const QString euro = QString::fromUtf8("\u20ac");
    const QDate dec5(2026, 12, 5);

    // Dates to come: the sentence as it always was, the amount after the name.
    QTest::newRow("no amount") << us << monthly15(QStringLiteral("Gas")) << dec5
                               << "Gas is due on Tuesday, December 15, 2026 there are 10 days to go.";
    QTest::newRow("one day to go") << us << monthly15(QStringLiteral("Gas")) << QDate(2026, 12, 14)
                                   << "Gas is due on Tuesday, December 15, 2026 there is 1 day to go.";
    QTest::newRow("us amount") << us << withAmount(monthly15(), 125000, "USD") << dec5
                               << "Rent ($1,250.00) is due on Tuesday, December 15, 2026 there are 10 days to go.";
    QTest::newRow("de amount") << de << withAmount(monthly15(QStringLiteral("Miete")), 125000, "EUR") << dec5
                               << "Miete (1.250,00" + nbsp + euro
                                      + ") is due on Dienstag, 15. Dezember 2026 there are 10 days to go.";

    // Unpaid dates.
    QTest::newRow("overdue one day") << us << overdueRent() << QDate(2026, 11, 16)
                                     << "Rent was due on Sunday, November 15, 2026, 1 day ago.";
    QTest::newRow("overdue days") << us << withAmount(overdueRent(), 125000, "USD") << QDate(2026, 11, 20)
                                  << "Rent ($1,250.00) was due on Sunday, November 15, 2026, 5 days ago.";
    QTest::newRow("several unpaid") << us << withAmount(overdueRent(), 125000, "USD") << Today
                                    << "Rent ($1,250.00) was due on Sunday, November 15, 2026, 35 days ago."
                                       " 2 due dates are unpaid, $2,500.00 in all.";
    QTest::newRow("several unpaid, no amount") << us << overdueRent() << Today
                                               << "Rent was due on Sunday, November 15, 2026, 35 days ago."
                                                  " 2 due dates are unpaid.";
    Event miete = withAmount(overdueRent(), 125000, "EUR");
    miete.name = QStringLiteral("Miete");
    QTest::newRow("de several unpaid") << de << miete << Today
                                       << "Miete (1.250,00" + nbsp + euro
                                              + ") was due on Sonntag, 15. November 2026, 35 days ago."
                                                " 2 due dates are unpaid, 2.500,00" + nbsp + euro + " in all.";
    const qint64 half = std::numeric_limits<qint64>::max() / 2 + 1;
    const QString halfText = Money(half, QStringLiteral("USD")).toString(QLocale(us));
    QTest::newRow("total too large to keep") << us << withAmount(overdueRent(), half, "USD") << Today
                                             << "Rent (" + halfText
                                                    + ") was due on Sunday, November 15, 2026, 35 days ago."
                                                      " 2 due dates are unpaid.";
}

void tst_ReminderRules::sentences()
{
    QFETCH(QString, locale);
    QFETCH(Event, bill);
    QFETCH(QDate, today);
    QFETCH(QString, sentence);
    QCOMPARE(reminderSentence(bill, today, QLocale(locale)), sentence);
}

void tst_ReminderRules::extraRemindersOverStarts_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QList<QDate>>("starts");
    QTest::addColumn<int>("againDays"); // the user's "again in N days" at each reminder
    QTest::addColumn<QList<QDate>>("reminded");

    // Due on the 15th; its own reminder on the day, once a day; more
    // reminders 14 and 3 days before.
    Event e = monthly15();
    e.notifyDays = 0;
    e.showOnce = true;
    e.extraReminders = {extra(14), extra(3)};
    QTest::newRow("daily starts") << e << days(QDate(2026, 12, 1), QDate(2026, 12, 16)) << 0
                                  << QList<QDate>{QDate(2026, 12, 1), QDate(2026, 12, 12), QDate(2026, 12, 15)};
    QTest::newRow("days away: both missed ones at one start")
        << e << QList<QDate>{QDate(2026, 11, 28), QDate(2026, 12, 13), QDate(2026, 12, 14), QDate(2026, 12, 15)} << 0
        << QList<QDate>{QDate(2026, 12, 13), QDate(2026, 12, 15)};
    QTest::newRow("once per due date, again for the next")
        << e << QList<QDate>{QDate(2026, 12, 1), QDate(2026, 12, 2), QDate(2027, 1, 1)} << 0
        << QList<QDate>{QDate(2026, 12, 1), QDate(2027, 1, 1)};
    e.notifyDays = 20;
    e.extraReminders = {extra(3)};
    QTest::newRow("snoozed, the extra one still comes") << e << days(QDate(2026, 12, 1), QDate(2026, 12, 15)) << 30
                                                        << QList<QDate>{QDate(2026, 12, 1), QDate(2026, 12, 12)};
    e.notify = false;
    QTest::newRow("reminders off") << e << days(QDate(2026, 12, 1), QDate(2026, 12, 15)) << 0 << QList<QDate>{};

    // Three days after an unpaid date, snoozed for long after each reminder.
    e = monthly15();
    e.notifyDays = 0;
    e.extraReminders = {extra(3, ExtraReminder::AfterUnpaid)};
    QTest::newRow("not tracking: no after") << e << days(QDate(2026, 12, 15), QDate(2026, 12, 20)) << 99
                                            << QList<QDate>{QDate(2026, 12, 15)};
    e.payments.trackedSince = QDate(2026, 12, 1);
    QTest::newRow("tracking: three days after") << e << days(QDate(2026, 12, 15), QDate(2026, 12, 20)) << 99
                                                << QList<QDate>{QDate(2026, 12, 15), QDate(2026, 12, 18)};
    e.payments.paidThrough = QDate(2026, 12, 15);
    QTest::newRow("tracking, paid: no after") << e << days(QDate(2026, 12, 16), QDate(2026, 12, 20)) << 99
                                              << QList<QDate>{};
}

void tst_ReminderRules::extraRemindersOverStarts()
{
    QFETCH(Event, bill);
    QFETCH(QList<QDate>, starts);
    QFETCH(int, againDays);
    QFETCH(QList<QDate>, reminded);

    // Each start that reminds marks the bill as a shown reminder does, and
    // the user answers "again in N days".
    QList<QDate> got;
    for (const QDate day : std::as_const(starts)) {
        if (reminderKind(bill, day) == ReminderKind::None)
            continue;
        got.append(day);
        markRemindersFired(bill, day);
        bill.lastNotified = day;
        bill.notifyAgainDays = againDays;
    }
    QCOMPARE(got, reminded);
}

QTEST_GUILESS_MAIN(tst_ReminderRules)
#include "tst_reminderrules.moc"
