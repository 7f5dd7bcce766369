// The editor's checks and the end date of a bill that repeats a number of
// times.
#include "billrules.h"
#include "event.h"
#include "occurrence.h"
#include "schedulebuilders.h"

#include <QTest>

Q_DECLARE_METATYPE(BillProblem)

namespace {

using namespace ScheduleBuilders;

// Saturday 5 December 2026.
const QDate Today(2026, 12, 5);

} // namespace

class tst_BillRules : public QObject
{
    Q_OBJECT

private slots:
    void checkBill_data();
    void checkBill();
    void endDateAfterTimes_data();
    void endDateAfterTimes();
    void nearestForwardOrdinal_data();
    void nearestForwardOrdinal();
};

void tst_BillRules::checkBill_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<BillProblem>("problem");
    QTest::addColumn<QString>("message");

    const QString noSchedule = QStringLiteral("Please select a reminder schedule.");
    const QString monthlyLimit = QStringLiteral("You cannot select a monthly repetition period greater than 5 week days.");

    Event nameless = monthly(6, false, {2}); // wrong in every other way too
    nameless.name.clear();
    QTest::newRow("no description wins") << nameless << BillProblem::NoDescription
                                         << QStringLiteral("Please enter a description of the bill.");
    Event singular;
    singular.name = QStringLiteral("Once");
    QTest::newRow("singular needs nothing") << singular << BillProblem::None << QString();
    Event unknown = singular;
    unknown.schedule = 9;
    QTest::newRow("unknown schedule passes") << unknown << BillProblem::None << QString();

    // weekly
    QTest::newRow("weekly without weekdays") << weekly({}) << BillProblem::NoSchedule << noSchedule;
    QTest::newRow("weekly Friday") << weekly({5}) << BillProblem::None << QString();

    // monthly
    QTest::newRow("monthly 6th Tuesday") << monthly(6, false, {2}) << BillProblem::MonthlyLimit << monthlyLimit;
    QTest::newRow("monthly 5th Tuesday") << monthly(5, false, {2}) << BillProblem::None << QString();
    QTest::newRow("monthly day 6") << monthly(6, true, {}) << BillProblem::None << QString();
    QTest::newRow("monthly day 31 and Monday") << monthly(31, true, {1}) << BillProblem::MonthlyLimit << monthlyLimit;
    QTest::newRow("monthly nothing") << monthly(3, false, {}) << BillProblem::NoSchedule << noSchedule;

    // yearly
    QTest::newRow("yearly 6th Monday of March")
        << yearly(6, false, {1}, false, {3}) << BillProblem::YearlyLimit
        << QStringLiteral("You cannot select a yearly repetition period greater than 5 weeks for a specific month.");
    QTest::newRow("yearly day 32 of March")
        << yearly(32, true, {}, false, {3}) << BillProblem::YearlyLimit
        << QStringLiteral("You cannot select a yearly repetition period greater than 31 days for a specific month.");
    QTest::newRow("yearly day 31 of March") << yearly(31, true, {}, false, {3}) << BillProblem::None << QString();
    QTest::newRow("yearly 53rd Monday of the year")
        << yearly(53, false, {1}, true, {}) << BillProblem::YearlyLimit
        << QStringLiteral("You cannot select a yearly repetition period greater than 52 weeks.");
    QTest::newRow("yearly 52nd Monday of the year") << yearly(52, false, {1}, true, {}) << BillProblem::None << QString();
    QTest::newRow("yearly day 300 of the year") << yearly(300, true, {}, true, {}) << BillProblem::None << QString();
    QTest::newRow("yearly 6th Monday of the year") << yearly(6, false, {1}, true, {}) << BillProblem::None << QString();
    QTest::newRow("yearly day without year or month") << yearly(3, true, {}, false, {}) << BillProblem::NoSchedule << noSchedule;
    QTest::newRow("yearly March without day or weekday") << yearly(3, false, {}, false, {3}) << BillProblem::NoSchedule << noSchedule;
    QTest::newRow("yearly day 40 and year, 6th Monday of the year")
        << yearly(40, true, {1}, true, {}) << BillProblem::None << QString();

    // Within every limit, yet never due: only a February of a leap year
    // that starts on a Tuesday has five Tuesdays.
    const QString neverDue = QStringLiteral("This schedule is never due: none of the months it repeats in from "
                                            "now to the year 9999 has that many of the chosen week days.");
    Event fifthLastTuesday = every(yearly(5, false, {2}, false, {2}), 2, QDate(1901, 1, 1));
    fifthLastTuesday.options.fromEnd = 5;
    QTest::newRow("5th last Tuesday of February every 2 years from 1901")
        << fifthLastTuesday << BillProblem::YearlyLimit << neverDue;
    fifthLastTuesday.options = {4, QDate(1904, 1, 1), 5};
    QTest::newRow("5th last Tuesday of February every 4 years from 1904 (2028, 2056, ...)")
        << fifthLastTuesday << BillProblem::None << QString();
    fifthLastTuesday.options = {31, QDate(2024, 1, 1), 5};
    QTest::newRow("5th last Tuesday of February every 31 years from 2024 (10084)")
        << fifthLastTuesday << BillProblem::YearlyLimit << neverDue;
    QTest::newRow("5th Friday every 24 months from February 1901")
        << every(monthly(5, false, {5}), 24, QDate(1901, 2, 1)) << BillProblem::MonthlyLimit << neverDue;
    QTest::newRow("5th Friday every 12 months from February 1901")
        << every(monthly(5, false, {5}), 12, QDate(1901, 2, 1)) << BillProblem::None << QString();
}

void tst_BillRules::checkBill()
{
    QFETCH(Event, event);
    QFETCH(BillProblem, problem);
    QFETCH(QString, message);
    const BillCheck check = ::checkBill(event, Today);
    QCOMPARE(check.problem, problem);
    QCOMPARE(check.message, message);
}

void tst_BillRules::endDateAfterTimes_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("times");
    QTest::addColumn<QDate>("endDate");

    QTest::newRow("weekly Monday, 3 times") << weekly({1}) << Today << 3 << QDate(2026, 12, 21);
    QTest::newRow("0 times ends today") << weekly({1}) << Today << 0 << Today;
    // A due date today is not one of the times.
    QTest::newRow("Saturday from a Saturday") << weekly({6}) << Today << 1 << QDate(2026, 12, 12);
    QTest::newRow("monthly day 31 runs over") << monthly(31, true, {}) << QDate(2026, 4, 10) << 2 << QDate(2026, 5, 31);
    QTest::newRow("yearly quarterly") << yearly(1, true, {}, false, {1, 4, 7, 10}) << Today << 4 << QDate(2027, 10, 1);
    // No later date at all: the count stops where it is.
    QTest::newRow("weekly without weekdays") << weekly({}) << Today << 3 << Today;
}

void tst_BillRules::endDateAfterTimes()
{
    QFETCH(Event, event);
    QFETCH(QDate, today);
    QFETCH(int, times);
    QFETCH(QDate, endDate);
    QCOMPARE(::endDateAfterTimes(event, today, times), endDate);
    // Stored with that end, the bill has exactly that many dates left.
    if (times > 0 && endDate != today) {
        event.endMode = Event::EndAfterTimes;
        event.endDate = endDate;
        QCOMPARE(remainingOccurrences(event, today), times);
    }
}

void tst_BillRules::nearestForwardOrdinal_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<int>("fromEnd");
    QTest::addColumn<int>("ordinal");

    QTest::newRow("last day of the month: the 31st") << monthly(1, true, {}) << 1 << 31;
    QTest::newRow("3rd last day: the 29th") << monthly(1, true, {}) << 3 << 29;
    QTest::newRow("last Friday: the 4th") << monthly(1, false, {5}) << 1 << 4;
    QTest::newRow("5th last Friday: the 1st") << monthly(1, false, {5}) << 5 << 1;
    QTest::newRow("day and weekday: the weekday's limit") << monthly(1, true, {1}) << 1 << 4;
    Event yearLast = monthly(1, true, {});
    yearLast.schedule = Event::ScheduleYearly;
    yearLast.byYear = true;
    QTest::newRow("last day of the year: the 365th") << yearLast << 1 << 365;
    Event yearWeekday = yearLast;
    yearWeekday.byDay = false;
    yearWeekday.weekdays[0] = true;
    QTest::newRow("last Monday of the year: the 52nd") << yearWeekday << 1 << 52;
    Event monthWeekday = yearWeekday;
    monthWeekday.months[4] = true;
    QTest::newRow("last Monday of May: the 4th") << monthWeekday << 1 << 4;
}

void tst_BillRules::nearestForwardOrdinal()
{
    QFETCH(Event, event);
    QFETCH(int, fromEnd);
    QFETCH(int, ordinal);
    QCOMPARE(::nearestForwardOrdinal(event, fromEnd), ordinal);
    // A program that knows only the record accepts it.
    Event plain = event;
    plain.name = QStringLiteral("Bill");
    plain.ordinal = ordinal;
    QCOMPARE(::checkBill(plain, Today).problem, BillProblem::None);
}

QTEST_APPLESS_MAIN(tst_BillRules)
#include "tst_billrules.moc"
