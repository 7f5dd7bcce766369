#ifndef PAYVANE_HISTORYCSV_H
#define PAYVANE_HISTORYCSV_H

#include "event.h"

#include <QByteArray>

// The payment history of bills as CSV for a spreadsheet (RFC 4180): UTF-8,
// CRLF line ends, a header row "Bill,Due date,Paid on,Amount,Currency,Note",
// then one row per payment, bill by bill in list order, each bill's payments
// oldest first. Dates in ISO 8601, amounts with a dot as decimal separator
// and no grouping, the currency code in its own column (both empty for a
// bill without an amount). A field holding a comma, quote, CR or LF is
// quoted with its quotes doubled. A name or note that begins with = + - @,
// a tab or CR gets a leading apostrophe, so that a spreadsheet shows it as
// text instead of running it as a formula.
[[nodiscard]] QByteArray historyCsv(const EventList &events);

// An amount as the CSV writes it: "-1234.50", "7", "0.125".
[[nodiscard]] QString csvAmount(const Money &amount);

#endif // PAYVANE_HISTORYCSV_H
