#include "billdetailspage.h"
#include "ui_mainwindow.h"

#include "billtext.h"
#include "daynumber.h"
#include "event.h"
#include "longdatetexts.h"
#include "occurrence.h"
#include "paymenthistorypanel.h"
#include "paymentstatus.h"

#include <QLocale>

BillDetailsPage::BillDetailsPage(Ui::MainWindow *form)
    : ui(form)
    , remindersLabel(new QLabel(form->groupBox_7))
    , movedLabel(new QLabel(form->nextDateLabel->parentWidget()))
    , paymentHistory(new PaymentHistoryPanel(form->groupBox_8))
{
    movedLabel->setObjectName(QStringLiteral("movedDetailsLabel"));
    movedLabel->setTextFormat(Qt::PlainText);
    movedLabel->setWordWrap(true);
    ui->verticalLayout_18->insertWidget(ui->verticalLayout_18->indexOf(ui->horizontalLayout_14) + 1, movedLabel);
    setLineShown(movedLabel, false);
    ui->verticalLayout_18->insertWidget(ui->verticalLayout_18->indexOf(ui->paymentDetailsLabel) + 1, paymentHistory);
    // Made after the form, the payments' controls come before its "OK".
    QWidget::setTabOrder(paymentHistory->lastControl(), ui->viewOKButton);
    remindersLabel->setObjectName(QStringLiteral("remindersDetailsLabel"));
    remindersLabel->setTextFormat(Qt::PlainText);
    remindersLabel->setWordWrap(true);
    ui->verticalLayout_20->addWidget(remindersLabel);
    setLineShown(remindersLabel, false);
}

void BillDetailsPage::setLineShown(QWidget *label, bool shown)
{
    label->setMaximumHeight(shown ? 999 : 1);
    label->setVisible(shown);
}

void BillDetailsPage::showBill(const Event &event, QDate today)
{
    // Shown as typed, and able to wrap however long it is.
    ui->eventNameLabel->setText(breakableText(event.name));
    showEnd(event, today);
    showNextDue(event, today);
    showPayments(event, today);
    showSchedule(event);
    showReminders(event);
}

void BillDetailsPage::showEnd(const Event &event, QDate today)
{
    const bool ends = event.endMode != Event::EndNever;
    for (QWidget *label : {static_cast<QWidget *>(ui->occuredLabelA), static_cast<QWidget *>(ui->occuredLabel),
                           static_cast<QWidget *>(ui->occuredLabelB), static_cast<QWidget *>(ui->occuredLabelTimes),
                           static_cast<QWidget *>(ui->occuredLabelC), static_cast<QWidget *>(ui->occuredLabelEnd)})
        setLineShown(label, ends);
    if (!ends)
        return;
    const int remaining = remainingOccurrences(event, today);
    ui->occuredLabel->setText(QString::number(remaining));
    ui->occuredLabelTimes->setText(remaining == 1 ? QStringLiteral("time") : QStringLiteral("times"));
    ui->occuredLabelEnd->setText(longDateText(event.endDate));
}

void BillDetailsPage::showNextDue(const Event &event, QDate today)
{
    const DueDate nextDue = nextDueDate(event, today);
    const QDate next = nextDue.date;
    // An invalid date counts as before today.
    const bool due = next.isValid() && daysBetween(today, next) >= 0;
    for (QWidget *label : {static_cast<QWidget *>(ui->nextDateLabelA), static_cast<QWidget *>(ui->nextDateLabel),
                           static_cast<QWidget *>(ui->nextDateLabelB), static_cast<QWidget *>(ui->nextCountLabel),
                           static_cast<QWidget *>(ui->nextDateLabelC)})
        setLineShown(label, due);
    const QString moved = due ? movedText(nextDue, QLocale()) : QString();
    movedLabel->setText(moved);
    setLineShown(movedLabel, !moved.isEmpty());
    if (!due)
        return;
    ui->nextDateLabel->setText(longDateText(next));
    ui->nextCountLabel->setText(QString::number(daysBetween(today, next)));
}

void BillDetailsPage::showPayments(const Event &event, QDate today)
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
    paymentHistory->showBill(event, today);
}

void BillDetailsPage::hideScheduleLines()
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

void BillDetailsPage::showSchedule(const Event &event)
{
    hideScheduleLines();
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

void BillDetailsPage::showReminders(const Event &event)
{
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
    const QString reminders = remindersText(event);
    remindersLabel->setText(reminders);
    setLineShown(remindersLabel, !reminders.isEmpty());
}
