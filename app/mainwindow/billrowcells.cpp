#include "billrowcells.h"

#include "billmodel.h"

#include <QFont>
#include <QLocale>
#include <QStandardItem>

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

// Sets a role, or takes it away; an absent role is left absent.
void setRole(QStandardItem *cell, int role, const QVariant &value)
{
    if (value.isValid() || cell->data(role).isValid())
        cell->setData(value, role);
}

} // namespace

QColor BillRowCells::overdueColour()
{
    return QColor(176, 0, 0);
}

BillRowCells::BillRowCells(const BillRow &line, const Money &amount)
    : m_line(line)
    , m_amount(amount)
{
}

QVariant BillRowCells::shownValue(int column) const
{
    switch (column) {
    case DueDateColumn:
        return m_line.dueDate;
    case DaysColumn:
        if (m_line.payment.isOverdue())
            return overdueDaysText(m_line.payment.daysOverdue);
        return m_line.daysLeft >= 0 ? QVariant(daysAsInt(m_line.daysLeft)) : QVariant(QStringLiteral("N/A"));
    case AmountColumn:
        return m_amount.isNull() ? QVariant() : QVariant(m_amount.toString(QLocale()));
    default:
        return m_line.details;
    }
}

// Days overdue count as days below zero, so the days column reads overdue
// bills (most overdue first), then the days to go, then "N/A". Amounts sort
// by currency, then by value: the code, then the minor units moved into
// unsigned range (so that order is the text's order) in 20 digits.
QVariant BillRowCells::sortKey(int column) const
{
    if (column == DaysColumn && m_line.payment.isOverdue())
        return -daysAsInt(m_line.payment.daysOverdue);
    if (column == AmountColumn && !m_amount.isNull()) {
        const quint64 units = quint64(m_amount.minorUnits()) ^ (quint64(1) << 63);
        return m_amount.currency() + QStringLiteral("%1").arg(units, 20, 10, QLatin1Char('0'));
    }
    return QVariant();
}

QVariant BillRowCells::sortValue(int column) const
{
    const QVariant key = sortKey(column);
    return key.isValid() ? key : shownValue(column);
}

void BillRowCells::fillCell(QStandardItem *cell, int column) const
{
    setRole(cell, Qt::EditRole, shownValue(column));
    setRole(cell, BillModel::SortKeyRole, sortKey(column));
    const bool overdue = m_line.payment.isOverdue();
    setRole(cell, Qt::ForegroundRole, overdue ? QVariant(overdueColour()) : QVariant());
    setRole(cell, Qt::FontRole, overdue ? QVariant(overdueFont()) : QVariant());
    if (column == AmountColumn)
        setRole(cell, Qt::TextAlignmentRole,
                m_amount.isNull() ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter)));
}
