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

const char *const mixedNames[] = {
    "Rent", "Strom, Gas; Wasser", "Line\nbreak", "Back\\slash", "Miete \u00fcber \u20ac", "\u65e5\u672c",
    "Tab\there", "",
};

Event *mixedBill(int index, QDate today)
{
    auto *event = new Event;
    event->name = QString::fromUtf8(mixedNames[index % 8]) + QString::number(index / 8 % 50);
    if (index % 97 == 0)
        event->name += QString(300, QChar(0x00e9));
    event->notify = index % 3 != 0;
    event->notifyDays = index % 5;
    switch (index % 6) {
    case 0:
        event->schedule = Event::ScheduleSingular;
        event->eventDate = today.addDays(index % 40 - 10);
        break;
    case 1:
        event->schedule = Event::ScheduleWeekly;
        event->weekdays[size_t(index % 7)] = true;
        event->weekdays[size_t((index + 3) % 7)] = index % 4 == 1;
        event->options.weekends = index % 12 == 1 ? ScheduleOptions::MondayAfter : ScheduleOptions::KeepWeekend;
        break;
    case 2:
        event->schedule = Event::ScheduleMonthly;
        event->byDay = true;
        event->ordinal = 1 + index % 31;
        event->options.shortMonths = index % 4 == 2 ? ScheduleOptions::LastDay : ScheduleOptions::RunOver;
        break;
    case 3:
        event->schedule = Event::ScheduleMonthly;
        event->weekdays[size_t(index % 7)] = true;
        event->ordinal = 1 + index % 5;
        event->options.fromEnd = index % 4 == 3 ? 1 + index % 3 : 0;
        break;
    case 4:
        event->schedule = Event::ScheduleYearly;
        event->byDay = true;
        event->months[size_t(index % 12)] = true;
        event->ordinal = 1 + index % 28;
        break;
    default:
        event->schedule = Event::ScheduleMonthly;
        event->byDay = true;
        event->ordinal = 10;
        event->options.every = 2 + index % 3;
        event->options.everyFrom = today.addMonths(-(index % 5));
        event->options.weekends = ScheduleOptions::FridayBefore;
        break;
    }
    if (index % 5 == 1) {
        event->endMode = Event::EndAfterTimes;
        event->endDate = today.addMonths(index % 30);
    } else if (index % 5 == 2) {
        event->endMode = Event::EndOnDate;
        event->endDate = today.addDays(index % 900);
    }
    if (index % 2 == 0)
        event->amount = Money(qint64(index) * 137 % 100000, QStringLiteral("EUR"));
    return event;
}

} // namespace

bool writeMixedBillFile(const QString &path, int count, QDate today)
{
    EventList events;
    for (int i = 0; i < count; ++i) {
        // Every seventh bill repeats an earlier one: a twin in name and schedule.
        auto *event = i % 7 == 6 ? new Event(*events.at(i / 2)) : mixedBill(i, today);
        events.append(event);
    }
    const bool saved = saveEvents(events, path);
    qDeleteAll(events);
    return saved;
}

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
