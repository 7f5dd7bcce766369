#include "event.h"

#include "boundedread.h"

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

namespace {

// A run of booleans, one byte each, in one read (a bill file holds thousands
// of records). Reads like `stream >> flag` for each: a byte other than 0 is
// true, and bytes the stream lacks read as false.
template<std::size_t N>
void readFlags(QDataStream &stream, std::array<bool, N> &flags)
{
    std::array<char, N> bytes = {};
    stream.readRawData(bytes.data(), int(N));
    for (std::size_t i = 0; i < N; ++i)
        flags[i] = bytes[i] != 0;
}

} // namespace

QDataStream &operator>>(QDataStream &stream, Event &event)
{
    readBoundedString(stream, event.name);
    stream >> event.endMode >> event.endDate >> event.schedule
        >> event.eventDate;
    readFlags(stream, event.weekdays);
    stream >> event.byDay >> event.ordinal;
    readFlags(stream, event.months);
    stream >> event.byYear >> event.notify >> event.notifyDays >> event.showOnce
        >> event.lastNotified >> event.notifyAgainDays;
    return stream;
}
