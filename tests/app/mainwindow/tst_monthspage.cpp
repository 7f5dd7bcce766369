// The months page: the chart's bars add up to the table's sums in every
// month and currency, and the calendar lists the bills of the day picked.
#include "monthspage.h"

#include <QBarSet>
#include <QCalendarWidget>
#include <QChart>
#include <QComboBox>
#include <QListWidget>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QtTest>

#include <cmath>

namespace {

const QDate Today(2027, 3, 15);

Event *bill(const QString &name, int day, qint64 minorUnits, const QString &currency)
{
    auto *e = new Event;
    e->name = name;
    e->schedule = Event::ScheduleMonthly;
    e->byDay = true;
    e->ordinal = day;
    e->amount = Money(minorUnits, currency);
    return e;
}

} // namespace

class tst_MonthsPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { qDeleteAll(m_bills); m_bills.clear(); }
    void chartAddsUpToTable_data();
    void chartAddsUpToTable();
    void dayListsItsBills();

private:
    EventList m_bills;
};

void tst_MonthsPage::chartAddsUpToTable_data()
{
    QTest::addColumn<QString>("currency");
    QTest::newRow("euros") << QStringLiteral("EUR");
    QTest::newRow("yen") << QStringLiteral("JPY");
}

void tst_MonthsPage::chartAddsUpToTable()
{
    QFETCH(QString, currency);
    Event *rent = bill(QStringLiteral("Rent"), 1, 125050, QStringLiteral("EUR"));
    rent->payments.trackedSince = QDate(2026, 12, 1);
    rent->payments.paidThrough = QDate(2027, 2, 1);
    m_bills << rent << bill(QStringLiteral("Phone"), 20, 3999, QStringLiteral("EUR"))
            << bill(QStringLiteral("Tax"), 5, 90000, QStringLiteral("JPY"));

    MonthsPage page;
    page.showBills(m_bills, Today);
    QCOMPARE(page.currencyBox()->count(), 2);
    page.currencyBox()->setCurrentText(currency);

    const auto *series = qobject_cast<QStackedBarSeries *>(page.chart()->series().value(0));
    QVERIFY(series);
    const QList<QBarSet *> sets = series->barSets();
    QCOMPARE(sets.size(), 3);
    QCOMPARE(page.table()->rowCount(), MonthSummary::MonthCount);
    const double scale = std::pow(10.0, Money::decimalsOf(currency));
    for (int month = 0; month < MonthSummary::MonthCount; ++month) {
        double bar = 0;
        for (const QBarSet *set : sets)
            bar += set->at(month);
        const qint64 due = page.summary().sums(currency, month).due;
        QCOMPARE(qint64(std::llround(bar * scale)), due);
        QCOMPARE(page.table()->item(month, 1)->text(),
                 QLocale::c().toString(double(due) / scale, 'f', Money::decimalsOf(currency)));
    }
    // Paid and open are told apart where the rent was paid.
    if (currency == QLatin1String("EUR")) {
        QCOMPARE(sets.at(0)->at(MonthSummary::MonthsBefore - 1), 1250.50);
        QCOMPARE(sets.at(1)->at(MonthSummary::MonthsBefore), 1250.50);
    }
}

void tst_MonthsPage::dayListsItsBills()
{
    m_bills << bill(QStringLiteral("<b>Rent</b>"), 1, 100, QStringLiteral("EUR"))
            << bill(QStringLiteral("Phone"), 1, 100, QStringLiteral("EUR"))
            << bill(QStringLiteral("Water"), 2, 100, QStringLiteral("EUR"));
    MonthsPage page;
    page.showBills(m_bills, Today);
    QVERIFY(page.calendar()->dateTextFormat(QDate(2027, 4, 1)).fontWeight() == QFont::Bold);
    QVERIFY(page.calendar()->dateTextFormat(QDate(2027, 4, 3)).fontWeight() != QFont::Bold);
    page.calendar()->setSelectedDate(QDate(2027, 4, 1));
    QStringList names;
    for (int i = 0; i < page.dayList()->count(); ++i)
        names << page.dayList()->item(i)->text();
    QCOMPARE(names, (QStringList{QStringLiteral("<b>Rent</b>"), QStringLiteral("Phone")}));
    page.calendar()->setSelectedDate(QDate(2027, 4, 3));
    QCOMPARE(page.dayList()->count(), 0);
}

QTEST_MAIN(tst_MonthsPage)
#include "tst_monthspage.moc"
