#include "billmodel.h"

#include <QDate>
#include <QHash>
#include <QSignalBlocker>

#include <algorithm>
#include <numeric>

BillModel::BillModel(QObject *parent)
    : QStandardItemModel(0, ColumnCount, parent)
{
    // Connected before any view, so the cells are in place when a view
    // hears of the change.
    connect(this, &QAbstractItemModel::rowsInserted, this, &BillModel::cellRowsInserted);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &BillModel::cellRowsRemoved);
    connect(this, &QAbstractItemModel::modelReset, this, &BillModel::cellRowsReset);
}

void BillModel::cellRowsInserted(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    const int count = last - first + 1;
    m_rows.reserve(m_rows.size() + count); // a long list fills its rows at once: no room to spare
    if (m_insertedCells.size() == count) {
        m_rows.insert(first, count, BillRowCells());
        std::copy(m_insertedCells.cbegin(), m_insertedCells.cend(), m_rows.begin() + first);
    } else {
        m_rows.insert(first, count, BillRowCells());
    }
}

void BillModel::cellRowsRemoved(const QModelIndex &parent, int first, int last)
{
    if (!parent.isValid())
        m_rows.remove(first, last - first + 1);
}

void BillModel::cellRowsReset()
{
    m_rows = QList<BillRowCells>(rowCount());
}

bool BillModel::showsCells(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() < m_rows.size() && !index.parent().isValid()
           && !m_rows.at(index.row()).isNull() && !item(index.row(), index.column());
}

QVariant BillModel::data(const QModelIndex &index, int role) const
{
    if (showsCells(index))
        return m_rows.at(index.row()).data(index.column(), role, m_dateTexts);
    return QStandardItemModel::data(index, role);
}

QMap<int, QVariant> BillModel::itemData(const QModelIndex &index) const
{
    if (!showsCells(index))
        return QStandardItemModel::itemData(index);
    QMap<int, QVariant> roles;
    for (int role : {int(Qt::DisplayRole), int(Qt::EditRole), int(Qt::FontRole), int(Qt::TextAlignmentRole),
                     int(Qt::ForegroundRole), RecordRole, SortKeyRole}) {
        const QVariant value = data(index, role);
        if (value.isValid())
            roles.insert(role, value);
    }
    return roles;
}

const BillRowCells &BillModel::rowCells(int row) const
{
    static const BillRowCells none;
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : none;
}

void *BillModel::rowRecord(int row) const
{
    if (const QStandardItem *cell = item(row, BillRowCells::DataColumn))
        return cell->data(RecordRole).value<void *>();
    return rowCells(row).record();
}

void BillModel::setRowCells(int row, const BillRowCells &cells)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row] = cells;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void BillModel::appendRows(const QList<BillRowCells> &rows)
{
    insertCellRows(rowCount(), rows);
}

void BillModel::insertRowsAtTop(const QList<BillRowCells> &rows)
{
    insertCellRows(0, rows);
}

void BillModel::insertCellRows(int row, const QList<BillRowCells> &rows)
{
    if (rows.isEmpty())
        return;
    // Rows without items; the cells are in place before any view hears of
    // the rows.
    m_insertedCells = rows;
    QStandardItemModel::insertRows(row, int(rows.size()));
    m_insertedCells.clear();
}

BillModel::RowData BillModel::rowData(int row) const
{
    RowData data;
    for (int column = 0; column < ColumnCount; ++column) {
        if (item(row, column)) {
            data.present[std::size_t(column)] = true;
            data.roles[std::size_t(column)] = QStandardItemModel::itemData(index(row, column));
        }
    }
    return data;
}

bool BillModel::RowData::isEmpty() const
{
    return std::none_of(present.cbegin(), present.cend(), [](bool p) { return p; });
}

void BillModel::setRowData(int row, const RowData &data, const RowData &current)
{
    for (int column = 0; column < ColumnCount; ++column) {
        const auto c = std::size_t(column);
        if (!data.present[c]) {
            // No item here: the row's cells show through.
            delete takeItem(row, column);
            continue;
        }
        if (!item(row, column))
            setItem(row, column, new QStandardItem);
        // A cell that already holds the data (the empty amounts of a list
        // without amounts) is left as it is.
        const QMap<int, QVariant> &roles = data.roles[c];
        if (current.present[c] && roles == current.roles[c])
            continue;
        // Every role the cell holds, so whatever a row shows moves with it.
        QStandardItem *cell = item(row, column);
        cell->clearData();
        for (auto role = roles.cbegin(); role != roles.cend(); ++role)
            cell->setData(role.value(), role.key());
    }
}

void BillModel::permuteRows(const QList<int> &newRow)
{
    // Rows of items move their items' data; the rows' cells move as they are.
    QHash<int, RowData> old;
    for (int row = 0; row < newRow.size(); ++row) {
        RowData data = rowData(row);
        if (!data.isEmpty())
            old.insert(row, data);
    }

    QModelIndexList from;
    QModelIndexList to;
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex &index : persistent) {
        if (index.parent().isValid() || index.row() >= newRow.size())
            continue;
        const int target = newRow.at(index.row());
        from.append(index);
        to.append(target < 0 ? QModelIndex() : this->index(target, index.column()));
    }

    QList<BillRowCells> cells = m_rows;
    for (int row = 0; row < newRow.size() && row < m_rows.size(); ++row) {
        if (newRow.at(row) >= 0)
            cells[newRow.at(row)] = m_rows.at(row);
    }
    m_rows = std::move(cells);
    if (!old.isEmpty()) {
        // The views learn of the new order from layoutChanged alone.
        const QSignalBlocker blocker(this);
        const RowData none;
        for (int row = 0; row < newRow.size(); ++row) {
            const int target = newRow.at(row);
            if (target < 0 || target == row)
                continue;
            const RowData data = old.value(row, none);
            const RowData current = old.value(target, none);
            if (!data.isEmpty() || !current.isEmpty())
                setRowData(target, data, current);
        }
    }
    changePersistentIndexList(from, to);
}

namespace {

// Values of different types sort by type: whole numbers before texts (the
// days column holds numbers and "N/A"), nothing after everything. A sort
// key of one order for all values keeps every sort of a column the same.
int typeRank(int type)
{
    switch (type) {
    case QMetaType::Int:
        return 0;
    case QMetaType::QDate:
        return 1;
    case QMetaType::QString:
        return 3;
    case QMetaType::UnknownType:
        return 4;
    default:
        return 2;
    }
}

} // namespace

bool BillModel::lessThan(const QVariant &left, const QVariant &right)
{
    const int leftType = left.userType();
    const int rightType = right.userType();
    const int leftRank = typeRank(leftType);
    const int rightRank = typeRank(rightType);
    if (leftRank != rightRank)
        return leftRank < rightRank;
    if (leftType == QMetaType::UnknownType)
        return false;
    // Within one type, QStandardItem::operator< on the display values, spelt
    // out for the types this model holds so that sorting needs no item
    // look-ups.
    switch (leftType) {
    case QMetaType::Int:
        return left.toInt() < right.toInt();
    case QMetaType::QDate:
        return left.toDate() < right.toDate();
    case QMetaType::QString:
        return QString::compare(*static_cast<const QString *>(left.constData()),
                                *static_cast<const QString *>(right.constData())) < 0;
    default: {
        QStandardItem leftItem;
        QStandardItem rightItem;
        leftItem.setData(left, Qt::DisplayRole);
        rightItem.setData(right, Qt::DisplayRole);
        return leftItem < rightItem;
    }
    }
}

namespace {

// A display value as the order of lessThan reads it, worked out once per
// row instead of once per comparison.
struct OrderKey
{
    int rank = 4;
    qint64 number = 0; // whole numbers by value, dates by their day
    // A text's first eight UTF-16 units, four to a number, padded with
    // zeros: most comparisons end here, without a look at the text itself
    // (far away in memory in a long list).
    std::array<quint64, 2> head = {};
    QString text;
};

std::array<quint64, 2> headOf(const QString &text)
{
    std::array<quint64, 2> head = {};
    const qsizetype length = std::min<qsizetype>(text.size(), 8);
    for (qsizetype i = 0; i < length; ++i)
        head[std::size_t(i / 4)] |= quint64(text.at(i).unicode()) << (16 * (3 - i % 4));
    return head;
}

// False for a value that only lessThan itself can place.
bool toOrderKey(const QVariant &value, OrderKey &key)
{
    key.rank = typeRank(value.userType());
    switch (value.userType()) {
    case QMetaType::Int:
        key.number = *static_cast<const int *>(value.constData());
        return true;
    case QMetaType::QDate:
        key.number = static_cast<const QDate *>(value.constData())->toJulianDay();
        return true;
    case QMetaType::QString:
        key.text = *static_cast<const QString *>(value.constData());
        key.head = headOf(key.text);
        return true;
    case QMetaType::UnknownType:
        return true;
    default:
        return false;
    }
}

bool keyLess(const OrderKey &left, const OrderKey &right)
{
    if (left.rank != right.rank)
        return left.rank < right.rank;
    if (left.rank == 3) {
        // Heads that differ order their texts the same way (a text shorter
        // than the other's head has zeros where the other has units).
        if (left.head != right.head)
            return left.head < right.head;
        return QString::compare(left.text, right.text) < 0;
    }
    return left.number < right.number;
}

template<typename Less>
QList<int> stableOrder(qsizetype count, Qt::SortOrder order, Less less)
{
    QList<int> byKey(count);
    std::iota(byKey.begin(), byKey.end(), 0);
    // A list that is already in order (the usual case: it was filled sorted)
    // costs one pass instead of a full sort.
    bool sorted = true;
    for (qsizetype i = 1; i < count && sorted; ++i)
        sorted = order == Qt::AscendingOrder ? !less(int(i), int(i - 1)) : !less(int(i - 1), int(i));
    if (sorted)
        return byKey;
    if (order == Qt::AscendingOrder)
        std::stable_sort(byKey.begin(), byKey.end(), less);
    else
        std::stable_sort(byKey.begin(), byKey.end(), [&less](int a, int b) { return less(b, a); });
    return byKey;
}

} // namespace

bool BillModel::isSorted(const QList<QVariant> &keys, Qt::SortOrder order)
{
    // A stable sort leaves the keys in place exactly when no key sorts
    // before the one ahead of it (lessThan is a strict weak order).
    for (qsizetype i = 1; i < keys.size(); ++i) {
        const bool outOfOrder = order == Qt::AscendingOrder ? lessThan(keys.at(i), keys.at(i - 1))
                                                            : lessThan(keys.at(i - 1), keys.at(i));
        if (outOfOrder)
            return false;
    }
    return true;
}

QList<int> BillModel::sortedOrder(const QList<QVariant> &keys, Qt::SortOrder order)
{
    QList<OrderKey> orderKeys(keys.size());
    bool plain = true;
    for (qsizetype i = 0; i < keys.size() && plain; ++i)
        plain = toOrderKey(keys.at(i), orderKeys[i]);
    if (plain) {
        return stableOrder(keys.size(), order,
                           [&orderKeys](int a, int b) { return keyLess(orderKeys.at(a), orderKeys.at(b)); });
    }
    return stableOrder(keys.size(), order, [&keys](int a, int b) { return lessThan(keys.at(a), keys.at(b)); });
}

QVariant BillModel::sortValue(int row, int column, LongDateTexts &dateTexts) const
{
    if (const QStandardItem *cell = item(row, column)) {
        const QVariant key = cell->data(SortKeyRole);
        return key.isValid() ? key : cell->data(Qt::DisplayRole);
    }
    return rowCells(row).sortValue(column, dateTexts);
}

void BillModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount() || sortRole() != Qt::DisplayRole)
        return;
    LongDateTexts dateTexts;
    QList<QVariant> keys;
    keys.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row)
        keys.append(sortValue(row, column, dateTexts));
    const QList<int> byKey = sortedOrder(keys, order);
    keys.clear();

    QList<int> newRow(byKey.size());
    bool moved = false;
    for (int position = 0; position < byKey.size(); ++position) {
        newRow[byKey.at(position)] = position;
        moved = moved || byKey.at(position) != position;
    }
    if (!moved)
        return; // already in order: nothing to tell the views

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    permuteRows(newRow);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void BillModel::insertRowsAtTop(int count)
{
    if (count <= 0)
        return;
    const int oldCount = rowCount();
    // New items are appended (appending is what records each item's place);
    // the data then moves down by `count`.
    for (int row = 0; row < count; ++row) {
        QList<QStandardItem *> cells;
        cells.reserve(ColumnCount);
        for (int column = 0; column < ColumnCount; ++column)
            cells.append(new QStandardItem);
        appendRow(cells);
    }
    if (oldCount == 0)
        return;
    QList<int> newRow(oldCount + count);
    for (int row = 0; row < oldCount; ++row)
        newRow[row] = row + count;
    for (int row = oldCount; row < oldCount + count; ++row)
        newRow[row] = row - oldCount;

    emit layoutAboutToBeChanged();
    permuteRows(newRow);
    emit layoutChanged();
}

void BillModel::removeRowsKeepingOrder(const QList<int> &rows)
{
    if (rows.isEmpty())
        return;
    const int oldCount = rowCount();
    QList<bool> removed(oldCount, false);
    for (int row : rows) {
        if (row >= 0 && row < oldCount)
            removed[row] = true;
    }
    QList<int> newRow(oldCount);
    int kept = 0;
    for (int row = 0; row < oldCount; ++row)
        newRow[row] = removed.at(row) ? -1 : kept++;

    emit layoutAboutToBeChanged();
    permuteRows(newRow);
    emit layoutChanged();
    // The rows that are now surplus sit at the end; removing them moves
    // nothing else.
    removeRows(kept, oldCount - kept);
}

#include "moc_billmodel.cpp"
