#ifndef PAYVANE_BILLLISTING_H
#define PAYVANE_BILLLISTING_H

#include "event.h"

#include <QByteArray>
#include <QDate>
#include <QLocale>

#include <memory>
#include <vector>

class OccurrenceCounts;

// The bill list as text for other programs and for a terminal: a table, or
// a JSON document. Both show what the list window shows on `today`: a bill
// that tracks payments shows its first unpaid date (paid dates are
// skipped), and an overdue one its oldest unpaid date, with the days as a
// negative number. Bills come most overdue first, then by the days to
// their date, then those no longer due; bills with the same days keep their
// order.
class BillListing
{
public:
    // Amounts are written as `locale` writes money.
    explicit BillListing(QDate today, const QLocale &locale = QLocale::c());
    BillListing(BillListing &&other) noexcept;
    BillListing &operator=(BillListing &&other) noexcept;
    ~BillListing();

    // A plain-text table, UTF-8, one line per bill after a header line:
    //   Due Date    Days Remaining  Unpaid    Amount  Description
    //   2027-02-24              -5       1   $850.00  Rent
    //   2027-03-04               3            $12.50  Water
    // Due Date, Days Remaining: the list window's date and days ("N/A" for
    // a bill that is no longer due); Unpaid: the unpaid due dates before
    // today of a bill that tracks payments (empty for the others). The
    // description comes last, so that no name shifts the columns; line
    // breaks, tabs and other control characters in names and amounts are
    // shown as spaces or U+FFFD, so each bill keeps its one line.
    [[nodiscard]] QByteArray table(const EventList &bills) const;

    // A JSON array, UTF-8, of one object per bill with these keys:
    // - name: exactly as in the file;
    // - nextDue, daysRemaining: the table's date (ISO 8601) and days, both
    //   null when the bill is no longer due;
    // - overdue: whether an unpaid due date lies before today;
    // - unpaidCount: the unpaid due dates before today (0 when none), null
    //   for a bill that does not track payments;
    // - paidThrough: the last due date marked paid, null when none is or
    //   the bill does not track payments;
    // - remaining: the due dates left after today for a bill with an end,
    //   else null;
    // - schedule: "once", "weekly", "monthly", "yearly" (or "unknown");
    // - ends: the bill's end date (a singular bill's own date), or null;
    // - amount: a number in the currency's units (1250.5), currency: its
    //   ISO 4217 code, amountText: as the locale writes it; all three null
    //   for a bill without amount. The number is exact up to 15 digits;
    //   amountText always is;
    // - reminders: every reminder of the bill, in the order of their days,
    //   as {"days": 3, "when": "before"} (0 days: on the due date) or
    //   {"days": 2, "when": "afterUnpaid"}; empty when its reminders are off.
    [[nodiscard]] QByteArray json(const EventList &bills) const;

    // The same for bills read one at a time: each bill is added in the
    // file's order and only its row is kept, then the table or the JSON of
    // the bills added.
    void add(const Event &event);
    [[nodiscard]] QByteArray table() const;
    [[nodiscard]] QByteArray json() const;

private:
    struct Entry;
    struct Added;
    [[nodiscard]] Entry entryOf(const Event &event, OccurrenceCounts &counts) const;
    [[nodiscard]] QList<Entry> entries(const EventList &bills) const;
    // The rows' order: positions in `list`.
    [[nodiscard]] static std::vector<qsizetype> order(const QList<Entry> &list);
    [[nodiscard]] QByteArray tableOf(const QList<Entry> &list) const;
    [[nodiscard]] QByteArray jsonOf(const QList<Entry> &list) const;

    QDate m_today;
    QLocale m_locale;
    std::unique_ptr<Added> m_added;
};

#endif // PAYVANE_BILLLISTING_H
