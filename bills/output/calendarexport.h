#ifndef PAYVANE_CALENDAREXPORT_H
#define PAYVANE_CALENDAREXPORT_H

#include "event.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTime>

#include <functional>
#include <vector>

class QIODevice;

// Bills as an iCalendar file (RFC 5545) that calendar programs import: one
// all-day event per bill, built with libical and written as soon as it is
// complete.
//
// - A repeating bill is one event with one rule that goes on as long as the
//   bill does (COUNT for a bill limited in times, UNTIL for one with an end
//   date): its schedule's plain rule, before any move. Over the horizon,
//   from its first exported date through today + HorizonYears, the rule is
//   expanded and compared with the engine's due dates: a rule date the
//   engine does not have is an EXDATE, a due date the rule does not have an
//   RDATE (weekend moves, a day that ran over into the next month). Up to
//   the horizon the event's dates are exactly the engine's; after it the
//   rule goes on unmoved, so the calendar never goes silent. The last
//   weekday of a month (the last day moved to the Friday before) and the
//   first (day 1 moved to the Monday after) have rules of their own and
//   stay exact for ever.
// - A repeating bill whose dates no rule names (several kinds of dates at
//   once, a weekday that runs out of its month or year) is its due dates
//   over the horizon as RDATEs, and ends there.
// - A singular bill is one event on its date, past or not.
// - A repeating bill without due dates from today on is left out.
// - A paid due date of a bill that tracks payments is an EXDATE (a paid
//   singular bill is left out): the calendar no longer reminds of it, and
//   the bill stays one event, where a to-do per paid date would add a
//   component most calendar views never show.
//
// Every reminder of a bill is one alarm at a time of day (09:00 unless set):
// its own "notify N days before", and each extra reminder, before the due
// date or, for a bill that tracks payments, after it. A bill with a
// calendar UID (Event::calendarUid) is the event of that UID; other event
// UIDs are derived from the bill's name and schedule, not from the export,
// so a calendar program that matches events by UID takes a new export as
// the same events.
class CalendarExport
{
public:
    static constexpr int HorizonYears = 10;
    static constexpr int DefaultAlarmHour = 9;

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
    // The time of day alarms ring at; 09:00 when not valid.
    void setAlarmTime(QTime time);
    // The alarm time the user chose, kept in the program's native settings
    // (not in the settings file): 09:00 when none.
    [[nodiscard]] static QTime savedAlarmTime();
    static void saveAlarmTime(QTime time);

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
    // The UID of the event the last writeBill() wrote; empty when it wrote
    // none (a bill without dates ahead).
    [[nodiscard]] const QByteArray &lastUid() const { return m_lastUid; }

    // The calendar of `bills` as bytes.
    [[nodiscard]] QByteArray calendar(const EventList &bills);

    // How many bills the last write or calendar() wrote.
    [[nodiscard]] int billsWritten() const { return m_billsWritten; }

    // The recurrence rule (from "FREQ=" on, without its end) of a repeating
    // bill's schedule before any move, or an empty array when no rule names
    // its dates and they are listed instead.
    [[nodiscard]] static QByteArray scheduleRule(const Event &event);

private:
    void forgetBills();
    bool put(const QByteArray &bytes);

    QDate m_today;
    QDateTime m_stamp;
    std::function<QString(const Event &)> m_description;
    QTime m_alarmTime = QTime(DefaultAlarmHour, 0);
    int m_billsWritten = 0;
    QIODevice *m_device = nullptr;
    bool m_written = false; // every byte so far went to the device
    QByteArray m_stampValue;
    QByteArray m_lastUid;
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
