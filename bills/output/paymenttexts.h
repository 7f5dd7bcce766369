#ifndef PAYVANE_PAYMENTTEXTS_H
#define PAYVANE_PAYMENTTEXTS_H

#include "paymentstatus.h"

#include <QDate>
#include <QLocale>
#include <QString>

struct Event;

// A bill's amount as the list shows it: the amount in the locale, or for a
// bill whose amount varies the estimate from its last payments, marked so:
// "≈ 84.20". Empty for a bill without an amount.
[[nodiscard]] QString amountText(const Event &event, const QLocale &locale);

// What is still open of a partly paid due date: "40.00 of 120.00 open".
// Empty while nothing of it is paid (or the bill has no amount).
[[nodiscard]] QString openAmountText(const Event &event, const PaymentStatus &status, const QLocale &locale);

// The sum of the last 12 months under a bill's payments: "Paid in the last
// 12 months: 480.00 (4 payments)."; empty for a bill without payments.
[[nodiscard]] QString lastYearText(const Event &event, QDate today, const QLocale &locale);

#endif // PAYVANE_PAYMENTTEXTS_H
