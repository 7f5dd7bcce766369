// The schedule options: every N weeks, months or years, counting from the
// end, short months and weekend moves, alone and together; checked against
// hand-worked dates and against a plain day-by-day walk.
#include "billrules.h"
#include "daynumber.h"
#include "event.h"
#include "occurrence.h"
#include "occurrencecounts.h"
#include "referenceschedule.h"
#include "schedulebuilders.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using namespace ScheduleBuilders;

const QDate Today(2026, 12, 5); // a Saturday

Event fromEnd(Event e, int n)
{
    e.options.fromEnd = n;
    return e;
}

Event lastDayOfShortMonths(Event e)
{
    e.options.shortMonths = ScheduleOptions::LastDay;
    return e;
}

Event weekends(Event e, qint32 rule)
{
    e.options.weekends = rule;
    return e;
}

constexpr qint32 Friday = ScheduleOptions::FridayBefore;
constexpr qint32 Monday = ScheduleOptions::MondayAfter;

Event randomBillWithAnySelection(QRandomGenerator &random);

// A schedule the editor can make (it passes the editor's checks), with
// random options.
Event randomBill(QRandomGenerator &random)
{
    for (;;) {
        Event e = randomBillWithAnySelection(random);
        e.name = QStringLiteral("Bill");
        if (checkBill(e, Today).problem == BillProblem::None)
            return e;
    }
}

Event randomBillWithAnySelection(QRandomGenerator &random)
{
    Event e;
    e.schedule = 1 + random.bounded(3);
    e.byDay = random.bounded(2);
    e.byYear = random.bounded(2);
    for (bool &w : e.weekdays)
        w = random.bounded(4) == 0;
    for (bool &m : e.months)
        m = random.bounded(5) == 0;
    const bool weekday = e.anyWeekdaySelected();
    if (e.schedule == Event::ScheduleWeekly && !weekday)
        e.weekdays[std::size_t(random.bounded(7))] = true;
    if (e.schedule == Event::ScheduleMonthly) {
        e.ordinal = 1 + random.bounded(weekday ? 5 : 31);
    } else {
        const bool month = e.anyMonthSelected();
        e.ordinal = 1 + random.bounded(month ? (weekday ? 5 : 31) : (weekday ? 52 : 365));
    }
    if (random.bounded(2))
        e.options.every = 1 + random.bounded(random.bounded(2) ? 4 : ScheduleOptions::MaximumEvery);
    e.options.everyFrom = QDate(2020, 1, 1).addDays(random.bounded(3000));
    if (e.schedule != Event::ScheduleWeekly && random.bounded(3) == 0)
        e.options.fromEnd = e.ordinal <= 5 || !weekday ? e.ordinal : 1 + random.bounded(5);
    if (e.schedule == Event::ScheduleYearly && e.options.fromEnd > 0 && weekday && e.anyMonthSelected())
        e.options.fromEnd = 1 + random.bounded(5);
    if (random.bounded(3) == 0)
        e.options.shortMonths = ScheduleOptions::LastDay;
    e.options.weekends = qint32(random.bounded(3));
    return e;
}

QString describe(const Event &e)
{
    QString weekdays;
    for (const bool w : e.weekdays)
        weekdays += w ? QLatin1Char('1') : QLatin1Char('0');
    QString months;
    for (const bool m : e.months)
        months += m ? QLatin1Char('1') : QLatin1Char('0');
    return QStringLiteral("schedule %1 N %2 day %3 year %4 weekdays %5 months %6 every %7 from %8 end %9 short %10 weekend %11")
        .arg(e.schedule).arg(e.ordinal).arg(e.byDay).arg(e.byYear).arg(weekdays, months)
        .arg(e.options.every).arg(e.options.everyFrom.toString(Qt::ISODate))
        .arg(e.options.fromEnd).arg(e.options.shortMonths).arg(e.options.weekends);
}

// The count as a plain walk of the engine's own due dates.
int walkedCount(const Event &e, QDate today)
{
    DueDayWalk walk(e);
    int count = 0;
    for (qint64 day = dayNumber(today);;) {
        day = walk.after(day);
        if (day == 0 || walk.scheduled() > dayNumber(e.endDate))
            return count;
        ++count;
    }
}

// A random monthly or yearly schedule as the editor makes it, every month
// or year for one in four.
Event randomPeriods(QRandomGenerator &random)
{
    for (;;) {
        Event e = randomBill(random);
        if (e.schedule == Event::ScheduleWeekly)
            continue;
        e.options.every = random.bounded(4) == 0 ? 1 : 2 + random.bounded(ScheduleOptions::MaximumEvery - 1);
        return e;
    }
}

// The due dates a plain walk takes from `today` on that are due before
// `before` and scheduled on or before the end.
int walkedCountBefore(const Event &e, QDate today, QDate before)
{
    DueDayWalk walk(e);
    int count = 0;
    for (qint64 day = dayNumber(today) - 1;;) {
        day = walk.after(day);
        if (day == 0 || day >= dayNumber(before) || walk.scheduled() > dayNumber(e.endDate))
            return count;
        ++count;
    }
}

} // namespace

class tst_ScheduleOptions : public QObject
{
    Q_OBJECT

private slots:
    void dueDates_data();
    void dueDates();
    void agreesWithDayByDayWalk_data();
    void agreesWithDayByDayWalk();
    void counts_data();
    void counts();
    void countsAgreeWithWalk();
    void countsOfManyPeriodsAgreeWithWalk_data();
    void countsOfManyPeriodsAgreeWithWalk();
    void listCountsAgreeWithEngine();
    void timesEndOnScheduledDate();
    void defaultsChangeNothing();
};

void tst_ScheduleOptions::dueDates_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("due");
    QTest::addColumn<QDate>("scheduled");

    // every N
    const Event twoMonths = every(monthly(15, true), 2, QDate(2027, 1, 20));
    QTest::newRow("every 2 months from January: January") << twoMonths << QDate(2027, 1, 10) << QDate(2027, 1, 15) << QDate(2027, 1, 15);
    QTest::newRow("every 2 months from January: skips February") << twoMonths << QDate(2027, 1, 16) << QDate(2027, 3, 15) << QDate(2027, 3, 15);
    QTest::newRow("every 2 months from February: February")
        << every(monthly(15, true), 2, QDate(2027, 2, 1)) << QDate(2027, 1, 10) << QDate(2027, 2, 15) << QDate(2027, 2, 15);
    QTest::newRow("every 2 months: nothing before the start")
        << twoMonths << QDate(2026, 11, 1) << QDate(2027, 1, 15) << QDate(2027, 1, 15);
    const Event twoWeeks = every(weekly({1}), 2, QDate(2026, 12, 9)); // the week of Monday 7 December
    QTest::newRow("every 2 weeks: this week's Monday") << twoWeeks << QDate(2026, 12, 7) << QDate(2026, 12, 7) << QDate(2026, 12, 7);
    QTest::newRow("every 2 weeks: the week after is skipped") << twoWeeks << QDate(2026, 12, 8) << QDate(2026, 12, 21) << QDate(2026, 12, 21);
    QTest::newRow("every 3 years on 1 January")
        << every(yearly(1, true, {}, false, {1}), 3, QDate(2026, 6, 1)) << QDate(2026, 1, 2) << QDate(2029, 1, 1) << QDate(2029, 1, 1);
    QTest::newRow("every 99 years, beyond the 32000-day mark")
        << every(yearly(1, true, {}, true), 99, QDate(2026, 1, 1)) << QDate(2026, 1, 2) << QDate(2125, 1, 1) << QDate(2125, 1, 1);
    QTest::newRow("every 1 is the plain schedule")
        << every(monthly(15, true), 1, QDate(2027, 3, 1)) << QDate(2026, 12, 16) << QDate(2027, 1, 15) << QDate(2027, 1, 15);
    QTest::newRow("every 2 without a start counts as 1")
        << every(monthly(15, true), 2, QDate()) << QDate(2026, 12, 16) << QDate(2027, 1, 15) << QDate(2027, 1, 15);

    // counted from the end
    QTest::newRow("last day of February") << fromEnd(monthly(1, true), 1) << QDate(2027, 2, 5) << QDate(2027, 2, 28) << QDate(2027, 2, 28);
    QTest::newRow("last day of a leap February") << fromEnd(monthly(1, true), 1) << QDate(2028, 2, 5) << QDate(2028, 2, 29) << QDate(2028, 2, 29);
    QTest::newRow("2nd last day of December") << fromEnd(monthly(2, true), 2) << QDate(2026, 12, 5) << QDate(2026, 12, 30) << QDate(2026, 12, 30);
    QTest::newRow("last Friday") << fromEnd(monthly(1, false, {5}), 1) << Today << QDate(2026, 12, 25) << QDate(2026, 12, 25);
    QTest::newRow("2nd last Monday") << fromEnd(monthly(2, false, {1}), 2) << Today << QDate(2026, 12, 21) << QDate(2026, 12, 21);
    QTest::newRow("5th last Friday: months with four are skipped")
        << fromEnd(monthly(5, false, {5}), 5) << Today << QDate(2027, 1, 1) << QDate(2027, 1, 1);
    QTest::newRow("last day of the year") << fromEnd(yearly(1, true, {}, true), 1) << Today << QDate(2026, 12, 31) << QDate(2026, 12, 31);
    QTest::newRow("last day of February, yearly") << fromEnd(yearly(1, true, {}, false, {2}), 1) << Today << QDate(2027, 2, 28) << QDate(2027, 2, 28);
    QTest::newRow("last Monday of May") << fromEnd(yearly(1, false, {1}, false, {5}), 1) << Today << QDate(2027, 5, 31) << QDate(2027, 5, 31);
    QTest::newRow("5th last Monday of February, found in a leap year")
        << fromEnd(yearly(5, false, {1}, false, {2}), 5) << Today << QDate(2044, 2, 1) << QDate(2044, 2, 1);
    QTest::newRow("last Sunday of the year") << fromEnd(yearly(1, false, {7}, true), 1) << Today << QDate(2026, 12, 27) << QDate(2026, 12, 27);

    // short months
    QTest::newRow("31st from 10 April runs over, as always") << monthly(31, true) << QDate(2026, 4, 10) << QDate(2026, 5, 1) << QDate(2026, 5, 1);
    QTest::newRow("31st from 10 April: the last day") << lastDayOfShortMonths(monthly(31, true)) << QDate(2026, 4, 10) << QDate(2026, 4, 30) << QDate(2026, 4, 30);
    QTest::newRow("30th in February: the last day") << lastDayOfShortMonths(monthly(30, true)) << QDate(2028, 2, 1) << QDate(2028, 2, 29) << QDate(2028, 2, 29);
    QTest::newRow("31st in a long month is the 31st") << lastDayOfShortMonths(monthly(31, true)) << QDate(2026, 12, 5) << QDate(2026, 12, 31) << QDate(2026, 12, 31);

    // weekends (5 December 2026 is a Saturday)
    const Event fifth = monthly(5, true);
    QTest::newRow("Saturday stays") << fifth << QDate(2026, 12, 1) << QDate(2026, 12, 5) << QDate(2026, 12, 5);
    QTest::newRow("Saturday to the Friday before") << weekends(fifth, Friday) << QDate(2026, 12, 1) << QDate(2026, 12, 4) << QDate(2026, 12, 5);
    QTest::newRow("on the Friday itself") << weekends(fifth, Friday) << QDate(2026, 12, 4) << QDate(2026, 12, 4) << QDate(2026, 12, 5);
    QTest::newRow("on the Saturday, the Friday has passed") << weekends(fifth, Friday) << QDate(2026, 12, 5) << QDate(2027, 1, 5) << QDate(2027, 1, 5);
    QTest::newRow("Saturday to the Monday after") << weekends(fifth, Monday) << QDate(2026, 12, 1) << QDate(2026, 12, 7) << QDate(2026, 12, 5);
    QTest::newRow("on the Sunday, the Monday is still ahead") << weekends(fifth, Monday) << QDate(2026, 12, 6) << QDate(2026, 12, 7) << QDate(2026, 12, 5);
    QTest::newRow("Sunday to the Friday before") << weekends(monthly(6, true), Friday) << QDate(2026, 12, 1) << QDate(2026, 12, 4) << QDate(2026, 12, 6);
    QTest::newRow("a weekday never moves") << weekends(monthly(7, true), Monday) << QDate(2026, 12, 1) << QDate(2026, 12, 7) << QDate(2026, 12, 7);
    // The 29th of February 2027 runs over to Monday 1 March, a day the rule
    // names only from February: a weekend rule moves no weekday back in.
    QTest::newRow("29th from 1 March stays on the 29th")
        << monthly(29, true) << QDate(2027, 3, 1) << QDate(2027, 3, 29) << QDate(2027, 3, 29);
    QTest::newRow("29th from 1 March, Friday before")
        << weekends(monthly(29, true), Friday) << QDate(2027, 3, 1) << QDate(2027, 3, 29) << QDate(2027, 3, 29);
    QTest::newRow("29th from 1 March, Monday after")
        << weekends(monthly(29, true), Monday) << QDate(2027, 3, 1) << QDate(2027, 3, 29) << QDate(2027, 3, 29);
    QTest::newRow("Saturday and Sunday are one Friday")
        << weekends(weekly({6, 7}), Friday) << QDate(2026, 12, 7) << QDate(2026, 12, 11) << QDate(2026, 12, 12);

    // together
    QTest::newRow("every 2 months, last day, Friday before")
        << weekends(fromEnd(every(monthly(1, true), 2, QDate(2027, 1, 1)), 1), Friday) << QDate(2027, 2, 1)
        << QDate(2027, 3, 31) << QDate(2027, 3, 31);
    QTest::newRow("every 2 months, last day on a Sunday, Friday before")
        << weekends(fromEnd(every(monthly(1, true), 2, QDate(2027, 1, 1)), 1), Friday) << QDate(2026, 12, 1)
        << QDate(2027, 1, 29) << QDate(2027, 1, 31);
    QTest::newRow("every 2 years, 2nd last Friday of June, Monday after (never moves)")
        << weekends(fromEnd(every(yearly(2, false, {5}, false, {6}), 2, QDate(2028, 1, 1)), 2), Monday) << Today
        << QDate(2028, 6, 23) << QDate(2028, 6, 23);
    QTest::newRow("every 2 months, 31st, last day of short months")
        << lastDayOfShortMonths(every(monthly(31, true), 2, QDate(2027, 2, 1))) << QDate(2027, 2, 1) << QDate(2027, 2, 28)
        << QDate(2027, 2, 28);

    // the far end of the calendar
    QTest::newRow("last day of December 9999") << fromEnd(monthly(1, true), 1) << QDate(9999, 12, 5) << QDate(9999, 12, 31) << QDate(9999, 12, 31);
    QTest::newRow("every 4 years to 9996") << every(yearly(29, true, {}, false, {2}), 4, QDate(2024, 1, 1)) << QDate(9993, 3, 1)
                                             << QDate(9996, 2, 29) << QDate(9996, 2, 29);
}

void tst_ScheduleOptions::dueDates()
{
    QFETCH(Event, event);
    QFETCH(QDate, from);
    QFETCH(QDate, due);
    QFETCH(QDate, scheduled);
    const DueDate next = nextDueDate(event, from);
    QCOMPARE(next.date, due);
    QCOMPARE(next.scheduled, scheduled);
    QCOMPARE(nextOccurrence(event, from), due);
    // The slow walk says the same.
    const auto reference = referenceschedule::next(event, from);
    QVERIFY(reference.has_value());
    QCOMPARE(reference->date, due);
    QCOMPARE(reference->scheduled, scheduled);
}

void tst_ScheduleOptions::agreesWithDayByDayWalk_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("firstYear");
    QTest::addColumn<bool>("runOver");
    QTest::newRow("around today") << 1u << 2020 << false;
    QTest::newRow("leap years 2096-2104") << 2u << 2096 << false;
    QTest::newRow("the 1600s") << 3u << 1600 << false;
    QTest::newRow("up to 9999") << 4u << 9990 << false;
    // Monthly "Day" 28 to 31 seen from the first days of a month, where a
    // short month's days have run over and a weekend rule looks back into
    // the month before.
    QTest::newRow("days run over into a month") << 5u << 2020 << true;
}

void tst_ScheduleOptions::agreesWithDayByDayWalk()
{
    QFETCH(quint32, seed);
    QFETCH(int, firstYear);
    QFETCH(bool, runOver);
    QRandomGenerator random(seed);
    for (int i = 0; i < 600; ++i) {
        Event e = randomBill(random);
        while (runOver && !(e.schedule == Event::ScheduleMonthly && e.byDay && e.ordinal >= 28))
            e = randomBill(random);
        const QDate from = runOver ? QDate(firstYear, 1, 1).addMonths(random.bounded(120)).addDays(random.bounded(3))
                                   : QDate(firstYear, 1, 1).addDays(random.bounded(3650));
        e.options.everyFrom = from.addDays(random.bounded(-800, 800));
        // The new start may leave a schedule that is never due, which the
        // editor would not store.
        if (checkBill(e, Today).problem != BillProblem::None)
            continue;
        const DueDate engine = nextDueDate(e, from);
        const auto reference = referenceschedule::next(e, from, 40000);
        const QByteArray what = (describe(e) + QStringLiteral(" from ") + from.toString(Qt::ISODate)).toUtf8();
        if (!reference) {
            QVERIFY2(engine.date.isNull() || daysBetween(from, engine.date) >= 40000 - 2, what.constData());
            continue;
        }
        QVERIFY2(engine.date == reference->date, (what + " got " + engine.date.toString(Qt::ISODate).toUtf8()
                                                  + " expected " + reference->date.toString(Qt::ISODate).toUtf8())
                                                     .constData());
        QVERIFY2(engine.scheduled == reference->scheduled, what.constData());
    }
}

void tst_ScheduleOptions::counts_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("remaining");

    // Saturdays and Sundays moved to Friday: each weekend is one due date.
    QTest::newRow("weekends onto Fridays count once")
        << endingOn(weekends(weekly({6, 7}), Friday), QDate(2026, 12, 27)) << QDate(2026, 12, 7) << 3;
    // The end date looks at the scheduled date: the Saturday on the end date
    // is due on the Monday after it, and still counts.
    QTest::newRow("end date before the move")
        << endingOn(weekends(weekly({6}), Monday), QDate(2026, 12, 19)) << QDate(2026, 12, 7) << 2;
    QTest::newRow("every 2 weeks to the end of the year")
        << endingOn(every(weekly({1}), 2, QDate(2026, 12, 7)), QDate(2026, 12, 31)) << Today << 2;
    QTest::newRow("last day of each month in 2027")
        << endingOn(fromEnd(monthly(1, true), 1), QDate(2027, 12, 31)) << QDate(2026, 12, 31) << 12;
    QTest::newRow("every 3 months, a year")
        << endingOn(every(monthly(1, true), 3, QDate(2027, 1, 1)), QDate(2027, 12, 31)) << Today << 4;
}

void tst_ScheduleOptions::counts()
{
    QFETCH(Event, event);
    QFETCH(QDate, today);
    QFETCH(int, remaining);
    QCOMPARE(remainingOccurrences(event, today), remaining);
    QCOMPARE(walkedCount(event, today), remaining);
}

void tst_ScheduleOptions::countsAgreeWithWalk()
{
    // Far end dates take the engine's shortcut over whole cycles; a plain walk
    // of its steps must give the same count.
    QRandomGenerator random(77);
    for (int i = 0; i < 150; ++i) {
        Event e = randomBill(random);
        const QDate today = QDate(2026, 1, 1).addDays(random.bounded(2000));
        e.endMode = Event::EndOnDate;
        e.endDate = today.addDays(random.bounded(2) ? random.bounded(400 * 366) : random.bounded(3 * 366));
        const QByteArray what = describe(e).toUtf8();
        QVERIFY2(remainingOccurrences(e, today) == walkedCount(e, today), what.constData());
    }
}

void tst_ScheduleOptions::countsOfManyPeriodsAgreeWithWalk_data()
{
    // Monthly and yearly bills are counted by the shapes of their periods; a
    // null schedule stands for random ones of the editor's.
    QTest::addColumn<Event>("event");
    QTest::addColumn<int>("seed");
    const QDate from(2025, 3, 1);
    QTest::newRow("5th of each weekday every 23 months")
        << every(monthly(5, false, {1, 2, 3, 4, 5, 6, 7}), 23, from) << 1;
    QTest::newRow("Day 31 every 2 months, runs over, Monday after")
        << weekends(every(monthly(31, true), 2, from), Monday) << 2;
    QTest::newRow("last Day and weekdays every 7 months, Friday before")
        << weekends(fromEnd(every(monthly(1, true, {1, 3, 6}), 7, from), 1), Friday) << 3;
    QTest::newRow("yearly everything every 19 years, 5th last, Monday after")
        << weekends(fromEnd(every(yearly(5, false, {1, 2, 3, 4, 5, 6, 7}, true, {2, 5, 11}), 19, from), 5), Monday)
        << 4;
    QTest::newRow("yearly everything every year, 5th last, Friday before")
        << weekends(fromEnd(yearly(5, true, {1, 2, 3, 4, 5, 6, 7}, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), 5), Friday)
        << 6;
    QTest::newRow("Day 31 every month, runs over, Monday after") << weekends(monthly(31, true), Monday) << 7;
    QTest::newRow("yearly day 366 every 3 years, Friday before")
        << weekends(every(yearly(366, true, {}, true), 3, from), Friday) << 5;
    for (int seed = 10; seed < 14; ++seed)
        QTest::addRow("random, seed %d", seed) << Event() << seed;
}

void tst_ScheduleOptions::countsOfManyPeriodsAgreeWithWalk()
{
    QFETCH(Event, event);
    QFETCH(int, seed);
    QRandomGenerator random{quint32(seed)};
    const bool randomSchedules = event.schedule == Event::ScheduleSingular;
    for (int i = 0; i < (randomSchedules ? 15 : 3); ++i) {
        Event e = randomSchedules ? randomPeriods(random) : event;
        const QDate today = QDate(2020, 1, 1).addDays(random.bounded(4000));
        // Ends far away, on the last day the editor offers, or after a
        // number of times.
        switch (i % 3) {
        case 0:
            e.endMode = Event::EndOnDate;
            e.endDate = QDate(9999, 12, 31);
            break;
        case 1:
            e.endMode = Event::EndOnDate;
            e.endDate = today.addDays(random.bounded(3000 * 366));
            break;
        default:
            e.endMode = Event::EndAfterTimes;
            e.endDate = endDateAfterTimes(e, today, 1 + random.bounded(3000));
            break;
        }
        const QDate before = today.addDays(random.bounded(4000 * 366));
        const QByteArray what = (describe(e) + QStringLiteral(" today ") + today.toString(Qt::ISODate)
                                 + QStringLiteral(" end ") + e.endDate.toString(Qt::ISODate)
                                 + QStringLiteral(" before ") + before.toString(Qt::ISODate))
                                    .toUtf8();
        QVERIFY2(remainingOccurrences(e, today) == walkedCount(e, today), what.constData());
        QVERIFY2(dueDatesWalkedFrom(e, nextDueDate(e, today), before) == walkedCountBefore(e, today, before),
                 what.constData());
    }
}

void tst_ScheduleOptions::listCountsAgreeWithEngine()
{
    QRandomGenerator random(5);
    OccurrenceCounts counts(Today);
    for (int i = 0; i < 300; ++i) {
        Event e = randomBill(random);
        // Few distinct option sets, so that bills share walks.
        e.options.everyFrom = QDate(2026, 1, 1).addDays(7 * random.bounded(3));
        e.endMode = Event::EndOnDate;
        e.endDate = Today.addDays(random.bounded(5000));
        const QByteArray what = describe(e).toUtf8();
        QVERIFY2(counts.nextDue(e).date == nextDueDate(e, Today).date, what.constData());
        QVERIFY2(counts.nextDue(e).scheduled == nextDueDate(e, Today).scheduled, what.constData());
        QVERIFY2(counts.remaining(e) == remainingOccurrences(e, Today), what.constData());
    }
}

void tst_ScheduleOptions::timesEndOnScheduledDate()
{
    // Three Saturdays moved to the Monday after: the end date is the third
    // Saturday, so the third Monday still counts and a fourth does not.
    const Event saturdays = weekends(weekly({6}), Monday);
    const QDate end = endDateAfterTimes(saturdays, QDate(2026, 12, 7), 3);
    QCOMPARE(end, QDate(2026, 12, 26));
    QCOMPARE(remainingOccurrences(endingOn(saturdays, end), QDate(2026, 12, 7)), 3);
}

void tst_ScheduleOptions::defaultsChangeNothing()
{
    // Options at their defaults, or with values a file may hold but the
    // editor never stores, are the plain schedule.
    QRandomGenerator random(11);
    for (int i = 0; i < 300; ++i) {
        Event plain = randomBill(random);
        plain.options = ScheduleOptions();
        Event odd = plain;
        odd.options.every = random.bounded(2) ? 0 : 500;
        odd.options.everyFrom = QDate(2026, 1, 1);
        odd.options.weekends = 7;
        odd.options.shortMonths = -3;
        odd.options.fromEnd = -1;
        QVERIFY(odd.options.isDefault());
        const QDate from = QDate(2026, 1, 1).addDays(random.bounded(1000));
        QCOMPARE(nextOccurrence(odd, from), nextOccurrence(plain, from));
    }
}

QTEST_GUILESS_MAIN(tst_ScheduleOptions)
#include "tst_scheduleoptions.moc"
