#ifndef PAYVANE_HOLIDAYSET_H
#define PAYVANE_HOLIDAYSET_H

#include <QList>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

// The days that are no business days besides weekends, each with its name,
// sorted by day. Days outside FirstDay..LastDay are dropped, and of several
// names for one day the first is kept.
//
// The date engine reads the process-wide active set (active()): each entry
// that computes dates installs one before the first date is computed
// (installHolidaysFromDataFolder, holidayfile.h). With no set installed, or
// an empty one, the engine moves only weekend days, as it always did.
class HolidaySet
{
public:
    struct Holiday
    {
        qint64 day; // day number (daynumber.h)
        QString name;
    };

    // 1 January 1900 and 31 December 2299: the years a calendar may name.
    static constexpr qint64 FirstDay = 2415021;
    static constexpr qint64 LastDay = 2561117;

    HolidaySet() = default;
    explicit HolidaySet(QList<Holiday> holidays);

    [[nodiscard]] bool isEmpty() const { return m_holidays.isEmpty(); }
    [[nodiscard]] qsizetype size() const { return m_holidays.size(); }
    [[nodiscard]] const QList<Holiday> &holidays() const { return m_holidays; }
    // The first and the last holiday; 0 when there is none.
    [[nodiscard]] qint64 firstHoliday() const { return isEmpty() ? 0 : m_holidays.first().day; }
    [[nodiscard]] qint64 lastHoliday() const { return isEmpty() ? 0 : m_holidays.last().day; }

    [[nodiscard]] bool isHoliday(qint64 day) const
    {
        return day >= m_first && day - m_first < qint64(m_days.size()) && m_days[std::size_t(day - m_first)];
    }
    // A weekday that is no holiday.
    [[nodiscard]] bool isBusinessDay(qint64 day) const;
    // The holiday's name; empty when the day is none.
    [[nodiscard]] QString nameOf(qint64 day) const;

    // The set the date engine uses; null when none is installed.
    [[nodiscard]] static std::shared_ptr<const HolidaySet> active();
    // Installs the set the date engine uses from now on (null: none). Done
    // once by an entry before it computes dates, and by tests.
    static void install(std::shared_ptr<const HolidaySet> holidays);

private:
    QList<Holiday> m_holidays;
    // One flag per day from the first holiday to the last: a look-up costs
    // the same for any number of holidays.
    std::vector<bool> m_days;
    qint64 m_first = 0;
};

#endif // PAYVANE_HOLIDAYSET_H
