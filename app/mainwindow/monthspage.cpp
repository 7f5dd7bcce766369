#include "monthspage.h"

#include "money.h"
#include "occurrence.h"

#include <QBarCategoryAxis>
#include <QFontMetrics>
#include <QBarSet>
#include <QCalendarWidget>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The columns of the table; the chart's sets are the last three.
enum Column { MonthColumn, DueColumn, PaidColumn, OpenColumn, NotTrackedColumn, ColumnCount };

// What the chart takes besides its bars: the amount axis and its margins.
constexpr int ChartOutsideBars = 120;

QString monthName(QDate month, const QLocale &locale)
{
    return locale.toString(month, QStringLiteral("MMM yyyy"));
}

double unitsOf(qint64 minorUnits, const QString &currency)
{
    return double(minorUnits) / std::pow(10.0, Money::decimalsOf(currency));
}

// The table's amounts go without the currency, which the page names once:
// narrow columns leave room for the calendar beside them.
QString amountText(qint64 minorUnits, const QString &currency, const QLocale &locale)
{
    return locale.toString(unitsOf(minorUnits, currency), 'f', Money::decimalsOf(currency));
}

} // namespace

MonthsPage::MonthsPage(QWidget *parent)
    : QWidget(parent)
    , m_currency(new QComboBox(this))
    , m_noAmounts(new QLabel(QStringLiteral("No bill has an amount."), this))
    , m_chartView(new QChartView(this))
    , m_table(new QTableWidget(0, ColumnCount, this))
    , m_calendar(new QCalendarWidget(this))
    , m_dayLabel(new QLabel(this))
    , m_dayList(new QListWidget(this))
    , m_okButton(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("monthsPage"));
    m_currency->setObjectName(QStringLiteral("monthsCurrencyComboBox"));
    m_currency->setAccessibleName(QStringLiteral("Currency"));
    m_chartView->setObjectName(QStringLiteral("monthsChartView"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumHeight(200);
    // The chart hides a month's label that is wider than its bar's room, so
    // the bars get at least a label's height (the labels stand upright); on
    // a narrow window the page scrolls rather than losing months.
    const int labelRoom = QFontMetrics(m_chartView->chart()->font()).height() + 4;
    m_chartView->setMinimumWidth(MonthSummary::MonthCount * labelRoom + ChartOutsideBars);
    // The table beside it says the same in words the keys can reach.
    m_chartView->setFocusPolicy(Qt::NoFocus);
    m_chartView->chart()->legend()->setAlignment(Qt::AlignBottom);
    m_table->setObjectName(QStringLiteral("monthsTableWidget"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Month"), QStringLiteral("Due"), QStringLiteral("Paid"), QStringLiteral("Open"),
         QStringLiteral("Not tracked")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table: the arrows go through its cells.
    m_table->setTabKeyNavigation(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_calendar->setObjectName(QStringLiteral("monthsCalendarWidget"));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    m_dayLabel->setObjectName(QStringLiteral("monthsDayLabel"));
    m_dayLabel->setTextFormat(Qt::PlainText);
    m_dayLabel->setWordWrap(true);
    m_dayList->setObjectName(QStringLiteral("monthsDayListWidget"));
    m_dayList->setAccessibleName(QStringLiteral("Bills due on the day"));
    // The list takes the height left beside the table, a few lines at least.
    m_dayList->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    m_dayList->setMinimumHeight(3 * m_dayList->fontMetrics().height());
    m_okButton->setObjectName(QStringLiteral("monthsOKButton"));

    auto *top = new QHBoxLayout;
    auto *currencyLabel = new QLabel(QStringLiteral("&Currency:"), this);
    currencyLabel->setBuddy(m_currency);
    top->addWidget(currencyLabel);
    top->addWidget(m_currency);
    top->addWidget(m_noAmounts);
    top->addStretch();

    // The day's column is as wide as the calendar; the table takes the rest.
    auto *dayColumn = new QWidget(this);
    dayColumn->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Ignored);
    auto *days = new QVBoxLayout(dayColumn);
    days->setContentsMargins(0, 0, 0, 0);
    days->addWidget(m_calendar);
    days->addWidget(m_dayLabel);
    days->addWidget(m_dayList);

    auto *lower = new QHBoxLayout;
    lower->addWidget(m_table, 1);
    lower->addWidget(dayColumn, 0);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);

    auto *page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addWidget(m_chartView, 1);
    page->addLayout(lower, 1);
    page->addLayout(buttons);

    connect(m_currency, &QComboBox::currentTextChanged, this, &MonthsPage::showCurrency);
    connect(m_calendar, &QCalendarWidget::selectionChanged, this,
            [this] { listBillsOn(m_calendar->selectedDate()); });
    connect(m_okButton, &QPushButton::clicked, this, &MonthsPage::done);
}

QChart *MonthsPage::chart() const
{
    return m_chartView->chart();
}

void MonthsPage::showBills(const EventList &bills, QDate today)
{
    m_bills.clear();
    m_bills.reserve(std::size_t(bills.size()));
    for (const Event *event : bills) {
        if (event)
            m_bills.push_back(*event);
    }
    m_today = today;
    m_locale = QLocale();
    m_summary = MonthSummary(bills, today);
    const QString shown = m_currency->currentText();
    const QStringList currencies = m_summary.currencies();
    {
        const QSignalBlocker blocker(m_currency);
        m_currency->clear();
        m_currency->addItems(currencies);
        // The locale's own currency first shown, else the one shown before.
        const QString preferred = currencies.contains(shown) ? shown : Money::defaultCurrency(m_locale);
        m_currency->setCurrentIndex(std::max(0, int(currencies.indexOf(preferred))));
    }
    m_currency->setEnabled(currencies.size() > 1);
    m_noAmounts->setVisible(currencies.isEmpty());
    showCurrency(m_currency->currentText());
    m_calendar->setDateRange(m_summary.firstDay(), m_summary.lastDay());
    markDueDays();
    m_calendar->setSelectedDate(today);
    listBillsOn(today);
}

void MonthsPage::showCurrency(const QString &currency)
{
    fillChart(currency);
    fillTable(currency);
}

void MonthsPage::fillChart(const QString &currency)
{
    QChart *chart = m_chartView->chart();
    chart->removeAllSeries();
    // The chart gives up a removed axis without deleting it.
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    chart->setTitle(currency.isEmpty() ? QString() : QStringLiteral("Due per month (%1)").arg(currency));
    if (currency.isEmpty())
        return;
    auto *paid = new QBarSet(QStringLiteral("Paid"));
    auto *open = new QBarSet(QStringLiteral("Open"));
    auto *notTracked = new QBarSet(QStringLiteral("Not tracked"));
    QStringList months;
    double highest = 0;
    for (int i = 0; i < MonthSummary::MonthCount; ++i) {
        const MonthSummary::Sums sums = m_summary.sums(currency, i);
        const bool shown = !sums.overflowed;
        *paid << (shown ? unitsOf(sums.paid, currency) : 0);
        *open << (shown ? unitsOf(sums.open, currency) : 0);
        *notTracked << (shown ? unitsOf(sums.notTracked, currency) : 0);
        highest = std::max(highest, shown ? unitsOf(sums.due, currency) : 0);
        months << m_locale.toString(m_summary.month(i), QStringLiteral("MMM yy"));
    }
    auto *series = new QStackedBarSeries;
    series->append({paid, open, notTracked});
    chart->addSeries(series);
    auto *monthAxis = new QBarCategoryAxis;
    monthAxis->append(months);
    monthAxis->setLabelsAngle(-90);
    // Rotated, a month's name needs the height, not the bar's width.
    monthAxis->setTruncateLabels(false);
    chart->addAxis(monthAxis, Qt::AlignBottom);
    series->attachAxis(monthAxis);
    auto *amountAxis = new QValueAxis;
    amountAxis->setRange(0, highest > 0 ? highest : 1);
    amountAxis->applyNiceNumbers();
    chart->addAxis(amountAxis, Qt::AlignLeft);
    series->attachAxis(amountAxis);
}

void MonthsPage::fillTable(const QString &currency)
{
    m_table->setRowCount(currency.isEmpty() ? 0 : MonthSummary::MonthCount);
    if (currency.isEmpty())
        return;
    for (int i = 0; i < MonthSummary::MonthCount; ++i) {
        const MonthSummary::Sums sums = m_summary.sums(currency, i);
        const auto cell = [this, i](int column, const QString &text) {
            auto *item = new QTableWidgetItem(text);
            if (column != MonthColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(i, column, item);
        };
        cell(MonthColumn, monthName(m_summary.month(i), m_locale));
        const auto amount = [&](qint64 units) {
            return sums.overflowed ? QStringLiteral("too large") : amountText(units, currency, m_locale);
        };
        cell(DueColumn, amount(sums.due));
        cell(PaidColumn, amount(sums.paid));
        cell(OpenColumn, amount(sums.open));
        cell(NotTrackedColumn, amount(sums.notTracked));
    }
    // Once for the whole table: a header that fits each cell as it is set
    // would measure the column again for every cell.
    m_table->resizeColumnsToContents();
    m_table->selectRow(MonthSummary::MonthsBefore);
}

void MonthsPage::markDueDays()
{
    m_calendar->setDateTextFormat(QDate(), QTextCharFormat());
    QTextCharFormat due;
    due.setFontWeight(QFont::Bold);
    due.setForeground(palette().color(QPalette::Highlight));
    for (QDate day = m_summary.firstDay(); day <= m_summary.lastDay(); day = day.addDays(1)) {
        if (m_summary.dueDatesOn(day) > 0)
            m_calendar->setDateTextFormat(day, due);
    }
}

void MonthsPage::listBillsOn(QDate day)
{
    m_dayList->clear();
    for (const Event &event : m_bills) {
        const DueDate due = nextDueDate(event, day);
        if (due.date == day && !due.endsAfter(event))
            m_dayList->addItem(event.name);
    }
    const QString date = m_locale.toString(day, QLocale::LongFormat);
    m_dayLabel->setText(m_dayList->count() == 0 ? QStringLiteral("Nothing is due on %1.").arg(date)
                                                 : QStringLiteral("Due on %1:").arg(date));
}
