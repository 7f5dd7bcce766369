#include "billmodel.h"

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
    for (int column = 0; column < ColumnCount; ++column) {
        if (const QStandardItem *cell = item(row, column))
            data[std::size_t(column)] = cell->data(Qt::DisplayRole);
    }
    if (const QStandardItem *cell = item(row, ColumnCount - 1))
        data[ColumnCount] = cell->data(RecordRole);
    return data;
}

void BillModel::setRowData(int row, const RowData &data)
{
    for (int column = 0; column < ColumnCount; ++column) {
        QStandardItem *cell = item(row, column);
        if (!cell) {
            cell = new QStandardItem;
            setItem(row, column, cell);
        }
        cell->setData(data[std::size_t(column)], Qt::DisplayRole);
    }
    item(row, ColumnCount - 1)->setData(data[ColumnCount], RecordRole);
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
                setRowData(newRow.at(row), old.at(row));
        }
    }
    changePersistentIndexList(from, to);
}

void BillModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    QList<int> byKey(rowCount());
    std::iota(byKey.begin(), byKey.end(), 0);
    // The comparison of QStandardItemModel's own sort: QStandardItem::operator<.
    const auto less = [this, column, order](int a, int b) {
        const QStandardItem *left = item(a, column);
        const QStandardItem *right = item(b, column);
        if (!left || !right)
            return left && !right; // rows without an item go last
        return order == Qt::AscendingOrder ? *left < *right : *right < *left;
    };
    std::stable_sort(byKey.begin(), byKey.end(), less);

    QList<int> newRow(byKey.size());
    for (int position = 0; position < byKey.size(); ++position)
        newRow[byKey.at(position)] = position;

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
