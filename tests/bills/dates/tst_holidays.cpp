#include "daynumber.h"
#include "event.h"
#include "holidayfile.h"
#include "holidayset.h"
#include "occurrence.h"
#include "schedulebuilders.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using namespace ScheduleBuilders;

constexpr qint32 Before = ScheduleOptions::FridayBefore;
constexpr qint32 After = ScheduleOptions::MondayAfter;

Event moving(Event e, qint32 rule)
{
    e.options.weekends = rule;
    return e;
}

Event businessDay(int n, qint32 weekendRule = ScheduleOptions::KeepWeekend)
{
    Event e = moving(monthly(1, true), weekendRule);
    e.options.businessDay = n;
    return e;
}

HolidaySet::Holiday holiday(int y, int m, int d, const char *name)
{
    return {dayNumber(QDate(y, m, d)), QString::fromUtf8(name)};
}

std::shared_ptr<const HolidaySet> sampleHolidays()
{
    QList<HolidaySet::Holiday> days{holiday(2027, 1, 1, "New Year's Day"), holiday(2027, 3, 26, "Good Friday"),
                                    holiday(2027, 3, 29, "Easter Monday"), holiday(2027, 12, 31, "New Year's Eve")};
    // A works' closure longer than any move: 2 to 27 August.
    for (int d = 2; d <= 27; ++d)
        days.append(holiday(2027, 8, d, "Closed"));
    return std::make_shared<const HolidaySet>(days);
}

// The count as fresh looks give it, one due date after another; the end
// date looks at the scheduled dates.
int walkedCount(const Event &e, QDate today)
{
    int count = 0;
    qint64 day = dayNumber(today);
    for (;;) {
        const DueDate due = nextDueDate(e, dateOfDayNumber(day + 1));
        const qint64 next = dayNumber(due.date);
        if (next == 0 || next <= day || due.endsAfter(e))
            return count;
        ++count;
        day = next;
    }
}

class InstalledHolidays
{
public:
    explicit InstalledHolidays(std::shared_ptr<const HolidaySet> set) { HolidaySet::install(std::move(set)); }
    ~InstalledHolidays() { HolidaySet::install(nullptr); }
    InstalledHolidays(const InstalledHolidays &) = delete;
    InstalledHolidays &operator=(const InstalledHolidays &) = delete;
};

} // namespace

class tst_Holidays : public QObject
{
    Q_OBJECT

private slots:
    void dueDates_data();
    void dueDates();
    void countsAgreeWithWalk();
    void holidayFile_data();
    void holidayFile();
};

void tst_Holidays::dueDates_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("due");
    QTest::addColumn<QDate>("scheduled");
    QTest::addColumn<int>("remaining"); // after `from`, to its month's end; -2 not checked

    const Event saturday27 = monthly(27, true);
    QTest::newRow("Saturday before Easter: no set, the Friday before")
        << moving(saturday27, Before) << false << QDate(2027, 3, 1) << QDate(2027, 3, 26) << QDate(2027, 3, 27) << -2;
    QTest::newRow("Saturday before Easter: Good Friday passed over")
        << moving(saturday27, Before) << true << QDate(2027, 3, 1) << QDate(2027, 3, 25) << QDate(2027, 3, 27) << -2;
    QTest::newRow("Saturday before Easter: Easter Monday passed over")
        << moving(saturday27, After) << true << QDate(2027, 3, 2) << QDate(2027, 3, 30) << QDate(2027, 3, 27) << -2;
    QTest::newRow("moved past the day asked from")
        << moving(saturday27, After) << true << QDate(2027, 3, 30) << QDate(2027, 3, 30) << QDate(2027, 3, 27) << -2;
    QTest::newRow("a weekday holiday moves")
        << moving(monthly(29, true), Before) << true << QDate(2027, 3, 1) << QDate(2027, 3, 25) << QDate(2027, 3, 29) << -2;
    QTest::newRow("a holiday without a move stays")
        << monthly(29, true) << true << QDate(2027, 3, 1) << QDate(2027, 3, 29) << QDate(2027, 3, 29) << -2;
    QTest::newRow("a closure longer than a move: stays")
        << moving(monthly(10, true), After) << true << QDate(2027, 8, 1) << QDate(2027, 8, 10) << QDate(2027, 8, 10) << -2;
    QTest::newRow("Friday and Monday holidays onto one Tuesday")
        << moving(weekly({1, 5}), After) << true << QDate(2027, 3, 23) << QDate(2027, 3, 30) << QDate(2027, 3, 26) << 1;

    QTest::newRow("1st business day after New Year's Day")
        << businessDay(1) << true << QDate(2027, 1, 1) << QDate(2027, 1, 4) << QDate(2027, 1, 4) << -2;
    QTest::newRow("1st business day, no set")
        << businessDay(1) << false << QDate(2027, 1, 1) << QDate(2027, 1, 1) << QDate(2027, 1, 1) << -2;
    QTest::newRow("3rd business day of March")
        << businessDay(3) << true << QDate(2027, 3, 1) << QDate(2027, 3, 3) << QDate(2027, 3, 3) << -2;
    QTest::newRow("last business day before New Year's Eve")
        << businessDay(-1) << true << QDate(2027, 12, 1) << QDate(2027, 12, 30) << QDate(2027, 12, 30) << -2;
    QTest::newRow("3rd last business day over Easter")
        << businessDay(-3) << true << QDate(2027, 3, 1) << QDate(2027, 3, 25) << QDate(2027, 3, 25) << -2;
    QTest::newRow("23rd business day: the month's last")
        << businessDay(23) << true << QDate(2027, 3, 1) << QDate(2027, 3, 31) << QDate(2027, 3, 31) << -2;
    QTest::newRow("a month of closure shifts the business days")
        << businessDay(2) << true << QDate(2027, 8, 1) << QDate(2027, 8, 31) << QDate(2027, 8, 31) << -2;
    QTest::newRow("the weekend rule does not move a business day")
        << businessDay(-1, After) << true << QDate(2027, 12, 1) << QDate(2027, 12, 30) << QDate(2027, 12, 30) << -2;
}

void tst_Holidays::dueDates()
{
    QFETCH(Event, event);
    QFETCH(bool, installed);
    QFETCH(QDate, from);
    QFETCH(QDate, due);
    QFETCH(QDate, scheduled);
    QFETCH(int, remaining);
    const InstalledHolidays holidays(installed ? sampleHolidays() : nullptr);
    const DueDate found = nextDueDate(event, from);
    QCOMPARE(found.date, due);
    QCOMPARE(found.scheduled, scheduled);
    if (remaining != -2) {
        event.endMode = Event::EndOnDate;
        event.endDate = QDate(from.year(), from.month(), from.daysInMonth());
        QCOMPARE(remainingOccurrences(event, from), remaining);
    }
}

void tst_Holidays::countsAgreeWithWalk()
{
    // Holidays follow no cycle: the counts' shortcuts over whole cycles and
    // periods must still agree with a plain walk, across the holidays and
    // far beyond them.
    QRandomGenerator random(23);
    QList<HolidaySet::Holiday> days;
    const qint64 first = dayNumber(QDate(2027, 1, 1));
    for (int i = 0; i < 5 * 200; ++i)
        days.append({first + random.bounded(5 * 365), QStringLiteral("Holiday")});
    const InstalledHolidays holidays(std::make_shared<const HolidaySet>(days));
    for (int i = 0; i < 400; ++i) {
        Event e;
        switch (random.bounded(4)) {
        case 0: e = weekly({1 + random.bounded(7), 1 + random.bounded(7)}); break;
        case 1: e = monthly(1 + random.bounded(31), true); break;
        case 2: e = yearly(1 + random.bounded(31), true, {}, false, {1 + random.bounded(12), 1 + random.bounded(12)}); break;
        default: e = businessDay(random.bounded(2) ? 1 + random.bounded(23) : -1 - random.bounded(23)); break;
        }
        e.options.weekends = random.bounded(3);
        if (random.bounded(3) == 0) {
            e.options.every = 2 + random.bounded(6);
            e.options.everyFrom = QDate(2026, 1 + random.bounded(12), 1);
        }
        const QDate today = QDate(2026, 6, 1).addDays(random.bounded(3000));
        e.endMode = Event::EndOnDate;
        e.endDate = today.addDays(random.bounded(2) ? random.bounded(60 * 366) : random.bounded(800));
        const QByteArray what = QStringLiteral("schedule %1 ordinal %2 business day %3 weekends %4 every %5 from %6 today %7 end %8")
                                    .arg(e.schedule).arg(e.ordinal).arg(e.options.businessDay).arg(e.options.weekends)
                                    .arg(e.options.every).arg(e.options.everyFrom.toString(Qt::ISODate))
                                    .arg(today.toString(Qt::ISODate), e.endDate.toString(Qt::ISODate))
                                    .toUtf8();
        QVERIFY2(remainingOccurrences(e, today) == walkedCount(e, today), what.constData());
    }
}

void tst_Holidays::holidayFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("holidays"); // -1: refused

    HolidayFile file;
    file.sources.append({QStringLiteral("/home/me/de.ics"), 812, 1700000000000, {holiday(2027, 1, 1, "Neujahr")}});
    file.sources.append({QString(), -1, 0, {holiday(2027, 1, 1, "Twice"), holiday(2027, 5, 3, "Mine")}});
    const QByteArray good = file.toBytes();
    QTest::newRow("two sources, one day twice") << good << 2;
    QTest::newRow("cut short") << good.left(good.size() - 3) << -1;
    QTest::newRow("trailing bytes") << good + QByteArray(1, '\0') << -1;
    QTest::newRow("not ours") << QByteArray("PVHX") + good.mid(4) << -1;
    QByteArray huge = good;
    huge[12 + 4 + 2 * 15 + 16 + 3] = char(0x7f); // the first source's count
    QTest::newRow("a count beyond the cap") << huge << -1;
    QTest::newRow("empty") << QByteArray() << -1;
}

void tst_Holidays::holidayFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, holidays);
    HolidayFile file;
    const bool read = HolidayFile::fromBytes(bytes, &file);
    QCOMPARE(read, holidays >= 0);
    if (!read) {
        QVERIFY(file.sources.isEmpty());
        return;
    }
    QCOMPARE(file.toBytes(), bytes);
    const HolidaySet set = file.holidaySet();
    QCOMPARE(set.size(), holidays);
    QCOMPARE(set.nameOf(dayNumber(QDate(2027, 1, 1))), QStringLiteral("Neujahr"));
    QVERIFY(!set.isBusinessDay(dayNumber(QDate(2027, 5, 3))));
    QVERIFY(set.isBusinessDay(dayNumber(QDate(2027, 5, 4))));
}

QTEST_GUILESS_MAIN(tst_Holidays)
#include "tst_holidays.moc"
