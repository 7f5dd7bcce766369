#include "paymentcommands.h"

#include "historycsv.h"
#include "longdatetexts.h"
#include "paymentdialog.h"
#include "paymentstatus.h"

#include <QLocale>
#include <QMessageBox>
#include <QSaveFile>

namespace {

bool askYesNo(QWidget *parent, const QString &title, const QString &question)
{
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText); // names are shown as typed
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString paymentText(const PaymentRecord &payment)
{
    const QLocale locale;
    if (payment.amount.isNull())
        return QStringLiteral("the payment of %1").arg(longDateText(payment.paidOn, locale));
    return QStringLiteral("the payment of %1 on %2")
        .arg(payment.amount.toString(locale), longDateText(payment.paidOn, locale));
}

} // namespace

PaymentCommands::PaymentCommands(CurrentBill current, Today todaySource, Changed changedBill, QWidget *dialogParent,
                                 QObject *parent)
    : QObject(parent)
    , currentBill(std::move(current))
    , today(std::move(todaySource))
    , changed(std::move(changedBill))
    , window(dialogParent)
{
}

bool PaymentCommands::canTakeBack() const
{
    const Event *event = currentBill();
    return event && !event->history.isEmpty();
}

bool PaymentCommands::payOther()
{
    Event *event = currentBill();
    if (!event)
        return false;
    const QDate day = today();
    const DueDate due = dueDateToPay(*event, day);
    if (due.date.isNull())
        return false;
    PaymentDialog dialog(PaymentRecord{due.scheduled, day, openAmount(*event, due.scheduled), QString()}, event->name,
                         window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The list may have changed while the dialog was open: pay the bill that is current now.
    event = currentBill();
    if (!event)
        return false;
    const PaymentRecord payment = dialog.payment();
    if (recordPayment(*event, today(), payment.amount, payment.paidOn, payment.note).date.isNull())
        return false;
    changed();
    return true;
}

bool PaymentCommands::takeBackLast()
{
    const Event *event = currentBill();
    if (!event || event->history.isEmpty())
        return false;
    if (!askYesNo(window, QStringLiteral("Take Back Payment"),
                  QStringLiteral("Take back %1 for %2? Its due date is owed again.")
                      .arg(paymentText(event->history.constLast()), event->name)))
        return false;
    Event *current = currentBill();
    if (!current || !takeBackLastPayment(*current))
        return false;
    changed();
    return true;
}

bool PaymentCommands::changePayment(qsizetype index)
{
    const Event *event = currentBill();
    if (!event || index < 0 || index >= event->history.size())
        return false;
    PaymentDialog dialog(event->history.at(index), event->name, window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Event *current = currentBill();
    if (!current || !::changePayment(*current, index, dialog.payment()))
        return false;
    changed();
    return true;
}

bool PaymentCommands::removePayment(qsizetype index)
{
    const Event *event = currentBill();
    if (!event || index < 0 || index >= event->history.size())
        return false;
    if (!askYesNo(window, QStringLiteral("Remove Payment"),
                  QStringLiteral("Remove %1 for %2?").arg(paymentText(event->history.at(index)), event->name)))
        return false;
    Event *current = currentBill();
    if (!current || !::removePayment(*current, index))
        return false;
    changed();
    return true;
}

bool PaymentCommands::confirmForgetting(QWidget *parent, const QString &title, const QString &start,
                                        qsizetype count)
{
    if (count == 0)
        return true;
    const QString payments = count == 1 ? QStringLiteral("its payment") : QStringLiteral("its %1 payments").arg(count);
    return askYesNo(parent, title, QStringLiteral("%1 and forget %2?").arg(start, payments));
}

qsizetype PaymentCommands::paymentCount(const EventList &events)
{
    qsizetype count = 0;
    for (const Event *event : events)
        count += event->history.size();
    return count;
}

bool PaymentCommands::exportHistory(const EventList &events, const QString &path, QString *errorString)
{
    QSaveFile file(path);
    const QByteArray csv = historyCsv(events);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    return true;
}
