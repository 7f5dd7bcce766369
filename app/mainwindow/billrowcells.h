#ifndef PAYVANE_BILLROWCELLS_H
#define PAYVANE_BILLROWCELLS_H

#include "billtext.h"
#include "money.h"

#include <QColor>
#include <QVariant>

class QStandardItem;

// What the cells of one bill's row in the list hold: the values shown, what
// they sort by, and the look of an overdue bill.
class BillRowCells
{
public:
    enum Column { DueDateColumn = 0, DaysColumn = 1, DetailsColumn = 2, DataColumn = 3, AmountColumn = 4 };
    static constexpr int VisibleColumns[] = {DueDateColumn, DaysColumn, DetailsColumn, AmountColumn};

    // Overdue rows and the overdue total stand out in this colour, in bold.
    [[nodiscard]] static QColor overdueColour();

    BillRowCells() = default;
    BillRowCells(const BillRow &line, const Money &amount);

    // What the row shows in a column, as the model holds it.
    [[nodiscard]] QVariant shownValue(int column) const;
    // What a cell sorts by where that is not what it shows; invalid otherwise.
    [[nodiscard]] QVariant sortKey(int column) const;
    // The sort key, or the value where there is none.
    [[nodiscard]] QVariant sortValue(int column) const;
    // Everything the cell of `column` shows: the value, how it sorts, and
    // the look of an overdue bill.
    void fillCell(QStandardItem *cell, int column) const;

private:
    BillRow m_line;
    Money m_amount;
};

#endif // PAYVANE_BILLROWCELLS_H
