#ifndef PAYVANE_BILLMODEL_H
#define PAYVANE_BILLMODEL_H

#include <array>

#include <QList>
#include <QVariant>
#include <QStandardItemModel>

// The item model behind the bill list: five columns (due date, days
// remaining, details, the hidden record pointer, and the amount).
//
// Rows keep their physical items for the model's whole life: sorting,
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
    static constexpr int RecordRole = Qt::UserRole + 1;
    // What a cell sorts by when that differs from what it shows (an overdue
    // bill's "3 days overdue" sorts as -3); cells without one sort by their
    // display value.
    static constexpr int SortKeyRole = Qt::UserRole + 2;
    static constexpr int ColumnCount = 5;

    explicit BillModel(QObject *parent = nullptr);

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

    // Makes `count` new empty rows at the top; the rows below move down.
    void insertRowsAtTop(int count);

    // Removes the given rows (any order, no duplicates); the others keep
    // their order.
    void removeRowsKeepingOrder(const QList<int> &rows);

private:
    // The keys as numbers that sort like them, when all are dates or all
    // whole numbers.
    [[nodiscard]] static bool asNumbers(const QList<QVariant> &keys, QList<qint64> &numbers);

    using RowData = std::array<QMap<int, QVariant>, ColumnCount>; // every role of every cell

    [[nodiscard]] RowData rowData(int row) const;
    // `current` is what the row holds now.
    void setRowData(int row, const RowData &data, const RowData &current);
    // Puts the data of old row r at row newRow[r] (-1: the row goes away).
    void permuteRows(const QList<int> &newRow);
};

#endif // PAYVANE_BILLMODEL_H
