#ifndef PAYVANE_PAYMENTDIALOG_H
#define PAYVANE_PAYMENTDIALOG_H

#include "paymentrecord.h"

#include <QDialog>

class QDateEdit;
class QLineEdit;

// "Paid…": a payment of another amount, on another day or with a note. The
// amount in the locale (of the bill's currency; none for a bill without an
// amount), the day paid and a note, in that Tab order, with OK as the
// default button. A refused amount says why and keeps the dialog open.
class PaymentDialog : public QDialog
{
    Q_OBJECT

public:
    // `payment` gives the fields to start with (the open amount and today
    // for a new payment, the payment itself for a change); `title` names
    // the bill.
    PaymentDialog(const PaymentRecord &payment, const QString &title, QWidget *parent = nullptr);

    // The payment as entered (its due date as given); valid after accept().
    [[nodiscard]] PaymentRecord payment() const { return m_payment; }

    void accept() override;

private:
    PaymentRecord m_payment;
    QLineEdit *amountEdit = nullptr; // none for a bill without an amount
    QDateEdit *paidOnEdit;
    QLineEdit *noteEdit;
};

#endif // PAYVANE_PAYMENTDIALOG_H
