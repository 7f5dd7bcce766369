#include "daynumber.h"
#include "event.h"
#include "occurrence.h"
#include "referencenextoccurrence.h"
#include "schedulebuilders.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using namespace ScheduleBuilders;

Event randomSchedule(QRandomGenerator &random)
{
    Event e;
    e.schedule = 1 + random.bounded(3);
    e.byDay = random.bounded(2);
    e.byYear = random.bounded(2);
    const int weekdayOdds = 1 + random.bounded(6);
    for (bool &w : e.weekdays)
        w = random.bounded(weekdayOdds) == 0;
    const int monthOdds = 1 + random.bounded(8);
    for (bool &m : e.months)
        m = random.bounded(monthOdds) == 0;
    if (random.bounded(10) == 0)
        e.ordinal = random.bounded(-3, 400); // from a file, outside the editor's limits
    else if (e.schedule == Event::ScheduleMonthly)
        e.ordinal = 1 + random.bounded(e.anyWeekdaySelected() ? 5 : 31);
    else
        e.ordinal = 1 + random.bounded(e.byYear ? (e.anyWeekdaySelected() ? 52 : 366) : 31);
    return e;
}

template<std::size_t N>
QString selection(const std::array<bool, N> &on)
{
    QString text;
    for (const bool b : on)
        text += b ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

// The count as the plain walk does it, one due date after another.
int walkedCount(const Event &e, QDate today)
{
    int count = 0;
    qint64 day = dayNumber(today);
    for (;;) {
        const qint64 next = dayNumber(nextOccurrence(e, dateOfDayNumber(day + 1)));
        if (next == 0 || next <= day || next > dayNumber(e.endDate))
            return count;
        ++count;
        day = next;
    }
}

const QDate Today(2026, 12, 5); // a Saturday

} // namespace

class tst_Occurrence : public QObject
{
    Q_OBJECT

private slots:
    void nextOccurrence_data();
    void nextOccurrence();
    void agreesWithStepByStepRules();
    void singularIgnoresFrom();
    void nullFromCountsAsDayZero();
    void remainingOccurrences_data();
    void remainingOccurrences();
    void remainingMatchesWalkOverManySchedules();
    void remainingToTheLastDateTheEditorOffers();
    void walkStepsAndEnds_data();
    void walkStepsAndEnds();
    void ordinalString_data();
    void ordinalString();
};

void tst_Occurrence::nextOccurrence_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("expected");

    // weekly
    const Event monThu = weekly({1, 4});
    QTest::newRow("weekly Mon+Thu from Saturday") << monThu << Today << QDate(2026, 12, 7);
    QTest::newRow("weekly Mon+Thu from Monday itself") << monThu << QDate(2026, 12, 7) << QDate(2026, 12, 7);
    QTest::newRow("weekly Sunday across year end") << weekly({7}) << QDate(2026, 12, 28) << QDate(2027, 1, 3);
    QTest::newRow("weekly without weekdays is null") << weekly({}) << Today << QDate();

    // monthly "Day" N, including the run-over into the next month
    QTest::newRow("monthly day 15 on the day") << monthly(15, true) << QDate(2026, 12, 15) << QDate(2026, 12, 15);
    QTest::newRow("monthly day 15 the day after") << monthly(15, true) << QDate(2026, 12, 16) << QDate(2027, 1, 15);
    QTest::newRow("monthly day 31 from 10 April runs over") << monthly(31, true) << QDate(2026, 4, 10) << QDate(2026, 5, 1);
    QTest::newRow("monthly day 31 from 1 February runs over") << monthly(31, true) << QDate(2026, 2, 1) << QDate(2026, 3, 3);
    QTest::newRow("monthly day 30 from 31 January") << monthly(30, true) << QDate(2026, 1, 31) << QDate(2026, 3, 2);
    QTest::newRow("monthly day 30 from 31 January, leap") << monthly(30, true) << QDate(2028, 1, 31) << QDate(2028, 3, 1);

    // monthly N-th weekday
    QTest::newRow("monthly 2nd Tuesday") << monthly(2, false, {2}) << Today << QDate(2026, 12, 8);
    QTest::newRow("monthly 2nd Tuesday, just missed") << monthly(2, false, {2}) << QDate(2026, 12, 9) << QDate(2027, 1, 12);
    QTest::newRow("monthly 5th Friday skips a month") << monthly(5, false, {5}) << Today << QDate(2027, 1, 29);
    QTest::newRow("monthly day 1 or 1st Monday") << monthly(1, true, {1}) << Today << QDate(2026, 12, 7);
    QTest::newRow("monthly nothing selected") << monthly(3, false) << Today << QDate(2114, 7, 17);
    QTest::newRow("monthly 6th Monday (from a file) has no candidate") << monthly(6, false, {1}) << Today << QDate(2114, 7, 17);
    QTest::newRow("monthly 0th Monday (from a file) has no candidate") << monthly(0, false, {1}) << Today << QDate(2114, 7, 17);

    // yearly "Day" N
    QTest::newRow("yearly day 100 of the year") << yearly(100, true, {}, true) << Today << QDate(2027, 4, 10);
    QTest::newRow("yearly day 100 from 1 March") << yearly(100, true, {}, true) << QDate(2026, 3, 1) << QDate(2026, 4, 10);
    QTest::newRow("yearly quarterly day 1") << yearly(1, true, {}, false, {1, 4, 7, 10}) << Today << QDate(2027, 1, 1);
    QTest::newRow("yearly quarterly day 1, next quarter") << yearly(1, true, {}, false, {1, 4, 7, 10}) << QDate(2027, 1, 2) << QDate(2027, 4, 1);
    QTest::newRow("yearly day 15 of March on the day") << yearly(15, true, {}, false, {3}) << QDate(2026, 3, 15) << QDate(2026, 3, 15);
    QTest::newRow("yearly day 365, leap day 366") << yearly(365, true, {}, true) << QDate(2028, 12, 31) << QDate(2029, 12, 31);
    QTest::newRow("yearly day 365, leap day 365") << yearly(365, true, {}, true) << QDate(2028, 12, 30) << QDate(2028, 12, 30);

    // yearly: a month without day N contributes its last day
    QTest::newRow("yearly 31 April is 30 April") << yearly(31, true, {}, false, {4}) << QDate(2026, 4, 1) << QDate(2026, 4, 30);
    QTest::newRow("yearly 30 February is 28 February") << yearly(30, true, {}, false, {2}) << QDate(2026, 1, 10) << QDate(2026, 2, 28);
    QTest::newRow("yearly 29 February in a leap year") << yearly(29, true, {}, false, {2}) << QDate(2028, 1, 10) << QDate(2028, 2, 29);
    QTest::newRow("yearly 29 February after it passed") << yearly(29, true, {}, false, {2}) << QDate(2028, 3, 1) << QDate(2029, 2, 28);
    QTest::newRow("yearly 29 February into a leap year") << yearly(29, true, {}, false, {2}) << QDate(2027, 3, 1) << QDate(2028, 2, 29);
    QTest::newRow("yearly day 31 of April and May") << yearly(31, true, {}, false, {4, 5}) << QDate(2026, 5, 1) << QDate(2026, 5, 31);

    // yearly N-th weekday: not kept inside the month
    QTest::newRow("yearly 5th Monday of February") << yearly(5, false, {1}, false, {2}) << QDate(2026, 1, 1) << QDate(2026, 3, 2);
    QTest::newRow("yearly 2nd Monday of the year") << yearly(2, false, {1}, true) << Today << QDate(2027, 1, 11);
    QTest::newRow("yearly 1st Sunday of the year on 1 January") << yearly(1, false, {7}, true) << QDate(2023, 1, 1) << QDate(2023, 1, 1);
    QTest::newRow("yearly day 1 of year or 1st Friday") << yearly(1, true, {5}, true) << QDate(2027, 1, 1) << QDate(2027, 1, 1);
    QTest::newRow("yearly neither year nor month") << yearly(3, true, {2}, false) << Today << QDate(2114, 7, 17);

    // unknown schedule values from files
    Event unknown = weekly({1});
    unknown.schedule = 4;
    QTest::newRow("schedule 4 is null") << unknown << Today << QDate();
    unknown.schedule = -1;
    QTest::newRow("schedule -1 is null") << unknown << Today << QDate();
}

void tst_Occurrence::nextOccurrence()
{
    QFETCH(Event, event);
    QFETCH(QDate, from);
    QFETCH(QDate, expected);
    QCOMPARE(::nextOccurrence(event, from), expected);
}

void tst_Occurrence::agreesWithStepByStepRules()
{
    QRandomGenerator random(7122026);
    for (int i = 0; i < 20000; ++i) {
        const Event e = randomSchedule(random);
        // Month ends, leap days and century years are where rules break.
        const QDate from = QDate(1896, 1, 1).addDays(random.bounded(220 * 366));
        const QDate expected = reference::next(e, from);
        const QDate actual = ::nextOccurrence(e, from);
        if (actual != expected) {
            qWarning() << "schedule" << e.schedule << "ordinal" << e.ordinal << "byDay" << e.byDay
                       << "byYear" << e.byYear << "weekdays" << selection(e.weekdays) << "months" << selection(e.months)
                       << "from" << from;
        }
        QCOMPARE(actual, expected);
    }
}

void tst_Occurrence::singularIgnoresFrom()
{
    Event e;
    e.schedule = Event::ScheduleSingular;
    e.eventDate = QDate(2020, 2, 29);
    QCOMPARE(::nextOccurrence(e, Today), QDate(2020, 2, 29));
    e.eventDate = QDate();
    QCOMPARE(::nextOccurrence(e, Today), QDate());
}

void tst_Occurrence::nullFromCountsAsDayZero()
{
    // Day 0 (24 November 4714 BC) was a Monday.
    QCOMPARE(::nextOccurrence(weekly({1}), QDate()), QDate());
    QCOMPARE(::nextOccurrence(weekly({2}), QDate()), QDate::fromJulianDay(1));
}

void tst_Occurrence::remainingOccurrences_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("expected");

    const Event mondays = endingOn(weekly({1}), QDate(2026, 12, 28));
    QTest::newRow("Mondays until 28 Dec, on Saturday") << mondays << Today << 4;
    QTest::newRow("Mondays until 28 Dec, on a Monday") << mondays << QDate(2026, 12, 7) << 3;
    QTest::newRow("Mondays until 28 Dec, on the end date") << mondays << QDate(2026, 12, 28) << 0;
    QTest::newRow("Mondays until 28 Dec, after it") << mondays << QDate(2027, 1, 4) << 0;

    Event never = weekly({1, 2, 3});
    never.endMode = Event::EndNever;
    never.endDate = QDate(2026, 12, 28);
    QTest::newRow("never ends, weekly") << never << Today << -1;
    never.schedule = Event::ScheduleSingular;
    QTest::newRow("never ends, singular") << never << Today << -1;

    Event once;
    once.endMode = Event::EndAfterTimes;
    once.eventDate = Today.addDays(1);
    QTest::newRow("singular tomorrow") << once << Today << 1;
    once.eventDate = Today;
    QTest::newRow("singular today") << once << Today << 0;
    once.eventDate = Today.addDays(-30);
    QTest::newRow("singular past") << once << Today << 0;
    once.eventDate = QDate();
    QTest::newRow("singular without date") << once << Today << 0;

    QTest::newRow("any end mode but 0 ends") << [] {
        Event e = endingOn(weekly({6}), QDate(2026, 12, 19));
        e.endMode = 7;
        return e;
    }() << Today << 2;
    QTest::newRow("null end date") << endingOn(weekly({1}), QDate()) << Today << 0;
    QTest::newRow("weekly without weekdays stops") << endingOn(weekly({}), QDate(2030, 1, 1)) << Today << 0;
    Event unknown = endingOn(weekly({1}), QDate(2030, 1, 1));
    unknown.schedule = 9;
    QTest::newRow("unknown schedule stops") << unknown << Today << 0;
    QTest::newRow("monthly ordinal from a file going backwards stops")
        << endingOn(monthly(-40, true), QDate(2030, 1, 1)) << Today << 0;

    // Long spans: whole 400-year cycles are not walked but must count the same.
    QTest::newRow("all weekdays to 9999")
        << endingOn(weekly({1, 2, 3, 4, 5, 6, 7}), QDate(9999, 12, 31)) << Today
        << int(Today.daysTo(QDate(9999, 12, 31)));
    QTest::newRow("monthly day 31 to 9999, 12 a year")
        << endingOn(monthly(31, true), QDate(9999, 12, 31)) << QDate(2026, 12, 31)
        << 12 * (9999 - 2026);
    QTest::newRow("yearly 29 February to 2426")
        << endingOn(yearly(29, true, {}, false, {2}), QDate(2426, 12, 31)) << QDate(2026, 12, 31) << 400;
    QTest::newRow("huge end date saturates")
        << endingOn(weekly({1, 2, 3, 4, 5, 6, 7}), QDate::fromJulianDay(4294967295LL)) << Today << INT_MAX;
}

void tst_Occurrence::remainingOccurrences()
{
    QFETCH(Event, event);
    QFETCH(QDate, today);
    QFETCH(int, expected);
    QCOMPARE(::remainingOccurrences(event, today), expected);
}

void tst_Occurrence::remainingMatchesWalkOverManySchedules()
{
    // The cycle shortcut must agree with the plain walk for every kind of
    // schedule, wherever today and the end fall in the 400-year cycle.
    QRandomGenerator random(20261205);
    for (int i = 0; i < 400; ++i) {
        Event e = randomSchedule(random);
        e.endMode = Event::EndOnDate;
        const QDate today = QDate(1900, 1, 1).addDays(random.bounded(200 * 365));
        e.endDate = today.addDays(random.bounded(1300 * 365));
        const int walked = walkedCount(e, today);
        if (walked != ::remainingOccurrences(e, today)) {
            qWarning() << "schedule" << e.schedule << "ordinal" << e.ordinal << "byDay" << e.byDay
                       << "byYear" << e.byYear << "today" << today << "end" << e.endDate;
        }
        QCOMPARE(::remainingOccurrences(e, today), walked);
    }
}

void tst_Occurrence::remainingToTheLastDateTheEditorOffers()
{
    // The widest schedules, counted to the last date the editor offers: the
    // count skips whole cycles there, and must still land on every day.
    const QDate last(9999, 12, 31);
    const Event everyDay = endingOn(weekly({1, 2, 3, 4, 5, 6, 7}), last);
    QCOMPARE(::remainingOccurrences(everyDay, Today), int(Today.daysTo(last))); // today not counted
    const QList<Event> others = {
        endingOn(monthly(1, true, {1, 2, 3, 4, 5, 6, 7}), last),
        endingOn(yearly(1, true, {1, 2, 3, 4, 5, 6, 7}, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), last),
    };
    for (const Event &e : others)
        QVERIFY(::remainingOccurrences(e, Today) > 0);
}

void tst_Occurrence::walkStepsAndEnds_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QDate>("after");
    QTest::addColumn<QDate>("expected"); // null: the walk ends

    QTest::newRow("weekly Monday after Saturday") << weekly({1}) << Today << QDate(2026, 12, 7);
    QTest::newRow("weekly Monday after Monday") << weekly({1}) << QDate(2026, 12, 7) << QDate(2026, 12, 14);
    QTest::newRow("monthly day 31 after 9 April runs over") << monthly(31, true) << QDate(2026, 4, 9) << QDate(2026, 5, 1);
    QTest::newRow("yearly day 365 after 30 December 2028")
        << yearly(365, true, {}, true, {}) << QDate(2028, 12, 30) << QDate(2029, 12, 31);
    QTest::newRow("monthly with nothing selected: far, but later")
        << monthly(1, false) << Today << QDate(2026, 12, 6).addDays(32000);
    QTest::newRow("weekly without weekdays ends") << weekly({}) << Today << QDate();
    Event singular;
    singular.eventDate = QDate(2027, 1, 1);
    QTest::newRow("a singular bill has no walk") << singular << Today << QDate();
    Event unknown = weekly({1});
    unknown.schedule = 9;
    QTest::newRow("unknown schedule ends") << unknown << Today << QDate();
}

void tst_Occurrence::walkStepsAndEnds()
{
    QFETCH(Event, event);
    QFETCH(QDate, after);
    QFETCH(QDate, expected);
    DueDayWalk walk(event);
    QCOMPARE(dateOfDayNumber(walk.after(dayNumber(after))), expected);
    // Each step is the engine's next date after the last one.
    if (expected.isValid())
        QCOMPARE(expected, ::nextOccurrence(event, after.addDays(1)));
}

void tst_Occurrence::ordinalString_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");
    const QList<QPair<int, QString>> rows = {
        {1, "1st"}, {2, "2nd"}, {3, "3rd"}, {4, "4th"}, {11, "11th"}, {12, "12th"}, {13, "13th"},
        {21, "21st"}, {22, "22nd"}, {23, "23rd"}, {101, "101st"}, {111, "111th"}, {112, "112th"},
        {0, "0th"}, {365, "365th"}, {1013, "1013th"}};
    for (const auto &row : rows)
        QTest::newRow(qPrintable(row.second)) << row.first << row.second;
}

void tst_Occurrence::ordinalString()
{
    QFETCH(int, n);
    QFETCH(QString, expected);
    QCOMPARE(::ordinalString(n), expected);
}

QTEST_APPLESS_MAIN(tst_Occurrence)
#include "tst_occurrence.moc"
