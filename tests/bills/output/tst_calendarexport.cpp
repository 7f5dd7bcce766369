// The exported calendar, read back by libical and by Python's icalendar:
// every date they expand equals the engine's due dates, its texts survive
// escaping and folding, alarms and UIDs are what calendar programs need.
#include "calendarexport.h"

#include "billrules.h"
#include "daynumber.h"
#include "event.h"
#include "holidayset.h"
#include "occurrence.h"

#include <QBuffer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryFile>
#include <QTest>
#include <QTimeZone>

#include <libical/ical.h>

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace {

const QDateTime Stamp(QDate(2026, 11, 30), QTime(8, 15, 0), Qt::UTC);

// ---- bills

struct Bill
{
    Event event;

    static Bill weekly(std::initializer_list<int> weekdays)
    {
        Bill bill;
        bill.event.schedule = Event::ScheduleWeekly;
        bill.setWeekdays(weekdays);
        return bill;
    }
    // "Day" N of every month.
    static Bill monthlyDay(int n)
    {
        Bill bill;
        bill.event.schedule = Event::ScheduleMonthly;
        bill.event.byDay = true;
        bill.event.ordinal = n;
        return bill;
    }
    static Bill monthlyWeekdays(int n, std::initializer_list<int> weekdays)
    {
        Bill bill;
        bill.event.schedule = Event::ScheduleMonthly;
        bill.event.ordinal = n;
        bill.setWeekdays(weekdays);
        return bill;
    }
    // Yearly: "Day" N and/or the N-th weekdays, of the year and/or of months.
    static Bill yearly(int n, bool byDay, std::initializer_list<int> weekdays, bool byYear,
                       std::initializer_list<int> months)
    {
        Bill bill;
        bill.event.schedule = Event::ScheduleYearly;
        bill.event.ordinal = n;
        bill.event.byDay = byDay;
        bill.event.byYear = byYear;
        bill.setWeekdays(weekdays);
        for (int month : months)
            bill.event.months[std::size_t(month - 1)] = true;
        return bill;
    }
    static Bill once(QDate date)
    {
        Bill bill;
        bill.event.schedule = Event::ScheduleSingular;
        bill.event.eventDate = date;
        bill.event.endMode = Event::EndAfterTimes;
        bill.event.endDate = date;
        return bill;
    }

    Bill &every(int n, QDate from)
    {
        event.options.every = n;
        event.options.everyFrom = from;
        return *this;
    }
    // Counted from the end; the record keeps a valid forward count.
    Bill &fromEnd(int n)
    {
        event.options.fromEnd = n;
        event.ordinal = 1;
        return *this;
    }
    Bill &lastDayOfShortMonths()
    {
        event.options.shortMonths = ScheduleOptions::LastDay;
        return *this;
    }
    Bill &weekends(ScheduleOptions::Weekends move)
    {
        event.options.weekends = move;
        return *this;
    }
    // The N-th business day of the month (below 0: the N-th last), for rows
    // of the round trip: Bill::monthlyDay(1).businessDay(-1).
    Bill &businessDay(int n)
    {
        event.options.businessDay = n;
        return *this;
    }
    // Repeats `times` times after `savedOn`, as the editor stores it.
    Bill &times(int count, QDate savedOn)
    {
        event.endMode = Event::EndAfterTimes;
        event.endDate = endDateAfterTimes(event, savedOn, count);
        return *this;
    }
    Bill &until(QDate date)
    {
        event.endMode = Event::EndOnDate;
        event.endDate = date;
        return *this;
    }
    Bill &reminds(int days)
    {
        event.notify = true;
        event.notifyDays = days;
        return *this;
    }
    Bill &remindsAlso(int days, ExtraReminder::When when)
    {
        ExtraReminder reminder;
        reminder.days = days;
        reminder.when = when;
        event.extraReminders.append(reminder);
        return *this;
    }
    // Tracks payments since `since`, paid through the scheduled date `through`.
    Bill &paid(QDate since, QDate through)
    {
        event.payments.trackedSince = since;
        event.payments.paidThrough = through;
        event.payments.paidOn = since;
        return *this;
    }

private:
    void setWeekdays(std::initializer_list<int> weekdays)
    {
        for (int day : weekdays)
            event.weekdays[std::size_t(day - 1)] = true;
    }
};

constexpr int Mon = 1, Tue = 2, Wed = 3, Thu = 4, Fri = 5, Sat = 6, Sun = 7;
constexpr ScheduleOptions::Weekends FridayBefore = ScheduleOptions::FridayBefore;
constexpr ScheduleOptions::Weekends MondayAfter = ScheduleOptions::MondayAfter;

// ---- libical

struct ComponentFree
{
    void operator()(icalcomponent *component) const { icalcomponent_free(component); }
};
using Calendar = std::unique_ptr<icalcomponent, ComponentFree>;

Calendar parsed(const QByteArray &bytes)
{
    return Calendar(icalparser_parse_string(bytes.constData()));
}

QDate dateOf(icaltimetype time)
{
    return QDate(time.year, time.month, time.day);
}

QList<icalcomponent *> eventsOf(icalcomponent *calendar)
{
    QList<icalcomponent *> events;
    for (icalcomponent *event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
        events.append(event);
    return events;
}

// The parser marks what it could not read with X-LIC-ERROR properties, and
// so does the check of the properties each component must and may have.
int parseErrors(icalcomponent *calendar)
{
    if (!icalrestriction_check(calendar) && icalcomponent_count_errors(calendar) == 0)
        return -1;
    return icalcomponent_count_errors(calendar);
}

QList<QDate> propertyDates(icalcomponent *event, icalproperty_kind kind)
{
    QList<QDate> dates;
    for (icalproperty *property = icalcomponent_get_first_property(event, kind); property;
         property = icalcomponent_get_next_property(event, kind)) {
        const icaltimetype time = kind == ICAL_EXDATE_PROPERTY ? icalproperty_get_exdate(property)
                                                               : icalproperty_get_rdate(property).time;
        if (!time.is_date)
            QTest::qFail("a listed date is not a whole day", __FILE__, __LINE__);
        dates.append(dateOf(time));
    }
    return dates;
}

// The dates one event expands to up to `last`: its start, its rule's dates,
// its RDATEs, without its EXDATEs.
QList<QDate> eventDates(icalcomponent *event, QDate last)
{
    const icaltimetype start = icalcomponent_get_dtstart(event);
    if (!start.is_date)
        QTest::qFail("an event is not all-day", __FILE__, __LINE__);
    QSet<QDate> dates = {dateOf(start)};
    if (icalproperty *rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY)) {
        icalrecur_iterator *iterator = icalrecur_iterator_new(icalproperty_get_rrule(rule), start);
        if (!iterator) {
            QTest::qFail("libical refused a rule", __FILE__, __LINE__);
            return {};
        }
        for (icaltimetype next = icalrecur_iterator_next(iterator);
             !icaltime_is_null_time(next) && dateOf(next) <= last; next = icalrecur_iterator_next(iterator))
            dates.insert(dateOf(next));
        icalrecur_iterator_free(iterator);
    }
    for (QDate date : propertyDates(event, ICAL_RDATE_PROPERTY))
        dates.insert(date);
    for (QDate date : propertyDates(event, ICAL_EXDATE_PROPERTY))
        dates.remove(date);
    QList<QDate> list;
    for (QDate date : dates) {
        if (date <= last)
            list.append(date);
    }
    return list;
}

// Every date the calendar's events expand to up to `last`, in order, with
// repeats (two events on one day would be the bill shown twice).
QList<QDate> expandedDates(icalcomponent *calendar, QDate last)
{
    QList<QDate> dates;
    for (icalcomponent *event : eventsOf(calendar))
        dates += eventDates(event, last);
    std::sort(dates.begin(), dates.end());
    return dates;
}

// The same as Python's icalendar and recurring_ical_events expand them from
// `first` up to `last`; an empty list and a failure when Python could not.
QList<QDate> pythonDates(const QByteArray &bytes, QDate first, QDate last)
{
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        QTest::qFail("cannot write the calendar for Python", __FILE__, __LINE__);
        return {};
    }
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(PAYVANE_TEST_DATA_DIR "/expandcalendar.py"), file.fileName(),
                  first.toString(Qt::ISODate), last.addDays(1).toString(Qt::ISODate)});
    if (!python.waitForFinished(120000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        qWarning().noquote() << python.readAllStandardError();
        QTest::qFail("Python did not expand the calendar", __FILE__, __LINE__);
        return {};
    }
    QList<QDate> dates;
    for (const QByteArray &line : python.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            dates.append(QDate::fromString(QString::fromLatin1(line), Qt::ISODate));
    }
    std::sort(dates.begin(), dates.end());
    return dates;
}

// The engine's due dates from `today` up to `last`, within the bill's end.
QList<QDate> engineDates(const Event &event, QDate today, QDate last)
{
    if (event.schedule == Event::ScheduleSingular)
        return {event.eventDate};
    QList<QDate> dates;
    DueDayWalk walk(event);
    for (qint64 day = dayNumber(today) - 1;;) {
        const qint64 due = walk.after(day);
        if (due == 0 || due > dayNumber(last))
            break;
        if (event.endMode != Event::EndNever && walk.scheduled() > dayNumber(event.endDate))
            break;
        // A paid date is no longer shown.
        if (!event.payments.paidThrough.isValid() || walk.scheduled() > dayNumber(event.payments.paidThrough))
            dates.append(dateOfDayNumber(due));
        day = due;
    }
    return dates;
}

QByteArray exported(const EventList &bills, QDate today)
{
    CalendarExport calendar(today);
    calendar.setStamp(Stamp);
    return calendar.calendar(bills);
}

// How one bill's dates are written.
enum Form {
    Listed,    // its dates over the horizon, no rule
    Corrected, // a rule with EXDATEs or RDATEs
    Rule,      // a rule alone
};

Form formOf(icalcomponent *calendar)
{
    const QList<icalcomponent *> events = eventsOf(calendar);
    if (events.size() != 1 || !icalcomponent_get_first_property(events.first(), ICAL_RRULE_PROPERTY))
        return Listed;
    return icalcomponent_get_first_property(events.first(), ICAL_EXDATE_PROPERTY)
                   || icalcomponent_get_first_property(events.first(), ICAL_RDATE_PROPERTY)
               ? Corrected
               : Rule;
}

// Exports one bill and compares libical's expansion over the horizon (and
// Python's too, with `python`) with the engine. Its form goes to *form.
void compareWithEngine(const Event &event, QDate today, Form *form, bool python = false)
{
    const QByteArray bytes = exported({const_cast<Event *>(&event)}, today);
    const Calendar calendar = parsed(bytes);
    QVERIFY(calendar);
    QCOMPARE(parseErrors(calendar.get()), 0);
    *form = formOf(calendar.get());
    const QDate last = today.addYears(CalendarExport::HorizonYears);
    const QList<QDate> expected = engineDates(event, today, last);
    const QList<QDate> all = expandedDates(calendar.get(), last);
    if (all != expected) {
        qWarning().noquote() << bytes.left(4000);
        qWarning() << "libical:" << all.mid(0, 12);
        qWarning() << "engine: " << expected.mid(0, 12);
    }
    QCOMPARE(all, expected);
    if (!python)
        return;
    // Python starts from today: a singular bill's past date is not looked for.
    const QDate first = std::min(today, expected.isEmpty() ? today : expected.first());
    QCOMPARE(pythonDates(bytes, first, last), expected);
}

} // namespace

class tst_CalendarExport : public QObject
{
    Q_OBJECT

private slots:
    void datesMatchEngine_data();
    void datesMatchEngine();
    void holidaysMatchEngine_data();
    void holidaysMatchEngine();
    void randomBillsMatchEngine();
    void endsAsCountOrUntil_data();
    void endsAsCountOrUntil();
    void nothingForBillsWithoutDatesAhead_data();
    void nothingForBillsWithoutDatesAhead();
    void textsSurviveEscapingAndFolding_data();
    void textsSurviveEscapingAndFolding();
    void alarmFollowsReminder_data();
    void alarmFollowsReminder();
    void eventsAreWholeDays();
    void descriptionComesFromHook();
    void uidsStableAndUnique();
    void failedWriteIsReported();
};

void tst_CalendarExport::datesMatchEngine_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("form"); // Form: how the dates are written

    const QDate today(2027, 1, 13);    // a Wednesday
    const QDate beforeLeap(2027, 12, 20); // the next two years hold 29 February 2028
    const QDate leapDay(2028, 2, 29);

    // Weekly
    QTest::newRow("weekly Monday, Wednesday") << Bill::weekly({Mon, Wed}).event << today << int(Rule);
    QTest::newRow("weekly every day") << Bill::weekly({Mon, Tue, Wed, Thu, Fri, Sat, Sun}).event << today << int(Rule);
    QTest::newRow("weekly every 2 weeks, counted from a Sunday")
        << Bill::weekly({Mon, Thu}).every(2, QDate(2027, 1, 10)).event << today << int(Rule);
    QTest::newRow("weekly every 3 weeks, from a later week")
        << Bill::weekly({Tue}).every(3, QDate(2027, 3, 4)).event << today << int(Rule);
    QTest::newRow("weekly every 99 weeks") << Bill::weekly({Fri}).every(99, QDate(2026, 2, 2)).event << today << int(Rule);
    QTest::newRow("weekly Saturday, Sunday to Friday")
        << Bill::weekly({Sat, Sun}).weekends(FridayBefore).event << today << int(Corrected);
    QTest::newRow("weekly Saturday, Sunday to Monday")
        << Bill::weekly({Sat, Sun, Wed}).weekends(MondayAfter).event << today << int(Corrected);
    QTest::newRow("weekly Sunday to Monday from a Monday")
        << Bill::weekly({Sun}).weekends(MondayAfter).event << QDate(2027, 1, 11) << int(Corrected);
    QTest::newRow("weekly every 2, Saturday to Friday")
        << Bill::weekly({Sat}).every(2, QDate(2027, 1, 4)).weekends(FridayBefore).event << today << int(Corrected);
    QTest::newRow("weekly every 2, Sunday to Monday of the next week")
        << Bill::weekly({Sun, Tue}).every(2, QDate(2027, 1, 4)).weekends(MondayAfter).event << today << int(Corrected);
    QTest::newRow("weekly every 2, every day, weekend to Monday")
        << Bill::weekly({Mon, Tue, Wed, Thu, Fri, Sat, Sun}).every(2, QDate(2027, 1, 4)).weekends(MondayAfter).event
        << today << int(Corrected);
    QTest::newRow("weekly 5 times") << Bill::weekly({Mon, Fri}).times(5, today).event << today << int(Rule);
    QTest::newRow("weekly until a Thursday") << Bill::weekly({Thu}).until(QDate(2027, 6, 3)).event << today << int(Rule);
    QTest::newRow("weekly Saturday to Monday until that Saturday")
        << Bill::weekly({Sat}).weekends(MondayAfter).until(QDate(2027, 5, 15)).event << today << int(Corrected);
    QTest::newRow("weekly Sunday to Friday until the Saturday before")
        << Bill::weekly({Sun, Wed}).weekends(FridayBefore).until(QDate(2027, 5, 15)).event << today << int(Corrected);
    QTest::newRow("weekly Saturday to Friday, 4 times")
        << Bill::weekly({Sat, Sun}).weekends(FridayBefore).times(4, today).event << today << int(Corrected);
    QTest::newRow("weekly every 2, until") << Bill::weekly({Wed}).every(2, today).until(QDate(2029, 1, 1)).event
                                           << today << int(Rule);

    // Monthly "Day" N
    QTest::newRow("monthly day 15") << Bill::monthlyDay(15).event << today << int(Rule);
    QTest::newRow("monthly day 28") << Bill::monthlyDay(28).event << beforeLeap << int(Rule);
    QTest::newRow("monthly day 29 runs over") << Bill::monthlyDay(29).event << beforeLeap << int(Corrected);
    QTest::newRow("monthly day 31 runs over") << Bill::monthlyDay(31).event << today << int(Corrected);
    QTest::newRow("monthly day 31, last day of short months")
        << Bill::monthlyDay(31).lastDayOfShortMonths().event << beforeLeap << int(Rule);
    QTest::newRow("monthly day 30, last day of short months")
        << Bill::monthlyDay(30).lastDayOfShortMonths().event << beforeLeap << int(Rule);
    QTest::newRow("monthly day 10, last day of short months")
        << Bill::monthlyDay(10).lastDayOfShortMonths().event << today << int(Rule);
    QTest::newRow("monthly last day") << Bill::monthlyDay(1).fromEnd(1).event << beforeLeap << int(Rule);
    QTest::newRow("monthly 3rd last day") << Bill::monthlyDay(1).fromEnd(3).event << beforeLeap << int(Rule);
    QTest::newRow("monthly 30th last day") << Bill::monthlyDay(1).fromEnd(30).event << beforeLeap << int(Corrected);
    QTest::newRow("monthly 31st last day is the first")
        << Bill::monthlyDay(1).fromEnd(31).event << beforeLeap << int(Rule);
    QTest::newRow("monthly day 15 every 2 months")
        << Bill::monthlyDay(15).every(2, QDate(2026, 12, 1)).event << today << int(Rule);
    QTest::newRow("monthly last day every 5 months")
        << Bill::monthlyDay(1).fromEnd(1).every(5, QDate(2027, 2, 1)).event << today << int(Rule);
    QTest::newRow("monthly day 15 to Friday") << Bill::monthlyDay(15).weekends(FridayBefore).event << today << int(Corrected);
    QTest::newRow("monthly last day to Monday")
        << Bill::monthlyDay(1).fromEnd(1).weekends(MondayAfter).event << today << int(Corrected);
    QTest::newRow("monthly last weekday") << Bill::monthlyDay(1).fromEnd(1).weekends(FridayBefore).event << today
                                          << int(Rule);
    QTest::newRow("monthly day 31 or the last, to Friday")
        << Bill::monthlyDay(31).lastDayOfShortMonths().weekends(FridayBefore).event << today << int(Rule);
    QTest::newRow("monthly first weekday") << Bill::monthlyDay(1).weekends(MondayAfter).event << today << int(Rule);
    QTest::newRow("monthly day 30, last day of short months, to Monday")
        << Bill::monthlyDay(30).lastDayOfShortMonths().weekends(MondayAfter).event << beforeLeap << int(Corrected);
    QTest::newRow("monthly day 20, 6 times") << Bill::monthlyDay(20).times(6, today).event << today << int(Rule);
    QTest::newRow("monthly day 20 until") << Bill::monthlyDay(20).until(QDate(2027, 9, 20)).event << today << int(Rule);

    // Monthly N-th weekday
    QTest::newRow("monthly 2nd Tuesday") << Bill::monthlyWeekdays(2, {Tue}).event << today << int(Rule);
    QTest::newRow("monthly 1st Monday, Friday") << Bill::monthlyWeekdays(1, {Mon, Fri}).event << today << int(Rule);
    QTest::newRow("monthly 5th Friday") << Bill::monthlyWeekdays(5, {Fri}).event << today << int(Rule);
    QTest::newRow("monthly 5th Friday every 2 months")
        << Bill::monthlyWeekdays(5, {Fri}).every(2, QDate(2027, 1, 1)).event << today << int(Listed);
    QTest::newRow("monthly last Friday") << Bill::monthlyWeekdays(1, {Fri}).fromEnd(1).event << today << int(Rule);
    QTest::newRow("monthly 2nd last Monday, Thursday every 3")
        << Bill::monthlyWeekdays(1, {Mon, Thu}).fromEnd(2).every(3, QDate(2026, 11, 5)).event << today << int(Rule);
    QTest::newRow("monthly 5th last Sunday") << Bill::monthlyWeekdays(1, {Sun}).fromEnd(5).event << today << int(Rule);
    QTest::newRow("monthly 1st Monday, weekend moves change nothing")
        << Bill::monthlyWeekdays(1, {Mon}).weekends(MondayAfter).event << today << int(Rule);
    QTest::newRow("monthly 1st Sunday to Monday")
        << Bill::monthlyWeekdays(1, {Sun}).weekends(MondayAfter).event << today << int(Corrected);
    QTest::newRow("monthly day and weekday") << [] {
        Bill bill = Bill::monthlyWeekdays(3, {Wed});
        bill.event.byDay = true;
        return bill.event;
    }() << today << int(Listed);
    QTest::newRow("monthly 2nd Tuesday 4 times") << Bill::monthlyWeekdays(2, {Tue}).times(4, today).event << today
                                                << int(Rule);

    // Yearly "Day" N
    QTest::newRow("yearly day 100 of the year") << Bill::yearly(100, true, {}, true, {}).event << beforeLeap << int(Rule);
    QTest::newRow("yearly day 365 of the year") << Bill::yearly(365, true, {}, true, {}).event << beforeLeap << int(Rule);
    QTest::newRow("yearly day 366 runs over") << Bill::yearly(366, true, {}, true, {}).event << beforeLeap << int(Listed);
    QTest::newRow("yearly last day of the year")
        << Bill::yearly(1, true, {}, true, {}).fromEnd(1).event << today << int(Rule);
    QTest::newRow("yearly 60th last day of the year")
        << Bill::yearly(1, true, {}, true, {}).fromEnd(60).event << beforeLeap << int(Rule);
    QTest::newRow("yearly day 31 of January, March") << Bill::yearly(31, true, {}, false, {1, 3}).event << today
                                                      << int(Rule);
    QTest::newRow("yearly day 30 of January, February")
        << Bill::yearly(30, true, {}, false, {1, 2}).event << beforeLeap << int(Listed);
    QTest::newRow("yearly day 29 of February") << Bill::yearly(29, true, {}, false, {2}).event << beforeLeap << int(Rule);
    QTest::newRow("yearly day 31 of February, April")
        << Bill::yearly(31, true, {}, false, {2, 4}).event << beforeLeap << int(Rule);
    QTest::newRow("yearly day 15 of every month")
        << Bill::yearly(15, true, {}, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).event << today << int(Rule);
    QTest::newRow("yearly last day of February")
        << Bill::yearly(1, true, {}, false, {2}).fromEnd(1).event << beforeLeap << int(Rule);
    QTest::newRow("yearly 29th last day of February is the first")
        << Bill::yearly(1, true, {}, false, {2}).fromEnd(29).event << beforeLeap << int(Rule);
    QTest::newRow("yearly 29th last day of February, March")
        << Bill::yearly(1, true, {}, false, {2, 3}).fromEnd(29).event << beforeLeap << int(Listed);
    QTest::newRow("yearly day 100 every 2 years")
        << Bill::yearly(100, true, {}, true, {}).every(2, QDate(2028, 5, 5)).event << today << int(Rule);
    QTest::newRow("yearly day 10 of June to Monday")
        << Bill::yearly(10, true, {}, false, {6}).weekends(MondayAfter).event << today << int(Corrected);
    QTest::newRow("yearly day of the year and of a month")
        << Bill::yearly(40, true, {}, true, {3}).event << today << int(Listed);

    // Yearly N-th weekday
    QTest::newRow("yearly 10th Monday of the year") << Bill::yearly(10, false, {Mon}, true, {}).event << today << int(Rule);
    // Two-digit counts: one weekday has a rule every reader takes, several none.
    QTest::newRow("yearly 52nd Friday of the year") << Bill::yearly(52, false, {Fri}, true, {}).event << beforeLeap
                                                    << int(Rule);
    QTest::newRow("yearly 52nd Friday, Sunday of the year")
        << Bill::yearly(52, false, {Fri, Sun}, true, {}).event << beforeLeap << int(Listed);
    QTest::newRow("yearly last Sunday of the year")
        << Bill::yearly(1, false, {Sun}, true, {}).fromEnd(1).event << today << int(Rule);
    QTest::newRow("yearly 52nd last Thursday of the year")
        << Bill::yearly(1, false, {Thu}, true, {}).fromEnd(52).event << today << int(Rule);
    QTest::newRow("yearly 2nd Tuesday of March") << Bill::yearly(2, false, {Tue}, false, {3}).event << today << int(Rule);
    QTest::newRow("yearly 4th Thursday of November, May")
        << Bill::yearly(4, false, {Thu}, false, {5, 11}).event << today << int(Rule);
    QTest::newRow("yearly 5th Monday of March runs into April")
        << Bill::yearly(5, false, {Mon}, false, {3}).event << today << int(Listed);
    QTest::newRow("yearly last Monday of May") << Bill::yearly(1, false, {Mon}, false, {5}).fromEnd(1).event << today
                                               << int(Rule);
    QTest::newRow("yearly 5th last Tuesday of February")
        << Bill::yearly(1, false, {Tue}, false, {2}).fromEnd(5).event << QDate(2036, 1, 1) << int(Rule);
    QTest::newRow("yearly 5th last Friday of February every 4 years")
        << Bill::yearly(1, false, {Fri}, false, {2}).fromEnd(5).every(4, QDate(2028, 1, 1)).event
        << QDate(2027, 1, 1) << int(Listed);
    QTest::newRow("yearly 2nd Tuesday of March every 3 years, later")
        << Bill::yearly(2, false, {Tue}, false, {3}).every(3, QDate(2029, 7, 1)).event << today << int(Rule);
    QTest::newRow("yearly weekday of the year and of a month")
        << Bill::yearly(2, false, {Tue}, true, {3}).event << today << int(Listed);
    QTest::newRow("yearly Saturday of March to Friday")
        << Bill::yearly(1, false, {Sat}, false, {3}).weekends(FridayBefore).event << today << int(Corrected);
    QTest::newRow("yearly 2nd Tuesday of March 3 times")
        << Bill::yearly(2, false, {Tue}, false, {3}).times(3, today).event << today << int(Rule);

    // Paid dates of a tracking bill are no longer shown; reminders change no date.
    QTest::newRow("paid ahead, moved dates") << Bill::monthlyDay(15).weekends(MondayAfter)
                                                    .paid(QDate(2026, 6, 1), QDate(2027, 5, 15))
                                                    .event
                                             << today << int(Corrected);
    QTest::newRow("extra reminders") << Bill::weekly({Tue}).reminds(3).remindsAlso(1, ExtraReminder::AfterUnpaid).event
                                     << today << int(Rule);
    // Today on a leap day, and singular bills
    QTest::newRow("leap day: monthly day 29") << Bill::monthlyDay(29).event << leapDay << int(Corrected);
    QTest::newRow("leap day: yearly last day of February")
        << Bill::yearly(1, true, {}, false, {2}).fromEnd(1).event << leapDay << int(Rule);
    QTest::newRow("once, ahead") << Bill::once(QDate(2027, 3, 1)).event << today << int(Listed);
    QTest::newRow("once, past") << Bill::once(QDate(2026, 3, 1)).event << today << int(Listed);
}

void tst_CalendarExport::datesMatchEngine()
{
    QFETCH(Event, bill);
    QFETCH(QDate, today);
    QFETCH(int, form);
    bill.name = QStringLiteral("Bill");
    Form written = Listed;
    compareWithEngine(bill, today, &written, true);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(int(written), form);
}

// Business days and moves off holidays, with holidays on fixed days of every
// year of the export's ten, and a few on days that move.
void tst_CalendarExport::holidaysMatchEngine_data()
{
    QTest::addColumn<Event>("bill");

    QTest::newRow("1st business day") << Bill::monthlyDay(1).businessDay(1).event;
    QTest::newRow("3rd business day") << Bill::monthlyDay(3).businessDay(3).event;
    QTest::newRow("last business day") << Bill::monthlyDay(28).businessDay(-1).event;
    QTest::newRow("2nd last business day every 2 months")
        << Bill::monthlyDay(28).businessDay(-2).every(2, QDate(2026, 12, 1)).event;
    QTest::newRow("business day 5, 8 times") << Bill::monthlyDay(5).businessDay(5).times(8, QDate(2027, 1, 13)).event;
    QTest::newRow("day 1 to the business day after") << Bill::monthlyDay(1).weekends(MondayAfter).event;
    QTest::newRow("day 25 to the business day before") << Bill::monthlyDay(25).weekends(FridayBefore).event;
    QTest::newRow("weekly Friday to the business day after") << Bill::weekly({Fri}).weekends(MondayAfter).event;
    QTest::newRow("yearly 24 December to the business day before")
        << Bill::yearly(24, true, {}, false, {12}).weekends(FridayBefore).event;
    QTest::newRow("monthly day 26, holidays stay") << Bill::monthlyDay(26).event;
}

void tst_CalendarExport::holidaysMatchEngine()
{
    QFETCH(Event, bill);
    bill.name = QStringLiteral("Bill");
    QList<HolidaySet::Holiday> holidays;
    for (int year = 2026; year <= 2038; ++year) {
        for (const auto &[month, day] : {std::pair{1, 1}, {5, 1}, {10, 3}, {12, 24}, {12, 25}, {12, 26}, {12, 31}})
            holidays.append({dayNumber(QDate(year, month, day)), QStringLiteral("Holiday")});
        // A Friday off in spring, a different day each year.
        holidays.append({dayNumber(QDate(year, 4, 1).addDays((5 - QDate(year, 4, 1).dayOfWeek() + 7) % 7)),
                         QStringLiteral("Spring Friday")});
    }
    std::sort(holidays.begin(), holidays.end(),
              [](const HolidaySet::Holiday &a, const HolidaySet::Holiday &b) { return a.day < b.day; });
    HolidaySet::install(std::make_shared<const HolidaySet>(holidays));
    Form written = Listed;
    compareWithEngine(bill, QDate(2027, 1, 13), &written, true);
    HolidaySet::install(nullptr);
    if (QTest::currentTestFailed())
        return;
    // The holidays the schedule meets are corrections of its rule.
    QCOMPARE(int(written), bill.options.weekends == ScheduleOptions::KeepWeekend && bill.options.businessDay == 0
                               ? int(Rule)
                               : int(Corrected));
}

// Schedules as the editor makes them, and bills from files a little outside
// that, against the engine.
void tst_CalendarExport::randomBillsMatchEngine()
{
    QRandomGenerator random(20261130);
    const auto chance = [&](int percent) { return int(random.bounded(100)) < percent; };
    int compared = 0;
    int withRule = 0;
    while (compared < 1500) {
        const QDate today = QDate(1995, 1, 1).addDays(random.bounded(0, 365 * 100));
        Event event;
        event.name = QStringLiteral("Random");
        event.schedule = qint32(random.bounded(1, 4));
        for (bool &day : event.weekdays)
            day = chance(event.schedule == Event::ScheduleWeekly ? 40 : 15);
        for (bool &month : event.months)
            month = chance(20);
        event.byDay = chance(60);
        event.byYear = chance(40);
        const int limit = event.schedule == Event::ScheduleMonthly ? 31 : 365;
        event.ordinal = chance(50) ? int(random.bounded(1, 6)) : int(random.bounded(1, limit + 1));
        ScheduleOptions &options = event.options;
        if (chance(40)) {
            options.every = chance(70) ? int(random.bounded(2, 7)) : int(random.bounded(2, 100));
            options.everyFrom = today.addDays(random.bounded(-800, 800));
        }
        if (chance(35))
            options.fromEnd = chance(60) ? int(random.bounded(1, 6)) : int(random.bounded(1, limit + 1));
        options.shortMonths = chance(40) ? ScheduleOptions::LastDay : ScheduleOptions::RunOver;
        options.weekends = qint32(random.bounded(3));
        switch (random.bounded(4)) {
        case 0:
            event.endMode = Event::EndAfterTimes;
            event.endDate = endDateAfterTimes(event, today.addDays(-random.bounded(0, 400)), random.bounded(0, 100));
            break;
        case 1:
            event.endMode = Event::EndOnDate;
            event.endDate = today.addDays(random.bounded(-100, 4000));
            break;
        default:
            event.endMode = Event::EndNever;
            break;
        }
        if (checkBill(event, today).problem != BillProblem::None)
            continue;
        Form form = Listed;
        compareWithEngine(event, today, &form);
        if (QTest::currentTestFailed()) {
            qWarning() << "today" << today << "schedule" << event.schedule << "ordinal" << event.ordinal << "byDay"
                       << event.byDay << "byYear" << event.byYear << "every" << options.every << options.everyFrom
                       << "fromEnd" << options.fromEnd << "short" << options.shortMonths << "weekends"
                       << options.weekends << "end" << event.endMode << event.endDate;
            return;
        }
        ++compared;
        withRule += form != Listed ? 1 : 0;
    }
    qInfo("%d bills compared, %d written with a rule", compared, withRule);
    // Both ways of writing a bill were compared, not only the listed dates.
    QVERIFY2(withRule > compared / 4, qPrintable(QString::number(withRule)));
    QVERIFY2(withRule < compared, qPrintable(QString::number(withRule)));
}

void tst_CalendarExport::endsAsCountOrUntil_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<int>("count");  // 0: none
    QTest::addColumn<QDate>("until"); // null: none

    const QDate today(2027, 1, 13);
    // Saved on a Monday with 3 times: today's Wednesday is one of them.
    QTest::newRow("times, today's date included")
        << Bill::weekly({Mon, Wed}).times(3, QDate(2027, 1, 11)).event << 3 << QDate();
    QTest::newRow("times, started earlier") << Bill::monthlyDay(20).times(12, QDate(2026, 6, 1)).event << 5 << QDate();
    QTest::newRow("until") << Bill::monthlyDay(20).until(QDate(2027, 5, 31)).event << 0 << QDate(2027, 5, 31);
    // The rule ends with the scheduled dates; a date moved past the end is an RDATE.
    QTest::newRow("until, Saturday moved to Monday after it")
        << Bill::weekly({Sat}).weekends(MondayAfter).until(QDate(2027, 5, 15)).event << 0 << QDate(2027, 5, 15);
    QTest::newRow("until a Saturday, Sunday after it not moved before it")
        << Bill::weekly({Sun}).weekends(FridayBefore).until(QDate(2027, 5, 15)).event << 0 << QDate(2027, 5, 15);
    QTest::newRow("never") << Bill::monthlyDay(20).event << 0 << QDate();
    Q_UNUSED(today);
}

void tst_CalendarExport::endsAsCountOrUntil()
{
    QFETCH(Event, bill);
    QFETCH(int, count);
    QFETCH(QDate, until);
    bill.name = QStringLiteral("Bill");
    const Calendar calendar = parsed(exported({&bill}, QDate(2027, 1, 13)));
    QVERIFY(calendar);
    const QList<icalcomponent *> events = eventsOf(calendar.get());
    QCOMPARE(events.size(), 1);
    icalproperty *property = icalcomponent_get_first_property(events.first(), ICAL_RRULE_PROPERTY);
    QVERIFY(property);
    const icalrecurrencetype rule = icalproperty_get_rrule(property);
    QCOMPARE(rule.count, count);
    QCOMPARE(icaltime_is_null_time(rule.until) ? QDate() : dateOf(rule.until), until);
}

void tst_CalendarExport::nothingForBillsWithoutDatesAhead_data()
{
    QTest::addColumn<Event>("bill");

    const QDate today(2027, 1, 13);
    QTest::newRow("ended on a date") << Bill::weekly({Mon}).until(QDate(2027, 1, 12)).event;
    QTest::newRow("all times past") << Bill::monthlyDay(3).times(2, QDate(2026, 10, 1)).event;
    QTest::newRow("0 times") << Bill::monthlyDay(3).times(0, today).event;
    QTest::newRow("listed dates ended") << Bill::monthlyDay(31).until(QDate(2027, 1, 1)).event;
    QTest::newRow("weekly without weekdays") << Bill::weekly({}).event;
    QTest::newRow("monthly without day or weekday") << Bill::monthlyWeekdays(1, {}).event;
    QTest::newRow("once without date") << Bill::once(QDate()).event;
}

void tst_CalendarExport::nothingForBillsWithoutDatesAhead()
{
    QFETCH(Event, bill);
    bill.name = QStringLiteral("Bill");
    CalendarExport exporter(QDate(2027, 1, 13));
    const Calendar calendar = parsed(exporter.calendar({&bill}));
    QVERIFY(calendar);
    QCOMPARE(parseErrors(calendar.get()), 0);
    QCOMPARE(eventsOf(calendar.get()).size(), 0);
    QCOMPARE(exporter.billsWritten(), 0);
}

void tst_CalendarExport::textsSurviveEscapingAndFolding_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("value");  // the SUMMARY value in the file, unfolded
    QTest::addColumn<QString>("summary"); // as a calendar program reads it

    QTest::newRow("plain") << QStringLiteral("Rent") << QByteArray("Rent") << QStringLiteral("Rent");
    QTest::newRow("separators") << QStringLiteral("Gas, water; power \\ more")
                                << QByteArray("Gas\\, water\\; power \\\\ more")
                                << QStringLiteral("Gas, water; power \\ more");
    QTest::newRow("line breaks") << QStringLiteral("one\ntwo\r\nthree\rfour")
                                 << QByteArray("one\\ntwo\\nthree\\nfour")
                                 << QStringLiteral("one\ntwo\nthree\nfour");
    QTest::newRow("tab kept, other controls dropped") << QStringLiteral("a\tb\x01\x1b[31mc\x7f")
                                                      << QByteArray("a\tb[31mc") << QStringLiteral("a\tb[31mc");
    QTest::newRow("property syntax in a name") << QStringLiteral("x\nEND:VEVENT\nBEGIN:VEVENT")
                                               << QByteArray("x\\nEND:VEVENT\\nBEGIN:VEVENT")
                                               << QStringLiteral("x\nEND:VEVENT\nBEGIN:VEVENT");
    const QString ascii(300, QLatin1Char('a'));
    QTest::newRow("long ASCII") << ascii << ascii.toUtf8() << ascii;
    // Handed to the device in pieces: the folds go on across them.
    const QString longerThanAWrite = QLatin1Char('x') + QString(30000, QChar(0x20ac));
    QTest::newRow("longer than one write") << longerThanAWrite << longerThanAWrite.toUtf8() << longerThanAWrite;
    // Two- three- and four-octet sequences across every fold position.
    for (int shift = 0; shift < 4; ++shift) {
        const QString prefix(shift, QLatin1Char('x'));
        const QString twoOctets = prefix + QString(100, QChar(0xe9));
        const QString threeOctets = prefix + QString(80, QChar(0x20ac));
        const QString fourOctets = prefix + QString::fromUtf8("\xf0\x9f\x99\x82").repeated(60);
        QTest::addRow("2-octet, shifted by %d", shift) << twoOctets << twoOctets.toUtf8() << twoOctets;
        QTest::addRow("3-octet, shifted by %d", shift) << threeOctets << threeOctets.toUtf8() << threeOctets;
        QTest::addRow("4-octet, shifted by %d", shift) << fourOctets << fourOctets.toUtf8() << fourOctets;
    }
}

void tst_CalendarExport::textsSurviveEscapingAndFolding()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, value);
    QFETCH(QString, summary);
    Bill bill = Bill::monthlyDay(31).reminds(3);
    bill.event.name = name;
    const QByteArray bytes = exported({&bill.event}, QDate(2027, 1, 13));

    // Every physical line: CRLF, at most 75 octets, UTF-8 on its own.
    QVERIFY(bytes.endsWith("\r\n"));
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    for (const QByteArray &line : lines) {
        QVERIFY2(line.endsWith('\r'), line.constData());
        const QByteArray content = line.chopped(1);
        QVERIFY2(!content.contains('\r'), content.constData());
        QVERIFY2(content.size() <= 75, content.constData());
        QVERIFY2(QString::fromUtf8(content).toUtf8() == content, content.constData());
    }
    const QByteArray unfolded = QByteArray(bytes).replace("\r\n ", "");
    QCOMPARE(unfolded.count("\r\nSUMMARY:" + value + "\r\n"), 1);

    const Calendar calendar = parsed(bytes);
    QVERIFY(calendar);
    QCOMPARE(parseErrors(calendar.get()), 0);
    const QList<icalcomponent *> events = eventsOf(calendar.get());
    QCOMPARE(events.size(), 1);
    for (icalcomponent *event : events) {
        QCOMPARE(QString::fromUtf8(icalcomponent_get_summary(event)), summary);
        icalcomponent *alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
        QVERIFY(alarm);
        icalproperty *description = icalcomponent_get_first_property(alarm, ICAL_DESCRIPTION_PROPERTY);
        QVERIFY(description);
        QCOMPARE(QString::fromUtf8(icalproperty_get_description(description)), summary);
    }
}

void tst_CalendarExport::alarmFollowsReminder_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QTime>("alarmTime"); // invalid: not set
    QTest::addColumn<QList<int>>("triggers"); // seconds from the start of the day, in order

    constexpr int Day = 86400;
    constexpr int Nine = 9 * 3600;
    const auto before = ExtraReminder::Before;
    const auto after = ExtraReminder::AfterUnpaid;
    const QDate since(2027, 1, 1);
    QTest::newRow("no reminder") << Bill::monthlyDay(5).event << QTime() << QList<int>{};
    QTest::newRow("10 days before, at nine") << Bill::monthlyDay(5).reminds(10).event << QTime()
                                             << QList<int>{-10 * Day + Nine};
    QTest::newRow("99 days before") << Bill::monthlyDay(5).reminds(99).event << QTime() << QList<int>{-99 * Day + Nine};
    QTest::newRow("on the day, at 18:30") << Bill::monthlyDay(5).reminds(0).event << QTime(18, 30)
                                          << QList<int>{18 * 3600 + 1800};
    QTest::newRow("at midnight") << Bill::monthlyDay(5).reminds(2).event << QTime(0, 0) << QList<int>{-2 * Day};
    QTest::newRow("negative days from a file: on the day") << Bill::monthlyDay(5).reminds(-4).event << QTime()
                                                           << QList<int>{Nine};
    QTest::newRow("extra reminders, repeats once")
        << Bill::monthlyDay(30).reminds(14).remindsAlso(0, before).remindsAlso(14, before).event << QTime()
        << QList<int>{-14 * Day + Nine, Nine};
    QTest::newRow("after, not tracking: none") << Bill::monthlyDay(5).remindsAlso(3, after).event << QTime()
                                               << QList<int>{};
    QTest::newRow("after, tracking") << Bill::monthlyDay(5).reminds(1).remindsAlso(3, after).paid(since, QDate()).event
                                     << QTime() << QList<int>{-Day + Nine, 3 * Day + Nine};
    QTest::newRow("singular") << Bill::once(QDate(2027, 2, 2)).reminds(1).remindsAlso(2, before).event << QTime()
                              << QList<int>{-Day + Nine, -2 * Day + Nine};
}

void tst_CalendarExport::alarmFollowsReminder()
{
    QFETCH(Event, bill);
    QFETCH(QTime, alarmTime);
    QFETCH(QList<int>, triggers);
    bill.name = QStringLiteral("Water");
    CalendarExport exporter(QDate(2027, 1, 13));
    if (alarmTime.isValid())
        exporter.setAlarmTime(alarmTime);
    const Calendar calendar = parsed(exporter.calendar({&bill}));
    QVERIFY(calendar);
    QCOMPARE(parseErrors(calendar.get()), 0);
    const QList<icalcomponent *> events = eventsOf(calendar.get());
    QCOMPARE(events.size(), 1);
    QList<int> found;
    for (icalcomponent *alarm = icalcomponent_get_first_component(events.first(), ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(events.first(), ICAL_VALARM_COMPONENT)) {
        icalproperty *action = icalcomponent_get_first_property(alarm, ICAL_ACTION_PROPERTY);
        QVERIFY(action);
        QCOMPARE(icalproperty_get_action(action), ICAL_ACTION_DISPLAY);
        icalproperty *trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        QVERIFY(trigger);
        found.append(icaldurationtype_as_int(icalproperty_get_trigger(trigger).duration));
    }
    QCOMPARE(found, triggers);
}

// Each event is one whole day, stamped with the export's time in UTC; days
// the format cannot write are left out.
void tst_CalendarExport::eventsAreWholeDays()
{
    Event rule = Bill::monthlyDay(5).event;
    Event listed = Bill::monthlyDay(30).event;
    Event once = Bill::once(QDate(2027, 2, 2)).event;
    Event lastDay = Bill::once(QDate(3000, 12, 31)).event; // libical's last
    Event beyond = Bill::once(QDate(3001, 1, 1)).event;
    CalendarExport exporter(QDate(2027, 1, 13));
    exporter.setStamp(QDateTime(QDate(2026, 11, 30), QTime(9, 15, 7), QTimeZone(3600)));
    const Calendar calendar = parsed(exporter.calendar({&rule, &listed, &once, &lastDay, &beyond}));
    QVERIFY(calendar);
    QCOMPARE(exporter.billsWritten(), 4);
    const QList<icalcomponent *> events = eventsOf(calendar.get());
    QCOMPARE(events.size(), 4);
    for (icalcomponent *event : events) {
        const icaltimetype stamp = icalcomponent_get_dtstamp(event);
        QVERIFY(icaltime_is_utc(stamp));
        QCOMPARE(QDateTime(dateOf(stamp), QTime(stamp.hour, stamp.minute, stamp.second), Qt::UTC),
                 QDateTime(QDate(2026, 11, 30), QTime(8, 15, 7), Qt::UTC));
        const icaltimetype start = icalcomponent_get_dtstart(event);
        QVERIFY(start.is_date);
        if (dateOf(start) == QDate(3000, 12, 31)) {
            QVERIFY(!icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY));
            continue;
        }
        const icaltimetype end = icalcomponent_get_dtend(event);
        QVERIFY(end.is_date);
        QCOMPARE(dateOf(end), dateOf(start).addDays(1));
        QVERIFY(icalcomponent_get_first_property(event, ICAL_TRANSP_PROPERTY));
    }
}

void tst_CalendarExport::descriptionComesFromHook()
{
    Event rent = Bill::monthlyDay(1).event;
    rent.name = QStringLiteral("Rent");
    Event water = Bill::monthlyDay(31).event;
    water.name = QStringLiteral("Water");
    CalendarExport exporter(QDate(2027, 1, 13));
    exporter.setDescriptionFunction([](const Event &event) {
        return event.name == QLatin1String("Rent") ? QStringLiteral("Amount: 1,250.00; due\nby transfer") : QString();
    });
    const Calendar calendar = parsed(exporter.calendar({&rent, &water}));
    QVERIFY(calendar);
    int described = 0;
    for (icalcomponent *event : eventsOf(calendar.get())) {
        icalproperty *description = icalcomponent_get_first_property(event, ICAL_DESCRIPTION_PROPERTY);
        const bool isRent = QString::fromUtf8(icalcomponent_get_summary(event)) == QLatin1String("Rent");
        QCOMPARE(description != nullptr, isRent);
        if (description) {
            QCOMPARE(QString::fromUtf8(icalproperty_get_description(description)),
                     QStringLiteral("Amount: 1,250.00; due\nby transfer"));
            ++described;
        }
    }
    QCOMPARE(described, 1);
}

void tst_CalendarExport::uidsStableAndUnique()
{
    Event rent = Bill::monthlyDay(1).event;
    rent.name = QStringLiteral("Rent");
    Event twin = rent; // the same name and schedule
    Event other = rent;
    other.name = QStringLiteral("Rent 2");
    Event listed = Bill::monthlyDay(31).event;
    listed.name = QStringLiteral("Rent");
    const EventList bills = {&rent, &twin, &other, &listed};

    const auto uids = [](const QByteArray &bytes) {
        QStringList list;
        const Calendar calendar = parsed(bytes);
        for (icalcomponent *event : eventsOf(calendar.get()))
            list.append(QString::fromUtf8(icalcomponent_get_uid(event)));
        return list;
    };
    const QStringList first = uids(exported(bills, QDate(2027, 1, 13)));
    QCOMPARE(first.size(), 4);
    QCOMPARE(QSet<QString>(first.cbegin(), first.cend()).size(), first.size());

    // Another day, another stamp, a changed end: the events keep their UIDs.
    rent.endMode = Event::EndOnDate;
    rent.endDate = QDate(2030, 1, 1);
    CalendarExport later(QDate(2027, 3, 2));
    const QStringList second = uids(later.calendar(bills));
    QCOMPARE(second, first);

    // A changed schedule is another event.
    rent.ordinal = 2;
    QVERIFY(uids(exported({&rent}, QDate(2027, 1, 13))).first() != first.first());

    // A bill with a calendar UID is that event, whatever its name, schedule
    // or twins; the others keep theirs.
    twin.calendarUid = QUuid::fromString(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
    twin.name = QStringLiteral("Rent renamed");
    twin.ordinal = 3;
    rent.ordinal = 1;
    rent.endMode = Event::EndNever;
    const QStringList owned = uids(exported(bills, QDate(2027, 1, 13)));
    QCOMPARE(owned, QStringList({first.at(0), QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"), first.at(2),
                                 first.at(3)}));
}

void tst_CalendarExport::failedWriteIsReported()
{
    Event rent = Bill::monthlyDay(1).event;
    rent.name = QStringLiteral("Rent");
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    CalendarExport exporter(QDate(2027, 1, 13));
    QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): ReadOnly device");
    QVERIFY(!exporter.write(&readOnly, {&rent}));
    QBuffer writable(&bytes);
    writable.open(QIODevice::WriteOnly);
    QVERIFY(exporter.write(&writable, {&rent}));
    QCOMPARE(exporter.billsWritten(), 1);
}

QTEST_GUILESS_MAIN(tst_CalendarExport)
#include "tst_calendarexport.moc"
