#ifndef PAYVANE_HOLIDAYFILE_H
#define PAYVANE_HOLIDAYFILE_H

#include "holidayset.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The holidays of the user's calendars as the windows last read them, in
// "holidays.dat" in the data folder (holidaysFilePath()): one source per
// picked calendar file (with the size and modification time it had, so a
// changed file is read again) and one for the dates added by hand (empty
// path). Every entry reads it with QtCore only; only the windows read the
// calendars themselves and write it.
//
// Layout (big-endian, QDataStream): "PVHD", quint32 version 1, quint32
// source count, then per source its path (QString), size and modification
// time in ms since the epoch (qint64 each), quint32 holiday count and per
// holiday its day number (qint32) and name (QString).
class HolidayFile
{
public:
    struct Source
    {
        QString path; // empty: the dates added by hand
        qint64 size = -1;
        qint64 modified = 0;
        QList<HolidaySet::Holiday> holidays;
    };

    // Bounds on untrusted files: more is refused as damaged.
    static constexpr int MaximumSources = 64;
    static constexpr int MaximumHolidays = 100000; // of all sources together
    static constexpr int MaximumNameLength = 200;  // longer names are cut

    QList<Source> sources;

    [[nodiscard]] QByteArray toBytes() const;
    // False, leaving *file empty, when the bytes are no complete file.
    [[nodiscard]] static bool fromBytes(const QByteArray &bytes, HolidayFile *file);

    // The holidays of every source together.
    [[nodiscard]] HolidaySet holidaySet() const;

    // The file in the data folder; empty when it is missing or damaged.
    [[nodiscard]] static HolidayFile readFromDataFolder();
    [[nodiscard]] bool writeToDataFolder(QString *errorString = nullptr) const;
};

// Reads the data folder's holidays and installs them for the date engine.
void installHolidaysFromDataFolder();

#endif // PAYVANE_HOLIDAYFILE_H
