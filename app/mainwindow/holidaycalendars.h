#ifndef PAYVANE_HOLIDAYCALENDARS_H
#define PAYVANE_HOLIDAYCALENDARS_H

#include "holidayfile.h"

#include <QList>
#include <QString>
#include <QStringList>

// The holiday calendars the user picked and the dates added by hand, kept in
// the native settings store (group "Holidays"), and their holidays as the
// date engine reads them ("holidays.dat", holidayfile.h). A picked file is
// read again when it changed; one that cannot be read keeps the holidays it
// gave before and is reported once, until it changes again.
class HolidayCalendars
{
public:
    [[nodiscard]] static QStringList calendarPaths();
    static void setCalendarPaths(const QStringList &paths);
    [[nodiscard]] static QList<HolidaySet::Holiday> handAddedDates();
    static void setHandAddedDates(const QList<HolidaySet::Holiday> &dates);

    // Brings "holidays.dat" up to date with the settings (reading every
    // picked calendar that changed since it was last read, or `alsoPath`
    // whatever its stamp), installs its holidays for the date engine and
    // returns one sentence per calendar that could not be read, and one
    // when "holidays.dat" could not be written.
    static QStringList update(const QString &alsoPath = QString());
};

#endif // PAYVANE_HOLIDAYCALENDARS_H
