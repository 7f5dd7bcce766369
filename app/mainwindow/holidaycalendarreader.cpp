#include "holidaycalendarreader.h"

#include "regularfile.h"

#include <QDate>
#include <QFile>

#include <libical/ical.h>

#include <algorithm>
#include <memory>
#include <set>

namespace {

struct ComponentFree
{
    void operator()(icalcomponent *component) const { icalcomponent_free(component); }
};
struct IteratorFree
{
    void operator()(icalrecur_iterator *iterator) const { icalrecur_iterator_free(iterator); }
};

// A multi-day event counts each of its days, up to a month.
constexpr int LongestEventDays = 31;

qint64 dayOf(const icaltimetype &time)
{
    return QDate(time.year, time.month, time.day).toJulianDay();
}

bool isDate(const icaltimetype &time)
{
    return !icaltime_is_null_time(time) && time.is_date && QDate::isValid(time.year, time.month, time.day);
}

// The days one all-day event names, its exceptions taken out.
class EventDays
{
public:
    EventDays(icalcomponent *event, int lastYear, int cap) : m_event(event), m_lastYear(lastYear), m_cap(cap) { }

    // False when the event names more days than `cap`.
    bool collect(std::set<qint64> *days)
    {
        const icaltimetype start = icalcomponent_get_dtstart(m_event);
        if (!isDate(start))
            return true; // not all day: no holiday
        bool ok = addDay(start, days);
        for (icalproperty *rule = icalcomponent_get_first_property(m_event, ICAL_RRULE_PROPERTY); ok && rule;
             rule = icalcomponent_get_next_property(m_event, ICAL_RRULE_PROPERTY))
            ok = addRule(icalproperty_get_rrule(rule), start, days);
        for (icalproperty *rdate = icalcomponent_get_first_property(m_event, ICAL_RDATE_PROPERTY); ok && rdate;
             rdate = icalcomponent_get_next_property(m_event, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(rdate);
            if (isDate(value.time))
                ok = addDay(value.time, days);
        }
        for (icalproperty *exdate = icalcomponent_get_first_property(m_event, ICAL_EXDATE_PROPERTY); exdate;
             exdate = icalcomponent_get_next_property(m_event, ICAL_EXDATE_PROPERTY)) {
            const icaltimetype value = icalproperty_get_exdate(exdate);
            if (!icaltime_is_null_time(value) && QDate::isValid(value.year, value.month, value.day))
                days->erase(dayOf(value));
        }
        return ok;
    }

private:
    bool addRule(const icalrecurrencetype &rule, const icaltimetype &start, std::set<qint64> *days)
    {
        std::unique_ptr<icalrecur_iterator, IteratorFree> iterator(icalrecur_iterator_new(rule, start));
        if (!iterator)
            return true; // a rule libical refuses names nothing
        // A rule of hours or seconds names one day many times: the steps
        // are capped as well as the days.
        qsizetype steps = 0;
        for (icaltimetype next = icalrecur_iterator_next(iterator.get());
             !icaltime_is_null_time(next) && next.year <= m_lastYear; next = icalrecur_iterator_next(iterator.get())) {
            if (!addDay(next, days) || ++steps > 4 * m_cap)
                return false;
        }
        return true;
    }

    bool addDay(const icaltimetype &time, std::set<qint64> *days)
    {
        if (time.year > m_lastYear || !QDate::isValid(time.year, time.month, time.day))
            return true;
        const qint64 first = dayOf(time);
        for (qint64 day = first; day < first + length(); ++day)
            days->insert(day);
        return qsizetype(days->size()) <= m_cap;
    }

    // The days from DTSTART to DTEND (not included), or by DURATION.
    int length()
    {
        if (m_length == 0) {
            m_length = 1;
            const icaltimetype start = icalcomponent_get_dtstart(m_event);
            const icaltimetype end = icalcomponent_get_dtend(m_event);
            if (isDate(end))
                m_length = int(std::clamp<qint64>(dayOf(end) - dayOf(start), 1, LongestEventDays));
        }
        return m_length;
    }

    icalcomponent *m_event;
    int m_lastYear;
    qsizetype m_cap;
    int m_length = 0;
};

// The latest year a date of the file names, for rules without end.
int latestYear(icalcomponent *calendar)
{
    int latest = QDate::currentDate().year();
    for (icalcomponent *event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(event);
        if (isDate(start))
            latest = std::max(latest, start.year);
    }
    return latest;
}

} // namespace

bool HolidayCalendarReader::fail(const QString &reason)
{
    m_holidays.clear();
    m_error = reason;
    return false;
}

bool HolidayCalendarReader::read(const QString &path)
{
    QFile file(path);
    QString reason;
    if (!openRegularFileForReading(file, &reason))
        return fail(reason);
    if (file.size() > MaximumFileSize)
        return fail(QStringLiteral("it is larger than %1 MB").arg(MaximumFileSize / (1024 * 1024)));
    const QByteArray bytes = file.read(MaximumFileSize + 1);
    if (file.error() != QFile::NoError)
        return fail(file.errorString());
    if (bytes.size() > MaximumFileSize)
        return fail(QStringLiteral("it is larger than %1 MB").arg(MaximumFileSize / (1024 * 1024)));
    return readBytes(bytes);
}

bool HolidayCalendarReader::readBytes(const QByteArray &bytes)
{
    m_holidays.clear();
    m_error.clear();
    // A file with a zero byte ends there for libical; it is no calendar.
    if (bytes.contains('\0'))
        return fail(QStringLiteral("it is not an iCalendar file"));
    // Damaged input is refused here, never a reason to end the program.
    icalerror_set_errors_are_fatal(0);
    std::unique_ptr<icalcomponent, ComponentFree> root(icalparser_parse_string(bytes.constData()));
    icalerror_clear_errno();
    if (!root || (icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT
                  && icalcomponent_isa(root.get()) != ICAL_XROOT_COMPONENT))
        return fail(QStringLiteral("it is not an iCalendar file"));
    // A file of several calendars comes as one root holding them.
    QList<icalcomponent *> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.append(root.get());
    } else {
        for (icalcomponent *c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            calendars.append(c);
    }
    std::set<qint64> seen;
    for (icalcomponent *calendar : std::as_const(calendars)) {
        const int lastYear = std::min(latestYear(calendar) + YearsAhead, 2299);
        for (icalcomponent *event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); event;
             event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            std::set<qint64> days;
            if (!EventDays(event, lastYear, MaximumHolidays).collect(&days))
                return fail(QStringLiteral("it names more than %L1 holidays").arg(MaximumHolidays));
            const char *summary = icalcomponent_get_summary(event);
            const QString name = QString::fromUtf8(summary ? summary : "").simplified();
            for (const qint64 day : days) {
                if (seen.insert(day).second)
                    m_holidays.append({day, name});
            }
            if (m_holidays.size() > MaximumHolidays)
                return fail(QStringLiteral("it names more than %L1 holidays").arg(MaximumHolidays));
        }
    }
    if (m_holidays.isEmpty())
        return fail(QStringLiteral("it names no all-day events"));
    std::sort(m_holidays.begin(), m_holidays.end(),
              [](const HolidaySet::Holiday &a, const HolidaySet::Holiday &b) { return a.day < b.day; });
    return true;
}
