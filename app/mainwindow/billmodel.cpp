#include "billmodel.h"

#include <QDate>
#include <QSignalBlocker>

#include <algorithm>
#include <numeric>

BillModel::BillModel(QObject *parent)
    : QStandardItemModel(0, ColumnCount, parent)
{
}

BillModel::RowData BillModel::rowData(int row) const
{
    RowData data;
    for (int column = 0; column < ColumnCount; ++column)
        data[std::size_t(column)] = itemData(index(row, column));
    return data;
}

void BillModel::setRowData(int row, const RowData &data, const RowData &current)
{
    for (int column = 0; column < ColumnCount; ++column) {
        if (!item(row, column))
            setItem(row, column, new QStandardItem);
        // A cell that already holds the data (the empty amounts of a list
        // without amounts) is left as it is.
        const QMap<int, QVariant> &roles = data[std::size_t(column)];
        if (roles == current[std::size_t(column)])
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
    QList<RowData> old;
    old.reserve(newRow.size());
    for (int row = 0; row < newRow.size(); ++row)
        old.append(rowData(row));

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

    {
        // The views learn of the new order from layoutChanged alone.
        const QSignalBlocker blocker(this);
        for (int row = 0; row < newRow.size(); ++row) {
            if (newRow.at(row) >= 0 && newRow.at(row) != row)
                setRowData(newRow.at(row), old.at(row), old.at(newRow.at(row)));
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

bool BillModel::asNumbers(const QList<QVariant> &keys, QList<qint64> &numbers)
{
    if (keys.isEmpty())
        return false;
    const int type = keys.first().userType();
    if (type != QMetaType::Int && type != QMetaType::QDate)
        return false;
    numbers.clear();
    numbers.reserve(keys.size());
    for (const QVariant &key : keys) {
        if (key.userType() != type)
            return false;
        // lessThan compares dates by their day, whole numbers by value.
        numbers.append(type == QMetaType::Int ? qint64(*static_cast<const int *>(key.constData()))
                                              : static_cast<const QDate *>(key.constData())->toJulianDay());
    }
    return true;
}

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
    QList<int> byKey(keys.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    // A list that is already in order (the usual case: it was filled sorted)
    // costs one pass instead of a full sort.
    if (isSorted(keys, order))
        return byKey;
    // Dates or whole numbers alone sort as plain numbers, without a look at
    // the variants' types for every comparison.
    QList<qint64> numbers;
    if (asNumbers(keys, numbers)) {
        if (order == Qt::AscendingOrder) {
            std::stable_sort(byKey.begin(), byKey.end(),
                             [&numbers](int a, int b) { return numbers.at(a) < numbers.at(b); });
        } else {
            std::stable_sort(byKey.begin(), byKey.end(),
                             [&numbers](int a, int b) { return numbers.at(b) < numbers.at(a); });
        }
        return byKey;
    }
    if (order == Qt::AscendingOrder) {
        std::stable_sort(byKey.begin(), byKey.end(),
                         [&keys](int a, int b) { return lessThan(keys.at(a), keys.at(b)); });
    } else {
        std::stable_sort(byKey.begin(), byKey.end(),
                         [&keys](int a, int b) { return lessThan(keys.at(b), keys.at(a)); });
    }
    return byKey;
}

void BillModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount() || sortRole() != Qt::DisplayRole)
        return;
    QList<QVariant> keys;
    keys.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row) {
        const QStandardItem *cell = item(row, column);
        if (!cell) {
            keys.append(QVariant());
            continue;
        }
        const QVariant key = cell->data(SortKeyRole);
        keys.append(key.isValid() ? key : cell->data(Qt::DisplayRole));
    }
    const QList<int> byKey = sortedOrder(keys, order);

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
