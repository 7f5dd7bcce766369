#ifndef PAYVANE_MAINWINDOW_H
#define PAYVANE_MAINWINDOW_H

#include "billfile.h"
#include "event.h"

#include <QDateTime>
#include <QList>
#include <QMainWindow>
#include <QSet>
#include <QString>

#include <functional>

class BillDetailsPage;
class BillEditorPage;
class BillExchange;
class CalendarPublishing;
class BillFileWatcher;
class BillListPage;
class DayFollower;
class MonthsPage;
class PageScrolling;
class SettingsPage;

namespace Ui {
class MainWindow;
}

// The program's window: a frame around four pages stacked in one tab
// widget whose tabs are hidden: the bill list (page 0, billlistpage.h), the
// bill editor (1, billeditorpage.h), the details of one bill (2,
// billdetailspage.h), the settings (3, settingspage.h) and the months (4,
// monthspage.h, a page of its own rather than of the form). The window's own
// buttons switch the pages; each page class is handed the widgets of the
// one form.
//
// The list's rows are the window's working copy of the bills. The bills
// reach the data file only when the window closes (and a chosen file on
// export); meanwhile the list follows what other processes write to it.
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

    // The list page's rows and commands (billlistpage.h, billexchange.h).
    [[nodiscard]] Event *eventAtRow(int row) const;
    void removeBillRow(int row);
    void removeBillRows(const QList<int> &rows);
    bool markBillPaid(int row);
    bool selectBill(const QString &name);
    int importBills(const QString &path);
    bool exportBills(const QString &path);
    bool exportToCalendar(const QString &path);

    // Moves the data files to `folder` and goes on with the bills there
    // (the settings page's "Move…"); false, with the user told why, when
    // nothing changed.
    bool moveDataFolder(const QString &folder);

    // The details page filled for a bill (billdetailspage.h), as of today.
    void showBillDetails(const Event &event);

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
    // Said before a save that leaves the oldest payments out.
    void warnOfPaymentsBeyondTheFile() const;
    enum Page { ListTab = 0, EditTab = 1, DetailsTab = 2, SettingsTab = 3, MonthsTab = 4 };

    void setUpKeys();
    void saveWithKey();
    void showBillsOn(QDate day);
    [[nodiscard]] QDate currentDay() const;
    void restoreWindowState();
    void saveWindowState() const;
    void showPage(Page page);
    void showMonths();
    void keepDamagedBillFile();
    // The list follows what other processes write to the bill file.
    void watchBillFile();
    void connectPaymentCommands();
    void showBillFileChanges();
    // Offers each conflict copy beside the bill file once per run (again
    // after "Later" only in the next run).
    void offerConflictCopies();
    void mergeConflictCopy(const QString &copyPath);
    void deleteConflictCopy(const QString &copyPath);
    // Moving the data folder (moveDataFolder()): into a folder without a
    // bill file, or into one that holds one already.
    bool moveDataFilesTo(const QString &from, const QString &to);
    bool useBillsIn(const QString &from, const QString &to);
    // The window goes on with the bill file of the data folder now in use.
    void openBillFileAgain();
    // The current bill, or null after telling the user to select one.
    [[nodiscard]] Event *chosenBill(const QString &action) const;

    DayFollower *dayFollower; // the day the rows are filled for
    Ui::MainWindow *ui;
    BillFile billFile; // the data file: read at start, merged with what others wrote, written back at close
    BillFileWatcher *billFileWatcher = nullptr;
    bool billFileChangePending = false; // shown when the list page is shown again
    bool offeringCopies = false;        // a question about a conflict copy is open
    QSet<QString> copiesLeft;           // conflict copies the user put off this run, or that could not be merged
    PageScrolling *pageScrolling = nullptr;
    BillListPage *listPage = nullptr;
    BillEditorPage *editorPage = nullptr;
    BillDetailsPage *detailsPage = nullptr;
    SettingsPage *settingsPage = nullptr;
    MonthsPage *monthsPage = nullptr;
    BillExchange *exchange = nullptr;
    CalendarPublishing *publishing = nullptr;
};

#endif // PAYVANE_MAINWINDOW_H
