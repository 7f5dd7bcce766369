#ifndef PAYVANE_MONTHSPAGE_H
#define PAYVANE_MONTHSPAGE_H

#include "event.h"
#include "monthsummary.h"

#include <QDate>
#include <QLocale>
#include <QWidget>

#include <vector>

class QCalendarWidget;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

// The "Months" page: what the bills come to in the twelve months before
// this one and the twelve from this one on (monthsummary.h), in one
// currency at a time, as a stacked bar chart (paid, open, not tracked: the
// bar is what fell due) and as a table beside it with the same sums; and a
// month calendar that marks the days on which bills fall due, listing the
// bills of the day picked.
class MonthsPage : public QWidget
{
    Q_OBJECT

public:
    explicit MonthsPage(QWidget *parent = nullptr);

    // Shows `bills` as of `today`. The page keeps copies: the list may
    // replace its records while the page is shown.
    void showBills(const EventList &bills, QDate today);

    // The sums behind the chart and the table, for tests and the
    // benchmark: what the chart's bars of `currency` add up to.
    [[nodiscard]] const MonthSummary &summary() const { return m_summary; }
    [[nodiscard]] QChart *chart() const;
    [[nodiscard]] QTableWidget *table() const { return m_table; }
    [[nodiscard]] QComboBox *currencyBox() const { return m_currency; }
    [[nodiscard]] QCalendarWidget *calendar() const { return m_calendar; }
    [[nodiscard]] QListWidget *dayList() const { return m_dayList; }

signals:
    // The page's "OK": back to the list.
    void done();

private:
    void showCurrency(const QString &currency);
    void fillChart(const QString &currency);
    void fillTable(const QString &currency);
    void markDueDays();
    void listBillsOn(QDate day);

    MonthSummary m_summary;
    std::vector<Event> m_bills;
    QDate m_today;
    QLocale m_locale;
    QComboBox *m_currency;
    QLabel *m_noAmounts;
    QChartView *m_chartView;
    QTableWidget *m_table;
    QCalendarWidget *m_calendar;
    QLabel *m_dayLabel;
    QListWidget *m_dayList;
    QPushButton *m_okButton;
};

#endif // PAYVANE_MONTHSPAGE_H
