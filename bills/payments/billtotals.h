#ifndef PAYVANE_BILLTOTALS_H
#define PAYVANE_BILLTOTALS_H

#include "event.h"
#include "money.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>

// What a list of bills comes to on a day, per currency: what falls due in
// the next days, and what is overdue. Built whole from the list (cheap: each
// bill looks at no more than the days of the window), so it is simply built
// again whenever the list changes.
class BillTotals
{
public:
    // Due "in the next 30 days": today and the 30 days after it, as the
    // days-remaining column counts them (0 to 30).
    static constexpr int DueWithinDays = 30;

    struct Total
    {
        QString currency;        // ISO 4217 code; empty: the bills without an amount
        int bills = 0;           // bills counted
        int dueDates = 0;        // their due dates counted (a weekly bill has several in 30 days); saturates
        Money sum;               // what those dates come to; null without a currency or when overflowed
        bool overflowed = false; // the sum left the range kept exactly: no sum is given
        // The part of `sum` that bills whose amount varies add as an estimate
        // (expectedAmount); null when none does.
        Money estimated;

        friend bool operator==(const Total &a, const Total &b)
        {
            return a.currency == b.currency && a.bills == b.bills && a.dueDates == b.dueDates
                   && a.sum == b.sum && a.overflowed == b.overflowed && a.estimated == b.estimated;
        }
    };

    BillTotals() = default;
    // Counts every bill of `events` on `today`:
    // - due soon: its due dates from today to DueWithinDays days ahead, not
    //   past its end; for a tracking bill only the unpaid ones (paid early,
    //   a date is not due any more); a bill counts once, its amount once per
    //   date;
    // - overdue: a tracking bill with unpaid dates before today, its amount
    //   once per unpaid date.
    // A bill whose amount varies counts with its expected amount, which the
    // totals also sum apart as estimated.
    BillTotals(const EventList &events, QDate today);

    // Sorted by currency code, the bills without an amount last.
    [[nodiscard]] QList<Total> dueSoon() const { return m_dueSoon; }
    [[nodiscard]] QList<Total> overdue() const { return m_overdue; }

    // "Due in the next 30 days: $1,250.00 (3 bills), EUR 300.00 (1 bill),
    // 2 bills without an amount." or "Nothing is due in the next 30 days."
    // The locale's own currency comes first.
    [[nodiscard]] QString dueSoonText(const QLocale &locale = QLocale()) const;
    // A total with an estimated part says so: "$300.00 (2 bills, $84.20 of
    // it estimated)".
    // "Overdue: $50.00 (1 bill)." or "Nothing is overdue."
    [[nodiscard]] QString overdueText(const QLocale &locale = QLocale()) const;

    // Whether any bill of the list has an amount (the list's amount column
    // shows only then).
    [[nodiscard]] static bool anyAmount(const EventList &events);

private:
    static void add(QList<Total> &totals, const Money &amount, int dueDates, bool estimate);
    static QString text(const QList<Total> &totals, const QString &start, const QLocale &locale);

    QList<Total> m_dueSoon;
    QList<Total> m_overdue;
};

#endif // PAYVANE_BILLTOTALS_H
