#include "paymentdialog.h"

#include "plainmessage.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

PaymentDialog::PaymentDialog(const PaymentRecord &payment, const QString &title, QWidget *parent)
    : QDialog(parent)
    , m_payment(payment)
    , paidOnEdit(new QDateEdit(payment.paidOn, this))
    , noteEdit(new QLineEdit(payment.note, this))
{
    setObjectName(QStringLiteral("paymentDialog"));
    setWindowTitle(QStringLiteral("Payment of %1").arg(title));
    auto *form = new QFormLayout(this);
    if (!payment.amount.isNull()) {
        amountEdit = new QLineEdit(payment.amount.toEditText(QLocale()), this);
        amountEdit->setObjectName(QStringLiteral("paymentAmountEdit"));
        form->addRow(QStringLiteral("&Amount (%1):").arg(payment.amount.currency()), amountEdit);
    }
    paidOnEdit->setObjectName(QStringLiteral("paymentPaidOnEdit"));
    paidOnEdit->setCalendarPopup(true);
    form->addRow(QStringLiteral("&Paid on:"), paidOnEdit);
    noteEdit->setObjectName(QStringLiteral("paymentNoteEdit"));
    noteEdit->setMaxLength(PaymentRecord::MaximumNoteLength);
    form->addRow(QStringLiteral("&Note:"), noteEdit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &PaymentDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PaymentDialog::reject);
    form->addRow(buttons);
    // The fields were made out of their order on screen.
    if (amountEdit) {
        setTabOrder(amountEdit, paidOnEdit);
        amountEdit->selectAll();
        amountEdit->setFocus(Qt::OtherFocusReason);
    }
    setTabOrder(paidOnEdit, noteEdit);
    setTabOrder(noteEdit, buttons);
}

void PaymentDialog::accept()
{
    if (amountEdit) {
        const QLocale locale;
        const QString currency = m_payment.amount.currency();
        Money::ParseProblem problem = Money::ParseProblem::None;
        const std::optional<Money> amount = Money::parse(amountEdit->text(), currency, locale, &problem);
        if (!amount || amount->minorUnits() <= 0) {
            const QString why = amount ? QStringLiteral("Please enter an amount above zero.")
                                       : problem == Money::ParseProblem::Empty
                                           ? QStringLiteral("Please enter the amount paid.")
                                           : Money::problemText(problem, currency, locale);
            showPlainMessage(QMessageBox::Information, QStringLiteral("Enter Details"), why);
            amountEdit->setFocus(Qt::OtherFocusReason);
            return;
        }
        m_payment.amount = *amount;
    }
    m_payment.paidOn = paidOnEdit->date();
    m_payment.note = noteEdit->text();
    QDialog::accept();
}
