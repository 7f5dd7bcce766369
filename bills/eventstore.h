#ifndef PAYVANE_EVENTSTORE_H
#define PAYVANE_EVENTSTORE_H

#include "event.h"

#include <QString>

class QIODevice;

// The user's bill file, "events.evt" in the per-user data folder.
[[nodiscard]] QString eventsFilePath();

// The notification settings file, "settings.ini" in the per-user data folder.
[[nodiscard]] QString settingsFilePath();

// Writes the bills, in list order, to a bill file. The new file replaces the
// old one only once it is completely written, so a failed save leaves the
// previous file intact. Creates missing folders. Returns false on failure,
// with the system's reason in *errorString when given; shows nothing.
[[nodiscard]] bool saveEvents(const EventList &events, const QString &path,
                              QString *errorString = nullptr);

// Reads a bill file. The caller owns the new records. A file that cannot be
// opened gives an empty list; a damaged or truncated file gives the complete
// records before the damage.
[[nodiscard]] EventList loadEvents(const QString &path);

// Reads bill-file content from an open device; loadEvents() without the file.
[[nodiscard]] EventList readEvents(QIODevice &device);

#endif // PAYVANE_EVENTSTORE_H
