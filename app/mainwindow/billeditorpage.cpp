#include "billeditorpage.h"
#include "ui_mainwindow.h"

#include "billrules.h"
#include "billtext.h"
#include "daynumber.h"
#include "extrareminderlist.h"
#include "occurrence.h"
#include "paymentstatus.h"
#include "plainmessage.h"

#include <QLocale>
#include <QStandardItemModel>

#include <cstdlib>

namespace {

bool itemChecked(const QStandardItemModel *model, int row)
{
    const QStandardItem *item = model->item(row);
    return item && item->checkState() == Qt::Checked;
}

void setItemChecked(QStandardItemModel *model, int row, bool checked)
{
    if (QStandardItem *item = model->item(row))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void uncheckAll(QStandardItemModel *model)
{
    for (int row = 0; row < model->rowCount(); ++row)
        setItemChecked(model, row, false);
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

// The monthly list's last choice: "Business day", after "Day" and the weekdays.
constexpr int BusinessDayRow = 8;

QStringList weekdayNames()
{
    return {QStringLiteral("Monday"), QStringLiteral("Tuesday"), QStringLiteral("Wednesday"),
            QStringLiteral("Thursday"), QStringLiteral("Friday"), QStringLiteral("Saturday"),
            QStringLiteral("Sunday")};
}

} // namespace

BillEditorPage::BillEditorPage(Ui::MainWindow *form, Today todaySource, EditedBill edited, QObject *parent)
    : QObject(parent)
    , ui(form)
    , today(std::move(todaySource))
    , editedBill(std::move(edited))
    , extraReminderList(new ExtraReminderList(form->groupBox_3))
    , variesCheckBox(new QCheckBox(QStringLiteral("Varies"), form->currencyComboBox->parentWidget()))
{
    // After the currency, in the amount's line and Tab order.
    variesCheckBox->setObjectName(QStringLiteral("amountVariesCheckBox"));
    variesCheckBox->setToolTip(QStringLiteral("The amount changes from one due date to the next: the list shows "
                                              "the average of the last three payments."));
    ui->amountLayout->insertWidget(ui->amountLayout->indexOf(ui->currencyComboBox) + 1, variesCheckBox);
    QWidget::setTabOrder(ui->currencyComboBox, variesCheckBox);
    ui->verticalLayout_5->addWidget(extraReminderList);
    extraReminderList->placeInTabOrderAfter(ui->trackPaymentsCheckBox);
    setUpEditorModels();
    ui->currencyComboBox->addItems(Money::knownCurrencies());
    connect(ui->trackPaymentsCheckBox, &QAbstractButton::clicked, this, &BillEditorPage::confirmStopTracking);
    alignScheduleSentences();
    connectScheduleOptions();
}

QStandardItemModel *BillEditorPage::createWeekdayModel(QObject *parent)
{
    return checkableListModel(weekdayNames(), parent);
}

QStandardItemModel *BillEditorPage::createDayOrWeekdayModel(QObject *parent)
{
    return checkableListModel(QStringList{QStringLiteral("Day")} + weekdayNames(), parent);
}

QStandardItemModel *BillEditorPage::createYearOrMonthModel(QObject *parent)
{
    return checkableListModel(
        {QStringLiteral("Year"), QStringLiteral("January"), QStringLiteral("February"),
         QStringLiteral("March"), QStringLiteral("April"), QStringLiteral("May"),
         QStringLiteral("June"), QStringLiteral("July"), QStringLiteral("August"),
         QStringLiteral("September"), QStringLiteral("October"), QStringLiteral("November"),
         QStringLiteral("December")},
        parent);
}

void BillEditorPage::setUpEditorModels()
{
    QWidget *window = ui->weeklyListView->window();
    ui->weeklyListView->setModel(createWeekdayModel(window));
    // A month also counts business days: one more choice after the weekdays.
    ui->monthlyListView->setModel(
        checkableListModel(QStringList{QStringLiteral("Day")} + weekdayNames() + QStringList{QStringLiteral("Business day")},
                           window));
    ui->yearlyListView->setModel(createDayOrWeekdayModel(window));
    ui->yearlyMonthListView->setModel(createYearOrMonthModel(window));
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

void BillEditorPage::alignScheduleSentences()
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

void BillEditorPage::connectScheduleOptions()
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

// ---- entering the page

void BillEditorPage::startNewBill()
{
    ui->tabWidget->setProperty("addMode", true);
    clearEditor();
}

void BillEditorPage::startEditing(const Event &event)
{
    ui->tabWidget->setProperty("addMode", false);
    loadEditor(event);
}

bool BillEditorPage::isAdding() const
{
    return ui->tabWidget->property("addMode").toBool();
}

void BillEditorPage::clearEditor()
{
    const QDate day = today();
    ui->eventName->setText(QString());
    ui->alwaysRadioButton->setChecked(true);
    ui->timesSpinBox->setValue(0);
    ui->untilDateEdit->setDate(day);
    ui->repeatingRadioButton->setChecked(true);
    ui->eventDate->setDate(day);
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
    extraReminderList->setReminders({});
    loadScheduleOptions(Event());
    loadAmount(Money());
    variesCheckBox->setChecked(false);
    ui->trackPaymentsCheckBox->setChecked(false);
}

// ---- loading a bill

void BillEditorPage::loadEditor(const Event &event)
{
    const QDate day = today();
    ui->eventName->setText(event.name);
    switch (event.endMode) {
    case Event::EndNever:
        ui->alwaysRadioButton->setChecked(true);
        ui->timesSpinBox->setValue(0);
        ui->untilDateEdit->setDate(day);
        break;
    case Event::EndAfterTimes:
        ui->timesRadioButton->setChecked(true);
        ui->timesSpinBox->setValue(remainingOccurrences(event, day));
        ui->untilDateEdit->setDate(event.endDate);
        break;
    case Event::EndOnDate:
        ui->untilRadioButton->setChecked(true);
        ui->untilDateEdit->setDate(event.endDate);
        ui->timesSpinBox->setValue(remainingOccurrences(event, day));
        break;
    default:
        break;
    }
    const bool singular = event.schedule == Event::ScheduleSingular;
    ui->singularRadioButton->setChecked(singular);
    ui->repeatingRadioButton->setChecked(!singular);
    ui->eventDate->setDate(singular ? event.eventDate : day);
    loadSchedule(event);
    ui->notifyCheckBox->setChecked(event.notify);
    ui->notifyMaxSpinBox->setValue(event.notify ? event.notifyDays : 0);
    ui->showOnceCheckBox->setChecked(event.showOnce);
    extraReminderList->setReminders(event.extraReminders);
    loadScheduleOptions(event);
    loadAmount(event.amount);
    variesCheckBox->setChecked(event.amountVaries);
    ui->trackPaymentsCheckBox->setChecked(event.payments.isTracking());
}

void BillEditorPage::loadSchedule(const Event &event)
{
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
        setItemChecked(model, 0, event.byDay);
        for (int day = 0; day < 7; ++day)
            setItemChecked(model, day + 1, event.weekdays[std::size_t(day)]);
    };
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        ui->repeatingTabWidget->setCurrentIndex(0);
        for (int day = 0; day < 7; ++day)
            setItemChecked(weekly, day, event.weekdays[std::size_t(day)]);
        break;
    case Event::ScheduleMonthly:
        ui->repeatingTabWidget->setCurrentIndex(1);
        if (isBusinessDaySchedule(event)) {
            setItemChecked(monthly, BusinessDayRow, true);
            ui->monthlySpinBox->setValue(std::abs(event.options.businessDay));
            break;
        }
        checkDayAndWeekdays(monthly);
        ui->monthlySpinBox->setValue(event.ordinal);
        break;
    case Event::ScheduleYearly:
        ui->repeatingTabWidget->setCurrentIndex(2);
        checkDayAndWeekdays(yearly);
        ui->yearlySpinBox->setValue(event.ordinal);
        setItemChecked(yearlyMonths, 0, event.byYear);
        for (int month = 0; month < 12; ++month)
            setItemChecked(yearlyMonths, month + 1, event.months[std::size_t(month)]);
        break;
    default:
        break;
    }
}

void BillEditorPage::loadScheduleOptions(const Event &event)
{
    const QDate day = today();
    const ScheduleOptions &options = event.options;
    const auto loadEvery = [&](qint32 schedule, QSpinBox *every, QDateEdit *from) {
        const bool own = event.schedule == schedule && options.effectiveEvery() > 1;
        every->setValue(own ? options.every : 1);
        from->setDate(own ? options.everyFrom : day);
        from->setEnabled(every->value() > 1);
    };
    loadEvery(Event::ScheduleWeekly, ui->weeklyEverySpinBox, ui->weeklyEveryDateEdit);
    loadEvery(Event::ScheduleMonthly, ui->monthlyEverySpinBox, ui->monthlyEveryDateEdit);
    loadEvery(Event::ScheduleYearly, ui->yearlyEverySpinBox, ui->yearlyEveryDateEdit);

    // Counted from the end, the number box holds the N from the end.
    const bool fromEnd = options.fromEnd > 0;
    ui->monthlyFromEndCheckBox->setChecked((fromEnd || options.businessDay < 0) && event.schedule == Event::ScheduleMonthly);
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

void BillEditorPage::loadAmount(const Money &amount)
{
    const QLocale locale;
    ui->amountEdit->setText(amount.toEditText(locale));
    selectCurrency(amount.isNull() ? Money::defaultCurrency(locale) : amount.currency());
}

void BillEditorPage::selectCurrency(const QString &code)
{
    int index = ui->currencyComboBox->findText(code);
    if (index < 0) {
        // A currency from a bill file that no locale here uses.
        ui->currencyComboBox->addItem(code);
        index = ui->currencyComboBox->count() - 1;
    }
    ui->currencyComboBox->setCurrentIndex(index);
}

// ---- reading the form

std::unique_ptr<Event> BillEditorPage::takeBill(const Event *edited)
{
    auto event = std::make_unique<Event>();
    readEditor(*event);
    // The checks apply to N as entered, counted from the end or not.
    const int code = validateEvent(*event);
    if (code != 0) {
        moveFocusTo(code);
        return nullptr;
    }
    if (!readAmount(*event))
        return nullptr;
    event->amountVaries = variesCheckBox->isChecked() && !event->amount.isNull();
    if (event->options.fromEnd > 0)
        event->ordinal = nearestForwardOrdinal(*event, event->options.fromEnd);
    if (event->options.businessDay != 0)
        event->ordinal = nearestPlainDay(event->options.businessDay);
    // A singular bill keeps its own date as its end; only repeating bills
    // count their remaining times.
    if (ui->timesRadioButton->isChecked() && event->schedule != Event::ScheduleSingular)
        event->endDate = endDateAfterTimes(*event, today(), ui->timesSpinBox->value());
    // What the editor does not show is kept from the edited record: the paid
    // dates and the payments, the calendar UID, and the fields of a newer
    // version.
    if (edited) {
        event->payments = edited->payments;
        event->history = edited->history;
        event->calendarUid = edited->calendarUid;
        event->unknownFields = edited->unknownFields;
    }
    if (ui->trackPaymentsCheckBox->isChecked())
        startTracking(*event, today());
    else
        stopTracking(*event);
    return event;
}

void BillEditorPage::readEditor(Event &event) const
{
    const QDate day = today();
    event.name = ui->eventName->text();
    if (ui->alwaysRadioButton->isChecked()) {
        event.endMode = Event::EndNever;
        event.endDate = day;
    } else if (ui->timesRadioButton->isChecked()) {
        event.endMode = Event::EndAfterTimes;
        event.endDate = day;
    } else if (ui->untilRadioButton->isChecked()) {
        event.endMode = Event::EndOnDate;
        event.endDate = ui->untilDateEdit->date();
    }
    if (ui->singularRadioButton->isChecked()) {
        event.schedule = Event::ScheduleSingular;
        event.endMode = Event::EndAfterTimes;
        event.eventDate = ui->eventDate->date();
        event.endDate = event.eventDate;
    } else {
        readSchedule(event);
    }
    readScheduleOptions(event);

    event.notify = ui->notifyCheckBox->checkState() == Qt::Checked;
    event.notifyDays = ui->notifyMaxSpinBox->value();
    event.showOnce = ui->showOnceCheckBox->checkState() == Qt::Checked;
    // Every save clears the reminder state, so the bill can be reminded of
    // at once: the extra reminders come back as never fired.
    event.extraReminders = extraReminderList->reminders();
    event.lastNotified = addDays(day, -1);
    event.notifyAgainDays = 0;
}

void BillEditorPage::readSchedule(Event &event) const
{
    const auto readDayAndWeekdays = [&event](const QStandardItemModel *model) {
        event.byDay = itemChecked(model, 0);
        for (int day = 0; day < 7; ++day)
            event.weekdays[std::size_t(day)] = itemChecked(model, day + 1);
    };
    switch (ui->repeatingTabWidget->currentIndex()) {
    case 0: {
        event.schedule = Event::ScheduleWeekly;
        const QStandardItemModel *weekly = listModel(ui->weeklyListView);
        for (int day = 0; day < 7; ++day)
            event.weekdays[std::size_t(day)] = itemChecked(weekly, day);
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
        event.byYear = itemChecked(months, 0);
        for (int month = 0; month < 12; ++month)
            event.months[std::size_t(month)] = itemChecked(months, month + 1);
        break;
    }
    }
}

void BillEditorPage::readScheduleOptions(Event &event) const
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
        if (itemChecked(listModel(ui->monthlyListView), BusinessDayRow)) {
            // In place of the day and weekdays, which the record keeps as
            // the nearest plain day once the bill is checked.
            event.options.businessDay = ui->monthlyFromEndCheckBox->isChecked() ? -event.ordinal : event.ordinal;
            event.byDay = true;
            event.weekdays.fill(false);
        } else if (ui->monthlyFromEndCheckBox->isChecked())
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

bool BillEditorPage::readAmount(Event &event)
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
    showPlainMessage(QMessageBox::Information, QStringLiteral("Enter Details"),
                     Money::problemText(problem, currency, locale));
    ui->amountEdit->setFocus(Qt::OtherFocusReason);
    return false;
}

int BillEditorPage::validateEvent(const Event &event)
{
    const BillCheck check = checkBill(event);
    if (check.problem != BillProblem::None)
        showPlainMessage(QMessageBox::Information, QStringLiteral("Enter Details"), check.message);
    return int(check.problem);
}

void BillEditorPage::moveFocusTo(int validationCode)
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

// ---- the form's switches

void BillEditorPage::confirmStopTracking(bool tracking)
{
    // Turning tracking off forgets the paid dates when the bill is saved;
    // a bill that has some asks first.
    if (tracking || isAdding())
        return;
    const Event *edited = editedBill();
    if (!edited || (edited->payments.paidThrough.isNull() && edited->history.isEmpty()))
        return;
    const qsizetype count = edited->history.size();
    const QString forgotten = count == 0   ? QStringLiteral("what was marked paid")
                              : count == 1 ? QStringLiteral("its payment")
                                           : QStringLiteral("its %1 payments").arg(count);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Track Payments"),
                    QStringLiteral("Stop tracking the payments of %1 and forget %2?").arg(edited->name, forgotten),
                    QMessageBox::Yes | QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        ui->trackPaymentsCheckBox->setChecked(true);
}

void BillEditorPage::enableNotifyDays(bool notify)
{
    ui->notifyMaxSpinBox->setEnabled(notify);
    extraReminderList->setEnabled(notify);
}

void BillEditorPage::enableRepeating(bool repeating)
{
    ui->repeatingTabWidget->setEnabled(repeating);
    ui->weekendLabel->setEnabled(repeating);
    ui->weekendComboBox->setEnabled(repeating);
}

void BillEditorPage::enableSingularDate(bool singular)
{
    ui->eventDate->setEnabled(singular);
}
