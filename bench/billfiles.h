#ifndef PAYVANE_BENCH_BILLFILES_H
#define PAYVANE_BENCH_BILLFILES_H

#include <QDate>
#include <QString>

// Writes a bill file of `count` bills of which the first `due` are due for a
// reminder on `today` and the rest are not (but still need their next due
// date worked out). Whether the file was written.
bool writeBillFile(const QString &path, int count, int due, QDate today);

// Writes a bill file of `count` bills, each with a name of `nameLength`
// characters (mostly non-ASCII, so three octets each in UTF-8) and a
// schedule that no calendar rule says, so that the calendar export lists its
// dates: every second week, every day, weekend days moved to Monday (about
// 365 events per bill over the export's two years), with a reminder.
bool writeLongNameBillFile(const QString &path, int count, int nameLength, QDate today);

// Writes a bill file of `count` bills of every kind the export knows: once,
// weekly, monthly and yearly schedules with and without options, ends,
// amounts and reminders, names with commas, semicolons, line breaks,
// backslashes and non-ASCII letters, a long one, and bills alike in name
// and schedule (every seventh repeats an earlier one). For comparing the
// output of two builds.
bool writeMixedBillFile(const QString &path, int count, QDate today);

#endif // PAYVANE_BENCH_BILLFILES_H
