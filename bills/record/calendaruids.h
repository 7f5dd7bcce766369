#ifndef PAYVANE_CALENDARUIDS_H
#define PAYVANE_CALENDARUIDS_H

#include "event.h"

// Gives each bill without a calendar UID a new one, and a new one as well to
// each bill whose UID an earlier bill of the list already holds (a bill
// copied with its UID), so every bill is one calendar object of its own.
// True when any bill changed. Called when publishing is turned on; a list
// that never publishes keeps no UIDs (and its file no extension fields).
[[nodiscard]] bool assignCalendarUids(const EventList &events);

#endif // PAYVANE_CALENDARUIDS_H
