#include "event.h"

#include <QDataStream>

#include <algorithm>

bool Event::anyWeekdaySelected() const
{
    return std::any_of(weekdays.cbegin(), weekdays.cend(), [](bool on) { return on; });
}

bool Event::anyMonthSelected() const
{
    return std::any_of(months.cbegin(), months.cend(), [](bool on) { return on; });
}

QDataStream &operator<<(QDataStream &stream, const Event &event)
{
    stream << event.name << event.endMode << event.endDate << event.schedule
           << event.eventDate;
    for (const bool day : event.weekdays)
        stream << day;
    stream << event.byDay << event.ordinal;
    for (const bool month : event.months)
        stream << month;
    stream << event.byYear << event.notify << event.notifyDays << event.showOnce
           << event.lastNotified << event.notifyAgainDays;
    return stream;
}

QDataStream &operator>>(QDataStream &stream, Event &event)
{
    stream >> event.name >> event.endMode >> event.endDate >> event.schedule
        >> event.eventDate;
    for (bool &day : event.weekdays)
        stream >> day;
    stream >> event.byDay >> event.ordinal;
    for (bool &month : event.months)
        stream >> month;
    stream >> event.byYear >> event.notify >> event.notifyDays >> event.showOnce
        >> event.lastNotified >> event.notifyAgainDays;
    return stream;
}
