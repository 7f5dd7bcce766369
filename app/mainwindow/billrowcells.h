#ifndef PAYVANE_BILLROWCELLS_H
#define PAYVANE_BILLROWCELLS_H

#include <QColor>
#include <QDate>
#include <QVariant>

struct BillRow;
struct Event;
class LongDateTexts;

// What the cells of one bill's row in the list hold: the values shown, what
// they sort by, and the look of an overdue bill. A row keeps only the
// figures its texts are made from and the bill's record; the texts are
// written when asked for, so a long list holds a few bytes per bill.
class BillRowCells
{
public:
    enum Column { DueDateColumn = 0, DaysColumn = 1, DetailsColumn = 2, DataColumn = 3, AmountColumn = 4 };
    static constexpr int VisibleColumns[] = {DueDateColumn, DaysColumn, DetailsColumn, AmountColumn};
    // The role of the data column that holds the row's record pointer.
    static constexpr int RecordRole = Qt::UserRole + 1;
    // What a cell sorts by when that differs from what it shows (an overdue
    // bill's "3 days overdue" sorts as -3).
    static constexpr int SortKeyRole = Qt::UserRole + 2;

    // Overdue rows and the overdue total stand out in this colour, in bold.
    [[nodiscard]] static QColor overdueColour();

    BillRowCells() = default;
    // `line` as billRowWithoutDetails gives it; `remaining` as for billRow.
    // The row refers to the record, which must outlive it.
    BillRowCells(Event *record, const BillRow &line, int remaining);

    // A row made by the default constructor shows nothing.
    [[nodiscard]] bool isNull() const { return m_record == nullptr; }
    [[nodiscard]] Event *record() const { return m_record; }
    [[nodiscard]] bool isOverdue() const { return m_days <= OverdueByOne; }

    // What the row shows in a column, as the model gives it.
    [[nodiscard]] QVariant shownValue(int column, LongDateTexts &dateTexts) const;
    // What a cell sorts by where that is not what it shows; invalid otherwise.
    [[nodiscard]] QVariant sortKey(int column) const;
    // The sort key, or the value where there is none.
    [[nodiscard]] QVariant sortValue(int column, LongDateTexts &dateTexts) const;
    // What the cell of `column` gives for `role`: the value, how it sorts,
    // the look of an overdue bill, the amount's alignment, the record.
    [[nodiscard]] QVariant data(int column, int role, LongDateTexts &dateTexts) const;

private:
    // The due date's tool tip: a business-day schedule, and why the date
    // moved; empty when there is nothing to say.
    [[nodiscard]] QString dueDateToolTip() const;

    // The amount as the list shows it: "40.00 of 120.00 open" for a partly
    // paid date, "≈ 84.20" for an amount that varies.
    [[nodiscard]] QString amountCellText() const;
    // A long list keeps one of these per bill: two numbers say all.
    static constexpr qint32 NoDays = -1;        // "N/A"
    static constexpr qint32 OverdueByOne = -2;  // and below: one more day overdue each
    static constexpr qint32 NoEnd = -1;         // remaining: a bill without end
    static constexpr qint32 Finished = -2;      // remaining: tracked, its last due date paid

    [[nodiscard]] qint32 daysOverdue() const { return OverdueByOne + 1 - m_days; }

    Event *m_record = nullptr;
    QDate m_dueDate;
    qint32 m_days = NoDays;        // days left (0 or more), NoDays, or overdue
    qint32 m_remaining = NoEnd;    // due dates left (0 or more), NoEnd or Finished
};

#endif // PAYVANE_BILLROWCELLS_H
