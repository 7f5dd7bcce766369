#include "holidaycalendars.h"

#include "holidaycalendarreader.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString CalendarsKey = QStringLiteral("Holidays/Calendars");
const QString DatesKey = QStringLiteral("Holidays/Dates");

// A date added by hand as the store keeps it: "2027-05-03 Name".
QString storedDate(const HolidaySet::Holiday &holiday)
{
    return QDate::fromJulianDay(holiday.day).toString(Qt::ISODate) + QLatin1Char(' ') + holiday.name;
}

const HolidayFile::Source *sourceFor(const HolidayFile &file, const QString &path)
{
    for (const HolidayFile::Source &source : file.sources) {
        if (source.path == path)
            return &source;
    }
    return nullptr;
}

} // namespace

QStringList HolidayCalendars::calendarPaths()
{
    QStringList paths = QSettings().value(CalendarsKey).toStringList();
    paths.removeAll(QString());
    paths.removeDuplicates();
    return paths.mid(0, HolidayFile::MaximumSources - 1);
}

void HolidayCalendars::setCalendarPaths(const QStringList &paths)
{
    QSettings().setValue(CalendarsKey, paths);
}

QList<HolidaySet::Holiday> HolidayCalendars::handAddedDates()
{
    QList<HolidaySet::Holiday> dates;
    const QStringList stored = QSettings().value(DatesKey).toStringList();
    for (const QString &entry : stored) {
        const QDate date = QDate::fromString(entry.left(10), Qt::ISODate);
        if (date.isValid())
            dates.append({date.toJulianDay(), entry.mid(11).left(HolidayFile::MaximumNameLength)});
    }
    std::sort(dates.begin(), dates.end(), [](const auto &a, const auto &b) { return a.day < b.day; });
    return dates;
}

void HolidayCalendars::setHandAddedDates(const QList<HolidaySet::Holiday> &dates)
{
    QStringList stored;
    for (const HolidaySet::Holiday &holiday : dates)
        stored.append(storedDate(holiday));
    QSettings().setValue(DatesKey, stored);
}

QStringList HolidayCalendars::update(const QString &alsoPath)
{
    const HolidayFile before = HolidayFile::readFromDataFolder();
    HolidayFile after;
    QStringList failures;
    for (const QString &path : calendarPaths()) {
        const QFileInfo info(path);
        HolidayFile::Source source;
        source.path = path;
        source.size = info.exists() ? info.size() : -1;
        source.modified = info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
        const HolidayFile::Source *known = sourceFor(before, path);
        if (known && known->size == source.size && known->modified == source.modified && path != alsoPath) {
            after.sources.append(*known);
            continue;
        }
        HolidayCalendarReader reader;
        if (reader.read(path)) {
            source.holidays = reader.holidays();
        } else {
            failures.append(QStringLiteral("The holiday calendar %1 could not be read (%2); its holidays stay as "
                                           "they were.")
                                .arg(QDir::toNativeSeparators(path), reader.errorString()));
            if (known)
                source.holidays = known->holidays;
        }
        after.sources.append(source);
    }
    const QList<HolidaySet::Holiday> dates = handAddedDates();
    if (!dates.isEmpty())
        after.sources.append({QString(), -1, 0, dates});
    // The engine reads the sources together: a file too large for the
    // reader is kept to the first sources that fit.
    qsizetype total = 0;
    for (qsizetype i = 0; i < after.sources.size(); ++i) {
        total += after.sources.at(i).holidays.size();
        if (total > HolidayFile::MaximumHolidays) {
            failures.append(QStringLiteral("More than %L1 holidays are known; the calendars after %2 are left out.")
                                .arg(HolidayFile::MaximumHolidays)
                                .arg(QDir::toNativeSeparators(after.sources.at(std::max<qsizetype>(0, i - 1)).path)));
            after.sources.resize(i);
            break;
        }
    }
    const QByteArray bytes = after.toBytes();
    QString reason;
    if (bytes != before.toBytes() && !after.writeToDataFolder(&reason))
        failures.append(QStringLiteral("The holidays could not be saved (%1).").arg(reason));
    HolidaySet::install(std::make_shared<const HolidaySet>(after.holidaySet()));
    return failures;
}
