// The months page's sums: what fell due per month and currency, split into
// paid, open and not tracked, and the due dates per day.
#include "monthsummary.h"

#include <QtTest>

namespace {

// Monday 15 March 2027: the months run from March 2026 to February 2028.
const QDate Today(2027, 3, 15);
constexpr int March2027 = MonthSummary::MonthsBefore;

Event *monthly(int day, qint64 minorUnits)
{
    auto *e = new Event;
    e->name = QStringLiteral("Bill");
    e->schedule = Event::ScheduleMonthly;
    e->byDay = true;
    e->ordinal = day;
    e->amount = Money(minorUnits, QStringLiteral("EUR"));
    return e;
}

// Each row's one bill.
Event *rowBill(const QString &kind)
{
    if (kind == QLatin1String("tracked")) {
        // Tracked since December, paid through February.
        Event *e = monthly(1, 10000);
        e->payments.trackedSince = QDate(2026, 12, 1);
        e->payments.paidThrough = QDate(2027, 2, 1);
        return e;
    }
    if (kind == QLatin1String("part paid")) {
        Event *e = rowBill(QStringLiteral("tracked"));
        e->history = {PaymentRecord{QDate(2027, 3, 1), QDate(2027, 3, 2), Money(4000, QStringLiteral("EUR")), {}}};
        return e;
    }
    if (kind == QLatin1String("weekly")) {
        Event *e = monthly(1, 500);
        e->schedule = Event::ScheduleWeekly;
        e->weekdays[0] = true; // Mondays
        return e;
    }
    if (kind == QLatin1String("moved")) {
        Event *e = monthly(6, 2000); // Saturday 6 March 2027 moves to Monday 8
        e->options.weekends = ScheduleOptions::MondayAfter;
        return e;
    }
    if (kind == QLatin1String("ended")) {
        Event *e = monthly(20, 700);
        e->endMode = Event::EndOnDate;
        e->endDate = QDate(2027, 3, 20);
        return e;
    }
    Event *e = monthly(1, 0); // a singular bill on its date
    e->schedule = Event::ScheduleSingular;
    e->eventDate = e->endDate = QDate(2027, 4, 9);
    e->endMode = Event::EndAfterTimes;
    e->amount = Money(4200, QStringLiteral("EUR"));
    return e;
}

} // namespace

class tst_MonthSummary : public QObject
{
    Q_OBJECT

private slots:
    void sums_data();
    void sums();
    void overflowSaysSo();
};

void tst_MonthSummary::sums_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("month");
    QTest::addColumn<QList<qint64>>("expected"); // due, paid, open, not tracked, due dates
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("dueDatesOnDay");

    const auto row = [](const char *name, const char *kind, int month, QList<qint64> expected, QDate day, int onDay) {
        QTest::newRow(name) << QString::fromLatin1(kind) << month << expected << day << onDay;
    };
    row("tracked: paid month", "tracked", March2027 - 1, {10000, 10000, 0, 0, 1}, QDate(2027, 2, 1), 1);
    row("tracked: open month", "tracked", March2027, {10000, 0, 10000, 0, 1}, QDate(2027, 3, 2), 0);
    row("tracked: a part paid", "part paid", March2027, {10000, 4000, 6000, 0, 1}, QDate(2027, 3, 1), 1);
    row("tracked: before tracking", "tracked", March2027 - 4, {10000, 0, 0, 10000, 1}, QDate(2026, 11, 1), 1);
    row("tracked: last month shown", "tracked", MonthSummary::MonthCount - 1, {10000, 0, 10000, 0, 1},
        QDate(2028, 2, 1), 1);
    row("weekly: five Mondays", "weekly", March2027, {2500, 0, 0, 2500, 5}, QDate(2027, 3, 29), 1);
    row("weekend move: counts on the Monday", "moved", March2027, {2000, 0, 0, 2000, 1}, QDate(2027, 3, 8), 1);
    row("weekend move: not on the Saturday", "moved", March2027, {2000, 0, 0, 2000, 1}, QDate(2027, 3, 6), 0);
    row("ended: its last month", "ended", March2027, {700, 0, 0, 700, 1}, QDate(2027, 3, 20), 1);
    row("ended: nothing after", "ended", March2027 + 1, {0, 0, 0, 0, 0}, QDate(2027, 4, 20), 0);
    row("singular: its month", "once", March2027 + 1, {4200, 0, 0, 4200, 1}, QDate(2027, 4, 9), 1);
    row("outside the months", "weekly", MonthSummary::MonthCount, {0, 0, 0, 0, 0}, QDate(2028, 3, 6), 0);
}

void tst_MonthSummary::sums()
{
    QFETCH(QString, kind);
    QFETCH(int, month);
    QFETCH(QList<qint64>, expected);
    QFETCH(QDate, day);
    QFETCH(int, dueDatesOnDay);

    const std::unique_ptr<Event> bill(rowBill(kind));
    const MonthSummary summary(EventList{bill.get()}, Today);
    QCOMPARE(summary.month(March2027), QDate(2027, 3, 1));
    const MonthSummary::Sums sums = summary.sums(QStringLiteral("EUR"), month);
    QCOMPARE((QList<qint64>{sums.due, sums.paid, sums.open, sums.notTracked, sums.dueDates}), expected);
    QCOMPARE(summary.dueDatesOn(day), dueDatesOnDay);
}

void tst_MonthSummary::overflowSaysSo()
{
    const std::unique_ptr<Event> a(monthly(1, std::numeric_limits<qint64>::max()));
    const std::unique_ptr<Event> b(monthly(2, 1));
    const MonthSummary summary(EventList{a.get(), b.get()}, Today);
    QVERIFY(summary.sums(QStringLiteral("EUR"), March2027).overflowed);
    QCOMPARE(summary.currencies(), QStringList{QStringLiteral("EUR")});
}

QTEST_GUILESS_MAIN(tst_MonthSummary)
#include "tst_monthsummary.moc"
