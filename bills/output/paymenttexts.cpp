#include "paymenttexts.h"

#include "event.h"

QString amountText(const Event &event, const QLocale &locale)
{
    if (event.amount.isNull())
        return QString();
    if (!event.amountVaries)
        return event.amount.toString(locale);
    return QStringLiteral("\u2248 ") + expectedAmount(event).toString(locale);
}

QString openAmountText(const Event &event, const PaymentStatus &status, const QLocale &locale)
{
    if (status.open.isNull() || event.amount.isNull())
        return QString();
    return QStringLiteral("%1 of %2 open").arg(status.open.toString(locale), event.amount.toString(locale));
}

QString lastYearText(const Event &event, QDate today, const QLocale &locale)
{
    if (event.history.isEmpty())
        return QString();
    const QDate from = today.addYears(-1);
    int count = 0;
    for (const PaymentRecord &payment : event.history) {
        if (payment.paidOn > from && payment.paidOn <= today)
            ++count;
    }
    const QString payments = count == 1 ? QStringLiteral("1 payment") : QStringLiteral("%1 payments").arg(count);
    const Money sum = paidInLastYear(event, today);
    if (sum.isNull())
        return QStringLiteral("Paid in the last 12 months: %1.").arg(payments);
    return QStringLiteral("Paid in the last 12 months: %1 (%2).").arg(sum.toString(locale), payments);
}
