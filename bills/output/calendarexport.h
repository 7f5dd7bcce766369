#ifndef PAYVANE_CALENDAREXPORT_H
#define PAYVANE_CALENDAREXPORT_H

#include "event.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QIODevice;

// Bills as an iCalendar file (RFC 5545) that calendar programs import: one
// all-day event per bill.
//
// - A repeating bill whose dates one recurrence rule names exactly is one
//   event at its next due date with that rule: weekdays every N weeks, "Day"
//   N or the N-th weekday of every N-th month, of the year or of chosen
//   months, counted from the start or the end. A bill that repeats a number
//   of times ends with a COUNT of its remaining dates (today's included), a
//   bill with an end date with an UNTIL.
// - Any other repeating bill (a day its month lacks that runs over into the
//   next month, due dates moved off a weekend, several kinds of dates at
//   once, a weekday that runs out of its month or year) is written as its
//   exact dates from today for HorizonYears years, one event per date.
// - A singular bill is one event on its date, past or not.
// - A repeating bill without due dates from today on (ended, or without
//   any) is left out.
//
// Every event of a bill that reminds carries an alarm its reminder period
// before the day. Event UIDs are derived from the bill's name and schedule
// (and a listed event's date), not from the export, so a calendar program
// that matches events by UID takes a new export as the same events.
class CalendarExport
{
public:
    static constexpr int HorizonYears = 2;

    // Exports the dates from `today` on.
    explicit CalendarExport(QDate today);
    CalendarExport(CalendarExport &&other) noexcept;
    CalendarExport &operator=(CalendarExport &&other) noexcept;
    ~CalendarExport();

    // The time written as every event's DTSTAMP; the current time when not set.
    void setStamp(const QDateTime &stamp);
    // The description of a bill's events (its amount, for example), asked
    // once per bill; a bill whose text is empty gets none.
    void setDescriptionFunction(std::function<QString(const Event &)> description);
    // The description the program's calendars carry: "Amount: " and the
    // bill's amount in the default locale, or nothing without an amount.
    [[nodiscard]] static QString amountDescription(const Event &event);

    // Writes the calendar of `bills`, in their order, one event at a time.
    // False when the device did not take every byte.
    bool write(QIODevice *device, const EventList &bills);
    // The same calendar a bill at a time, for bills that are not all at
    // hand: every bill is noted first (its record is enough: name and
    // schedule), then, after begin(), written in the same order; end()
    // closes the calendar. False when the device did not take every byte.
    void noteBill(const Event &event);
    bool begin(QIODevice *device);
    bool writeBill(const Event &event);
    bool end();

    // The calendar of `bills` as bytes.
    [[nodiscard]] QByteArray calendar(const EventList &bills);

    // How many bills the last write or calendar() wrote (each with one event
    // or more).
    [[nodiscard]] int billsWritten() const { return m_billsWritten; }

    // The recurrence rule (from "FREQ=" on, without its end) that names
    // exactly the due dates of a repeating bill, or an empty array when
    // there is none and its dates are listed instead.
    [[nodiscard]] static QByteArray exactRule(const Event &event);

private:
    class Writer;
    void forgetBills();

    QDate m_today;
    QDateTime m_stamp;
    std::function<QString(const Event &)> m_description;
    int m_billsWritten = 0;
    std::unique_ptr<Writer> m_writer;
    QByteArray m_stampValue;
    // Two bills alike in name and schedule still get UIDs of their own, the
    // second "-2" and so on. Only bills whose name and record schedule
    // repeat are counted: a fixed-size filter over the noted bills finds
    // them (with the odd false alarm, which costs a count and nothing else),
    // so what this holds does not grow with bills that have no twin.
    std::vector<quint64> m_noted;
    QSet<quint64> m_twinKeys;
    QHash<QByteArray, int> m_uidsSeen;
};

#endif // PAYVANE_CALENDAREXPORT_H
