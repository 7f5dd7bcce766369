#ifndef PAYVANE_MAINWINDOW_H
#define PAYVANE_MAINWINDOW_H

#include "billfile.h"
#include "event.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QString>

#include <functional>

class BillFileWatcher;
class BillModel;
class LongDateTexts;
class Money;
struct BillRow;
class QPoint;
class QScrollArea;
class QStandardItemModel;
class QTimer;
struct NotificationSettings;

namespace Ui {
class MainWindow;
}

// The program's window: the bill list (page 0), the bill editor (1), the
// details of one bill (2) and the settings (3), stacked in one tab widget
// whose tabs are hidden; the window's own buttons switch the pages.
//
// The list model is the window's working copy of the bills: its rows own
// the records. The bills reach the data file only when the window closes
// (and a chosen file on export).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // What the window takes for the present moment: the system's clock
    // unless a test sets another. The list shows the bills as of its day,
    // and follows it past midnight.
    using Clock = std::function<QDateTime()>;
    void setClock(Clock source);
    // Milliseconds from `now` to the start of the next day in now's time
    // zone (a day of 23 or 25 hours where the clocks change; the first
    // moment of the day where midnight is skipped).
    [[nodiscard]] static qint64 msecsToNextDay(const QDateTime &now);

    // ---- the bill list

    // The empty list model with its headers: "Due Date", "Days Remaining",
    // "Details", the hidden "Data" and "Amount" (shown while a bill has one).
    [[nodiscard]] static BillModel *createBillModel(QObject *parent);
    // The record of a row; null when the row holds none.
    [[nodiscard]] Event *eventAtRow(int row) const;
    // A new row at the top; the row takes the record.
    void addBillRow(Event *event);
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
    // Adds the bills of a file whose names are not listed yet and re-sorts;
    // the number added, or -1 (after telling the user) when the file cannot
    // be opened.
    int importBills(const QString &path);
    // Writes all bills to a file; tells the user and returns false when that
    // fails.
    bool exportBills(const QString &path);
    // Writes the selected bills (all when none is selected) as an iCalendar
    // file for calendar programs; tells the user and returns false when that
    // fails or no bill is due again.
    bool exportToCalendar(const QString &path);
    // Marks the row's first unpaid due date paid (paymentstatus.h), turning
    // tracking on when it was off; the row shows the bill's new state and the
    // list is sorted again. False when the bill has nothing left to pay.
    bool markBillPaid(int row);

    // ---- the editor

    // Checkable one-column models for the editor's list views.
    [[nodiscard]] static QStandardItemModel *createWeekdayModel(QObject *parent);
    [[nodiscard]] static QStandardItemModel *createDayOrWeekdayModel(QObject *parent);
    [[nodiscard]] static QStandardItemModel *createYearOrMonthModel(QObject *parent);
    // 0 when the bill may be stored; otherwise shows why (a modal message)
    // and returns the reason's code (1 description, 2 monthly limit,
    // 3 yearly limit, 4 no schedule).
    int validateEvent(const Event &event);

    // Makes the first row of the bill with this name the current and
    // selected row, in view; false when no row has it.
    bool selectBill(const QString &name);

    // ---- the details page

    void showBillDetails(const Event &event);
    // A hidden label takes no room in its line.
    static void setLineShown(QWidget *label, bool shown);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_viewOKButton_clicked();
    void on_settingOKButton_clicked();
    void on_settingsCancelButton_clicked();
    void on_settingsButton_clicked();
    void on_viewButton_clicked();
    void on_exportButton_clicked();
    void on_importButton_clicked();
    void on_notifyCheckBox_stateChanged(int);
    void on_repeatingRadioButton_toggled(bool checked);
    void on_singularRadioButton_toggled(bool checked);
    void on_saveButton_clicked();
    void on_cancelButton_clicked();
    void on_removeButton_clicked();
    void on_editButton_clicked();
    void on_addButton_clicked();
    void on_updatePushButton_clicked();

private:
    enum Page { ListPage = 0, EditPage = 1, DetailsPage = 2, SettingsPage = 3 };
    struct SortKeys
    {
        int section = -1; // -1: unsorted
        Qt::SortOrder order = Qt::AscendingOrder;
    };

    void setUpListView();
    void setUpEditorModels();
    // Each page in a scroll area of its own, so that no page makes the
    // window larger than a small or magnified screen.
    void makePagesScroll();
    [[nodiscard]] QScrollArea *pageArea(Page page) const; // pages 1 to 3
    void keepFocusInView(QWidget *focused);
    void setUpKeys();
    void removeWithKey();
    void saveWithKey();
    void followTheDate();
    // Shows the bills as of the clock's day when that is not the day shown,
    // and sets the timer to the next midnight.
    void checkTheDate();
    void showBillsOn(QDate day);
    [[nodiscard]] QDate currentDay() const;
    void alignScheduleSentences();
    [[nodiscard]] static SortKeys storedSortKeys(bool amountShown);
    void restoreWindowState();
    void saveWindowState() const;
    void showPage(Page page);
    void resortList();
    void setRowCells(int row, const BillRow &line, const Money &amount);
    void fillBillRow(int row, const Event &event, QDate today, LongDateTexts &dateTexts);
    void setRowRecord(int row, Event *event); // the row takes the record; counts its name
    // New rows at the top for the records, as if each went to the top in turn.
    // Into an empty list they go in the order `sortKeys` gives.
    void addBillRowsAtTop(const EventList &records, const SortKeys &sortKeys);
    void addBillRowsAtTop(const EventList &records);
    void countName(const QString &name, int change);
    // The record pointers of all rows, in row order.
    [[nodiscard]] EventList rowRecords() const;
    // After rows were added, changed or removed: the totals under the list,
    // the amount column and the Paid command follow.
    void listChanged();
    void showAmountColumn(bool shown);
    void widenNarrowColumns();
    void updatePaidCommand();
    [[nodiscard]] Event *currentBill() const;
    void connectListCommands();
    // Asks, then marks the current bill paid (the Paid button and menu entry).
    void payCurrentBill();
    void showRowMenu(const QPoint &position);

    void connectScheduleOptions();
    void chooseCalendarFile();
    void loadScheduleOptions(const Event &event);
    void readScheduleOptions(Event &event) const;
    void clearEditor();
    void loadEditor(const Event &event);
    void readEditor(Event &event) const;
    void moveFocusTo(int validationCode);
    void setUpAmountEditor();
    void loadAmount(const Money &amount);
    void selectCurrency(const QString &code);
    // The amount field into the record; tells the user (and returns false)
    // when it holds no amount it can read.
    bool readAmount(Event &event);
    // What the editor does not show is kept from the edited record: the paid
    // dates, and the fields of a newer version.
    void keepUnshownFields(Event &event) const;
    void confirmStopTracking(bool tracking);

    void showPaymentDetails(const Event &event, QDate today);

    void hideDetailLines();
    void showScheduleDetails(const Event &event);

    bool confirmCloseWithoutSaving(const QString &reason);
    void keepDamagedBillFile();
    // The list follows what other processes write to the bill file.
    void watchBillFile();
    void showBillFileChanges();
    void replaceAllRows(const EventList &records, const EventList &merged, const QList<qsizetype> &fromOurs);
    // The question about a bill changed both here and in the file.
    static BillChoice askWhichBillToKeep(const BillConflict &conflict);

    Clock clock = [] { return QDateTime::currentDateTime(); };
    QDate listedDay;                 // the day the rows were filled for
    QTimer *midnightTimer = nullptr; // fires as the next day begins

    Ui::MainWindow *ui;
    BillFile billFile; // the data file: read at start, merged with what others wrote, written back at close
    BillFileWatcher *billFileWatcher = nullptr;
    bool billFileChangePending = false; // shown when the list page is shown again
    BillModel *billModel;
    QHash<QString, int> *billNameCounts; // listed bills per name; read by the import
    NotificationSettings *notificationSettings;
};

#endif // PAYVANE_MAINWINDOW_H
