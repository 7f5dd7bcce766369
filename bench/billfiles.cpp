#include "billfiles.h"

#include <algorithm>

#include <event.h>
#include <eventstore.h>

namespace {

const char *const dueNames[] = {"Rent", "Electricity", "Car insurance", "Phone", "Water"};

Event *dueBill(int index, QDate today)
{
    auto *event = new Event;
    event->name = QString::fromLatin1(dueNames[index % 5]);
    event->schedule = Event::ScheduleSingular;
    event->eventDate = today.addDays(index % 3);
    event->endMode = Event::EndAfterTimes;
    event->endDate = event->eventDate;
    event->notify = true;
    event->notifyDays = 3;
    return event;
}

// Reminded of only on the day itself, and the day is not today.
Event *laterBill(int index, QDate today)
{
    auto *event = new Event;
    event->name = QStringLiteral("Bill %1").arg(index);
    event->notify = true;
    event->notifyDays = 0;
    event->endMode = Event::EndNever;
    const int tomorrow = today.addDays(1).dayOfWeek() - 1;
    switch (index % 3) {
    case 0:
        event->schedule = Event::ScheduleWeekly;
        event->weekdays[size_t(tomorrow)] = true;
        break;
    case 1:
        event->schedule = Event::ScheduleWeekly;
        event->weekdays[size_t(tomorrow)] = true;
        event->weekdays[size_t((tomorrow + 2) % 7)] = true;
        break;
    default:
        event->schedule = Event::ScheduleSingular;
        event->eventDate = today.addDays(10 + index % 100);
        event->endMode = Event::EndAfterTimes;
        event->endDate = event->eventDate;
        break;
    }
    return event;
}

} // namespace

bool writeBillFile(const QString &path, int count, int due, QDate today)
{
    EventList events;
    for (int i = 0; i < count; ++i)
        events.append(i < due ? dueBill(i, today) : laterBill(i, today));
    const bool saved = saveEvents(events, path);
    qDeleteAll(events);
    return saved;
}

bool writeLongNameBillFile(const QString &path, int count, int nameLength, QDate today)
{
    EventList events;
    for (int i = 0; i < count; ++i) {
        auto *event = new Event;
        event->name = QString::number(i) + QString(std::max(0, nameLength - 8), QChar(0x20ac));
        event->name = event->name.leftJustified(nameLength, QLatin1Char(','));
        event->schedule = Event::ScheduleWeekly;
        event->weekdays.fill(true);
        event->options.every = 2;
        event->options.everyFrom = today;
        event->options.weekends = ScheduleOptions::MondayAfter;
        event->endMode = Event::EndNever;
        event->notify = true;
        event->notifyDays = 2;
        events.append(event);
    }
    const bool saved = saveEvents(events, path);
    qDeleteAll(events);
    return saved;
}
