// The digest of many reminders: the sentence, the nearest three and their
// order, and names that stay plain text on one line.
#include "reminderdigest.h"

#include <event.h>
#include <paymentstatus.h>

#include <QTest>

namespace {

const QDate Today(2027, 3, 10);

// A bill due `days` from today, reminded of 30 days ahead; a negative day
// is an unpaid date of a bill that tracks payments.
Event bill(const QString &name, int days)
{
    Event event;
    event.name = name;
    event.schedule = Event::ScheduleSingular;
    event.eventDate = Today.addDays(days);
    event.endMode = Event::EndAfterTimes;
    event.endDate = event.eventDate;
    event.notify = true;
    event.notifyDays = 30;
    if (days < 0)
        startTracking(event, Today.addDays(-60));
    return event;
}

} // namespace

class tst_ReminderDigest : public QObject
{
    Q_OBJECT

private slots:
    void sumsUp_data();
    void sumsUp();
};

void tst_ReminderDigest::sumsUp_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("days");
    QTest::addColumn<bool>("summed");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("nearest");

    QTest::newRow("four to come") << QStringList{"A", "B", "C", "D"} << QList<int>{2, 9, 0, 5} << true
                                  << "4 bills due in the next 9 days"
                                  << "C (today), A (in 2 days), D (in 5 days) and 1 more.";
    QTest::newRow("five, one overdue") << QStringList{"Gas", "Water", "Tax", "Rent", "Phone"}
                                       << QList<int>{1, -3, 14, 3, 7} << true
                                       << "4 bills due in the next 14 days, 1 overdue"
                                       << "Water (overdue), Gas (tomorrow), Rent (in 3 days) and 2 more.";
    QTest::newRow("all overdue, most overdue first") << QStringList{"A", "B", "C", "D"} << QList<int>{-1, -5, -2, -9}
                                                     << true << "4 bills overdue"
                                                     << "D (overdue), B (overdue), C (overdue) and 1 more.";
    QTest::newRow("names as plain text on one line")
        << QStringList{"<b>Rent</b>", "Gas\nand\tpower", QString(60, QLatin1Char('W')), "X"} << QList<int>{0, 1, 1, 1}
        << true << "4 bills due by tomorrow"
        << "<b>Rent</b> (today), Gas and power (tomorrow), " + QString(39, QLatin1Char('W')) + QChar(0x2026)
               + " (tomorrow) and 1 more.";
    QTest::newRow("a cut never splits a pair") << QStringList{QString(38, QLatin1Char('a')) + QString::fromUtf8("\U0001F4B6\U0001F4B6")}
                                               << QList<int>{4} << false << "1 bill due in the next 4 days"
                                               << QString(38, QLatin1Char('a')) + QChar(0x2026) + " (in 4 days).";
    QTest::newRow("two: not summed up") << QStringList{"Rent", "Water"} << QList<int>{0, -2} << false
                                        << "1 bill due today, 1 overdue" << "Water (overdue), Rent (today).";
}

void tst_ReminderDigest::sumsUp()
{
    QFETCH(QStringList, names);
    QFETCH(QList<int>, days);
    QFETCH(bool, summed);
    QFETCH(QString, sentence);
    QFETCH(QString, nearest);

    ReminderDigest digest(Today);
    Event quiet = bill(QStringLiteral("Quiet"), 1);
    quiet.notify = false;
    QCOMPARE(digest.add(quiet), ReminderKind::None); // not due: not counted
    for (qsizetype i = 0; i < names.size(); ++i)
        QCOMPARE(digest.add(bill(names.at(i), days.at(i))),
                 days.at(i) < 0 ? ReminderKind::Overdue : ReminderKind::Upcoming);
    QCOMPARE(digest.sumsUp(), summed);
    QCOMPARE(digest.sentence(), sentence);
    QCOMPARE(digest.nearestText(), nearest);
}

QTEST_GUILESS_MAIN(tst_ReminderDigest)
#include "tst_reminderdigest.moc"
