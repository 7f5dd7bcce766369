#ifndef PAYVANE_EVENTSTORE_H
#define PAYVANE_EVENTSTORE_H

#include "event.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// The user's bill file, "events.evt" in the data folder (datafolder.h).
[[nodiscard]] QString eventsFilePath();

// The notification settings file, "settings.ini" in the data folder.
[[nodiscard]] QString settingsFilePath();

// The holidays the windows read from the user's calendars (holidayfile.h).
[[nodiscard]] QString holidaysFilePath();

// Writes the bills, in list order, to a bill file. The new file replaces the
// old one only once it is completely written, so a failed save leaves the
// previous file intact; only when the folder takes no new file but the file
// itself is writable is it written in place. Creates missing folders. A
// link at `path` (a file the user chose) is followed to the file it names.
// Returns false on failure, with the system's reason in *errorString when
// given; shows nothing.
[[nodiscard]] bool saveEvents(const EventList &events, const QString &path,
                              QString *errorString = nullptr);

// Writes `bytes` as the folder's entry `path`, as saveEvents() writes, but
// never through a link: a link at `path` is replaced by the new file and its
// target left alone, and the in-place write refuses anything but a regular
// file. The new file gets the old one's permissions.
[[nodiscard]] bool writeFileEntry(const QByteArray &bytes, const QString &path,
                                  QString *errorString = nullptr);

// The file a link names, link after link (as far as 40 links); `path`
// itself when it is no link.
[[nodiscard]] QString linkTargetPath(const QString &path);

// The bytes of a bill file holding the bills in list order.
[[nodiscard]] QByteArray billFileBytes(const EventList &events);

// How reading a bill file went.
enum class BillFileState {
    Missing,    // there is no such file (a first run)
    Complete,   // read completely (below)
    Damaged,    // read only in part: cut off, a bad count, or not a bill file
    Unreadable, // there, but it could not be opened (no permission, not a regular file)
};

// A bill file counts as read completely when its count is not negative, it
// holds that many whole records, and what follows the last record is either
// nothing or a whole extension block (billextensions.h) ending the file.
// Anything else is damage: what a save would write back is then less than
// the file held. Damage in the block costs no record: the records load with
// their extension fields left at their defaults.
struct BillFileRead
{
    EventList events;                    // the whole records before any damage; the caller owns them
    BillFileState state = BillFileState::Missing;
    QString problem;                     // Damaged, Unreadable: the reason, in a few words
};

// Reads a bill file. Never blocks on a FIFO or a device: anything but a
// regular file is Unreadable.
[[nodiscard]] BillFileRead readBillFile(const QString &path);

// Reads bill-file content from an open device, to its end (Missing never
// occurs).
[[nodiscard]] BillFileRead readBillFile(QIODevice &device);

// The records of a bill file, however much of it could be read.
[[nodiscard]] EventList loadEvents(const QString &path);

// Reads bill-file content from an open device; loadEvents() without the file.
[[nodiscard]] EventList readEvents(QIODevice &device);

#endif // PAYVANE_EVENTSTORE_H
