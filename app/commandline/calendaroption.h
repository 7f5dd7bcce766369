#ifndef PAYVANE_CALENDAROPTION_H
#define PAYVANE_CALENDAROPTION_H

#include <QDate>
#include <QString>

// The calendar for other programs ("--calendar [FILE]"): every bill as the
// iCalendar that "Export to Calendar" writes, on `today`, to standard output
// or, when `path` is not empty, to that file. The file is replaced only by a
// completely written new one. Reads the bill file only. The application's
// organization and name must be set, as they name the data folder.
//
// Returns the exit code: 0, or 1 with one line on standard error naming the
// file and the reason, when the bill file could not be read completely
// (nothing is written then) or the calendar could not be written.
[[nodiscard]] int printBillCalendar(const QString &path, QDate today);

#endif // PAYVANE_CALENDAROPTION_H
