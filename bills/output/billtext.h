#ifndef PAYVANE_BILLTEXT_H
#define PAYVANE_BILLTEXT_H

#include "longdatetexts.h" // longDateText, which the list texts use too
#include "paymentstatus.h"

#include <QDate>
#include <QString>
#include <QtGlobal>

class LongDateTexts;
struct DueDate;
class QLocale;

struct Event;

// The words the bill list and the details page use for a bill. No widgets.

// The selected weekdays, Monday first, joined with ", " (the following form
// of Wednesday is spelt ", Wedneday", as the program always showed it).
[[nodiscard]] QString weekdayListText(const Event &event);

// "the Year" when counted in the whole year, then the selected months,
// January first, joined with ", ".
[[nodiscard]] QString monthListText(const Event &event);

// What a monthly or yearly bill counts: "Day", "Day, " plus the weekdays, or
// the weekdays alone.
[[nodiscard]] QString periodText(const Event &event);

// The text with a zero-width space after every character of a run longer
// than `longestRun` characters without a break opportunity (a name typed
// without spaces), so a word-wrapping label can break it anywhere instead of
// growing as wide as the run. Shorter runs are left alone.
[[nodiscard]] QString breakableText(const QString &text, int longestRun = 24);

// The N of a monthly or yearly schedule as the details page says it, with a
// trailing blank: "3rd ", or counted from the end "last ", "2nd last ".
[[nodiscard]] QString countText(const Event &event);

// The every-N sentence of a repeating bill ("Every 2 months, counting from
// December 2026."); empty when it repeats every week, month or year.
[[nodiscard]] QString everyText(const Event &event);

// What a monthly bill's "Day" N does in shorter months, when that is not the
// plain run-over; empty otherwise.
[[nodiscard]] QString shortMonthsText(const Event &event);

// Where a repeating bill's dates on weekends and holidays go; empty when
// they stay (and for a bill due on business days, which never moves).
[[nodiscard]] QString weekendText(const Event &event);

// Whether a bill is due on the N-th (or N-th last) business day of its
// months: a monthly bill with a business day the engine takes.
[[nodiscard]] bool isBusinessDaySchedule(const Event &event);

// "On the 3rd business day of every month.", "On the last business day of
// every 2 months."; empty for other bills.
[[nodiscard]] QString businessDayText(const Event &event);

// Why a due date is not the date its schedule names: "Moved from <long
// date>: weekend." or the holiday's name (plain text; the weekend wins when
// the date is both); empty when it did not move.
[[nodiscard]] QString movedText(const DueDate &due, const QLocale &locale);

// "Reminders: 14 days before, on the day, 3 days after if unpaid.": the
// bill's own reminder and its extra ones, earliest first. Empty for a bill
// without extra reminders or with reminders off.
[[nodiscard]] QString remindersText(const Event &event);

// One line of the bill list.
struct BillRow
{
    QDate dueDate;     // the next due date, or the end date of an ended bill
    qint64 daysLeft;   // days from today to dueDate; negative: "N/A"
    QString details;   // the name, plus what is left of a bill with an end
    // A bill that tracks payments (NotTracked for the others, whose rows
    // are what they always were). Upcoming: dueDate is its next unpaid
    // date, so a bill paid early shows its following one. Overdue: dueDate
    // is its oldest unpaid date, daysLeft -1 ("N/A"), and payment says how
    // many days overdue and how many dates are unpaid. Finished: dueDate is
    // its last paid date, daysLeft -1, and the details say it is finished.
    PaymentStatus payment;
};

// The list line of a bill on `today`. `remaining` is the bill's
// remainingOccurrences on that day (-1 for a bill without end). Dates are
// written in the long format of the texts' locale (the system's by default).
[[nodiscard]] BillRow billRow(const Event &event, QDate today, int remaining);
// The same from the bill's next due date on `today` (its nextDueDate).
[[nodiscard]] BillRow billRow(const Event &event, QDate today, const DueDate &next, int remaining,
                              LongDateTexts &dateTexts);
// The line without its details, for a list that writes them when it shows
// them; billRowDetails gives them.
[[nodiscard]] BillRow billRowWithoutDetails(const Event &event, QDate today, const DueDate &next);
// The details of a line: the name, then " - Finished: ..." for a `finished`
// bill (its payment state), else what is left of a bill with an end
// (`remaining` as for billRow).
[[nodiscard]] QString billRowDetails(const Event &event, bool finished, int remaining, LongDateTexts &dateTexts);

// What the details page says about a bill's payments, one sentence:
// "Unpaid since <long date>: 3 due dates, the oldest 40 days overdue.",
// "Paid through the due date of <long date>, marked paid on <long date>.",
// "Finished: its last due date, <long date>, is paid." ... Empty for a bill
// that does not track payments.
[[nodiscard]] QString paymentDetailsText(const PaymentStatus &status, const QLocale &locale);

#endif // PAYVANE_BILLTEXT_H
