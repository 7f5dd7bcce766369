#ifndef PAYVANE_REMINDERRULES_H
#define PAYVANE_REMINDERRULES_H

#include <QDate>
#include <QLocale>
#include <QString>
#include <QtGlobal>

struct Event;
struct PaymentStatus;

// Which bills the automatic start reminds of, and what it says. No widgets;
// today's date is passed in.

enum class ReminderKind {
    None,     // no reminder today
    Upcoming, // a due date to come (or today) within the bill's reminder days
    Overdue,  // a tracking bill with an unpaid date before today
};

// The reminder a bill gets on `today`: Overdue when isOverdueReminderDue(),
// else Upcoming when isUpcomingReminderDue(), else None.
[[nodiscard]] ReminderKind reminderKind(const Event &event, QDate today);

// Whether any of the bills gets a reminder on `today` (reminderKind() other
// than None), as the reminder window and the desktop notifications pick
// them: the automatic start asks it before it loads either.
[[nodiscard]] bool anyReminderDue(const QList<Event *> &events, QDate today);

// The reminder of a due date to come. For a bill that does not track
// payments this is the program's rule as it always was: reminders on; the
// next due date on or after today, and not past the bill's end; not shown
// today already when "once a day"; at most notifyDays days away; at least
// notifyAgainDays days since the last reminder. A tracking bill asks the
// same of its next owed date (paid early, it is quiet until its following
// date comes near), and an overdue or finished one gets no such reminder.
// Besides, reminders on, each of the bill's extra "before" reminders is due
// from its day on (its days before that date, 0 the day itself) until it
// fired for that date, whatever "once a day" and "again in N days" say: each
// fires once per due date, and one whose day passed while no start came
// fires at the next one.
[[nodiscard]] bool isUpcomingReminderDue(const Event &event, QDate today);

// The reminder of an unpaid date: reminders on; the bill tracks payments
// and is overdue on `today` (paymentstatus.h); not shown today already when
// "once a day" (showOnce and lastNotified today); at least notifyAgainDays
// days since lastNotified. notifyDays does not matter: the date has passed.
// So an overdue bill is reminded at every automatic start, days after it
// fell due included, until it is paid, snoozed or its reminders are off.
// Besides, each extra "after" reminder is due once its days have passed
// since the oldest unpaid date, until it fired for that date, snoozed or not.
// A bill that does not track payments never has an "after" reminder due.
[[nodiscard]] bool isOverdueReminderDue(const Event &event, QDate today);

// Marks every extra reminder whose day has come on `today` (as the two rules
// above see it) fired for its date, as a shown reminder does: one reminder
// shows them all, so days missed while no start came give one reminder, not
// one per reminder. True when one was marked.
bool markRemindersFired(Event &event, QDate today);

// The day a bill's reminder was last shown, as the rules read it: a mark
// after `today` (left by a start while the clock ran ahead) counts as
// today, so that it holds the bill back no longer than a mark of today.
[[nodiscard]] QDate reminderMark(const Event &event, QDate today);

// Sets every reminder mark after `today` to `today`, as it is read, so that
// a save writes it back so and "again in N days" counts from today. True
// when a mark was changed; a bill without a mark in the future is left as
// it is, to the byte.
bool settleFutureReminderMarks(const QList<Event *> &events, QDate today);

// One of a bill's reminders as a day from its due date: before it negative
// (0 the day itself), after it positive for a reminder that waits for an
// unpaid date.
struct ReminderOffset
{
    qint64 day = 0;
    bool afterUnpaid = false;
};

// Every reminder of a bill, its own ("notify me N days before") and the
// extra ones, ordered by their day (on one day, "before" first; otherwise
// the bill's own first); none when its reminders are off.
[[nodiscard]] QList<ReminderOffset> reminderOffsets(const Event &event);

// The reminder's sentence for the bill's reminder kind on `today` (an
// Upcoming one for None). Plain text, never markup.
[[nodiscard]] QString reminderSentence(const Event &event, QDate today,
                                       const QLocale &locale = QLocale::system());

// "<name> is due on <long date> there are 3 days to go." exactly as the
// program always wrote it ("there is 1 day to go." for one day); a bill with
// an amount gets it after its name: "Rent ($1,250.00) is due on ...".
[[nodiscard]] QString upcomingSentence(const Event &event, QDate due, qint64 days, const QLocale &locale);

// "<name> was due on <long date>, 12 days ago." ("1 day ago."), with the
// amount after the name as above; when several dates are unpaid it goes
// on: " 3 due dates are unpaid, $3,750.00 in all." (the sum left out when it
// cannot be kept exactly). Empty unless the status is Overdue.
[[nodiscard]] QString overdueSentence(const Event &event, const PaymentStatus &status, const QLocale &locale);

#endif // PAYVANE_REMINDERRULES_H
