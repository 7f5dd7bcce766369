#ifndef PAYVANE_MONTHSUMMARY_H
#define PAYVANE_MONTHSUMMARY_H

#include "event.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// What a list of bills comes to month by month, per currency, for the
// twelve months before today's and the twelve from today's on: what fell
// (or falls) due, what of it was paid, what is open, and what belongs to
// bills that do not track payments (nobody knows whether it was paid), so
// that due = paid + open + not tracked in every month. Also how many due
// dates each day of those months has.
//
// A due date counts in the month of the day it is due. Of a bill that
// tracks payments, a date before tracking began counts as not tracked, a
// paid date as paid (paid early too), any other as open, less the parts
// paid towards it so far, which count as paid. Built whole from
// the list, like BillTotals: cheap enough to build again on every change.
class MonthSummary
{
public:
    static constexpr int MonthsBefore = 12;
    static constexpr int MonthCount = 24;

    // Sums in the currency's minor units.
    struct Sums
    {
        qint64 due = 0;
        qint64 paid = 0;
        qint64 open = 0;
        qint64 notTracked = 0;
        int dueDates = 0;
        bool overflowed = false; // a sum left the range kept exactly: none is given

        friend bool operator==(const Sums &a, const Sums &b)
        {
            return a.due == b.due && a.paid == b.paid && a.open == b.open && a.notTracked == b.notTracked
                   && a.dueDates == b.dueDates && a.overflowed == b.overflowed;
        }
    };

    MonthSummary() = default;
    MonthSummary(const EventList &events, QDate today);

    // The first day of month `index` (0 to MonthCount - 1); today's month
    // is MonthsBefore.
    [[nodiscard]] QDate month(int index) const;
    [[nodiscard]] QDate firstDay() const { return m_first; }
    [[nodiscard]] QDate lastDay() const { return m_last; }

    // The currencies of the bills with amounts, sorted by code.
    [[nodiscard]] QStringList currencies() const;
    [[nodiscard]] Sums sums(const QString &currency, int month) const;
    // Due dates on `day` of every bill, with or without amount; 0 outside
    // the months.
    [[nodiscard]] int dueDatesOn(QDate day) const;

private:
    void addBill(const Event &event);
    void addDueDate(const Event &event, QDate due, QDate scheduled);
    [[nodiscard]] int monthIndex(QDate day) const;

    QDate m_first;
    QDate m_last;
    QHash<QString, std::vector<Sums>> m_sums;
    std::vector<int> m_dueDatesPerDay;
};

#endif // PAYVANE_MONTHSUMMARY_H
