// The texts of the bill list and the details page.
#include "billtext.h"
#include "daynumber.h"
#include "event.h"
#include "holidayset.h"
#include "occurrence.h"
#include "schedulebuilders.h"

#include <QLocale>
#include <QTest>

namespace {

using namespace ScheduleBuilders;

// Saturday 5 December 2026.
const QDate Today(2026, 12, 5);

} // namespace

class tst_BillText : public QObject
{
    Q_OBJECT

private slots:
    void weekdayAndMonthTexts_data();
    void weekdayAndMonthTexts();
    void billRow_data();
    void billRow();
    void breakableText_data();
    void breakableText();
    void optionSentences();
    void businessDaysAndMoves_data();
    void businessDaysAndMoves();
};

void tst_BillText::weekdayAndMonthTexts_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QString>("weekdays");
    QTest::addColumn<QString>("months");
    QTest::addColumn<QString>("period");

    QTest::newRow("nothing") << weekly({}) << QString() << QString() << QString();
    QTest::newRow("Monday and Wednesday") << weekly({1, 3}) << QStringLiteral("Monday, Wedneday") << QString()
                                          << QStringLiteral("Monday, Wedneday");
    QTest::newRow("Wednesday alone") << weekly({3}) << QStringLiteral("Wednesday") << QString()
                                     << QStringLiteral("Wednesday");
    QTest::newRow("Tuesday to Sunday")
        << weekly({2, 3, 4, 5, 6, 7}) << QStringLiteral("Tuesday, Wedneday, Thursday, Friday, Saturday, Sunday")
        << QString() << QStringLiteral("Tuesday, Wedneday, Thursday, Friday, Saturday, Sunday");
    QTest::newRow("Day alone") << monthly(3, true, {}) << QString() << QString() << QStringLiteral("Day");
    QTest::newRow("Day and Tuesday") << monthly(3, true, {2}) << QStringLiteral("Tuesday") << QString()
                                     << QStringLiteral("Day, Tuesday");
    QTest::newRow("the Year and March") << yearly(1, true, {}, true, {3}) << QString()
                                        << QStringLiteral("the Year, March") << QStringLiteral("Day");
    QTest::newRow("quarter months") << yearly(1, true, {}, false, {1, 4, 7, 10}) << QString()
                                    << QStringLiteral("January, April, July, October") << QStringLiteral("Day");
    QTest::newRow("December alone") << yearly(1, true, {}, false, {12}) << QString()
                                    << QStringLiteral("December") << QStringLiteral("Day");
}

void tst_BillText::weekdayAndMonthTexts()
{
    QFETCH(Event, event);
    QFETCH(QString, weekdays);
    QFETCH(QString, months);
    QFETCH(QString, period);
    QCOMPARE(weekdayListText(event), weekdays);
    QCOMPARE(monthListText(event), months);
    QCOMPARE(periodText(event), period);
}

void tst_BillText::billRow_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QDate>("dueDate");
    QTest::addColumn<qint64>("daysLeft");
    QTest::addColumn<QString>("details");

    const auto longDate = [](QDate date) { return QLocale::system().toString(date, QLocale::LongFormat); };

    Event endless = weekly({6});
    endless.name = QStringLiteral("Milk");
    QTest::newRow("endless, due today") << endless << Today << qint64(0) << QStringLiteral("Milk");

    Event ended = weekly({1});
    ended.name = QStringLiteral("Gym");
    ended.endMode = Event::EndOnDate;
    ended.endDate = QDate(2026, 11, 30);
    QTest::newRow("ended until a date") << ended << QDate(2026, 11, 30) << qint64(-1)
                                        << QStringLiteral("Gym - Due 0 more times, ending on ") + longDate(ended.endDate);

    Event lastOne = weekly({1});
    lastOne.name = QStringLiteral("Loan");
    lastOne.endMode = Event::EndAfterTimes;
    lastOne.endDate = QDate(2026, 12, 7);
    QTest::newRow("one left") << lastOne << QDate(2026, 12, 7) << qint64(2)
                              << QStringLiteral("Loan - Due 1 more time, ending on ") + longDate(lastOne.endDate);

    Event twoLeft = lastOne;
    twoLeft.endDate = QDate(2026, 12, 14);
    QTest::newRow("two left") << twoLeft << QDate(2026, 12, 7) << qint64(2)
                              << QStringLiteral("Loan - Due 2 more times, ending on ") + longDate(twoLeft.endDate);

    // The end date looks at the scheduled Saturday, not the Monday it
    // moves to: the bill has not ended, and shows the Monday.
    Event moved = weekly({6});
    moved.name = QStringLiteral("Rates");
    moved.endMode = Event::EndOnDate;
    moved.endDate = Today; // Saturday 5 December 2026
    moved.options.weekends = ScheduleOptions::MondayAfter;
    QTest::newRow("last date moved past the end") << moved << QDate(2026, 12, 7) << qint64(2)
                                                  << QStringLiteral("Rates - Due 1 more time, ending on ") + longDate(Today);

    Event pastOnce;
    pastOnce.name = QStringLiteral("Fine");
    pastOnce.schedule = Event::ScheduleSingular;
    pastOnce.endMode = Event::EndAfterTimes;
    pastOnce.eventDate = pastOnce.endDate = QDate(2026, 10, 1);
    QTest::newRow("singular, passed") << pastOnce << QDate(2026, 10, 1) << qint64(-65)
                                      << QStringLiteral("Fine - Due 0 more times, ending on ") + longDate(pastOnce.endDate);

    Event noDays = weekly({});
    noDays.name = QStringLiteral("Broken");
    QTest::newRow("no next date") << noDays << QDate() << qint64(-Today.toJulianDay()) << QStringLiteral("Broken");
}

void tst_BillText::billRow()
{
    QFETCH(Event, event);
    QFETCH(QDate, dueDate);
    QFETCH(qint64, daysLeft);
    QFETCH(QString, details);
    const BillRow row = ::billRow(event, Today, remainingOccurrences(event, Today));
    QCOMPARE(row.dueDate, dueDate);
    QCOMPARE(row.daysLeft, daysLeft);
    QCOMPARE(row.details, details);
}

void tst_BillText::breakableText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // "|" marks a zero-width space

    QTest::newRow("short words stay") << QStringLiteral("Rent and water") << QStringLiteral("Rent and water");
    QTest::newRow("a run of exactly 6 stays") << QStringLiteral("abcdef gh") << QStringLiteral("abcdef gh");
    QTest::newRow("a long run breaks anywhere") << QStringLiteral("Tax abcdefg") << QStringLiteral("Tax a|b|c|d|e|f|g|");
    QTest::newRow("a hyphen ends a run") << QStringLiteral("abcd-efgh") << QStringLiteral("abcd-efgh");
    QTest::newRow("surrogate pairs stay whole")
        << QStringLiteral("x") + QString::fromUcs4(U"\U0001F4B0\U0001F4B0\U0001F4B0\U0001F4B0")
        << QStringLiteral("x|") + QString::fromUcs4(U"\U0001F4B0|\U0001F4B0|\U0001F4B0|\U0001F4B0|");
    QTest::newRow("empty") << QString() << QString();
}

void tst_BillText::breakableText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString shown = ::breakableText(text, 6);
    shown.replace(QChar(0x200B), QLatin1Char('|'));
    QCOMPARE(shown, expected);
}

void tst_BillText::optionSentences()
{
    Event e = monthly(31, true, {});
    QCOMPARE(countText(e), QStringLiteral("31st "));
    QVERIFY(everyText(e).isEmpty());
    QVERIFY(shortMonthsText(e).isEmpty());
    QVERIFY(weekendText(e).isEmpty());
    e.options.shortMonths = ScheduleOptions::LastDay;
    QCOMPARE(shortMonthsText(e), QStringLiteral("In months without that day, on the month's last day."));
    e.options.fromEnd = 1;
    QCOMPARE(countText(e), QStringLiteral("last "));
    QVERIFY(shortMonthsText(e).isEmpty()); // counted from the end, no month is too short
    e.options.fromEnd = 2;
    QCOMPARE(countText(e), QStringLiteral("2nd last "));
    e.options.every = 3;
    e.options.everyFrom = QDate(2027, 2, 14);
    QVERIFY(everyText(e).startsWith(QStringLiteral("Every 3 months, counting from ")));
    e.schedule = Event::ScheduleYearly;
    QCOMPARE(everyText(e), QStringLiteral("Every 3 years, counting from 2027."));
    e.schedule = Event::ScheduleWeekly;
    QCOMPARE(everyText(e), QStringLiteral("Every 3 weeks, counting from the week of ")
                               + longDateText(QDate(2027, 2, 8)) + QLatin1Char('.'));
    e.options.weekends = ScheduleOptions::FridayBefore;
    QCOMPARE(weekendText(e), QStringLiteral("Moved to the business day before when it falls on a weekend or holiday."));
    e.schedule = Event::ScheduleSingular;
    QVERIFY(weekendText(e).isEmpty());

    // The reminders, earliest first, said only for a bill with extra ones.
    e.notify = true;
    e.notifyDays = 0;
    QVERIFY(remindersText(e).isEmpty());
    ExtraReminder after;
    after.when = ExtraReminder::AfterUnpaid;
    after.days = 3;
    ExtraReminder before;
    before.days = 14;
    e.extraReminders = {after, before};
    QCOMPARE(remindersText(e), QStringLiteral("Reminders: 14 days before, on the day, 3 days after if unpaid."));
    e.notifyDays = 1;
    after.days = 1;
    e.extraReminders = {after};
    QCOMPARE(remindersText(e), QStringLiteral("Reminders: 1 day before, 1 day after if unpaid."));
    e.notify = false;
    QVERIFY(remindersText(e).isEmpty());
}

void tst_BillText::businessDaysAndMoves_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QString>("schedule"); // businessDayText
    QTest::addColumn<QDate>("movedFrom");  // null: not moved
    QTest::addColumn<QString>("why");

    const auto options = [](Event e, qint32 weekends, int businessDay = 0, int every = 1) {
        e.options.weekends = weekends;
        e.options.businessDay = businessDay;
        e.options.every = every;
        e.options.everyFrom = QDate(2027, 1, 1);
        return e;
    };
    constexpr qint32 After = ScheduleOptions::MondayAfter;
    QTest::newRow("a holiday by its name")
        << options(monthly(25, true), After) << QDate(2028, 12, 1) << QString() << QDate(2028, 12, 25)
        << "Christmas Day";
    QTest::newRow("a Saturday holiday: the weekend wins")
        << options(monthly(27, true), After) << QDate(2027, 3, 3) << QString() << QDate(2027, 3, 27) << "weekend";
    QTest::newRow("a name shown as typed")
        << options(monthly(1, true), After) << QDate(2027, 2, 2) << QString() << QDate(2027, 3, 1) << "<i>Mine</i>";
    QTest::newRow("not moved") << options(monthly(2, true), After) << QDate(2027, 3, 1) << QString() << QDate()
                               << QString();
    QTest::newRow("3rd business day") << options(monthly(1, true), 0, 3) << Today
                                      << "On the 3rd business day of every month." << QDate() << QString();
    QTest::newRow("last business day every 2 months")
        << options(monthly(1, true), After, -1, 2) << Today << "On the last business day of every 2 months."
        << QDate() << QString();
    QTest::newRow("2nd last business day") << options(monthly(1, true), 0, -2) << Today
                                           << "On the 2nd last business day of every month." << QDate() << QString();
    QTest::newRow("weekly: no business days") << options(weekly({1}), 0, 3) << Today << QString() << QDate()
                                               << QString();
}

void tst_BillText::businessDaysAndMoves()
{
    QFETCH(Event, event);
    QFETCH(QDate, from);
    QFETCH(QString, schedule);
    QFETCH(QDate, movedFrom);
    QFETCH(QString, why);
    HolidaySet::install(std::make_shared<const HolidaySet>(QList<HolidaySet::Holiday>{
        {dayNumber(QDate(2028, 12, 25)), QStringLiteral("Christmas Day")},
        {dayNumber(QDate(2027, 3, 27)), QStringLiteral("Saturday holiday")},
        {dayNumber(QDate(2027, 3, 1)), QStringLiteral("<i>Mine</i>")}}));
    const QLocale locale(QLocale::English, QLocale::UnitedKingdom);
    QCOMPARE(businessDayText(event), schedule);
    const QString moved = movedText(nextDueDate(event, from), locale);
    HolidaySet::install(nullptr);
    QCOMPARE(moved, movedFrom.isNull() ? QString()
                                       : QStringLiteral("Moved from %1: %2.").arg(longDateText(movedFrom, locale), why));
}

QTEST_APPLESS_MAIN(tst_BillText)
#include "tst_billtext.moc"
