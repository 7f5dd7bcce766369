#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "billfilewatcher.h"
#include "billmodel.h"
#include "calendarexport.h"
#include "billrules.h"
#include "billtext.h"
#include "billtotals.h"
#include "daynumber.h"
#include "eventstore.h"
#include "longdatetexts.h"
#include "notificationsettings.h"
#include "occurrence.h"
#include "occurrencecounts.h"
#include "paymentstatus.h"
#include "windowgeometry.h"

#include <update.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTimeZone>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <numeric>
#include <memory>

namespace {

const char *const OrganizationName = "Tervona";
const char *const ApplicationName = "Payvane";
const char *const GeometryKey = "geometryMainWindow";
const char *const SortOrderKey = "sortOrder";
const char *const SortSectionKey = "sortSection";

enum BillColumn { DueDateColumn = 0, DaysColumn = 1, DetailsColumn = 2, DataColumn = 3, AmountColumn = 4 };
constexpr int VisibleColumns[] = {DueDateColumn, DaysColumn, DetailsColumn, AmountColumn};

// Overdue rows and the overdue total stand out in this colour, in bold.
const QColor OverdueColour(176, 0, 0);

QString billFileFilter()
{
    return QStringLiteral("Bill File (*") + QStringLiteral(".evt") + QStringLiteral(")");
}

QSettings nativeSettings()
{
    return QSettings(QString::fromLatin1(OrganizationName), QString::fromLatin1(ApplicationName));
}

// The program's one-sentence message boxes have no parent and run modally.
// Their sentences carry bill and file names, which are shown as they are,
// never as markup.
void showMessage(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool isChecked(const QStandardItemModel *model, int row)
{
    const QStandardItem *item = model->item(row);
    return item && item->checkState() == Qt::Checked;
}

void setChecked(QStandardItemModel *model, int row, bool checked)
{
    if (QStandardItem *item = model->item(row))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void uncheckAll(QStandardItemModel *model)
{
    for (int row = 0; row < model->rowCount(); ++row)
        setChecked(model, row, false);
}

QStandardItemModel *listModel(const QAbstractItemView *view)
{
    return qobject_cast<QStandardItemModel *>(view->model());
}

QStandardItemModel *checkableListModel(const QStringList &texts, QObject *parent)
{
    auto *model = new QStandardItemModel(parent);
    for (const QString &text : texts) {
        auto *item = new QStandardItem(text);
        item->setCheckable(true);
        model->appendRow(item);
    }
    return model;
}

QStringList weekdayNames()
{
    return {QStringLiteral("Monday"), QStringLiteral("Tuesday"), QStringLiteral("Wednesday"),
            QStringLiteral("Thursday"), QStringLiteral("Friday"), QStringLiteral("Saturday"),
            QStringLiteral("Sunday")};
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
    , ui((initResources(), new Ui::MainWindow))
    , billModel(nullptr)
    , billNameCounts(new QHash<QString, int>)
    , notificationSettings(new NotificationSettings)
{
    ui->setupUi(this);
    ui->tabWidget->setProperty("showTabs", false);
    makePagesScroll();
    ui->tabWidget->setCurrentIndex(ListPage);

    billModel = createBillModel(this);
    listedDay = currentDay();
    // The rows are filled in the order the stored sort gives them, so the
    // sort below finds nothing to move, and before the view watches them.
    const EventList loaded = billFile.load();
    const SortKeys sortKeys = storedSortKeys(BillTotals::anyAmount(loaded));
    addBillRowsAtTop(loaded, sortKeys);
    ui->eventTreeView->header()->setSortIndicator(sortKeys.section, sortKeys.order);
    setUpEditorModels();
    setUpAmountEditor();
    alignScheduleSentences();
    connectScheduleOptions();
    // A style change lays out every row of the list again: the list view
    // takes its model once the style sheets are final.
    setUpListView();
    setUpKeys();
    restoreWindowState();
    notificationSettings->load(settingsFilePath());
    keepDamagedBillFile();
    followTheDate();
    watchBillFile();
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
        showMessage(QMessageBox::Warning, QStringLiteral("Bill File"), notice);
    });
}

MainWindow::~MainWindow()
{
    // Tearing the widgets down moves the focus; this window no longer
    // follows it, nor the application's state.
    disconnect(qApp, nullptr, this, nullptr);
    // The rows own their records.
    const EventList records = rowRecords();
    qDeleteAll(records);
    delete billModel;
    delete billNameCounts;
    delete notificationSettings;
    delete ui;
}

// ---- construction

void MainWindow::setUpListView()
{
    ui->eventTreeView->setModel(billModel);
    ui->eventTreeView->hideColumn(DataColumn);
    // The amount stands before the details, which keep the rest of the width.
    QHeaderView *header = ui->eventTreeView->header();
    header->moveSection(header->visualIndex(AmountColumn), DetailsColumn);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    billModel->setHeaderData(AmountColumn, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    // The dates, days and amounts start as wide as their headers; the rows
    // widen them as they need (listChanged), and the details keep the rest.
    for (int column : {DueDateColumn, DaysColumn, AmountColumn})
        ui->eventTreeView->setColumnWidth(column, header->sectionSizeHint(column));
    connectListCommands();
    listChanged();
}

namespace {

QScrollArea *newScrollArea(const QString &name)
{
    auto *area = new QScrollArea;
    area->setObjectName(name);
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus);
    area->setWidgetResizable(true);
    return area;
}

void setScrolledWidget(QScrollArea *area, QWidget *contents)
{
    area->setWidget(contents);
    // The page's own colour (or the glass) shows, not the palette's.
    contents->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
}

// The scroll area whose contents hold the control, or null.
QScrollArea *scrollAreaAround(const QWidget *control)
{
    for (QWidget *outer = control->parentWidget(); outer; outer = outer->parentWidget()) {
        auto *area = qobject_cast<QScrollArea *>(outer);
        if (area && area->widget() && area->widget()->isAncestorOf(control))
            return area;
    }
    return nullptr;
}

} // namespace

void MainWindow::makePagesScroll()
{
    // The list keeps the height of the page, with its totals below it; the
    // column of commands beside it scrolls.
    auto *commands = new QWidget(ui->viewTab);
    commands->setObjectName(QStringLiteral("commandsWidget"));
    ui->horizontalLayout_2->removeItem(ui->verticalLayoutButtons);
    ui->verticalLayoutButtons->setParent(nullptr);
    ui->verticalLayoutButtons->setContentsMargins(0, 0, 0, 0);
    commands->setLayout(ui->verticalLayoutButtons);
    QScrollArea *commandsArea = newScrollArea(QStringLiteral("commandsScrollArea"));
    commandsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setScrolledWidget(commandsArea, commands);
    // As wide as the commands, with room for the scroll bar when it shows.
    commandsArea->setMinimumWidth(commands->minimumSizeHint().width()
                                  + commandsArea->verticalScrollBar()->sizeHint().width());
    commandsArea->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    ui->horizontalLayout_2->insertWidget(0, commandsArea);

    // The other pages scroll whole, each in a scroll area that takes its
    // place among the pages; the page keeps its layout and its colour.
    QTabWidget *pages = ui->tabWidget;
    for (int index = EditPage; index < pages->count(); ++index) {
        QWidget *page = pages->widget(index);
        const QString title = pages->tabText(index);
        QScrollArea *area = newScrollArea(page->objectName() + QLatin1String("ScrollArea"));
        pages->removeTab(index);
        setScrolledWidget(area, page);
        pages->insertTab(index, area, title);
    }
    // The details are text to read: their page takes the focus itself, so
    // that the keys scroll it.
    pageArea(DetailsPage)->setFocusPolicy(Qt::StrongFocus);
    pageArea(DetailsPage)->setAccessibleName(QStringLiteral("Bill details"));
    // Whatever takes the focus is scrolled into view (a Tab, or a check
    // that sends the user to a field) once the layouts have settled.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *focused) {
        QTimer::singleShot(0, this, [this, control = QPointer<QWidget>(focused)] {
            if (control && control->hasFocus())
                keepFocusInView(control);
        });
    });
}

QScrollArea *MainWindow::pageArea(Page page) const
{
    return qobject_cast<QScrollArea *>(ui->tabWidget->widget(page));
}

void MainWindow::keepFocusInView(QWidget *focused)
{
    QScrollArea *area = focused->window() == this ? scrollAreaAround(focused) : nullptr;
    if (!area)
        return;
    // The whole control where it fits, with some room around it; a larger
    // one shows the part that has the focus (a list its current row).
    const QRect place(focused->mapTo(area->widget(), QPoint(0, 0)), focused->size());
    const QSize room = area->viewport()->size();
    if (place.width() > room.width() || place.height() > room.height()) {
        area->ensureWidgetVisible(focused, 0, 0);
        return;
    }
    const int xMargin = std::min(20, (room.width() - place.width()) / 2);
    const int yMargin = std::min(20, (room.height() - place.height()) / 2);
    area->ensureVisible(place.center().x(), place.center().y(), place.width() / 2 + xMargin,
                        place.height() / 2 + yMargin);
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
    pressWith(ui->removeButton, QKeySequence::Delete, [this] { removeWithKey(); });
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
}

void MainWindow::removeWithKey()
{
    // The row the keyboard stands on counts as chosen when no row is.
    QItemSelectionModel *selection = ui->eventTreeView->selectionModel();
    const QModelIndex current = ui->eventTreeView->currentIndex();
    if (!selection->hasSelection() && current.isValid())
        selection->select(current, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ui->removeButton->click();
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

void MainWindow::widenNarrowColumns()
{
    // A column only grows, keeping what the user gave it. The view measures
    // a bounded number of rows.
    QTreeView *view = ui->eventTreeView;
    const QAbstractItemView *items = view;
    for (int column : {DueDateColumn, DaysColumn, AmountColumn}) {
        if (view->isColumnHidden(column))
            continue;
        const int needed = items->sizeHintForColumn(column);
        if (needed > view->columnWidth(column))
            view->setColumnWidth(column, needed);
    }
}

void MainWindow::connectListCommands()
{
    connect(ui->eventTreeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &MainWindow::updatePaidCommand);
    connect(ui->paidButton, &QAbstractButton::clicked, this, &MainWindow::payCurrentBill);
    connect(ui->eventTreeView, &QWidget::customContextMenuRequested, this, &MainWindow::showRowMenu);
    connect(ui->calendarButton, &QAbstractButton::clicked, this, &MainWindow::chooseCalendarFile);
}

void MainWindow::alignScheduleSentences()
{
    // "This bill is due on the [N] [days] of the month.": the words stand at
    // the top beside the tall list, so the number box goes to the top too,
    // and the words sit on the box's text line.
    const auto align = [](QBoxLayout *line, QSpinBox *number, std::initializer_list<QLabel *> words) {
        const int lineHeight = number->sizeHint().height();
        line->setAlignment(number, Qt::AlignTop);
        for (QLabel *label : words) {
            label->setMinimumHeight(lineHeight);
            label->setMaximumHeight(lineHeight);
            label->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignVCenter);
            line->setAlignment(label, Qt::AlignTop);
        }
    };
    align(ui->horizontalLayout_8, ui->monthlySpinBox, {ui->label_7, ui->label_8});
    align(ui->horizontalLayout_9, ui->yearlySpinBox, {ui->label_9, ui->label_10});
}

void MainWindow::connectScheduleOptions()
{
    // The start of "every N" counting matters only above 1.
    const auto follow = [this](QSpinBox *every, QDateEdit *from) {
        connect(every, &QSpinBox::valueChanged, from, [from](int value) { from->setEnabled(value > 1); });
    };
    follow(ui->weeklyEverySpinBox, ui->weeklyEveryDateEdit);
    follow(ui->monthlyEverySpinBox, ui->monthlyEveryDateEdit);
    follow(ui->yearlyEverySpinBox, ui->yearlyEveryDateEdit);
    // What a shorter month does matters only for "Day" N counted from the start.
    connect(ui->monthlyFromEndCheckBox, &QCheckBox::toggled, this, [this](bool fromEnd) {
        ui->shortMonthsLabel->setEnabled(!fromEnd);
        ui->shortMonthsComboBox->setEnabled(!fromEnd);
    });
}

void MainWindow::setUpEditorModels()
{
    ui->weeklyListView->setModel(createWeekdayModel(this));
    ui->monthlyListView->setModel(createDayOrWeekdayModel(this));
    ui->yearlyListView->setModel(createDayOrWeekdayModel(this));
    ui->yearlyMonthListView->setModel(createYearOrMonthModel(this));
    // Where the room runs short, the lists shrink to three rows (they
    // scroll themselves) before the page has to scroll.
    for (QListView *list : {ui->weeklyListView, ui->monthlyListView, ui->yearlyListView, ui->yearlyMonthListView})
        list->setMinimumHeight(3 * list->sizeHintForRow(0) + 2 * list->frameWidth());
    // The page's buttons are one line of text: their height does not depend
    // on their width, which leaves the page its minimum size.
    for (QCommandLinkButton *button : {ui->saveButton, ui->cancelButton}) {
        QSizePolicy policy = button->sizePolicy();
        policy.setHeightForWidth(false);
        button->setSizePolicy(policy);
    }
}

MainWindow::SortKeys MainWindow::storedSortKeys(bool amountShown)
{
    const QSettings settings = nativeSettings();
    int order = settings.value(QLatin1String(SortOrderKey), 0).toInt();
    int section = settings.value(QLatin1String(SortSectionKey), 0).toInt();
    // A damaged store must not sort by the hidden column or by nothing; the
    // amount counts while it is shown.
    if (order != Qt::AscendingOrder && order != Qt::DescendingOrder)
        order = Qt::AscendingOrder;
    const bool shownColumn = (section >= DueDateColumn && section <= DetailsColumn)
                             || (section == AmountColumn && amountShown);
    if (!shownColumn)
        section = DueDateColumn;
    return {section, Qt::SortOrder(order)};
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
    const QHeaderView *header = ui->eventTreeView->header();
    settings.setValue(QLatin1String(GeometryKey), saveGeometry());
    settings.setValue(QLatin1String(SortOrderKey), int(header->sortIndicatorOrder()));
    settings.setValue(QLatin1String(SortSectionKey), header->sortIndicatorSection());
}

// ---- closing

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The save may ask about bills changed twice; the list must not be
    // reloaded under it meanwhile.
    const QSignalBlocker blocker(billFileWatcher);
    QString reason;
    if (!billFile.save(rowRecords(), &reason) && !confirmCloseWithoutSaving(reason)) {
        event->ignore();
        return;
    }
    saveWindowState();
    QMainWindow::closeEvent(event);
}

bool MainWindow::confirmCloseWithoutSaving(const QString &reason)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Save Bills"),
                    QStringLiteral("Your bills could not be saved to %1 (%2): close anyway and lose "
                                   "the changes?")
                        .arg(nativePath(billFile.path()), reason));
    box.setTextFormat(Qt::PlainText);
    QPushButton *closeButton = box.addButton(QStringLiteral("Close Anyway"), QMessageBox::DestructiveRole);
    QPushButton *stayButton = box.addButton(QStringLiteral("Stay Open"), QMessageBox::RejectRole);
    box.setDefaultButton(stayButton);
    box.exec();
    return box.clickedButton() == closeButton;
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
    billFile.setConflictResolver([](const BillConflict &conflict) { return askWhichBillToKeep(conflict); });
    billFileWatcher = new BillFileWatcher(billFile.path(), this);
    connect(billFileWatcher, &BillFileWatcher::changed, this, &MainWindow::showBillFileChanges);
    // The editor and the details page keep what they show; the list takes
    // the file's changes when it is shown again.
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == ListPage && billFileChangePending)
            showBillFileChanges();
    });
}

void MainWindow::showBillFileChanges()
{
    if (ui->tabWidget->currentIndex() != ListPage) {
        billFileChangePending = true;
        return;
    }
    billFileChangePending = false;
    bool reloaded = false;
    {
        // A question about a bill changed twice must not start another reload.
        const QSignalBlocker blocker(billFileWatcher);
        const EventList records = rowRecords();
        QList<qsizetype> fromOurs;
        std::optional<EventList> merged = billFile.reload(records, &fromOurs);
        if (merged)
            replaceAllRows(records, *merged, fromOurs);
        reloaded = merged.has_value();
    }
    // The file may have changed again while a question was open. (A file
    // that cannot be merged now is left to the save.)
    if (reloaded && billFile.changedOnDisk())
        QTimer::singleShot(0, this, &MainWindow::showBillFileChanges);
}

void MainWindow::replaceAllRows(const EventList &records, const EventList &merged, const QList<qsizetype> &fromOurs)
{
    // The current and selected bills stay current and selected where the
    // merge kept them.
    QHash<const Event *, qsizetype> recordIndex;
    for (qsizetype k = 0; k < records.size(); ++k)
        recordIndex.insert(records.at(k), k);
    const auto mergedIndex = [&](int row) { return fromOurs.value(recordIndex.value(eventAtRow(row), -1), -1); };
    const QModelIndex current = ui->eventTreeView->currentIndex();
    const qsizetype currentBill = current.isValid() ? mergedIndex(current.row()) : -1;
    QSet<qsizetype> selectedBills;
    for (const QModelIndex &index : ui->eventTreeView->selectionModel()->selectedRows(0))
        selectedBills.insert(mergedIndex(index.row()));

    billModel->removeRows(0, billModel->rowCount());
    qDeleteAll(records);
    billNameCounts->clear();
    const QHeaderView *header = ui->eventTreeView->header();
    addBillRowsAtTop(merged, SortKeys{header->sortIndicatorSection(), header->sortIndicatorOrder()});

    QHash<const Event *, qsizetype> mergedOf;
    for (qsizetype k = 0; k < merged.size(); ++k)
        mergedOf.insert(merged.at(k), k);
    QItemSelectionModel *selection = ui->eventTreeView->selectionModel();
    for (int row = 0; row < billModel->rowCount(); ++row) {
        const qsizetype k = mergedOf.value(eventAtRow(row), -1);
        const QModelIndex index = billModel->index(row, DueDateColumn);
        if (k >= 0 && k == currentBill)
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        if (k >= 0 && selectedBills.contains(k))
            selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    updatePaidCommand();
}

BillChoice MainWindow::askWhichBillToKeep(const BillConflict &conflict)
{
    // Names are shown as they are, never as markup.
    const QString name = conflict.base->name;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Bill Changed Twice"), QString(), QMessageBox::NoButton);
    box.setTextFormat(Qt::PlainText);
    QHash<QAbstractButton *, BillChoice> choices;
    const auto addChoice = [&](const QString &text, QMessageBox::ButtonRole role, BillChoice choice) {
        QPushButton *button = box.addButton(text, role);
        choices.insert(button, choice);
        return button;
    };
    if (!conflict.ours) {
        box.setText(QStringLiteral("You removed the bill %1, but it was changed meanwhile in your bill file, by "
                                   "another program. Remove it anyway?").arg(name));
        box.setDefaultButton(addChoice(QStringLiteral("Remove"), QMessageBox::AcceptRole, BillChoice::Ours));
        addChoice(QStringLiteral("Keep"), QMessageBox::RejectRole, BillChoice::Theirs);
    } else if (!conflict.theirs) {
        box.setText(QStringLiteral("You changed the bill %1, but it was removed meanwhile from your bill file, by "
                                   "another program. Keep your version?").arg(name));
        box.setDefaultButton(addChoice(QStringLiteral("Keep Mine"), QMessageBox::AcceptRole, BillChoice::Ours));
        addChoice(QStringLiteral("Remove"), QMessageBox::RejectRole, BillChoice::Theirs);
    } else {
        box.setText(QStringLiteral("The bill %1 was changed here and, meanwhile, in your bill file, by another "
                                   "program. Which changes do you want to keep?").arg(name));
        QPushButton *both = conflict.separateChanges
                                ? addChoice(QStringLiteral("Keep Both"), QMessageBox::AcceptRole, BillChoice::Both)
                                : nullptr;
        QPushButton *mine = addChoice(QStringLiteral("Keep Mine"), QMessageBox::AcceptRole, BillChoice::Ours);
        addChoice(QStringLiteral("Keep the Other"), QMessageBox::RejectRole, BillChoice::Theirs);
        box.setDefaultButton(both ? both : mine);
    }
    box.exec();
    // Closed without an answer: this window's version, as before merging.
    return choices.value(box.clickedButton(), BillChoice::Ours);
}

// ---- pages

void MainWindow::showPage(Page page)
{
    ui->tabWidget->setCurrentIndex(page);
}

void MainWindow::on_viewOKButton_clicked()
{
    showPage(ListPage);
}

void MainWindow::on_cancelButton_clicked()
{
    showPage(ListPage);
}

// The settings page edits the notification flags of "settings.ini" and the
// updater's automatic checks; it shows the stored values each time it is
// entered, so choices left with Cancel are not seen again.
void MainWindow::on_settingOKButton_clicked()
{
    // The desktop's notifications fall back to the popup dialog where no
    // notification service answers, and a reader of the two written flags
    // sees the popup dialog.
    notificationSettings->desktopNotifications = ui->desktopRadioButton->isChecked();
    notificationSettings->popupDialog = ui->popupRadioButton->isChecked() || ui->desktopRadioButton->isChecked();
    notificationSettings->separateNotifications = ui->seperateCheckBox->isChecked();
    // The choices hold in memory either way; the user learns that they will
    // not outlast this run.
    QString reason;
    if (!notificationSettings->save(settingsFilePath(), &reason)) {
        showMessage(QMessageBox::Warning, QStringLiteral("Save Settings"),
                    QStringLiteral("Your settings could not be saved to %1 (%2).")
                        .arg(nativePath(settingsFilePath()), reason));
    }
    Update::getUpdater()->setAutoRun(ui->updateCheckBox->isChecked());
    showPage(ListPage);
}

void MainWindow::on_settingsCancelButton_clicked()
{
    showPage(ListPage);
}

void MainWindow::on_settingsButton_clicked()
{
    const bool desktop = notificationSettings->desktopNotifications;
    ui->trayRadioButton->setChecked(!notificationSettings->popupDialog && !desktop);
    ui->popupRadioButton->setChecked(notificationSettings->popupDialog && !desktop);
    ui->desktopRadioButton->setChecked(desktop);
    ui->seperateCheckBox->setChecked(notificationSettings->separateNotifications);
    ui->updateCheckBox->setChecked(Update::getUpdater()->autoRun());
    showPage(SettingsPage);
    // The first choice, the one that is made.
    for (QRadioButton *method : {ui->trayRadioButton, ui->popupRadioButton, ui->desktopRadioButton}) {
        if (method->isChecked())
            method->setFocus(Qt::OtherFocusReason);
    }
}

// Everything the check shows is the updater's; the page stays as it is.
void MainWindow::on_updatePushButton_clicked()
{
    Update::getUpdater()->manualCheck();
}

// ---- the bill list

BillModel *MainWindow::createBillModel(QObject *parent)
{
    auto *model = new BillModel(parent);
    model->setHeaderData(DueDateColumn, Qt::Horizontal, QObject::tr("Due Date"), Qt::EditRole);
    model->setHeaderData(DaysColumn, Qt::Horizontal, QObject::tr("Days Remaining"), Qt::EditRole);
    model->setHeaderData(DetailsColumn, Qt::Horizontal, QObject::tr("Details"), Qt::EditRole);
    model->setHeaderData(DataColumn, Qt::Horizontal, QObject::tr("Data"), Qt::EditRole);
    model->setHeaderData(AmountColumn, Qt::Horizontal, QObject::tr("Amount"), Qt::EditRole);
    return model;
}

Event *MainWindow::eventAtRow(int row) const
{
    const QStandardItem *item = billModel->item(row, DataColumn);
    return item ? static_cast<Event *>(item->data(BillModel::RecordRole).value<void *>()) : nullptr;
}

namespace {

// What a row shows: its list line and the bill's amount.
struct RowValues
{
    BillRow line;
    Money amount;
};

int clampedToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QString overdueDaysText(qint64 days)
{
    return days == 1 ? QStringLiteral("1 day overdue") : QStringLiteral("%1 days overdue").arg(days);
}

// What a row shows in a column, as the model holds it.
QVariant cellValue(const RowValues &values, int column)
{
    switch (column) {
    case DueDateColumn:
        return values.line.dueDate;
    case DaysColumn:
        if (values.line.payment.isOverdue())
            return overdueDaysText(values.line.payment.daysOverdue);
        return values.line.daysLeft >= 0 ? QVariant(clampedToInt(values.line.daysLeft)) : QVariant(QStringLiteral("N/A"));
    case AmountColumn:
        return values.amount.isNull() ? QVariant() : QVariant(values.amount.toString(QLocale()));
    default:
        return values.line.details;
    }
}

// What a cell sorts by where that is not what it shows; invalid otherwise.
// Days overdue count as days below zero, so the days column reads overdue
// bills (most overdue first), then the days to go, then "N/A". Amounts sort
// by currency, then by value: the code, then the minor units moved into
// unsigned range (so that order is the text's order) in 20 digits.
QVariant cellSortKey(const RowValues &values, int column)
{
    if (column == DaysColumn && values.line.payment.isOverdue())
        return -clampedToInt(values.line.payment.daysOverdue);
    if (column == AmountColumn && !values.amount.isNull()) {
        const quint64 units = quint64(values.amount.minorUnits()) ^ (quint64(1) << 63);
        return values.amount.currency() + QStringLiteral("%1").arg(units, 20, 10, QLatin1Char('0'));
    }
    return QVariant();
}

QVariant sortValue(const RowValues &values, int column)
{
    const QVariant key = cellSortKey(values, column);
    return key.isValid() ? key : cellValue(values, column);
}

QFont overdueFont()
{
    QFont font;
    font.setBold(true); // only the weight: the view's font gives the rest
    return font;
}

// Sets a role, or takes it away; an absent role is left absent.
void setRole(QStandardItem *cell, int role, const QVariant &value)
{
    if (value.isValid() || cell->data(role).isValid())
        cell->setData(value, role);
}

// Everything a row's cell shows: the value, how it sorts, and the look of
// an overdue bill.
void fillCell(QStandardItem *cell, const RowValues &values, int column)
{
    setRole(cell, Qt::EditRole, cellValue(values, column));
    setRole(cell, BillModel::SortKeyRole, cellSortKey(values, column));
    const bool overdue = values.line.payment.isOverdue();
    setRole(cell, Qt::ForegroundRole, overdue ? QVariant(OverdueColour) : QVariant());
    setRole(cell, Qt::FontRole, overdue ? QVariant(overdueFont()) : QVariant());
    if (column == AmountColumn)
        setRole(cell, Qt::TextAlignmentRole,
                values.amount.isNull() ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter)));
}

} // namespace

void MainWindow::setRowCells(int row, const BillRow &line, const Money &amount)
{
    const RowValues values{line, amount};
    for (int column : VisibleColumns)
        fillCell(billModel->item(row, column), values, column);
}

void MainWindow::fillBillRow(int row, const Event &event, QDate today, LongDateTexts &dateTexts)
{
    setRowCells(row, billRow(event, today, nextDueDate(event, today), remainingOccurrences(event, today), dateTexts),
                event.amount);
}

void MainWindow::setRowRecord(int row, Event *event)
{
    billModel->item(row, DataColumn)->setData(QVariant::fromValue(static_cast<void *>(event)), BillModel::RecordRole);
    countName(event->name, +1);
}

void MainWindow::addBillRowsAtTop(const EventList &records)
{
    addBillRowsAtTop(records, SortKeys());
}

void MainWindow::addBillRowsAtTop(const EventList &records, const SortKeys &sortKeys)
{
    const int count = int(records.size());
    if (count == 0)
        return;
    const bool wasEmpty = billModel->rowCount() == 0;
    const QDate today = currentDay();
    LongDateTexts dateTexts;
    OccurrenceCounts occurrences(today);

    // Each record in turn goes to the top, so the last one ends up first.
    QList<Event *> inRowOrder;
    QList<RowValues> values;
    inRowOrder.reserve(count);
    values.reserve(count);
    for (int i = count - 1; i >= 0; --i) {
        Event *event = records.at(i);
        inRowOrder.append(event);
        values.append({billRow(*event, today, occurrences.nextDue(*event), occurrences.remaining(*event), dateTexts),
                       event->amount});
    }
    QList<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    if (wasEmpty && sortKeys.section >= 0) {
        QList<QVariant> keys;
        keys.reserve(count);
        for (const RowValues &row : values)
            keys.append(sortValue(row, sortKeys.section));
        order = BillModel::sortedOrder(keys, sortKeys.order);
    }
    billNameCounts->reserve(billNameCounts->size() + count);
    if (wasEmpty) {
        // Items filled before they join the model cost no change notices.
        for (int row = 0; row < count; ++row) {
            const RowValues &rowValues = values.at(order.at(row));
            QList<QStandardItem *> cells;
            cells.reserve(BillModel::ColumnCount);
            for (int column = 0; column < BillModel::ColumnCount; ++column) {
                auto *cell = new QStandardItem;
                if (column == DataColumn)
                    cell->setData(QVariant::fromValue(static_cast<void *>(inRowOrder.at(order.at(row)))),
                                  BillModel::RecordRole);
                else
                    fillCell(cell, rowValues, column);
                cells.append(cell);
            }
            billModel->appendRow(cells);
        }
        // In the file's order, which is the order of the records in memory.
        for (const Event *event : records)
            countName(event->name, +1);
        listChanged();
        return;
    }
    billModel->insertRowsAtTop(count);
    {
        // One change notice for all rows instead of one per cell.
        const QSignalBlocker blocker(billModel);
        for (int row = 0; row < count; ++row) {
            const RowValues &rowValues = values.at(order.at(row));
            setRowCells(row, rowValues.line, rowValues.amount);
            setRowRecord(row, inRowOrder.at(order.at(row)));
        }
    }
    emit billModel->dataChanged(billModel->index(0, 0), billModel->index(count - 1, BillModel::ColumnCount - 1));
    listChanged();
}

void MainWindow::countName(const QString &name, int change)
{
    int &count = (*billNameCounts)[name];
    count = std::max(0, count + change);
}

void MainWindow::addBillRow(Event *event)
{
    addBillRowsAtTop({event});
}

void MainWindow::replaceBillRow(int row, Event *event)
{
    LongDateTexts dateTexts;
    fillBillRow(row, *event, currentDay(), dateTexts);
    Event *old = eventAtRow(row);
    billFile.recordReplaced(old, event);
    if (old) {
        countName(old->name, -1);
        countName(event->name, +1);
        delete old;
    } else {
        countName(event->name, +1);
    }
    billModel->item(row, DataColumn)->setData(QVariant::fromValue(static_cast<void *>(event)), BillModel::RecordRole);
    listChanged();
}

void MainWindow::removeBillRow(int row)
{
    removeBillRows({row});
}

void MainWindow::removeBillRows(const QList<int> &rows)
{
    // Each row once, and only rows that exist: a record must be deleted once.
    QList<int> unique;
    unique.reserve(rows.size());
    for (int row : rows) {
        if (row >= 0 && row < billModel->rowCount() && !unique.contains(row))
            unique.append(row);
    }
    for (int row : std::as_const(unique)) {
        Event *event = eventAtRow(row);
        if (!event)
            continue;
        countName(event->name, -1);
        billFile.recordRemoved(event);
        delete event;
    }
    billModel->removeRowsKeepingOrder(unique);
    listChanged();
}

void MainWindow::loadBillModel(const QString &path)
{
    addBillRowsAtTop(loadEvents(path));
}

EventList MainWindow::rowRecords() const
{
    EventList records;
    records.reserve(billModel->rowCount());
    for (int row = 0; row < billModel->rowCount(); ++row) {
        if (Event *event = eventAtRow(row))
            records.append(event);
    }
    return records;
}

bool MainWindow::saveBillModel(const QString &path, QString *errorString) const
{
    return saveEvents(rowRecords(), path, errorString);
}

void MainWindow::resortList()
{
    const QHeaderView *header = ui->eventTreeView->header();
    ui->eventTreeView->sortByColumn(header->sortIndicatorSection(), header->sortIndicatorOrder());
    // The row the keyboard stands on stays in view wherever it moved.
    const QModelIndex current = ui->eventTreeView->currentIndex();
    if (current.isValid())
        ui->eventTreeView->scrollTo(current);
}

// ---- the day shown

void MainWindow::setClock(Clock source)
{
    clock = std::move(source);
    checkTheDate();
}

QDate MainWindow::currentDay() const
{
    return clock().date();
}

qint64 MainWindow::msecsToNextDay(const QDateTime &now)
{
    const QDate tomorrow = now.date().addDays(1);
    const QDateTime next = now.timeSpec() == Qt::TimeZone ? tomorrow.startOfDay(now.timeZone())
                                                          : tomorrow.startOfDay(now.timeSpec(), now.offsetFromUtc());
    return now.msecsTo(next);
}

void MainWindow::followTheDate()
{
    // A timer set to the next midnight. A monotonic timer stands still
    // while the machine sleeps, and the wall clock may be set or change its
    // zone: a check every minute, and whenever the program is activated,
    // catches the day wherever it moved.
    midnightTimer = new QTimer(this);
    midnightTimer->setObjectName(QStringLiteral("midnightTimer"));
    midnightTimer->setSingleShot(true);
    midnightTimer->setTimerType(Qt::PreciseTimer);
    connect(midnightTimer, &QTimer::timeout, this, &MainWindow::checkTheDate);
    auto *minuteTimer = new QTimer(this);
    minuteTimer->setObjectName(QStringLiteral("dateCheckTimer"));
    connect(minuteTimer, &QTimer::timeout, this, &MainWindow::checkTheDate);
    minuteTimer->start(60 * 1000);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            checkTheDate();
    });
    checkTheDate();
}

void MainWindow::checkTheDate()
{
    const QDateTime now = clock();
    if (now.date() != listedDay)
        showBillsOn(now.date());
    // At least a millisecond: a timer that fired a little early sets
    // itself again for what is left of the day.
    midnightTimer->start(int(std::clamp<qint64>(msecsToNextDay(now), 1, 25 * 60 * 60 * 1000)));
}

void MainWindow::showBillsOn(QDate day)
{
    listedDay = day;
    const int count = billModel->rowCount();
    if (count > 0) {
        LongDateTexts dateTexts;
        OccurrenceCounts occurrences(day);
        {
            // One change notice for all rows instead of one per cell.
            const QSignalBlocker blocker(billModel);
            for (int row = 0; row < count; ++row) {
                const Event *event = eventAtRow(row);
                if (!event)
                    continue;
                const DueDate next = occurrences.nextDue(*event);
                setRowCells(row, billRow(*event, day, next, occurrences.remaining(*event), dateTexts), event->amount);
            }
        }
        emit billModel->dataChanged(billModel->index(0, 0), billModel->index(count - 1, BillModel::ColumnCount - 1));
    }
    listChanged();
    resortList();
    // The details page counts its days from today too; the editor keeps
    // what the user entered.
    const Event *shown = currentBill();
    if (ui->tabWidget->currentIndex() == DetailsPage && shown)
        showBillDetails(*shown);
}

void MainWindow::listChanged()
{
    // The construction fills the rows before the view takes the model, and
    // comes here once the view has it.
    if (ui->eventTreeView->model() != billModel)
        return;
    const EventList records = rowRecords();
    const BillTotals totals(records, currentDay());
    ui->dueSoonLabel->setText(totals.dueSoonText(QLocale()));
    ui->overdueLabel->setText(totals.overdueText(QLocale()));
    const bool overdue = !totals.overdue().isEmpty();
    if (ui->overdueLabel->property("overdue").toBool() != overdue) {
        ui->overdueLabel->setProperty("overdue", overdue);
        ui->overdueLabel->setStyleSheet(overdue ? QStringLiteral("color: %1; font-weight: bold;").arg(OverdueColour.name())
                                                : QString());
    }
    showAmountColumn(BillTotals::anyAmount(records));
    widenNarrowColumns();
    updatePaidCommand();
}

void MainWindow::showAmountColumn(bool shown)
{
    QTreeView *view = ui->eventTreeView;
    if (view->isColumnHidden(AmountColumn) != shown)
        return;
    view->setColumnHidden(AmountColumn, !shown);
    // A list sorted by the amounts goes back to the due dates when the last
    // amount goes.
    QHeaderView *header = view->header();
    if (!shown && header->sortIndicatorSection() == AmountColumn)
        view->sortByColumn(DueDateColumn, header->sortIndicatorOrder());
}

Event *MainWindow::currentBill() const
{
    const QModelIndex current = ui->eventTreeView->currentIndex();
    return current.isValid() ? eventAtRow(current.row()) : nullptr;
}

void MainWindow::updatePaidCommand()
{
    const Event *event = currentBill();
    ui->paidButton->setEnabled(event && dueDateToPay(*event, currentDay()).date.isValid());
}

bool MainWindow::markBillPaid(int row)
{
    Event *event = eventAtRow(row);
    if (!event)
        return false;
    const QDate today = currentDay();
    if (markPaid(*event, today).date.isNull())
        return false;
    LongDateTexts dateTexts;
    fillBillRow(row, *event, today, dateTexts);
    listChanged();
    resortList();
    return true;
}

void MainWindow::payCurrentBill()
{
    const Event *event = currentBill();
    if (!event)
        return;
    const DueDate due = dueDateToPay(*event, currentDay());
    if (due.date.isNull())
        return;
    // Nothing takes a payment back but turning tracking off, which forgets
    // them all: the user says yes first.
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm Payment"),
                    QStringLiteral("Mark %1 paid for its due date of %2?").arg(event->name, longDateText(due.date, QLocale())),
                    QMessageBox::Yes | QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes)
        return;
    // The row may have moved while the box was open; the current index moved with it.
    const QModelIndex current = ui->eventTreeView->currentIndex();
    if (current.isValid())
        markBillPaid(current.row());
}

void MainWindow::showRowMenu(const QPoint &position)
{
    QTreeView *list = ui->eventTreeView;
    const QModelIndex index = list->indexAt(position);
    if (!index.isValid())
        return;
    // The menu acts on the row it was opened on: a row outside the selection
    // becomes the selection; within it, the selection stays as it is.
    QItemSelectionModel *selection = list->selectionModel();
    const bool selected = selection->isRowSelected(index.row(), index.parent());
    selection->setCurrentIndex(index, selected ? QItemSelectionModel::NoUpdate
                                               : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QMenu menu(this);
    QAction *paid = menu.addAction(ui->paidButton->icon(), QStringLiteral("Paid"));
    paid->setEnabled(ui->paidButton->isEnabled());
    menu.addSeparator();
    QAction *edit = menu.addAction(ui->editButton->icon(), QStringLiteral("Edit Bill"));
    QAction *view = menu.addAction(ui->viewButton->icon(), QStringLiteral("View Bill"));
    QAction *remove = menu.addAction(ui->removeButton->icon(), QStringLiteral("Remove Bill"));
    QAction *chosen = menu.exec(list->viewport()->mapToGlobal(position));
    if (chosen == paid)
        payCurrentBill();
    else if (chosen == edit)
        on_editButton_clicked();
    else if (chosen == view)
        on_viewButton_clicked();
    else if (chosen == remove)
        on_removeButton_clicked();
}

void MainWindow::on_removeButton_clicked()
{
    const QModelIndexList selected = ui->eventTreeView->selectionModel()->selectedRows(0);
    if (selected.isEmpty()) {
        showMessage(QMessageBox::Information, QStringLiteral("Select Bill"),
                    QStringLiteral("Please select a bill to remove."));
        return;
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm Removal"),
                    selected.size() == 1
                        ? QStringLiteral("Are you sure you wish to permanently remove this bill?")
                        : QStringLiteral("Are you sure you wish to permanently remove these bills?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes)
        return;
    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    removeBillRows(rows);
}

void MainWindow::chooseCalendarFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString path = QFileDialog::getSaveFileName(this, tr("Export to Calendar"),
                                                      QDir(folder).filePath(QStringLiteral("Payvane.ics")),
                                                      QStringLiteral("Calendar File (*.ics)"));
    if (!path.isEmpty())
        exportToCalendar(path);
}

bool MainWindow::exportToCalendar(const QString &path)
{
    // The selected bills, or all of them.
    EventList bills;
    const QModelIndexList selected = ui->eventTreeView->selectionModel()->selectedRows(0);
    for (const QModelIndex &index : selected) {
        if (Event *event = eventAtRow(index.row()))
            bills.append(event);
    }
    if (bills.isEmpty())
        bills = rowRecords();

    CalendarExport calendar(currentDay());
    calendar.setDescriptionFunction([](const Event &event) {
        return event.amount.isNull() ? QString() : QStringLiteral("Amount: %1").arg(event.amount.toString(QLocale()));
    });
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !calendar.write(&file, bills)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        showMessage(QMessageBox::Warning, QStringLiteral("Export to Calendar"),
                    QStringLiteral("The calendar could not be saved to %1 (%2).").arg(nativePath(path), reason));
        return false;
    }
    if (calendar.billsWritten() == 0) {
        file.cancelWriting();
        showMessage(QMessageBox::Information, QStringLiteral("Export to Calendar"),
                    QStringLiteral("None of these bills is due again, so there is nothing to put in a calendar."));
        return false;
    }
    if (!file.commit()) {
        showMessage(QMessageBox::Warning, QStringLiteral("Export to Calendar"),
                    QStringLiteral("The calendar could not be saved to %1 (%2).")
                        .arg(nativePath(path), file.errorString()));
        return false;
    }
    return true;
}

void MainWindow::on_exportButton_clicked()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Bills"), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
        billFileFilter());
    if (!path.isEmpty())
        exportBills(path);
}

bool MainWindow::exportBills(const QString &path)
{
    QString reason;
    if (saveBillModel(path, &reason))
        return true;
    showMessage(QMessageBox::Warning, QStringLiteral("Export Bills"),
                QStringLiteral("The bills could not be saved to %1 (%2).").arg(nativePath(path), reason));
    return false;
}

void MainWindow::on_importButton_clicked()
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Import Bills"), QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
        billFileFilter());
    if (!path.isEmpty())
        importBills(path);
}

int MainWindow::importBills(const QString &path)
{
    // The loader answers an empty list for a file it cannot open, which the
    // user would take for a file without bills.
    const BillFileRead read = readBillFile(path);
    if (read.state == BillFileState::Missing || read.state == BillFileState::Unreadable) {
        showMessage(QMessageBox::Warning, QStringLiteral("Import Bills"),
                    QStringLiteral("The file %1 could not be opened (%2).")
                        .arg(nativePath(path), read.state == BillFileState::Missing
                                                   ? QStringLiteral("No such file or directory")
                                                   : read.problem));
        return -1;
    }
    if (read.state == BillFileState::Damaged)
        showMessage(QMessageBox::Warning, QStringLiteral("Import Bills"),
                    QStringLiteral("The file %1 could be read only in part (%2), so only the bills "
                                   "before the damage are imported.")
                        .arg(nativePath(path), read.problem));
    const EventList &loaded = read.events;
    // A bill whose name is listed (or was taken earlier from this file) is
    // left out; the rest go to the top one after another.
    QHash<QString, int> counts = *billNameCounts;
    EventList taken;
    for (Event *event : loaded) {
        int &count = counts[event->name];
        if (count != 0) {
            delete event;
            continue;
        }
        ++count;
        taken.append(event);
    }
    addBillRowsAtTop(taken);
    resortList();
    return int(taken.size());
}

bool MainWindow::selectBill(const QString &name)
{
    for (int row = 0; row < billModel->rowCount(); ++row) {
        const Event *event = eventAtRow(row);
        if (!event || event->name != name)
            continue;
        const QModelIndex index = billModel->index(row, DueDateColumn);
        ui->eventTreeView->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ui->eventTreeView->scrollTo(index);
        return true;
    }
    return false;
}

// ---- the editor

QStandardItemModel *MainWindow::createWeekdayModel(QObject *parent)
{
    return checkableListModel(weekdayNames(), parent);
}

QStandardItemModel *MainWindow::createDayOrWeekdayModel(QObject *parent)
{
    return checkableListModel(QStringList{QStringLiteral("Day")} + weekdayNames(), parent);
}

QStandardItemModel *MainWindow::createYearOrMonthModel(QObject *parent)
{
    return checkableListModel(
        {QStringLiteral("Year"), QStringLiteral("January"), QStringLiteral("February"),
         QStringLiteral("March"), QStringLiteral("April"), QStringLiteral("May"),
         QStringLiteral("June"), QStringLiteral("July"), QStringLiteral("August"),
         QStringLiteral("September"), QStringLiteral("October"), QStringLiteral("November"),
         QStringLiteral("December")},
        parent);
}

void MainWindow::on_addButton_clicked()
{
    ui->tabWidget->setProperty("addMode", true);
    clearEditor();
    showPage(EditPage);
    ui->eventName->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_editButton_clicked()
{
    const QModelIndex current = ui->eventTreeView->currentIndex();
    const Event *event = current.isValid() ? eventAtRow(current.row()) : nullptr;
    if (!event) {
        showMessage(QMessageBox::Information, QStringLiteral("Select Bill"),
                    QStringLiteral("Please select a bill to edit."));
        return;
    }
    ui->tabWidget->setProperty("addMode", false);
    loadEditor(*event);
    showPage(EditPage);
    ui->eventName->setFocus(Qt::OtherFocusReason);
}

void MainWindow::clearEditor()
{
    const QDate today = currentDay();
    ui->eventName->setText(QString());
    ui->alwaysRadioButton->setChecked(true);
    ui->timesSpinBox->setValue(0);
    ui->untilDateEdit->setDate(today);
    ui->repeatingRadioButton->setChecked(true);
    ui->eventDate->setDate(today);
    ui->repeatingTabWidget->setCurrentIndex(0);
    uncheckAll(listModel(ui->weeklyListView));
    uncheckAll(listModel(ui->monthlyListView));
    ui->monthlySpinBox->setValue(1);
    uncheckAll(listModel(ui->yearlyListView));
    uncheckAll(listModel(ui->yearlyMonthListView));
    ui->yearlySpinBox->setValue(1);
    ui->notifyCheckBox->setCheckState(Qt::Checked);
    ui->notifyMaxSpinBox->setValue(10);
    ui->showOnceCheckBox->setChecked(true);
    loadScheduleOptions(Event());
    loadAmount(Money());
    ui->trackPaymentsCheckBox->setChecked(false);
}

void MainWindow::loadScheduleOptions(const Event &event)
{
    const QDate today = currentDay();
    const ScheduleOptions &options = event.options;
    const auto loadEvery = [&](qint32 schedule, QSpinBox *every, QDateEdit *from) {
        const bool own = event.schedule == schedule && options.effectiveEvery() > 1;
        every->setValue(own ? options.every : 1);
        from->setDate(own ? options.everyFrom : today);
        from->setEnabled(every->value() > 1);
    };
    loadEvery(Event::ScheduleWeekly, ui->weeklyEverySpinBox, ui->weeklyEveryDateEdit);
    loadEvery(Event::ScheduleMonthly, ui->monthlyEverySpinBox, ui->monthlyEveryDateEdit);
    loadEvery(Event::ScheduleYearly, ui->yearlyEverySpinBox, ui->yearlyEveryDateEdit);

    // Counted from the end, the number box holds the N from the end.
    const bool fromEnd = options.fromEnd > 0;
    ui->monthlyFromEndCheckBox->setChecked(fromEnd && event.schedule == Event::ScheduleMonthly);
    ui->yearlyFromEndCheckBox->setChecked(fromEnd && event.schedule == Event::ScheduleYearly);
    if (fromEnd && event.schedule == Event::ScheduleMonthly)
        ui->monthlySpinBox->setValue(options.fromEnd);
    if (fromEnd && event.schedule == Event::ScheduleYearly)
        ui->yearlySpinBox->setValue(options.fromEnd);
    ui->shortMonthsComboBox->setCurrentIndex(options.shortMonths == ScheduleOptions::LastDay ? 1 : 0);
    const bool knownWeekends = options.weekends == ScheduleOptions::FridayBefore
                               || options.weekends == ScheduleOptions::MondayAfter;
    ui->weekendComboBox->setCurrentIndex(knownWeekends ? int(options.weekends) : 0);
}

void MainWindow::readScheduleOptions(Event &event) const
{
    event.options = ScheduleOptions();
    if (ui->singularRadioButton->isChecked())
        return;
    const auto readEvery = [&event](const QSpinBox *every, const QDateEdit *from) {
        event.options.every = every->value();
        if (event.options.every > 1)
            event.options.everyFrom = from->date();
    };
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        readEvery(ui->weeklyEverySpinBox, ui->weeklyEveryDateEdit);
        break;
    case Event::ScheduleMonthly:
        readEvery(ui->monthlyEverySpinBox, ui->monthlyEveryDateEdit);
        if (ui->monthlyFromEndCheckBox->isChecked())
            event.options.fromEnd = event.ordinal;
        else if (ui->shortMonthsComboBox->currentIndex() == 1)
            event.options.shortMonths = ScheduleOptions::LastDay;
        break;
    default:
        readEvery(ui->yearlyEverySpinBox, ui->yearlyEveryDateEdit);
        if (ui->yearlyFromEndCheckBox->isChecked())
            event.options.fromEnd = event.ordinal;
        break;
    }
    event.options.weekends = ui->weekendComboBox->currentIndex();
}

void MainWindow::loadEditor(const Event &event)
{
    const QDate today = currentDay();
    ui->eventName->setText(event.name);
    switch (event.endMode) {
    case Event::EndNever:
        ui->alwaysRadioButton->setChecked(true);
        ui->timesSpinBox->setValue(0);
        ui->untilDateEdit->setDate(today);
        break;
    case Event::EndAfterTimes:
        ui->timesRadioButton->setChecked(true);
        ui->timesSpinBox->setValue(remainingOccurrences(event, today));
        ui->untilDateEdit->setDate(event.endDate);
        break;
    case Event::EndOnDate:
        ui->untilRadioButton->setChecked(true);
        ui->untilDateEdit->setDate(event.endDate);
        ui->timesSpinBox->setValue(remainingOccurrences(event, today));
        break;
    default:
        break;
    }
    const bool singular = event.schedule == Event::ScheduleSingular;
    ui->singularRadioButton->setChecked(singular);
    ui->repeatingRadioButton->setChecked(!singular);
    ui->eventDate->setDate(singular ? event.eventDate : today);

    QStandardItemModel *weekly = listModel(ui->weeklyListView);
    QStandardItemModel *monthly = listModel(ui->monthlyListView);
    QStandardItemModel *yearly = listModel(ui->yearlyListView);
    QStandardItemModel *yearlyMonths = listModel(ui->yearlyMonthListView);
    uncheckAll(weekly);
    uncheckAll(monthly);
    uncheckAll(yearly);
    uncheckAll(yearlyMonths);
    ui->monthlySpinBox->setValue(1);
    ui->yearlySpinBox->setValue(1);

    const auto checkDayAndWeekdays = [&event](QStandardItemModel *model) {
        setChecked(model, 0, event.byDay);
        for (int day = 0; day < 7; ++day)
            setChecked(model, day + 1, event.weekdays[std::size_t(day)]);
    };
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        ui->repeatingTabWidget->setCurrentIndex(0);
        for (int day = 0; day < 7; ++day)
            setChecked(weekly, day, event.weekdays[std::size_t(day)]);
        break;
    case Event::ScheduleMonthly:
        ui->repeatingTabWidget->setCurrentIndex(1);
        checkDayAndWeekdays(monthly);
        ui->monthlySpinBox->setValue(event.ordinal);
        break;
    case Event::ScheduleYearly:
        ui->repeatingTabWidget->setCurrentIndex(2);
        checkDayAndWeekdays(yearly);
        ui->yearlySpinBox->setValue(event.ordinal);
        setChecked(yearlyMonths, 0, event.byYear);
        for (int month = 0; month < 12; ++month)
            setChecked(yearlyMonths, month + 1, event.months[std::size_t(month)]);
        break;
    default:
        break;
    }

    ui->notifyCheckBox->setChecked(event.notify);
    ui->notifyMaxSpinBox->setValue(event.notify ? event.notifyDays : 0);
    ui->showOnceCheckBox->setChecked(event.showOnce);
    loadScheduleOptions(event);
    loadAmount(event.amount);
    ui->trackPaymentsCheckBox->setChecked(event.payments.isTracking());
}

void MainWindow::readEditor(Event &event) const
{
    const QDate today = currentDay();
    event.name = ui->eventName->text();
    if (ui->alwaysRadioButton->isChecked()) {
        event.endMode = Event::EndNever;
        event.endDate = today;
    } else if (ui->timesRadioButton->isChecked()) {
        event.endMode = Event::EndAfterTimes;
        event.endDate = today;
    } else if (ui->untilRadioButton->isChecked()) {
        event.endMode = Event::EndOnDate;
        event.endDate = ui->untilDateEdit->date();
    }

    const auto readDayAndWeekdays = [&event](const QStandardItemModel *model) {
        event.byDay = isChecked(model, 0);
        for (int day = 0; day < 7; ++day)
            event.weekdays[std::size_t(day)] = isChecked(model, day + 1);
    };
    if (ui->singularRadioButton->isChecked()) {
        event.schedule = Event::ScheduleSingular;
        event.endMode = Event::EndAfterTimes;
        event.eventDate = ui->eventDate->date();
        event.endDate = event.eventDate;
    } else {
        switch (ui->repeatingTabWidget->currentIndex()) {
        case 0: {
            event.schedule = Event::ScheduleWeekly;
            const QStandardItemModel *weekly = listModel(ui->weeklyListView);
            for (int day = 0; day < 7; ++day)
                event.weekdays[std::size_t(day)] = isChecked(weekly, day);
            break;
        }
        case 1:
            event.schedule = Event::ScheduleMonthly;
            readDayAndWeekdays(listModel(ui->monthlyListView));
            event.ordinal = ui->monthlySpinBox->value();
            break;
        default: {
            event.schedule = Event::ScheduleYearly;
            readDayAndWeekdays(listModel(ui->yearlyListView));
            event.ordinal = ui->yearlySpinBox->value();
            const QStandardItemModel *months = listModel(ui->yearlyMonthListView);
            event.byYear = isChecked(months, 0);
            for (int month = 0; month < 12; ++month)
                event.months[std::size_t(month)] = isChecked(months, month + 1);
            break;
        }
        }
    }

    readScheduleOptions(event);

    event.notify = ui->notifyCheckBox->checkState() == Qt::Checked;
    event.notifyDays = ui->notifyMaxSpinBox->value();
    event.showOnce = ui->showOnceCheckBox->checkState() == Qt::Checked;
    // Every save clears the reminder state, so the bill can be reminded of at once.
    event.lastNotified = addDays(today, -1);
    event.notifyAgainDays = 0;
}

int MainWindow::validateEvent(const Event &event)
{
    const BillCheck check = checkBill(event);
    if (check.problem != BillProblem::None)
        showMessage(QMessageBox::Information, QStringLiteral("Enter Details"), check.message);
    return int(check.problem);
}

void MainWindow::moveFocusTo(int validationCode)
{
    switch (BillProblem(validationCode)) {
    case BillProblem::NoDescription:
        ui->eventName->setFocus(Qt::OtherFocusReason);
        break;
    case BillProblem::MonthlyLimit:
        ui->monthlySpinBox->setFocus(Qt::OtherFocusReason);
        break;
    case BillProblem::YearlyLimit:
        ui->yearlySpinBox->setFocus(Qt::OtherFocusReason);
        break;
    default:
        break;
    }
}

void MainWindow::on_saveButton_clicked()
{
    auto event = std::make_unique<Event>();
    readEditor(*event);
    // The checks apply to N as entered, counted from the end or not.
    const int code = validateEvent(*event);
    if (code != 0) {
        moveFocusTo(code);
        return;
    }
    if (!readAmount(*event))
        return;
    if (event->options.fromEnd > 0)
        event->ordinal = nearestForwardOrdinal(*event, event->options.fromEnd);
    // A singular bill keeps its own date as its end; only repeating bills
    // count their remaining times.
    if (ui->timesRadioButton->isChecked() && event->schedule != Event::ScheduleSingular)
        event->endDate = endDateAfterTimes(*event, currentDay(), ui->timesSpinBox->value());

    const QModelIndex current = ui->eventTreeView->currentIndex();
    const bool adding = ui->tabWidget->property("addMode").toBool() || !current.isValid();
    if (!adding)
        keepUnshownFields(*event);
    if (ui->trackPaymentsCheckBox->isChecked())
        startTracking(*event, currentDay());
    else
        stopTracking(*event);
    if (adding)
        addBillRow(event.release());
    else
        replaceBillRow(current.row(), event.release());
    resortList();
    showPage(ListPage);
}

void MainWindow::keepUnshownFields(Event &event) const
{
    const Event *edited = currentBill();
    if (!edited)
        return;
    event.payments = edited->payments;
    event.unknownFields = edited->unknownFields;
}

void MainWindow::setUpAmountEditor()
{
    ui->currencyComboBox->addItems(Money::knownCurrencies());
    connect(ui->trackPaymentsCheckBox, &QAbstractButton::clicked, this, &MainWindow::confirmStopTracking);
}

void MainWindow::selectCurrency(const QString &code)
{
    int index = ui->currencyComboBox->findText(code);
    if (index < 0) {
        // A currency from a bill file that no locale here uses.
        ui->currencyComboBox->addItem(code);
        index = ui->currencyComboBox->count() - 1;
    }
    ui->currencyComboBox->setCurrentIndex(index);
}

void MainWindow::loadAmount(const Money &amount)
{
    const QLocale locale;
    ui->amountEdit->setText(amount.toEditText(locale));
    selectCurrency(amount.isNull() ? Money::defaultCurrency(locale) : amount.currency());
}

bool MainWindow::readAmount(Event &event)
{
    const QLocale locale;
    const QString currency = ui->currencyComboBox->currentText();
    Money::ParseProblem problem = Money::ParseProblem::None;
    const std::optional<Money> amount = Money::parse(ui->amountEdit->text(), currency, locale, &problem);
    if (amount) {
        event.amount = *amount;
        return true;
    }
    // An empty field is no amount, which is no mistake.
    if (problem == Money::ParseProblem::Empty) {
        event.amount = Money();
        return true;
    }
    showMessage(QMessageBox::Information, QStringLiteral("Enter Details"), Money::problemText(problem, currency, locale));
    ui->amountEdit->setFocus(Qt::OtherFocusReason);
    return false;
}

void MainWindow::confirmStopTracking(bool tracking)
{
    // Turning tracking off forgets the paid dates when the bill is saved;
    // a bill that has some asks first.
    if (tracking || ui->tabWidget->property("addMode").toBool())
        return;
    const Event *edited = currentBill();
    if (!edited || edited->payments.paidThrough.isNull())
        return;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Track Payments"),
                    QStringLiteral("Stop tracking the payments of %1 and forget what was marked paid?").arg(edited->name),
                    QMessageBox::Yes | QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        ui->trackPaymentsCheckBox->setChecked(true);
}

void MainWindow::on_notifyCheckBox_stateChanged(int state)
{
    ui->notifyMaxSpinBox->setEnabled(state == Qt::Checked);
}

void MainWindow::on_repeatingRadioButton_toggled(bool checked)
{
    ui->repeatingTabWidget->setEnabled(checked);
    ui->weekendLabel->setEnabled(checked);
    ui->weekendComboBox->setEnabled(checked);
}

void MainWindow::on_singularRadioButton_toggled(bool checked)
{
    ui->eventDate->setEnabled(checked);
}

// ---- the details page

void MainWindow::setLineShown(QWidget *label, bool shown)
{
    label->setMaximumHeight(shown ? 999 : 1);
    label->setVisible(shown);
}

void MainWindow::on_viewButton_clicked()
{
    const QModelIndex current = ui->eventTreeView->currentIndex();
    const Event *event = current.isValid() ? eventAtRow(current.row()) : nullptr;
    if (!event) {
        showMessage(QMessageBox::Information, QStringLiteral("Select Bill"),
                    QStringLiteral("Please select a bill to view."));
        return;
    }
    showBillDetails(*event);
    showPage(DetailsPage);
    // From the top, where the keys scroll the text.
    pageArea(DetailsPage)->verticalScrollBar()->setValue(0);
    pageArea(DetailsPage)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::hideDetailLines()
{
    for (QWidget *label :
         {static_cast<QWidget *>(ui->eventDateLabelA), static_cast<QWidget *>(ui->eventDateLabel),
          static_cast<QWidget *>(ui->repeatLabelA), static_cast<QWidget *>(ui->repeatLabel),
          static_cast<QWidget *>(ui->weeklyLabelA), static_cast<QWidget *>(ui->weeklyLabel),
          static_cast<QWidget *>(ui->monthlyLabelA), static_cast<QWidget *>(ui->monthlyCountLabel),
          static_cast<QWidget *>(ui->monthlyPeriodLabel), static_cast<QWidget *>(ui->monthlyLabelB),
          static_cast<QWidget *>(ui->yearlyLabelA), static_cast<QWidget *>(ui->yearlyCountLabel),
          static_cast<QWidget *>(ui->yearlyPeriodLabel), static_cast<QWidget *>(ui->yearlyLabelB),
          static_cast<QWidget *>(ui->yearlyMonthLabel), static_cast<QWidget *>(ui->everyDetailsLabel),
          static_cast<QWidget *>(ui->shortMonthsDetailsLabel), static_cast<QWidget *>(ui->weekendDetailsLabel)})
        setLineShown(label, false);
}

void MainWindow::showScheduleDetails(const Event &event)
{
    hideDetailLines();
    if (event.schedule == Event::ScheduleSingular) {
        ui->scheduleLabel->setText(QStringLiteral("singular."));
        setLineShown(ui->eventDateLabelA, true);
        setLineShown(ui->eventDateLabel, true);
        ui->eventDateLabel->setText(longDateText(event.eventDate));
        return;
    }
    ui->scheduleLabel->setText(QStringLiteral("repeating."));
    setLineShown(ui->repeatLabelA, true);
    const auto showAll = [](std::initializer_list<QWidget *> labels) {
        for (QWidget *label : labels)
            setLineShown(label, true);
    };
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        showAll({ui->weeklyLabelA, ui->weeklyLabel});
        ui->weeklyLabel->setText(weekdayListText(event));
        ui->repeatLabel->setText(QStringLiteral("weekly."));
        setLineShown(ui->repeatLabel, true);
        break;
    case Event::ScheduleMonthly:
        showAll({ui->monthlyLabelA, ui->monthlyCountLabel, ui->monthlyPeriodLabel, ui->monthlyLabelB});
        ui->monthlyCountLabel->setText(countText(event));
        ui->monthlyPeriodLabel->setText(periodText(event));
        ui->repeatLabel->setText(QStringLiteral("monthly."));
        setLineShown(ui->repeatLabel, true);
        break;
    case Event::ScheduleYearly:
        showAll({ui->yearlyLabelA, ui->yearlyCountLabel, ui->yearlyPeriodLabel, ui->yearlyLabelB,
                 ui->yearlyMonthLabel});
        ui->yearlyCountLabel->setText(countText(event));
        ui->yearlyPeriodLabel->setText(periodText(event));
        ui->yearlyMonthLabel->setText(monthListText(event));
        ui->repeatLabel->setText(QStringLiteral("yearly."));
        setLineShown(ui->repeatLabel, true);
        break;
    default:
        return; // an unknown schedule: "Occurring " and nothing more
    }
    // The options beyond the plain schedule, a sentence each.
    const auto showSentence = [](QLabel *label, const QString &text) {
        label->setText(text);
        setLineShown(label, !text.isEmpty());
    };
    showSentence(ui->everyDetailsLabel, everyText(event));
    showSentence(ui->shortMonthsDetailsLabel, shortMonthsText(event));
    showSentence(ui->weekendDetailsLabel, weekendText(event));
}

void MainWindow::showPaymentDetails(const Event &event, QDate today)
{
    const QLocale locale;
    const bool hasAmount = !event.amount.isNull();
    setLineShown(ui->amountDetailsLabelA, hasAmount);
    setLineShown(ui->amountDetailsLabel, hasAmount);
    if (hasAmount)
        ui->amountDetailsLabel->setText(event.amount.toString(locale));
    const QString payments = paymentDetailsText(paymentStatus(event, today), locale);
    ui->paymentDetailsLabel->setText(payments);
    setLineShown(ui->paymentDetailsLabel, !payments.isEmpty());
}

void MainWindow::showBillDetails(const Event &event)
{
    const QDate today = currentDay();
    // Shown as typed, and able to wrap however long it is.
    ui->eventNameLabel->setText(breakableText(event.name));

    const bool ends = event.endMode != Event::EndNever;
    for (QWidget *label : {static_cast<QWidget *>(ui->occuredLabelA), static_cast<QWidget *>(ui->occuredLabel),
                           static_cast<QWidget *>(ui->occuredLabelB), static_cast<QWidget *>(ui->occuredLabelTimes),
                           static_cast<QWidget *>(ui->occuredLabelC), static_cast<QWidget *>(ui->occuredLabelEnd)})
        setLineShown(label, ends);
    if (ends) {
        const int remaining = remainingOccurrences(event, today);
        ui->occuredLabel->setText(QString::number(remaining));
        ui->occuredLabelTimes->setText(remaining == 1 ? QStringLiteral("time") : QStringLiteral("times"));
        ui->occuredLabelEnd->setText(longDateText(event.endDate));
    }

    const QDate next = nextOccurrence(event, today);
    // An invalid date counts as before today.
    const bool due = next.isValid() && daysBetween(today, next) >= 0;
    for (QWidget *label : {static_cast<QWidget *>(ui->nextDateLabelA), static_cast<QWidget *>(ui->nextDateLabel),
                           static_cast<QWidget *>(ui->nextDateLabelB), static_cast<QWidget *>(ui->nextCountLabel),
                           static_cast<QWidget *>(ui->nextDateLabelC)})
        setLineShown(label, due);
    if (due) {
        ui->nextDateLabel->setText(longDateText(next));
        ui->nextCountLabel->setText(QString::number(daysBetween(today, next)));
    }

    showPaymentDetails(event, today);
    showScheduleDetails(event);

    setLineShown(ui->notifyLabelA, event.notify);
    setLineShown(ui->notifedLabel, event.notify);
    setLineShown(ui->notifedLabelB, event.notify);
    setLineShown(ui->noNotifyLabel, !event.notify);
    if (event.notify) {
        ui->notifedLabel->setText(QString::number(event.notifyDays));
        ui->notifedLabelB->setText(event.notifyDays == 1 ? QStringLiteral(" day before the bill.")
                                                         : QStringLiteral(" days before the bill."));
    }
    setLineShown(ui->showOnceLabel, event.showOnce);
}

#include "moc_mainwindow.cpp"
