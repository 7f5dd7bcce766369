#ifndef PAYVANE_PAYMENTRECORD_H
#define PAYVANE_PAYMENTRECORD_H

#include "money.h"

#include <QDate>
#include <QString>

// One payment of a bill: which due date it pays, when it was paid, how much
// and a note. Kept in the bill file's extension block ("history"), in the
// order the payments were recorded; a bill without any is stored exactly as
// before. paymentstatus.h decides when the parts of a due date pay it.
struct PaymentRecord
{
    // A whole bill file holds at most this many payments; a file that claims
    // more is damaged.
    static constexpr int MaximumPerFile = 100000;
    // Characters of a note; a longer one is damage in a file and cut in the
    // dialog.
    static constexpr int MaximumNoteLength = 1000;

    // The scheduled date (occurrence.h, DueDate::scheduled) of the due date
    // it pays, as PaymentState::paidThrough names one.
    QDate dueDate;
    QDate paidOn;
    // What was paid; null for a bill without an amount.
    Money amount;
    QString note;

    friend bool operator==(const PaymentRecord &a, const PaymentRecord &b)
    {
        return a.dueDate == b.dueDate && a.paidOn == b.paidOn && a.amount == b.amount && a.note == b.note
               && a.note.isNull() == b.note.isNull();
    }
    friend bool operator!=(const PaymentRecord &a, const PaymentRecord &b) { return !(a == b); }
};

#endif // PAYVANE_PAYMENTRECORD_H
