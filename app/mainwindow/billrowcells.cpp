#include "billrowcells.h"

#include "billtext.h"
#include "event.h"
#include "longdatetexts.h"
#include "occurrence.h"
#include "paymenttexts.h"

#include <QFont>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace {

int daysAsInt(qint64 days)
{
    return int(std::clamp<qint64>(days, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QString overdueDaysText(qint64 days)
{
    return days == 1 ? QStringLiteral("1 day overdue") : QStringLiteral("%1 days overdue").arg(days);
}

QFont overdueFont()
{
    QFont font;
    font.setBold(true); // only the weight: the view's font gives the rest
    return font;
}

} // namespace

QColor BillRowCells::overdueColour()
{
    return QColor(176, 0, 0);
}

BillRowCells::BillRowCells(Event *record, const BillRow &line, int remaining)
    : m_record(record)
    , m_dueDate(line.dueDate)
{
    if (line.payment.isOverdue()) {
        // At least one day; the most a date can be overdue fits easily.
        const qint64 overdue = std::clamp<qint64>(line.payment.daysOverdue, 1, std::numeric_limits<int>::max() / 2);
        m_days = qint32(OverdueByOne + 1 - overdue);
    } else {
        m_days = line.daysLeft < 0 ? NoDays : daysAsInt(line.daysLeft);
    }
    if (line.payment.state == PaymentStatus::Finished)
        m_remaining = Finished;
    else
        m_remaining = remaining < 0 ? NoEnd : remaining;
}

QString BillRowCells::amountCellText() const
{
    const QLocale locale;
    // Only a bill with payments can be partly paid; the open part is of the
    // first owed date, which the row shows.
    if (!m_record->history.isEmpty() && m_record->payments.isTracking()) {
        const QString open = openAmountText(*m_record, paymentStatus(*m_record, m_dueDate), locale);
        if (!open.isEmpty())
            return open;
    }
    return amountText(*m_record, locale);
}

QVariant BillRowCells::shownValue(int column, LongDateTexts &dateTexts) const
{
    if (isNull())
        return QVariant();
    switch (column) {
    case DueDateColumn:
        return m_dueDate;
    case DaysColumn:
        if (isOverdue())
            return overdueDaysText(daysOverdue());
        return m_days >= 0 ? QVariant(m_days) : QVariant(QStringLiteral("N/A"));
    case AmountColumn:
        return m_record->amount.isNull() ? QVariant() : QVariant(amountCellText());
    case DetailsColumn:
        return billRowDetails(*m_record, m_remaining == Finished, m_remaining == Finished ? -1 : m_remaining,
                              dateTexts);
    default:
        return QVariant();
    }
}

// Days overdue count as days below zero, so the days column reads overdue
// bills (most overdue first), then the days to go, then "N/A". Amounts sort
// by currency, then by value: the code, then the minor units moved into
// unsigned range (so that order is the text's order) in 20 digits.
QVariant BillRowCells::sortKey(int column) const
{
    if (isNull())
        return QVariant();
    if (column == DaysColumn && isOverdue())
        return -daysOverdue();
    const Money amount = expectedAmount(*m_record);
    if (column == AmountColumn && !amount.isNull()) {
        const quint64 units = quint64(amount.minorUnits()) ^ (quint64(1) << 63);
        const QString digits = QString::number(units);
        QString key = amount.currency();
        key.resize(key.size() + 20 - digits.size(), QLatin1Char('0'));
        return key + digits;
    }
    return QVariant();
}

QVariant BillRowCells::sortValue(int column, LongDateTexts &dateTexts) const
{
    const QVariant key = sortKey(column);
    return key.isValid() ? key : shownValue(column, dateTexts);
}

QVariant BillRowCells::data(int column, int role, LongDateTexts &dateTexts) const
{
    if (isNull())
        return QVariant();
    if (column == DataColumn)
        return role == RecordRole ? QVariant::fromValue(static_cast<void *>(m_record)) : QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return shownValue(column, dateTexts);
    case SortKeyRole:
        return sortKey(column);
    case Qt::ForegroundRole:
        return isOverdue() ? QVariant(overdueColour()) : QVariant();
    case Qt::FontRole:
        return isOverdue() ? QVariant(overdueFont()) : QVariant();
    case Qt::ToolTipRole:
        return column == DueDateColumn ? QVariant(dueDateToolTip()) : QVariant();
    case Qt::TextAlignmentRole:
        if (column == AmountColumn && !m_record->amount.isNull())
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    default:
        return QVariant();
    }
}

QString BillRowCells::dueDateToolTip() const
{
    // Written only when asked for: a long list keeps no texts per row.
    QStringList lines;
    const QString schedule = businessDayText(*m_record);
    if (!schedule.isEmpty())
        lines << schedule;
    if (m_days >= 0 && m_record->schedule != Event::ScheduleSingular) {
        const DueDate due = nextDueDate(*m_record, m_dueDate);
        if (due.date == m_dueDate)
            lines << movedText(due, QLocale());
    }
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}
