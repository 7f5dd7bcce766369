// Shared due-date walks give every bill the same next date and count as the
// occurrence engine gives it alone, whatever order the bills come in.
#include "occurrencecounts.h"

#include "event.h"
#include "occurrence.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Few distinct schedules, so that many bills share a walk, with ends before
// today, near, far, on 31 December 9999 and null.
Event randomBill(QRandomGenerator &random, QDate today, int schedule)
{
    Event event;
    event.schedule = schedule;
    event.byDay = random.bounded(2) == 1;
    event.byYear = random.bounded(3) == 0;
    event.ordinal = int(random.bounded(-1, 8)) * (random.bounded(4) == 0 ? 9 : 1);
    event.weekdays[std::size_t(random.bounded(7))] = random.bounded(3) != 0;
    event.months[std::size_t(random.bounded(12))] = random.bounded(4) != 0;
    event.months[std::size_t(random.bounded(12))] = random.bounded(4) != 0;
    event.eventDate = today.addDays(random.bounded(-30, 30));
    event.endMode = qint32(random.bounded(3));
    switch (random.bounded(6)) {
    case 0:
        event.endDate = today.addDays(-random.bounded(1, 400));
        break;
    case 1:
        event.endDate = QDate(9999, 12, 31);
        break;
    case 2:
        event.endDate = QDate();
        break;
    case 3:
        event.endDate = today.addDays(random.bounded(20000, 60000)); // past the walking limit
        break;
    default:
        event.endDate = today.addDays(random.bounded(0, 4000));
        break;
    }
    return event;
}

} // namespace

class tst_OccurrenceCounts : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithEngine_data();
    void agreesWithEngine();
};

void tst_OccurrenceCounts::agreesWithEngine_data()
{
    QTest::addColumn<int>("schedule");
    QTest::addColumn<QDate>("today");
    QTest::newRow("weekly") << int(Event::ScheduleWeekly) << QDate(2026, 12, 5);
    QTest::newRow("monthly") << int(Event::ScheduleMonthly) << QDate(2026, 12, 5);
    QTest::newRow("monthly, 29 February") << int(Event::ScheduleMonthly) << QDate(2028, 2, 29);
    QTest::newRow("yearly") << int(Event::ScheduleYearly) << QDate(2026, 12, 31);
    QTest::newRow("yearly, 1 January") << int(Event::ScheduleYearly) << QDate(2027, 1, 1);
    QTest::newRow("singular") << int(Event::ScheduleSingular) << QDate(2026, 12, 5);
    QTest::newRow("unknown schedule") << 7 << QDate(2026, 12, 5);
}

void tst_OccurrenceCounts::agreesWithEngine()
{
    QFETCH(int, schedule);
    QFETCH(QDate, today);
    QRandomGenerator random(quint32(schedule) * 7919u + quint32(today.day()));
    OccurrenceCounts counts(today);
    for (int i = 0; i < 400; ++i) {
        const Event event = randomBill(random, today, schedule);
        const QByteArray what = QStringLiteral("bill %1, ordinal %2, end %3")
                                    .arg(i)
                                    .arg(event.ordinal)
                                    .arg(event.endDate.toString(Qt::ISODate))
                                    .toUtf8();
        QVERIFY2(counts.next(event) == nextOccurrence(event, today), what.constData());
        QVERIFY2(counts.remaining(event) == remainingOccurrences(event, today), what.constData());
    }
}

QTEST_GUILESS_MAIN(tst_OccurrenceCounts)
#include "tst_occurrencecounts.moc"
