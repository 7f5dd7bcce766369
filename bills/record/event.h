#ifndef PAYVANE_EVENT_H
#define PAYVANE_EVENT_H

#include "extrareminder.h"
#include "money.h"
#include "paymentrecord.h"
#include "paymentstate.h"
#include "scheduleoptions.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QUuid>
#include <QMetaType>
#include <QtGlobal>

#include <array>

class QDataStream;

// One bill. A plain record handled by pointer: a QList<Event *> owns its
// records. The field order is the order of the bill file's record form,
// so fields must never be reordered.
struct Event
{
    enum EndMode : qint32 { EndNever = 0, EndAfterTimes = 1, EndOnDate = 2 };
    enum Schedule : qint32 {
        ScheduleSingular = 0,
        ScheduleWeekly = 1,
        ScheduleMonthly = 2,
        ScheduleYearly = 3
    };

    QString name;
    qint32 endMode = EndNever;
    QDate endDate;                      // last day an occurrence still counts (inclusive)
    qint32 schedule = ScheduleSingular;
    QDate eventDate;                    // the date of a singular bill; null for repeating ones
    std::array<bool, 7> weekdays = {};  // Monday first
    bool byDay = false;                 // the N-th day (of month, year or selected months)
    qint32 ordinal = 1;                 // N
    std::array<bool, 12> months = {};   // January first
    bool byYear = false;                // N counts within the whole year
    bool notify = false;
    qint32 notifyDays = 0;              // remind when due within this many days
    bool showOnce = false;              // at most one reminder per calendar day
    QDate lastNotified;                 // day a reminder was last shown
    qint32 notifyAgainDays = 0;         // least whole days between two reminders

    // Not part of the record's stream form: kept in the bill file's
    // extension block after the records.
    ScheduleOptions options;
    PaymentState payments; // paymentstatus.h reads and changes it
    Money amount;          // what one due date costs; null: no amount
    // The amount changes from one due date to the next (a phone bill): the
    // list shows an estimate from the last payments.
    bool amountVaries = false;
    // Each payment recorded, oldest first (at most
    // PaymentRecord::MaximumPerFile in a file).
    QList<PaymentRecord> history;
    // Reminders besides the one above (at most ExtraReminder::MaximumCount);
    // reminderrules.h says when they fire.
    QList<ExtraReminder> extraReminders;
    // The bill's own identity in a published calendar (its event's UID), so
    // a renamed bill stays the same calendar object; null until publishing
    // is turned on (assignCalendarUids, calendaruids.h).
    QUuid calendarUid;
    // Extension fields of names this version does not know, written back as
    // they were read, so a newer program's fields survive this one.
    QMap<QString, QByteArray> unknownFields;

    [[nodiscard]] bool anyWeekdaySelected() const;
    [[nodiscard]] bool anyMonthSelected() const;
};

using EventList = QList<Event *>;

Q_DECLARE_METATYPE(Event)

// Convenience spellings of the two record queries.
[[nodiscard]] inline bool anyWeekdaySelected(const Event &event) { return event.anyWeekdaySelected(); }
[[nodiscard]] inline bool anyMonthSelected(const Event &event) { return event.anyMonthSelected(); }

// The record's stream form. The stream's version must be QDataStream::Qt_4_2
// (8); the caller sets it. Reading overwrites every field and does not check
// the stream's status: the caller does.
QDataStream &operator<<(QDataStream &stream, const Event &event);
QDataStream &operator>>(QDataStream &stream, Event &event);

#endif // PAYVANE_EVENT_H
