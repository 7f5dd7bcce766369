#ifndef PAYVANE_HOLIDAYCALENDARREADER_H
#define PAYVANE_HOLIDAYCALENDARREADER_H

#include "holidayset.h"

#include <QList>
#include <QString>

// Reads the holidays of an iCalendar file (RFC 5545) with libical: every
// all-day VEVENT with its recurrences (RRULE, RDATE, EXDATE), each day of
// an event that lasts several, named by its SUMMARY. The file is untrusted:
// its size and the number of holidays are capped, and a rule without end is
// expanded to a bounded year only.
class HolidayCalendarReader
{
public:
    static constexpr qint64 MaximumFileSize = 16LL * 1024 * 1024;
    static constexpr int MaximumHolidays = 100000;
    // A rule without end names holidays up to this many years after the
    // latest year the file or today names.
    static constexpr int YearsAhead = 10;

    // Reads `path`; false with the reason (part of a sentence: "it is not
    // an iCalendar file") when it cannot be read.
    [[nodiscard]] bool read(const QString &path);
    // The same for a calendar's bytes.
    [[nodiscard]] bool readBytes(const QByteArray &bytes);

    [[nodiscard]] const QList<HolidaySet::Holiday> &holidays() const { return m_holidays; }
    [[nodiscard]] const QString &errorString() const { return m_error; }

private:
    bool fail(const QString &reason);

    QList<HolidaySet::Holiday> m_holidays;
    QString m_error;
};

#endif // PAYVANE_HOLIDAYCALENDARREADER_H
