#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "billdetailspage.h"
#include "paymentcommands.h"
#include "paymenthistorypanel.h"
#include "billeditorpage.h"
#include "billexchange.h"
#include "billfilequestions.h"
#include "billfilewatcher.h"
#include "billlistpage.h"
#include "billtotals.h"
#include "conflictcopies.h"
#include "datafolder.h"
#include "datafoldersection.h"
#include "dayfollower.h"
#include "monthspage.h"
#include "pagescrolling.h"
#include "plainmessage.h"
#include "settingspage.h"
#include "caldavsection.h"
#include "calendarpublishing.h"
#include "windowgeometry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>

namespace {

const char *const OrganizationName = "Tervona";
const char *const ApplicationName = "Payvane";
const char *const GeometryKey = "geometryMainWindow";

QSettings nativeSettings()
{
    return QSettings(QString::fromLatin1(OrganizationName), QString::fromLatin1(ApplicationName));
}

} // namespace

// The icons live in a static library, whose resources are linked in only
// when something asks for them.
static int initResources()
{
    Q_INIT_RESOURCE(resources);
    return 0;
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , dayFollower(new DayFollower(this))
    , ui((initResources(), new Ui::MainWindow))
{
    ui->setupUi(this);
    ui->tabWidget->setProperty("showTabs", false);
    // A page of its own, not of the form; it scrolls as every page does.
    monthsPage = new MonthsPage;
    ui->tabWidget->insertTab(MonthsTab, monthsPage, QStringLiteral("Months"));
    pageScrolling = new PageScrolling(ui, this);
    // The details are text to read: their page takes the focus itself, so
    // that the keys scroll it.
    pageScrolling->pageArea(DetailsTab)->setFocusPolicy(Qt::StrongFocus);
    pageScrolling->pageArea(DetailsTab)->setAccessibleName(QStringLiteral("Bill details"));
    ui->tabWidget->setCurrentIndex(ListTab);

    const auto today = [this] { return currentDay(); };
    listPage = new BillListPage(ui, &billFile, today, this);
    const EventList loaded = billFile.load();
    listPage->fillAtStart(loaded, BillListPage::storedSortKeys(nativeSettings(), BillTotals::anyAmount(loaded)));
    editorPage = new BillEditorPage(ui, today, [this] { return listPage->currentBill(); }, this);
    detailsPage = new BillDetailsPage(ui);
    connectPaymentCommands();
    settingsPage = new SettingsPage(ui);
    connect(settingsPage->dataFolderSection(), &DataFolderSection::moveRequested, this, &MainWindow::moveDataFolder);
    exchange = new BillExchange(listPage, this);
    publishing = new CalendarPublishing([this] { return listPage->rowRecords(); }, today, this);
    connect(listPage, &BillListPage::billsChanged, publishing, &CalendarPublishing::publishSoon);
    connect(publishing, &CalendarPublishing::published, settingsPage->calDavSection(), &CalDavSection::showLastResult);
    connect(settingsPage->calDavSection(), &CalDavSection::replaceRequested, publishing,
            &CalendarPublishing::replaceCalendarVersions);
    connect(ui->calendarButton, &QAbstractButton::clicked, this, [this] { exchange->chooseCalendarFile(); });
    connect(ui->monthsButton, &QAbstractButton::clicked, this, &MainWindow::showMonths);
    connect(monthsPage, &MonthsPage::done, this, [this] { showPage(ListTab); });
    // A style change lays out every row of the list again: the list view
    // takes its model once the style sheets are final.
    listPage->setUpView();
    setUpKeys();
    restoreWindowState();
    settingsPage->load();
    keepDamagedBillFile();
    connect(dayFollower, &DayFollower::dayChanged, this, &MainWindow::showBillsOn);
    dayFollower->start();
    watchBillFile();
    // Once the window is on screen (after any notice about the file itself).
    QTimer::singleShot(0, this, &MainWindow::offerConflictCopies);
}

void MainWindow::keepDamagedBillFile()
{
    // The window replaces the file when it closes: a file it could not read
    // completely is kept aside now, and the user learns why the list may be
    // short once the window is on screen.
    billFile.keepAside();
    const QString notice = billFile.notice();
    if (notice.isEmpty())
        return;
    QTimer::singleShot(0, this, [notice] {
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Bill File"), notice);
    });
}

MainWindow::~MainWindow()
{
    // Tearing the widgets down moves the focus; this window no longer
    // follows it, nor the application's state.
    disconnect(qApp, nullptr, this, nullptr);
    delete dayFollower;
    delete pageScrolling;
    delete listPage; // the rows own their records
    delete exchange;
    delete detailsPage;
    delete settingsPage;
    delete ui;
}

void MainWindow::setUpKeys()
{
    // The window opens with the keys on the list: the arrows go through the
    // bills at once.
    ui->eventTreeView->setFocus(Qt::OtherFocusReason);
    // A key belongs to the button it presses, and a shortcut works only
    // while its widget is shown: each key acts on the page it belongs to.
    const auto pressWith = [this](QAbstractButton *button, const QKeySequence &key, auto action) {
        auto *shortcut = new QShortcut(key, button);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    const auto click = [](QAbstractButton *button) { return [button] { button->click(); }; };
    pressWith(ui->addButton, QKeySequence::New, click(ui->addButton));
    pressWith(ui->addButton, QKeySequence(Qt::Key_Insert), click(ui->addButton));
    pressWith(ui->removeButton, QKeySequence::Delete, [this] {
        listPage->selectCurrentRowIfNone();
        ui->removeButton->click();
    });
    for (const int enter : {Qt::Key_Return, Qt::Key_Enter}) {
        pressWith(ui->saveButton, QKeySequence(enter), [this] { saveWithKey(); });
        // On the list, for the row that has the focus.
        auto *open = new QShortcut(QKeySequence(enter), ui->eventTreeView);
        open->setContext(Qt::WidgetShortcut);
        connect(open, &QShortcut::activated, ui->viewButton, &QAbstractButton::click);
    }
    pressWith(ui->cancelButton, QKeySequence(Qt::Key_Escape), click(ui->cancelButton));
    pressWith(ui->viewOKButton, QKeySequence(Qt::Key_Escape), click(ui->viewOKButton));
    pressWith(ui->settingsCancelButton, QKeySequence(Qt::Key_Escape), click(ui->settingsCancelButton));
    auto *leaveMonths = new QShortcut(QKeySequence(Qt::Key_Escape), monthsPage);
    leaveMonths->setContext(Qt::WidgetWithChildrenShortcut);
    connect(leaveMonths, &QShortcut::activated, this, [this] { showPage(ListTab); });
}

void MainWindow::saveWithKey()
{
    // Return saves, unless the focus is on another button of the page,
    // which it presses instead (Cancel).
    auto *focused = qobject_cast<QPushButton *>(focusWidget());
    if (focused && focused != ui->saveButton && ui->editTab->isAncestorOf(focused))
        focused->click();
    else
        ui->saveButton->click();
}

void MainWindow::restoreWindowState()
{
    // The list is already in the stored order: it was filled sorted, and the
    // view sorted by the stored indicator when it took the model.
    const QSettings settings = nativeSettings();
    if (!restoreGeometryWithinScreen(this, settings.value(QLatin1String(GeometryKey)).toByteArray()))
        fitWithinScreen(this);
}

void MainWindow::saveWindowState() const
{
    QSettings settings = nativeSettings();
    settings.setValue(QLatin1String(GeometryKey), saveGeometry());
    listPage->saveSortKeys(settings);
}

// ---- closing

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The save may ask about bills changed twice; the list must not be
    // reloaded under it meanwhile.
    const QSignalBlocker blocker(billFileWatcher);
    warnOfPaymentsBeyondTheFile();
    QString reason;
    if (!billFile.save(listPage->rowRecords(), &reason) && !BillFileQuestions::closeWithoutSaving(billFile.path(), reason)) {
        event->ignore();
        return;
    }
    saveWindowState();
    // The calendar gets what was saved; the program ends once it has.
    publishing->publishSoon();
    publishing->finishBeforeQuitting();
    QMainWindow::closeEvent(event);
}

void MainWindow::warnOfPaymentsBeyondTheFile() const
{
    const qsizetype payments = PaymentCommands::paymentCount(listPage->rowRecords());
    if (payments <= PaymentRecord::MaximumPerFile)
        return;
    showPlainMessage(QMessageBox::Warning, QStringLiteral("Payment History"),
                     QStringLiteral("The bills hold %1 payments, and a bill file keeps at most %2: the %3 paid "
                                    "longest ago are left out of the history.")
                         .arg(payments)
                         .arg(PaymentRecord::MaximumPerFile)
                         .arg(payments - PaymentRecord::MaximumPerFile));
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

// ---- the bill file on disk

void MainWindow::watchBillFile()
{
    billFile.setConflictResolver(&BillFileQuestions::whichBillToKeep);
    billFileWatcher = new BillFileWatcher(billFile.path(), this);
    connect(billFileWatcher, &BillFileWatcher::changed, this, &MainWindow::showBillFileChanges);
    // The editor and the details page keep what they show; the list takes
    // the file's changes when it is shown again.
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == ListTab && billFileChangePending)
            showBillFileChanges();
    });
}

void MainWindow::showBillFileChanges()
{
    if (ui->tabWidget->currentIndex() != ListTab) {
        billFileChangePending = true;
        return;
    }
    billFileChangePending = false;
    bool reloaded = false;
    {
        // A question about a bill changed twice must not start another reload.
        const QSignalBlocker blocker(billFileWatcher);
        const EventList records = listPage->rowRecords();
        QList<qsizetype> fromOurs;
        std::optional<EventList> merged = billFile.reload(records, &fromOurs);
        if (merged)
            listPage->replaceAllRows(records, *merged, fromOurs);
        reloaded = merged.has_value();
    }
    // The file may have changed again while a question was open. (A file
    // that cannot be merged now is left to the save.)
    if (reloaded && billFile.changedOnDisk())
        QTimer::singleShot(0, this, &MainWindow::showBillFileChanges);
    // The folder changed: a sync program may have left a conflict copy.
    offerConflictCopies();
}

void MainWindow::offerConflictCopies()
{
    if (offeringCopies || ui->tabWidget->currentIndex() != ListTab)
        return;
    offeringCopies = true;
    const auto done = qScopeGuard([this] { offeringCopies = false; });
    const QStringList copies = conflictCopies(billFile.path());
    for (const QString &copy : copies) {
        if (copiesLeft.contains(copy))
            continue;
        switch (BillFileQuestions::whatToDoWithCopy(copy)) {
        case BillFileQuestions::CopyAnswer::Merge:
            mergeConflictCopy(copy);
            break;
        case BillFileQuestions::CopyAnswer::Delete:
            deleteConflictCopy(copy);
            break;
        case BillFileQuestions::CopyAnswer::Later:
            copiesLeft.insert(copy);
            break;
        }
    }
}

void MainWindow::mergeConflictCopy(const QString &copyPath)
{
    QString problem;
    {
        // Neither the questions about bills changed on both sides nor the
        // save may let a reload replace the rows meanwhile.
        const QSignalBlocker blocker(billFileWatcher);
        const EventList records = listPage->rowRecords();
        QList<qsizetype> fromOurs;
        const auto resolve = [copyPath](const BillConflict &conflict) {
            return BillFileQuestions::whichBillToKeepFrom(conflict, copyPath);
        };
        std::optional<EventList> merged = billFile.mergeCopy(copyPath, records, &fromOurs, &problem, resolve);
        if (!merged) {
            copiesLeft.insert(copyPath);
            showPlainMessage(QMessageBox::Warning, QStringLiteral("Conflict Copy"),
                             QStringLiteral("%1 could not be read completely (%2), so nothing of it was merged and "
                                            "it was left as it is.")
                                 .arg(nativePath(copyPath), problem));
            return;
        }
        listPage->replaceAllRows(records, *merged, fromOurs);
        // Saved before the copy is set aside, so its changes are in the
        // file once it is no longer offered.
        if (!billFile.save(listPage->rowRecords(), &problem)) {
            copiesLeft.insert(copyPath);
            showPlainMessage(QMessageBox::Warning, QStringLiteral("Conflict Copy"),
                             QStringLiteral("The changes of %1 are in your list, but your bills could not be saved "
                                            "(%2), so the copy was left as it is.")
                                 .arg(nativePath(copyPath), problem));
            return;
        }
    }
    QString kept;
    if (!setAsideMergedCopy(copyPath, &kept, &problem)) {
        copiesLeft.insert(copyPath);
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Conflict Copy"),
                         QStringLiteral("The changes of %1 were merged and saved, but the copy could not be set "
                                        "aside (%2), so it will be offered again.")
                             .arg(nativePath(copyPath), problem));
    }
    if (billFile.changedOnDisk())
        QTimer::singleShot(0, this, &MainWindow::showBillFileChanges);
}

// ---- moving the data folder

namespace {

void tellDataFolder(QMessageBox::Icon icon, const QString &sentence)
{
    showPlainMessage(icon, QStringLiteral("Data Folder"), sentence);
}

} // namespace

bool MainWindow::moveDataFolder(const QString &folder)
{
    const QString from = QDir::cleanPath(dataFolderPath());
    const QString to = QDir::cleanPath(QDir(folder).absolutePath());
    if (to == from) {
        tellDataFolder(QMessageBox::Information, QStringLiteral("Your data is in %1 already.").arg(nativePath(to)));
        return false;
    }
    if (!QFileInfo(to).isDir() && !QDir().mkpath(to)) {
        tellDataFolder(QMessageBox::Warning,
                       QStringLiteral("Nothing was moved: the folder %1 could not be made.").arg(nativePath(to)));
        return false;
    }
    // What moves is the list as shown: it is saved first.
    QString reason;
    {
        const QSignalBlocker blocker(billFileWatcher);
        if (!billFile.save(listPage->rowRecords(), &reason)) {
            tellDataFolder(QMessageBox::Warning,
                           QStringLiteral("Nothing was moved: your bills could not be saved first (%1).").arg(reason));
            return false;
        }
    }
    const QString bills = QDir(to).filePath(QFileInfo(billFile.path()).fileName());
    const bool moved = QFileInfo::exists(bills) || QFileInfo(bills).isSymLink() ? useBillsIn(from, to)
                                                                              : moveDataFilesTo(from, to);
    if (moved) {
        openBillFileAgain();
        settingsPage->load();
    }
    settingsPage->dataFolderSection()->showFolder();
    return moved;
}

bool MainWindow::moveDataFilesTo(const QString &from, const QString &to)
{
    QStringList copied;
    QString reason;
    if (!copyDataFiles(from, to, presentDataFiles(from), &copied, &reason)) {
        tellDataFolder(QMessageBox::Warning, QStringLiteral("Nothing was moved: %1.").arg(reason));
        return false;
    }
    if (!setDataFolderPath(to)) {
        for (const QString &name : std::as_const(copied))
            QFile::remove(QDir(to).filePath(name));
        tellDataFolder(QMessageBox::Warning,
                       QStringLiteral("Nothing was moved: the new place could not be stored in your settings."));
        return false;
    }
    // Only once every copy reads back as the original and the new place
    // is stored do the old files go.
    QStringList kept;
    for (const QString &name : std::as_const(copied)) {
        if (!QFile::remove(QDir(from).filePath(name)))
            kept << name;
    }
    if (kept.isEmpty()) {
        tellDataFolder(QMessageBox::Information, QStringLiteral("Your data files were moved to %1.").arg(nativePath(to)));
    } else {
        tellDataFolder(QMessageBox::Information,
                       QStringLiteral("Your data files were copied to %1 and are used there; the old copies of %2 "
                                      "could not be removed from %3.")
                           .arg(nativePath(to), kept.join(QStringLiteral(", ")), nativePath(from)));
    }
    return true;
}

bool MainWindow::useBillsIn(const QString &from, const QString &to)
{
    const QString path = QDir(to).filePath(QFileInfo(billFile.path()).fileName());
    const BillFileQuestions::ExistingBillsAnswer answer = BillFileQuestions::whatToDoWithExistingBills(path);
    if (answer == BillFileQuestions::ExistingBillsAnswer::Cancel)
        return false;
    // The other file is read completely before anything changes.
    BillFile there(path);
    qDeleteAll(there.load());
    if (there.state() != BillFileState::Complete) {
        tellDataFolder(QMessageBox::Warning,
                       QStringLiteral("Nothing was changed: the bill file %1 could not be read completely (%2).")
                           .arg(nativePath(path), there.problem()));
        return false;
    }
    if (!setDataFolderPath(to)) {
        tellDataFolder(QMessageBox::Warning,
                       QStringLiteral("Nothing was changed: the new place could not be stored in your settings."));
        return false;
    }
    if (answer == BillFileQuestions::ExistingBillsAnswer::UseAsItIs) {
        tellDataFolder(QMessageBox::Information,
                       QStringLiteral("Payvane now uses the bills in %1; your own files stay in %2.")
                           .arg(nativePath(to), nativePath(from)));
        return true;
    }
    // The two lists have no common past known here: equal bills are kept
    // once, all others too, and the user picks between two different bills
    // of one name.
    QString reason;
    const QString ancestor = billFile.mergeAncestorPath();
    billFile.setMergeAncestorPath(QString());
    const EventList records = listPage->rowRecords();
    QList<qsizetype> fromOurs;
    const auto resolve = [path](const BillConflict &conflict) {
        return BillFileQuestions::whichBillToKeepFrom(conflict, path);
    };
    const std::optional<EventList> merged = billFile.mergeCopy(path, records, &fromOurs, &reason, resolve);
    billFile.setMergeAncestorPath(ancestor);
    if (merged)
        listPage->replaceAllRows(records, *merged, fromOurs);
    if (!merged || !there.save(listPage->rowRecords(), &reason)) {
        (void)setDataFolderPath(from);
        const QString stays = merged ? QStringLiteral(" Your list holds both, and stays in %1.").arg(nativePath(from))
                                     : QString();
        tellDataFolder(QMessageBox::Warning,
                       QStringLiteral("Your bills could not be merged into %1 (%2).").arg(nativePath(path), reason)
                           + stays);
        return false;
    }
    tellDataFolder(QMessageBox::Information,
                   QStringLiteral("Payvane now uses the bills in %1, merged with yours; your own files stay in %2.")
                       .arg(nativePath(to), nativePath(from)));
    return true;
}

void MainWindow::openBillFileAgain()
{
    const EventList records = listPage->rowRecords();
    billFile = BillFile(eventsFilePath());
    billFile.setConflictResolver(&BillFileQuestions::whichBillToKeep);
    const EventList loaded = billFile.load();
    listPage->replaceAllRows(records, loaded, QList<qsizetype>(records.size(), -1));
    // A blocker may still hold the old watcher while this runs.
    billFileWatcher->deleteLater();
    billFileWatcher = new BillFileWatcher(billFile.path(), this);
    connect(billFileWatcher, &BillFileWatcher::changed, this, &MainWindow::showBillFileChanges);
    copiesLeft.clear();
    QTimer::singleShot(0, this, &MainWindow::offerConflictCopies);
}

void MainWindow::deleteConflictCopy(const QString &copyPath)
{
    if (!BillFileQuestions::deleteCopyForGood(copyPath)) {
        copiesLeft.insert(copyPath);
        return;
    }
    QFile copy(copyPath);
    if (!copy.remove()) {
        copiesLeft.insert(copyPath);
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Conflict Copy"),
                         QStringLiteral("%1 could not be deleted (%2).").arg(nativePath(copyPath), copy.errorString()));
    }
}

// ---- the day shown

void MainWindow::setClock(Clock source)
{
    dayFollower->setClock(std::move(source));
}

QDate MainWindow::currentDay() const
{
    return dayFollower->today();
}

qint64 MainWindow::msecsToNextDay(const QDateTime &now)
{
    return DayFollower::msecsToNextDay(now);
}

void MainWindow::showBillsOn(QDate day)
{
    listPage->showBillsOn(day);
    // The details page counts its days from today too; the editor keeps
    // what the user entered.
    const Event *shown = listPage->currentBill();
    if (ui->tabWidget->currentIndex() == DetailsTab && shown)
        showBillDetails(*shown);
}

// ---- the pages

void MainWindow::connectPaymentCommands()
{
    // The details page's payment commands act on the list's current bill,
    // which the page shows; the page shows it again after each.
    PaymentHistoryPanel *panel = detailsPage->historyPanel();
    PaymentCommands *payments = listPage->paymentCommands();
    const auto thenShow = [this](auto command) {
        return [this, command](auto... index) {
            if (command(index...))
                if (const Event *event = listPage->currentBill())
                    showBillDetails(*event);
        };
    };
    connect(panel, &PaymentHistoryPanel::payOtherRequested, this, thenShow([payments] { return payments->payOther(); }));
    connect(panel, &PaymentHistoryPanel::takeBackRequested, this,
            thenShow([payments] { return payments->takeBackLast(); }));
    connect(panel, &PaymentHistoryPanel::changeRequested, this,
            thenShow([payments](qsizetype index) { return payments->changePayment(index); }));
    connect(panel, &PaymentHistoryPanel::removeRequested, this,
            thenShow([payments](qsizetype index) { return payments->removePayment(index); }));
}

void MainWindow::showPage(Page page)
{
    ui->tabWidget->setCurrentIndex(page);
}

void MainWindow::showMonths()
{
    monthsPage->showBills(listPage->rowRecords(), currentDay());
    showPage(MonthsTab);
    monthsPage->table()->setFocus(Qt::OtherFocusReason);
}

Event *MainWindow::chosenBill(const QString &action) const
{
    Event *event = listPage->currentBill();
    if (!event)
        showPlainMessage(QMessageBox::Information, QStringLiteral("Select Bill"),
                         QStringLiteral("Please select a bill to %1.").arg(action));
    return event;
}

void MainWindow::on_addButton_clicked()
{
    editorPage->startNewBill();
    showPage(EditTab);
    ui->eventName->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_editButton_clicked()
{
    const Event *event = chosenBill(QStringLiteral("edit"));
    if (!event)
        return;
    editorPage->startEditing(*event);
    showPage(EditTab);
    ui->eventName->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_viewButton_clicked()
{
    const Event *event = chosenBill(QStringLiteral("view"));
    if (!event)
        return;
    showBillDetails(*event);
    showPage(DetailsTab);
    // From the top, where the keys scroll the text.
    pageScrolling->pageArea(DetailsTab)->verticalScrollBar()->setValue(0);
    pageScrolling->pageArea(DetailsTab)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_removeButton_clicked()
{
    listPage->removeSelectedBills();
}

void MainWindow::on_saveButton_clicked()
{
    const QModelIndex current = ui->eventTreeView->currentIndex();
    const bool adding = editorPage->isAdding() || !current.isValid();
    std::unique_ptr<Event> bill = editorPage->takeBill(adding ? nullptr : listPage->currentBill());
    if (!bill)
        return;
    if (adding)
        listPage->addBillRow(bill.release());
    else
        listPage->replaceBillRow(current.row(), bill.release());
    listPage->resortList();
    showPage(ListTab);
}

void MainWindow::on_cancelButton_clicked()
{
    showPage(ListTab);
}

void MainWindow::on_viewOKButton_clicked()
{
    showPage(ListTab);
}

void MainWindow::on_settingsButton_clicked()
{
    settingsPage->showStored();
    showPage(SettingsTab);
    settingsPage->focusChosenMethod();
}

void MainWindow::on_settingOKButton_clicked()
{
    settingsPage->storeChoices();
    showPage(ListTab);
    publishing->publishSoon(); // publishing may have been turned on
}

void MainWindow::on_settingsCancelButton_clicked()
{
    showPage(ListTab);
}

void MainWindow::on_updatePushButton_clicked()
{
    SettingsPage::checkForUpdates();
}

void MainWindow::on_exportButton_clicked()
{
    exchange->chooseExportFile();
}

void MainWindow::on_importButton_clicked()
{
    exchange->chooseImportFile();
}

void MainWindow::on_notifyCheckBox_stateChanged(int state)
{
    editorPage->enableNotifyDays(state == Qt::Checked);
}

void MainWindow::on_repeatingRadioButton_toggled(bool checked)
{
    editorPage->enableRepeating(checked);
}

void MainWindow::on_singularRadioButton_toggled(bool checked)
{
    editorPage->enableSingularDate(checked);
}

// ---- what the pages offer to the window's users

Event *MainWindow::eventAtRow(int row) const { return listPage->eventAtRow(row); }
void MainWindow::removeBillRow(int row) { listPage->removeBillRow(row); }
void MainWindow::removeBillRows(const QList<int> &rows) { listPage->removeBillRows(rows); }
bool MainWindow::markBillPaid(int row) { return listPage->markBillPaid(row); }
bool MainWindow::selectBill(const QString &name) { return listPage->selectBill(name); }
int MainWindow::importBills(const QString &path) { return exchange->importBills(path); }
bool MainWindow::exportBills(const QString &path) { return exchange->exportBills(path); }
bool MainWindow::exportToCalendar(const QString &path) { return exchange->exportToCalendar(path); }
void MainWindow::showBillDetails(const Event &event) { detailsPage->showBill(event, currentDay()); }

#include "moc_mainwindow.cpp"
