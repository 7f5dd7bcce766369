#ifndef PAYVANE_BILLLISTPAGE_H
#define PAYVANE_BILLLISTPAGE_H

#include "event.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class BillFile;
class BillModel;
class BillRowCells;
class PaymentCommands;
struct DueDate;
class QPoint;
class QSettings;
class QWidget;

namespace Ui {
class MainWindow;
}

// The bill list page: the list model, whose rows own the records (the
// window's working copy of the bills), its sorting, the totals under it and
// the commands on its rows (Paid, Remove and the row menu).
class BillListPage : public QObject
{
    Q_OBJECT

public:
    using Today = std::function<QDate()>;
    struct SortKeys
    {
        int section = -1; // -1: unsorted
        Qt::SortOrder order = Qt::AscendingOrder;
    };

    // `file` (may be null) learns of replaced and removed records, for
    // its merge with what other processes write.
    BillListPage(Ui::MainWindow *form, BillFile *file, Today todaySource, QObject *parent = nullptr);
    ~BillListPage() override; // deletes the records of all rows

    // The empty list model with its headers: "Due Date", "Days Remaining",
    // "Details", the hidden "Data" and "Amount" (shown while a bill has one).
    [[nodiscard]] static BillModel *createBillModel(QObject *parent);
    // The stored sort, checked: a damaged store must not sort by the hidden
    // column or by nothing; the amount counts while it is shown.
    [[nodiscard]] static SortKeys storedSortKeys(const QSettings &settings, bool amountShown);
    void saveSortKeys(QSettings &settings) const;

    // The first rows, filled in the order `sortKeys` gives them so that the
    // view's sort finds nothing to move, before the view takes the model.
    void fillAtStart(const EventList &records, const SortKeys &sortKeys);
    // Gives the view its model and connects the row commands.
    void setUpView();

    // The record of a row; null when the row holds none.
    [[nodiscard]] Event *eventAtRow(int row) const;
    // The record pointers of all rows, in row order.
    [[nodiscard]] EventList rowRecords() const;
    // The records of the selected rows (all rows when none is selected).
    [[nodiscard]] EventList selectedOrAllRecords() const;
    // The day the list is shown as of.
    [[nodiscard]] QDate day() const { return today(); }
    // The current row's record; null when there is none.
    [[nodiscard]] Event *currentBill() const;

    // A new row at the top; the row takes the record.
    void addBillRow(Event *event);
    // New rows at the top for the records, as if each went to the top in turn.
    void addBillRowsAtTop(const EventList &records);
    // Gives the row a new record (never the row's own) and deletes the old one.
    void replaceBillRow(int row, Event *event);
    // Removes the row and deletes its record.
    void removeBillRow(int row);
    // Removes several rows (any order) and deletes their records.
    void removeBillRows(const QList<int> &rows);
    // Adds every bill of a bill file as a row, the last one on top.
    void loadBillModel(const QString &path);
    // Writes the bills of all rows, in row order, to a bill file.
    [[nodiscard]] bool saveBillModel(const QString &path, QString *errorString = nullptr) const;
    // Adds the records whose names are not listed yet (nor taken earlier
    // from `records`), deletes the others and sorts again; the number added.
    int addUnlistedBills(const EventList &records);
    // Puts `merged` in place of `records` (all rows); the current and
    // selected bills stay so where the merge kept them (`fromOurs`: the
    // merged index of each of `records`, or -1).
    void replaceAllRows(const EventList &records, const EventList &merged, const QList<qsizetype> &fromOurs);

    // Marks the row's first unpaid due date paid (paymentstatus.h), turning
    // tracking on when it was off; the row shows the bill's new state and the
    // list is sorted again. False when the bill has nothing left to pay.
    bool markBillPaid(int row);
    // "Paid…", taking a payment back, changing one, the history as CSV.
    [[nodiscard]] PaymentCommands *paymentCommands() const { return payments; }
    // The current bill's row shows its record again (after its payments
    // changed), and the list follows.
    void refreshCurrentRow();
    // Makes the first row of the bill with this name the current and
    // selected row, in view; false when no row has it.
    bool selectBill(const QString &name);
    // Asks, then removes the selected bills (the Remove button).
    void removeSelectedBills();
    // The row the keyboard stands on counts as chosen when no row is.
    void selectCurrentRowIfNone();

    // Shows the bills as of `day`.
    void showBillsOn(QDate day);
    void resortList();

signals:
    // Rows were added, changed or removed (or the list filled).
    void billsChanged();

private:
    [[nodiscard]] static BillRowCells rowCells(Event *event, QDate day, const DueDate &next, int remaining);
    void fillBillRow(int row, Event *event, QDate day);
    // Into an empty list the rows go in the order `sortKeys` gives.
    void addBillRowsAtTop(const EventList &records, const SortKeys &sortKeys);
    // After rows were added, changed or removed: the totals under the list,
    // the amount column and the Paid command follow.
    void listChanged();
    void showAmountColumn(bool shown);
    void widenNarrowColumns();
    void updatePaidCommand();
    // Asks, then marks the current bill paid (the Paid button and menu entry).
    void payCurrentBill();
    void showRowMenu(const QPoint &position);
    // The file dialog, then the history of the selected (or all) bills as CSV.
    void chooseHistoryFile();

    Ui::MainWindow *ui;
    BillFile *billFile;
    Today today;
    BillModel *billModel;
    PaymentCommands *payments;
};

#endif // PAYVANE_BILLLISTPAGE_H
