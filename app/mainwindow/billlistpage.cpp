#include "billlistpage.h"
#include "ui_mainwindow.h"

#include "billfile.h"
#include "billmodel.h"
#include "billrowcells.h"
#include "billtext.h"
#include "billtotals.h"
#include "eventstore.h"
#include "longdatetexts.h"
#include "occurrence.h"
#include "occurrencecounts.h"
#include "paymentcommands.h"
#include "paymentstatus.h"
#include "plainmessage.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QSet>
#include <QSettings>
#include <QSignalBlocker>


namespace {

const char *const SortOrderKey = "sortOrder";
const char *const SortSectionKey = "sortSection";

} // namespace

BillListPage::BillListPage(Ui::MainWindow *form, BillFile *file, Today todaySource, QObject *parent)
    : QObject(parent)
    , ui(form)
    , billFile(file)
    , today(std::move(todaySource))
    , billModel(createBillModel(this))
    , payments(new PaymentCommands([this] { return currentBill(); }, today, [this] { refreshCurrentRow(); },
                                   form->eventTreeView->window(), this))
{
}

BillListPage::~BillListPage()
{
    // The rows own their records, and show them until the model goes.
    const EventList records = rowRecords();
    delete billModel;
    qDeleteAll(records);
}

BillModel *BillListPage::createBillModel(QObject *parent)
{
    auto *model = new BillModel(parent);
    model->setHeaderData(BillRowCells::DueDateColumn, Qt::Horizontal, QObject::tr("Due Date"), Qt::EditRole);
    model->setHeaderData(BillRowCells::DaysColumn, Qt::Horizontal, QObject::tr("Days Remaining"), Qt::EditRole);
    model->setHeaderData(BillRowCells::DetailsColumn, Qt::Horizontal, QObject::tr("Details"), Qt::EditRole);
    model->setHeaderData(BillRowCells::DataColumn, Qt::Horizontal, QObject::tr("Data"), Qt::EditRole);
    model->setHeaderData(BillRowCells::AmountColumn, Qt::Horizontal, QObject::tr("Amount"), Qt::EditRole);
    return model;
}

BillListPage::SortKeys BillListPage::storedSortKeys(const QSettings &settings, bool amountShown)
{
    int order = settings.value(QLatin1String(SortOrderKey), 0).toInt();
    int section = settings.value(QLatin1String(SortSectionKey), 0).toInt();
    if (order != Qt::AscendingOrder && order != Qt::DescendingOrder)
        order = Qt::AscendingOrder;
    const bool shownColumn = (section >= BillRowCells::DueDateColumn && section <= BillRowCells::DetailsColumn)
                             || (section == BillRowCells::AmountColumn && amountShown);
    if (!shownColumn)
        section = BillRowCells::DueDateColumn;
    return {section, Qt::SortOrder(order)};
}

void BillListPage::saveSortKeys(QSettings &settings) const
{
    const QHeaderView *header = ui->eventTreeView->header();
    settings.setValue(QLatin1String(SortOrderKey), int(header->sortIndicatorOrder()));
    settings.setValue(QLatin1String(SortSectionKey), header->sortIndicatorSection());
}

void BillListPage::fillAtStart(const EventList &records, const SortKeys &sortKeys)
{
    addBillRowsAtTop(records, sortKeys);
    ui->eventTreeView->header()->setSortIndicator(sortKeys.section, sortKeys.order);
}

void BillListPage::setUpView()
{
    QTreeView *view = ui->eventTreeView;
    // Every row is one line of the view's font (bold or not), so the view
    // need not measure each row of a long list.
    view->setUniformRowHeights(true);
    view->setModel(billModel);
    view->hideColumn(BillRowCells::DataColumn);
    // The amount stands before the details, which keep the rest of the width.
    QHeaderView *header = view->header();
    header->moveSection(header->visualIndex(BillRowCells::AmountColumn), BillRowCells::DetailsColumn);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    billModel->setHeaderData(BillRowCells::AmountColumn, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter),
                             Qt::TextAlignmentRole);
    // The dates, days and amounts start as wide as their headers; the rows
    // widen them as they need (listChanged), and the details keep the rest.
    for (int column : {BillRowCells::DueDateColumn, BillRowCells::DaysColumn, BillRowCells::AmountColumn})
        view->setColumnWidth(column, header->sectionSizeHint(column));
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, &BillListPage::updatePaidCommand);
    connect(ui->paidButton, &QAbstractButton::clicked, this, &BillListPage::payCurrentBill);
    connect(view, &QWidget::customContextMenuRequested, this, &BillListPage::showRowMenu);
    listChanged();
}

// ---- the rows

Event *BillListPage::eventAtRow(int row) const
{
    return static_cast<Event *>(billModel->rowRecord(row));
}

EventList BillListPage::rowRecords() const
{
    EventList records;
    records.reserve(billModel->rowCount());
    for (int row = 0; row < billModel->rowCount(); ++row) {
        if (Event *event = eventAtRow(row))
            records.append(event);
    }
    return records;
}

EventList BillListPage::selectedOrAllRecords() const
{
    EventList bills;
    const QModelIndexList selected = ui->eventTreeView->selectionModel()->selectedRows(0);
    for (const QModelIndex &index : selected) {
        if (Event *event = eventAtRow(index.row()))
            bills.append(event);
    }
    return bills.isEmpty() ? rowRecords() : bills;
}

Event *BillListPage::currentBill() const
{
    const QModelIndex current = ui->eventTreeView->currentIndex();
    return current.isValid() ? eventAtRow(current.row()) : nullptr;
}

BillRowCells BillListPage::rowCells(Event *event, QDate day, const DueDate &next, int remaining)
{
    return BillRowCells(event, billRowWithoutDetails(*event, day, next), remaining);
}

void BillListPage::fillBillRow(int row, Event *event, QDate day)
{
    billModel->setRowCells(row, rowCells(event, day, nextDueDate(*event, day), remainingOccurrences(*event, day)));
}

void BillListPage::addBillRowsAtTop(const EventList &records)
{
    addBillRowsAtTop(records, SortKeys());
}

void BillListPage::addBillRowsAtTop(const EventList &records, const SortKeys &sortKeys)
{
    const int count = int(records.size());
    if (count == 0)
        return;
    const bool wasEmpty = billModel->rowCount() == 0;
    const QDate day = today();
    OccurrenceCounts occurrences(day);

    // Each record in turn goes to the top, so the last one ends up first.
    QList<BillRowCells> cells;
    cells.reserve(count);
    for (int i = count - 1; i >= 0; --i) {
        Event *event = records.at(i);
        cells.append(rowCells(event, day, occurrences.nextDue(*event), occurrences.remaining(*event)));
    }
    if (wasEmpty && sortKeys.section >= 0) {
        QList<int> order;
        {
            LongDateTexts dateTexts;
            QList<QVariant> keys;
            keys.reserve(count);
            for (const BillRowCells &row : std::as_const(cells))
                keys.append(row.sortValue(sortKeys.section, dateTexts));
            order = BillModel::sortedOrder(keys, sortKeys.order);
        }
        QList<BillRowCells> sorted;
        sorted.reserve(count);
        for (int k : std::as_const(order))
            sorted.append(cells.at(k));
        cells = std::move(sorted);
    }
    if (wasEmpty)
        billModel->appendRows(cells);
    else
        billModel->insertRowsAtTop(cells);
    listChanged();
}

void BillListPage::addBillRow(Event *event)
{
    addBillRowsAtTop({event});
}

void BillListPage::replaceBillRow(int row, Event *event)
{
    Event *old = eventAtRow(row);
    fillBillRow(row, event, today());
    if (billFile)
        billFile->recordReplaced(old, event);
    delete old;
    listChanged();
}

void BillListPage::removeBillRow(int row)
{
    removeBillRows({row});
}

void BillListPage::removeBillRows(const QList<int> &rows)
{
    // Each row once, and only rows that exist: a record must be deleted once.
    QList<int> unique;
    unique.reserve(rows.size());
    for (int row : rows) {
        if (row >= 0 && row < billModel->rowCount() && !unique.contains(row))
            unique.append(row);
    }
    EventList removed;
    for (int row : std::as_const(unique)) {
        Event *event = eventAtRow(row);
        if (!event)
            continue;
        if (billFile)
            billFile->recordRemoved(event);
        removed.append(event);
    }
    // The rows show their records until they are gone.
    billModel->removeRowsKeepingOrder(unique);
    qDeleteAll(removed);
    listChanged();
}

void BillListPage::loadBillModel(const QString &path)
{
    addBillRowsAtTop(loadEvents(path));
}

bool BillListPage::saveBillModel(const QString &path, QString *errorString) const
{
    return saveEvents(rowRecords(), path, errorString);
}

int BillListPage::addUnlistedBills(const EventList &records)
{
    // A bill whose name is listed (or was taken earlier from these records)
    // is left out; the rest go to the top one after another.
    // The names are gathered here rather than counted all along: an import
    // is rare, and a count per bill would cost a long list more than its rows.
    QSet<QString> names;
    const EventList listed = rowRecords();
    names.reserve(listed.size() + records.size());
    for (const Event *event : listed)
        names.insert(event->name);
    EventList taken;
    for (Event *event : records) {
        if (names.contains(event->name)) {
            delete event;
            continue;
        }
        names.insert(event->name);
        taken.append(event);
    }
    addBillRowsAtTop(taken);
    resortList();
    return int(taken.size());
}

void BillListPage::replaceAllRows(const EventList &records, const EventList &merged, const QList<qsizetype> &fromOurs)
{
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
    qDeleteAll(records); // the rows that showed them are gone
    const QHeaderView *header = ui->eventTreeView->header();
    addBillRowsAtTop(merged, SortKeys{header->sortIndicatorSection(), header->sortIndicatorOrder()});

    QHash<const Event *, qsizetype> mergedOf;
    for (qsizetype k = 0; k < merged.size(); ++k)
        mergedOf.insert(merged.at(k), k);
    QItemSelectionModel *selection = ui->eventTreeView->selectionModel();
    for (int row = 0; row < billModel->rowCount(); ++row) {
        const qsizetype k = mergedOf.value(eventAtRow(row), -1);
        const QModelIndex index = billModel->index(row, BillRowCells::DueDateColumn);
        if (k >= 0 && k == currentBill)
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        if (k >= 0 && selectedBills.contains(k))
            selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    updatePaidCommand();
}

// ---- the list as a whole

void BillListPage::resortList()
{
    const QHeaderView *header = ui->eventTreeView->header();
    ui->eventTreeView->sortByColumn(header->sortIndicatorSection(), header->sortIndicatorOrder());
    // The row the keyboard stands on stays in view wherever it moved.
    const QModelIndex current = ui->eventTreeView->currentIndex();
    if (current.isValid())
        ui->eventTreeView->scrollTo(current);
}

void BillListPage::showBillsOn(QDate day)
{
    const int count = billModel->rowCount();
    if (count > 0) {
        OccurrenceCounts occurrences(day);
        {
            // One change notice for all rows instead of one per row.
            const QSignalBlocker blocker(billModel);
            for (int row = 0; row < count; ++row) {
                Event *event = eventAtRow(row);
                if (!event)
                    continue;
                billModel->setRowCells(row, rowCells(event, day, occurrences.nextDue(*event), occurrences.remaining(*event)));
            }
        }
        emit billModel->dataChanged(billModel->index(0, 0), billModel->index(count - 1, BillModel::ColumnCount - 1));
    }
    listChanged();
    resortList();
}

void BillListPage::listChanged()
{
    // The construction fills the rows before the view takes the model, and
    // comes here once the view has it.
    if (ui->eventTreeView->model() != billModel)
        return;
    const EventList records = rowRecords();
    const BillTotals totals(records, today());
    ui->dueSoonLabel->setText(totals.dueSoonText(QLocale()));
    ui->overdueLabel->setText(totals.overdueText(QLocale()));
    const bool overdue = !totals.overdue().isEmpty();
    if (ui->overdueLabel->property("overdue").toBool() != overdue) {
        ui->overdueLabel->setProperty("overdue", overdue);
        ui->overdueLabel->setStyleSheet(
            overdue ? QStringLiteral("color: %1; font-weight: bold;").arg(BillRowCells::overdueColour().name())
                    : QString());
    }
    showAmountColumn(BillTotals::anyAmount(records));
    widenNarrowColumns();
    updatePaidCommand();
    emit billsChanged();
}

void BillListPage::showAmountColumn(bool shown)
{
    QTreeView *view = ui->eventTreeView;
    if (view->isColumnHidden(BillRowCells::AmountColumn) != shown)
        return;
    view->setColumnHidden(BillRowCells::AmountColumn, !shown);
    // A list sorted by the amounts goes back to the due dates when the last
    // amount goes.
    QHeaderView *header = view->header();
    if (!shown && header->sortIndicatorSection() == BillRowCells::AmountColumn)
        view->sortByColumn(BillRowCells::DueDateColumn, header->sortIndicatorOrder());
}

void BillListPage::widenNarrowColumns()
{
    // A column only grows, keeping what the user gave it. The view measures
    // a bounded number of rows.
    QTreeView *view = ui->eventTreeView;
    const QAbstractItemView *items = view;
    for (int column : {BillRowCells::DueDateColumn, BillRowCells::DaysColumn, BillRowCells::AmountColumn}) {
        if (view->isColumnHidden(column))
            continue;
        const int needed = items->sizeHintForColumn(column);
        if (needed > view->columnWidth(column))
            view->setColumnWidth(column, needed);
    }
}

// ---- the row commands

void BillListPage::updatePaidCommand()
{
    const Event *event = currentBill();
    ui->paidButton->setEnabled(event && dueDateToPay(*event, today()).date.isValid());
}

bool BillListPage::markBillPaid(int row)
{
    Event *event = eventAtRow(row);
    if (!event)
        return false;
    const QDate day = today();
    if (markPaid(*event, day).date.isNull())
        return false;
    fillBillRow(row, event, day);
    listChanged();
    resortList();
    return true;
}

void BillListPage::refreshCurrentRow()
{
    const QModelIndex current = ui->eventTreeView->currentIndex();
    Event *event = eventAtRow(current.row());
    if (!current.isValid() || !event)
        return;
    fillBillRow(current.row(), event, today());
    listChanged();
    resortList();
}

void BillListPage::chooseHistoryFile()
{
    const EventList bills = selectedOrAllRecords();
    const QString path = QFileDialog::getSaveFileName(ui->eventTreeView->window(), QStringLiteral("Export Payments"),
                                                      QStringLiteral("payments.csv"),
                                                      QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    QString problem;
    if (!PaymentCommands::exportHistory(bills, path, &problem))
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Export Payments"),
                         QStringLiteral("The payments could not be written to %1: %2").arg(nativePath(path), problem));
}

void BillListPage::payCurrentBill()
{
    const Event *event = currentBill();
    if (!event)
        return;
    const DueDate due = dueDateToPay(*event, today());
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

void BillListPage::showRowMenu(const QPoint &position)
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
    QMenu menu(list->window());
    QAction *paid = menu.addAction(ui->paidButton->icon(), QStringLiteral("Paid"));
    paid->setEnabled(ui->paidButton->isEnabled());
    QAction *payOther = menu.addAction(QStringLiteral("Paid\u2026"));
    payOther->setEnabled(ui->paidButton->isEnabled());
    QAction *takeBack = menu.addAction(QStringLiteral("Take Back Last Payment"));
    takeBack->setEnabled(payments->canTakeBack());
    QAction *exportHistory = menu.addAction(QStringLiteral("Export Payments\u2026"));
    menu.addSeparator();
    // The other entries do what the page's buttons do.
    const QHash<QAction *, QAbstractButton *> buttons{
        {menu.addAction(ui->editButton->icon(), QStringLiteral("Edit Bill")), ui->editButton},
        {menu.addAction(ui->viewButton->icon(), QStringLiteral("View Bill")), ui->viewButton},
        {menu.addAction(ui->removeButton->icon(), QStringLiteral("Remove Bill")), ui->removeButton}};
    QAction *chosen = menu.exec(list->viewport()->mapToGlobal(position));
    if (chosen && chosen == paid)
        payCurrentBill();
    else if (chosen && chosen == payOther)
        payments->payOther();
    else if (chosen && chosen == takeBack)
        payments->takeBackLast();
    else if (chosen && chosen == exportHistory)
        chooseHistoryFile();
    else if (QAbstractButton *button = buttons.value(chosen))
        button->click();
}

void BillListPage::removeSelectedBills()
{
    const QModelIndexList selected = ui->eventTreeView->selectionModel()->selectedRows(0);
    if (selected.isEmpty()) {
        showPlainMessage(QMessageBox::Information, QStringLiteral("Select Bill"),
                         QStringLiteral("Please select a bill to remove."));
        return;
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm Removal"),
                    selected.size() == 1
                        ? QStringLiteral("Are you sure you wish to permanently remove this bill?")
                        : QStringLiteral("Are you sure you wish to permanently remove these bills?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    QList<int> rows;
    rows.reserve(selected.size());
    EventList bills;
    for (const QModelIndex &index : selected) {
        rows.append(index.row());
        if (Event *event = eventAtRow(index.row()))
            bills.append(event);
    }
    // Bills with payments name how many would be forgotten instead.
    const qsizetype paymentCount = PaymentCommands::paymentCount(bills);
    if (paymentCount > 0) {
        const QString start = bills.size() == 1 ? QStringLiteral("Remove \"%1\"").arg(bills.first()->name)
                                                : QStringLiteral("Remove %1 bills").arg(bills.size());
        if (!PaymentCommands::confirmForgetting(ui->eventTreeView->window(), QStringLiteral("Confirm Removal"), start,
                                                paymentCount))
            return;
    } else if (box.exec() != QMessageBox::Yes) {
        return;
    }
    removeBillRows(rows);
}

void BillListPage::selectCurrentRowIfNone()
{
    QItemSelectionModel *selection = ui->eventTreeView->selectionModel();
    const QModelIndex current = ui->eventTreeView->currentIndex();
    if (!selection->hasSelection() && current.isValid())
        selection->select(current, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

bool BillListPage::selectBill(const QString &name)
{
    for (int row = 0; row < billModel->rowCount(); ++row) {
        const Event *event = eventAtRow(row);
        if (!event || event->name != name)
            continue;
        const QModelIndex index = billModel->index(row, BillRowCells::DueDateColumn);
        ui->eventTreeView->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ui->eventTreeView->scrollTo(index);
        return true;
    }
    return false;
}
