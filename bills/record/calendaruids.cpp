#include "calendaruids.h"

#include <QSet>

bool assignCalendarUids(const EventList &events)
{
    QSet<QUuid> taken;
    taken.reserve(events.size());
    bool changed = false;
    for (Event *event : events) {
        if (!event)
            continue;
        if (event->calendarUid.isNull() || taken.contains(event->calendarUid)) {
            event->calendarUid = QUuid::createUuid();
            changed = true;
        }
        taken.insert(event->calendarUid);
    }
    return changed;
}
