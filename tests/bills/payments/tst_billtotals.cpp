// The totals under the list: what falls due in the next 30 days and what is
// overdue, per currency, written in two locales; sums that overflow say so.
#include "billtotals.h"
#include "paymentstatus.h"

#include <QtTest>

#include <limits>

namespace {

// Saturday 5 December 2026; the window reaches Monday 4 January 2027.
const QDate Today(2026, 12, 5);

Event *monthly(const QString &name, int day, qint64 minorUnits = 0, const QString &currency = QString())
{
    auto *e = new Event;
    e->name = name;
    e->schedule = Event::ScheduleMonthly;
    e->byDay = true;
    e->ordinal = day;
    e->amount = Money(minorUnits, currency);
    return e;
}

Event *weekly(const QString &name, int weekday, qint64 minorUnits, const QString &currency)
{
    Event *e = monthly(name, 1, minorUnits, currency);
    e->schedule = Event::ScheduleWeekly;
    e->weekdays[std::size_t(weekday - 1)] = true;
    return e;
}

Event *once(const QString &name, QDate date, qint64 minorUnits, const QString &currency)
{
    Event *e = monthly(name, 1, minorUnits, currency);
    e->schedule = Event::ScheduleSingular;
    e->eventDate = date;
    e->endMode = Event::EndAfterTimes;
    e->endDate = date;
    return e;
}

BillTotals::Total total(const QString &currency, int bills, int dueDates, qint64 minorUnits)
{
    BillTotals::Total t;
    t.currency = currency;
    t.bills = bills;
    t.dueDates = dueDates;
    t.sum = Money(minorUnits, currency);
    return t;
}

// Bills of three currencies and one without an amount.
EventList mixedBills()
{
    EventList bills;
    bills << monthly(QStringLiteral("Rent"), 15, 125000, QStringLiteral("USD"));
    bills << monthly(QStringLiteral("Phone"), 20, 3999, QStringLiteral("EUR"));
    // Mondays 7, 14, 21 and 28 December and 4 January.
    bills << weekly(QStringLiteral("Cleaner"), 1, 5000, QStringLiteral("USD"));
    Event *insurance = monthly(QStringLiteral("Insurance"), 1, 90000, QStringLiteral("JPY"));
    insurance->schedule = Event::ScheduleYearly;
    insurance->months[2] = true;
    bills << insurance;
    bills << monthly(QStringLiteral("Water"), 10);
    // Unpaid on 1 November and 1 December; 1 January is due soon.
    Event *internet = monthly(QStringLiteral("Internet"), 1, 6000, QStringLiteral("USD"));
    internet->payments.trackedSince = QDate(2026, 10, 15);
    bills << internet;
    // Paid early: its next date, 10 January, is outside the window.
    Event *gym = monthly(QStringLiteral("Gym"), 10, 2500, QStringLiteral("EUR"));
    gym->payments.trackedSince = QDate(2026, 12, 1);
    gym->payments.paidThrough = QDate(2026, 12, 10);
    bills << gym;
    // Finished: its last date is paid.
    Event *loan = monthly(QStringLiteral("Loan"), 3, 10000, QStringLiteral("USD"));
    loan->endMode = Event::EndOnDate;
    loan->endDate = QDate(2026, 12, 3);
    loan->payments.trackedSince = QDate(2026, 11, 1);
    loan->payments.paidThrough = QDate(2026, 12, 3);
    bills << loan;
    bills << once(QStringLiteral("Deposit"), QDate(2026, 12, 24), 12345, QStringLiteral("KWD"));
    return bills;
}

} // namespace

class tst_BillTotals : public QObject
{
    Q_OBJECT

private slots:
    void acrossCurrencies();
    void texts_data();
    void texts();
    void window_data();
    void window();
    void overflowSaysSo();
    void varyingAmountIsEstimated_data();
    void varyingAmountIsEstimated();
    void nothingToShow();
};

void tst_BillTotals::acrossCurrencies()
{
    const EventList bills = mixedBills();
    const BillTotals totals(bills, Today);
    const BillTotals::Total noAmount = [] {
        BillTotals::Total t;
        t.bills = 1;
        t.dueDates = 1;
        return t;
    }();
    QCOMPARE(totals.dueSoon(), (QList<BillTotals::Total>{total("EUR", 1, 1, 3999), total("KWD", 1, 1, 12345),
                                                         total("USD", 3, 7, 125000 + 5 * 5000 + 6000), noAmount}));
    QCOMPARE(totals.overdue(), QList<BillTotals::Total>{total("USD", 1, 2, 12000)});
    QVERIFY(BillTotals::anyAmount(bills));
    qDeleteAll(bills);
}

void tst_BillTotals::texts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("dueSoon");
    QTest::addColumn<QString>("overdue");

    const QString nbsp(QChar(0x00A0));
    const QString euro = QString::fromUtf8("\u20ac");
    QTest::newRow("en_US") << "en_US"
                           << "Due in the next 30 days: $1,560.00 (3 bills), EUR" + nbsp + "39.99 (1 bill), KWD"
                                  + nbsp + "12.345 (1 bill), 1 bill without an amount."
                           << "Overdue: $120.00 (1 bill).";
    QTest::newRow("de_DE") << "de_DE"
                           << "Due in the next 30 days: 39,99" + nbsp + euro + " (1 bill), 12,345" + nbsp
                                  + "KWD (1 bill), 1.560,00" + nbsp + "USD (3 bills), 1 bill without an amount."
                           << "Overdue: 120,00" + nbsp + "USD (1 bill).";
}

void tst_BillTotals::texts()
{
    QFETCH(QString, locale);
    QFETCH(QString, dueSoon);
    QFETCH(QString, overdue);
    const EventList bills = mixedBills();
    const BillTotals totals(bills, Today);
    QCOMPARE(totals.dueSoonText(QLocale(locale)), dueSoon);
    QCOMPARE(totals.overdueText(QLocale(locale)), overdue);
    qDeleteAll(bills);
}

void tst_BillTotals::window_data()
{
    QTest::addColumn<int>("daysAhead");
    QTest::addColumn<bool>("counted");
    QTest::newRow("today") << 0 << true;
    QTest::newRow("in 30 days") << 30 << true;
    QTest::newRow("in 31 days") << 31 << false;
    QTest::newRow("yesterday") << -1 << false;
}

void tst_BillTotals::window()
{
    QFETCH(int, daysAhead);
    QFETCH(bool, counted);
    EventList bills{once(QStringLiteral("Fee"), Today.addDays(daysAhead), 100, QStringLiteral("USD"))};
    const BillTotals totals(bills, Today);
    QCOMPARE(totals.dueSoon().size(), counted ? 1 : 0);
    // A bill that does not track payments is never overdue.
    QVERIFY(totals.overdue().isEmpty());
    qDeleteAll(bills);
}

void tst_BillTotals::varyingAmountIsEstimated_data()
{
    QTest::addColumn<QList<qint64>>("paid"); // EUR payments, oldest first; 0: one in USD
    QTest::addColumn<qint64>("estimate");
    QTest::addColumn<QString>("sum");         // en_US, after "EUR"
    QTest::addColumn<QString>("estimated");

    QTest::newRow("nothing paid yet: the amount") << QList<qint64>{} << qint64(9000) << "590.00" << "90.00";
    QTest::newRow("one payment") << QList<qint64>{8420} << qint64(8420) << "584.20" << "84.20";
    QTest::newRow("the last three of four")
        << QList<qint64>{10000, 8000, 9000, 7000} << qint64(8000) << "580.00" << "80.00";
    QTest::newRow("rounded to the cent") << QList<qint64>{8000, 8001, 8001} << qint64(8001) << "580.01" << "80.01";
    QTest::newRow("another currency does not count")
        << QList<qint64>{8000, 6000, 0} << qint64(7000) << "570.00" << "70.00";
}

void tst_BillTotals::varyingAmountIsEstimated()
{
    QFETCH(QList<qint64>, paid);
    QFETCH(qint64, estimate);
    QFETCH(QString, sum);
    QFETCH(QString, estimated);
    const QString euro = QStringLiteral("EUR");
    // Due on 20 December, within the window, beside a fixed bill.
    Event *phone = monthly(QStringLiteral("Phone"), 20, 9000, euro);
    phone->amountVaries = true;
    for (const qint64 units : std::as_const(paid))
        phone->history.append({QDate(2026, 11, 20), QDate(2026, 11, 19),
                               units ? Money(units, euro) : Money(5000, QStringLiteral("USD")), QString()});
    const EventList bills{phone, monthly(QStringLiteral("Rent"), 15, 50000, euro)};
    QCOMPARE(expectedAmount(*phone), Money(estimate, euro));
    const BillTotals totals(bills, Today);
    BillTotals::Total expected = total(euro, 2, 2, 50000 + estimate);
    expected.estimated = Money(estimate, euro);
    QCOMPARE(totals.dueSoon(), QList<BillTotals::Total>{expected});
    const QString nbsp(QChar(0x00A0));
    QCOMPARE(totals.dueSoonText(QLocale(QStringLiteral("en_US"))),
             "Due in the next 30 days: EUR" + nbsp + sum + " (2 bills, EUR" + nbsp + estimated + " of it estimated).");
    qDeleteAll(bills);
}

void tst_BillTotals::overflowSaysSo()
{
    const qint64 half = std::numeric_limits<qint64>::max() / 2 + 1;
    EventList bills{monthly(QStringLiteral("A"), 15, half, QStringLiteral("USD")),
                    monthly(QStringLiteral("B"), 16, half, QStringLiteral("USD")),
                    monthly(QStringLiteral("C"), 17, 100, QStringLiteral("EUR"))};
    const BillTotals totals(bills, Today);
    QCOMPARE(totals.dueSoon().size(), 2);
    const BillTotals::Total dollars = totals.dueSoon().last();
    QCOMPARE(dollars.currency, QStringLiteral("USD"));
    QVERIFY(dollars.overflowed);
    QVERIFY(dollars.sum.isNull());
    QCOMPARE(dollars.bills, 2);
    // The other currency is unaffected.
    QCOMPARE(totals.dueSoon().first().sum, Money(100, QStringLiteral("EUR")));
    QCOMPARE(totals.dueSoonText(QLocale(QStringLiteral("en_US"))),
             QStringLiteral("Due in the next 30 days: USD too large to add up (2 bills), EUR\u00a01.00 (1 bill)."));
    qDeleteAll(bills);
}

void tst_BillTotals::nothingToShow()
{
    EventList bills{monthly(QStringLiteral("Far"), 1)};
    bills.first()->schedule = Event::ScheduleYearly;
    bills.first()->months[5] = true;
    const BillTotals totals(bills, Today);
    QCOMPARE(totals.dueSoonText(QLocale(QStringLiteral("en_US"))),
             QStringLiteral("Nothing is due in the next 30 days."));
    QCOMPARE(totals.overdueText(QLocale(QStringLiteral("en_US"))), QStringLiteral("Nothing is overdue."));
    QVERIFY(!BillTotals::anyAmount(bills));
    qDeleteAll(bills);
}

QTEST_GUILESS_MAIN(tst_BillTotals)
#include "tst_billtotals.moc"
