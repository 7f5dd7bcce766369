#ifndef PAYVANE_CALENDAROBJECT_H
#define PAYVANE_CALENDAROBJECT_H

#include "event.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

// One bill as a calendar object of a CalDAV collection: a VCALENDAR of
// exactly the event the calendar export writes for it.
struct CalendarObject
{
    QByteArray uid;         // the event's UID, also the object's name
    QByteArray text;        // the VCALENDAR
    QByteArray fingerprint; // calendarFingerprint(text)
    QString name;           // the bill's name, for sentences
};

// The objects of `bills` from `today` on, in their order, stamped `stamp`
// (DTSTAMP). A bill the export leaves out (no dates ahead) has none.
[[nodiscard]] QList<CalendarObject> calendarObjects(const EventList &bills, QDate today, const QDateTime &stamp);
// The same with the alarms at `alarmTime` instead of the one the user chose
// (CalendarExport::savedAlarmTime), which only the caller's thread reads.
[[nodiscard]] QList<CalendarObject> calendarObjects(const EventList &bills, QDate today, const QDateTime &stamp,
                                                    QTime alarmTime);

// What a calendar object's event says, apart from its stamp and from what a
// server may change without changing it: the event's lines unfolded (not
// the calendar around it, whose PRODID a server may replace), without
// DTSTAMP, sorted (servers store properties in an order of their own),
// hashed (SHA-256). Equal for the text sent and the same text read back.
[[nodiscard]] QByteArray calendarFingerprint(const QByteArray &text);

#endif // PAYVANE_CALENDAROBJECT_H
