#ifndef PAYVANE_BILLEXTENSIONS_H
#define PAYVANE_BILLEXTENSIONS_H

#include "event.h"

#include <QString>

class QDataStream;

// The bill file's extension block: the fields of each bill beyond its record.
//
// A bill file is a count and that many records; a program that knows only
// that much reads them and stops. The block follows the last record:
//
//   marker        4 bytes  50 56 4E 58 ("PVNX")
//   version       uint32   1
//   entries       uint32   the number of records
//   per record, in record order:
//     length      uint32   the bytes of the entry that follow
//     fields      uint32   their number, then per field:
//       name      string   (as the records store strings)
//       value     bytes    uint32 length, then the bytes
//
// The fields this version knows, each written only when it is not its
// default (so a bill that uses none has an entry of no fields):
//
//   every, fromEnd, shortMonths, weekends,  int32   ScheduleOptions
//   businessDay
//   everyFrom                               date    ScheduleOptions
//   trackedSince, paidThrough, paidOn       date    PaymentState
//   amount                                  int64 minor units, then the
//                                           currency's 3 ASCII letters
//   reminders                               uint32 count (1 to 7), then per
//                                           reminder: int32 days (0 to 99),
//                                           1 byte when (0 before, 1 after
//                                           unpaid), date fired for
//   varies                                  1 byte, 1: the amount varies
//   history                                 uint32 count (1 to 100,000),
//                                           then per payment, oldest first:
//                                           date of the scheduled due date
//                                           it pays, date paid, int64 minor
//                                           units, 3 bytes currency (3 zero
//                                           bytes and 0 units: no amount),
//                                           string note (at most 1,000
//                                           characters)
//   calendarUid                             16 bytes, a UUID (RFC 4122
//                                           order), not the null one
//
// A known field of another size, an amount whose currency is not three
// letters A-Z, reminders outside those ranges, a null calendarUid, or a history
// that breaks its bounds is damage, and so is a file whose bills hold more
// than 100,000 payments together (PaymentRecord::MaximumPerFile). Fields of names this version does not know are
// kept with the bill and written back unchanged. A file in which no bill
// uses a field has no block. All numbers big-endian, as in the records.

// Whether any bill has a field for the block.
[[nodiscard]] bool needsBillExtensions(const EventList &events);

// Writes the block for the bills (nothing when none needs it). Bills that
// hold more payments together than a file may are written without the
// oldest paid, so that the file stays readable; the caller warns before.
void writeBillExtensions(QDataStream &stream, const EventList &events);

// Reads a block that begins at the stream's position and must end with the
// data, into the bills it belongs to. Nothing is trusted: lengths and counts
// are checked against the bytes left before anything is kept. On failure the
// bills keep their defaults and *problem says, in a few words, why.
bool readBillExtensions(QDataStream &stream, const EventList &events, QString *problem);

// For a reader that takes the block one entry at a time: the block's
// marker and version, the reasons readBillExtensions() gives, and one
// entry (the bytes after its length) read into `event`'s extension fields;
// false, with `event` unchanged, when the entry is damaged.
constexpr quint32 BillExtensionMarker = 0x50564E58; // "PVNX"
constexpr quint32 BillExtensionVersion = 1;
[[nodiscard]] QString unknownDataAfterRecords();
[[nodiscard]] QString unreadableBillExtensions();
[[nodiscard]] bool readBillExtensionEntry(const QByteArray &entry, Event &event);

#endif // PAYVANE_BILLEXTENSIONS_H
