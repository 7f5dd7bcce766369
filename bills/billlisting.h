#ifndef PAYVANE_BILLLISTING_H
#define PAYVANE_BILLLISTING_H

#include "event.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>

// The bill list as text for other programs and for a terminal: a table, or
// a JSON document. Bills stay in their given order.
class BillListing
{
public:
    explicit BillListing(QDate today);

    // The amount of a bill as text; a bill whose text is empty has none.
    void setAmountFunction(std::function<QString(const Event &)> amount);

    // A plain-text table, UTF-8, one line per bill after a header line:
    //   Due Date    Days Remaining  Amount  Description
    //   2026-12-07               3          Rent
    // Dates and days are the bill list's: the next due date, or for a bill
    // that has ended its end date with "N/A" as the days (also for a singular
    // bill whose date has passed). The description comes last, so that no
    // name shifts the columns; line breaks, tabs and other control
    // characters in names and amounts are shown as spaces or U+FFFD, so each
    // bill keeps its one line.
    [[nodiscard]] QByteArray table(const EventList &bills);

    // A JSON array, UTF-8, one object per bill and line:
    //   {"name": "Rent", "nextDue": "2026-12-07", "daysRemaining": 3,
    //    "remaining": null, "schedule": "monthly", "ends": null, "amount": null}
    // - name: exactly as in the file;
    // - nextDue, daysRemaining: the next due date from today on and the days
    //   to it; both null when the bill is no longer due;
    // - remaining: the due dates left after today for a bill with an end,
    //   else null;
    // - schedule: "once", "weekly", "monthly", "yearly" (or "unknown");
    // - ends: the bill's end date (a singular bill's own date), or null for
    //   a bill without end;
    // - amount: the amount's text, or null.
    [[nodiscard]] QByteArray json(const EventList &bills);

private:
    struct Entry;
    [[nodiscard]] QList<Entry> entries(const EventList &bills);

    QDate m_today;
    std::function<QString(const Event &)> m_amount;
};

#endif // PAYVANE_BILLLISTING_H
