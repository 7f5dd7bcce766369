#ifndef PAYVANE_BILLMODEL_H
#define PAYVANE_BILLMODEL_H

#include "billrowcells.h"
#include "longdatetexts.h"

#include <array>

#include <QList>
#include <QVariant>
#include <QStandardItemModel>

// The item model behind the bill list: five columns (due date, days
// remaining, details, the hidden record pointer, and the amount).
//
// A bill's row holds no items: its cells are written from the row's
// BillRowCells when a view asks (setRowCells, insertRowsAtTop(cells),
// appendRows). A cell that holds an item (set through the
// QStandardItemModel interface) shows the item instead.
//
// Rows with items keep them for the model's whole life: sorting,
// insertion at the top and removal move the items' data (every role of
// every cell), never the items.
// QStandardItem finds its own position from a remembered index, and an item
// that was moved makes that search walk the list; tearing down a model of
// moved items is then quadratic in the number of rows. Items that stay where
// they were appended keep the teardown linear.
class BillModel : public QStandardItemModel
{
    Q_OBJECT

public:
    // The role of column 3 that holds the row's record pointer.
    static constexpr int RecordRole = BillRowCells::RecordRole;
    // What a cell sorts by when that differs from what it shows (an overdue
    // bill's "3 days overdue" sorts as -3); cells without one sort by their
    // display value.
    static constexpr int SortKeyRole = BillRowCells::SortKeyRole;
    static constexpr int ColumnCount = 5;

    explicit BillModel(QObject *parent = nullptr);

    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QMap<int, QVariant> itemData(const QModelIndex &index) const override;

    // The bill of a row (null when the row shows none), and the record it
    // refers to, or the record pointer an item of the data column holds.
    [[nodiscard]] const BillRowCells &rowCells(int row) const;
    [[nodiscard]] void *rowRecord(int row) const;
    // Gives a row the cells of a bill, telling the views.
    void setRowCells(int row, const BillRowCells &cells);
    // New rows at the end and at the top, showing the bills in this order.
    void appendRows(const QList<BillRowCells> &rows);
    void insertRowsAtTop(const QList<BillRowCells> &rows);

    // Sorts like QStandardItemModel (a stable sort by the column's items,
    // by their sort keys where they have them), keeping persistent indexes
    // (selection, current row) on their rows.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The order of a column's display values: QStandardItemModel's order
    // for values of one type; across types, whole numbers first, then dates,
    // other values, texts, and empty cells last. So "N/A" sorts after every
    // number in ascending order and before them in descending order.
    [[nodiscard]] static bool lessThan(const QVariant &left, const QVariant &right);
    // True when the keys (all of one type) are in order, so that a stable
    // sort would leave them where they are; false when unsure.
    [[nodiscard]] static bool isSorted(const QList<QVariant> &keys, Qt::SortOrder order);
    // The positions of the keys in sorted order (a stable sort).
    [[nodiscard]] static QList<int> sortedOrder(const QList<QVariant> &keys, Qt::SortOrder order);

    // Makes `count` new rows at the top, with empty items; the rows below
    // move down.
    void insertRowsAtTop(int count);

    // Removes the given rows (any order, no duplicates); the others keep
    // their order.
    void removeRowsKeepingOrder(const QList<int> &rows);

private:
    // The rows' cells follow the rows that QStandardItemModel inserts and
    // removes.
    void cellRowsInserted(const QModelIndex &parent, int first, int last);
    void cellRowsRemoved(const QModelIndex &parent, int first, int last);
    void cellRowsReset();
    void insertCellRows(int row, const QList<BillRowCells> &rows);
    [[nodiscard]] bool showsCells(const QModelIndex &index) const;
    // What a column of a row sorts by.
    [[nodiscard]] QVariant sortValue(int row, int column, LongDateTexts &dateTexts) const;

    struct RowData
    {
        std::array<QMap<int, QVariant>, ColumnCount> roles; // every role of every item
        std::array<bool, ColumnCount> present = {};         // which cells hold an item
        [[nodiscard]] bool isEmpty() const;
    };

    [[nodiscard]] RowData rowData(int row) const;
    // `current` is what the row holds now.
    void setRowData(int row, const RowData &data, const RowData &current);
    // Puts the data of old row r at row newRow[r] (-1: the row goes away).
    void permuteRows(const QList<int> &newRow);

    QList<BillRowCells> m_rows; // one per row; null for rows of items
    QList<BillRowCells> m_insertedCells; // the cells of rows being inserted
    mutable LongDateTexts m_dateTexts; // the end dates shown, each written once
};

#endif // PAYVANE_BILLMODEL_H
