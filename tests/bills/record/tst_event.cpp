#include "billbytes.h"
#include "event.h"

#include <QDataStream>
#include <QtTest>

class tst_Event : public QObject
{
    Q_OBJECT

private slots:
    void newEventHasNullTexts();
    void selectionQueries();
    void gasRecordBytes();
    void readsHandAssembledRecord();
    void booleanByteTwoReadsTrueWritesOne();
    void shortStreamLeavesDefaults();
    void flagRunsCut_data();
    void flagRunsCut();
};

namespace {

QByteArray write(const Event &event)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_2);
    stream << event;
    return bytes;
}

Event read(const QByteArray &bytes, QDataStream::Status *status = nullptr)
{
    Event event;
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_2);
    stream >> event;
    if (status)
        *status = stream.status();
    return event;
}

} // namespace

void tst_Event::newEventHasNullTexts()
{
    const Event event;
    QVERIFY(event.name.isNull());
    QVERIFY(event.endDate.isNull());
    QVERIFY(event.eventDate.isNull());
    QVERIFY(event.lastNotified.isNull());
    QVERIFY(!event.anyWeekdaySelected());
    QVERIFY(!event.anyMonthSelected());
}

void tst_Event::selectionQueries()
{
    Event event;
    event.weekdays[6] = true;
    QVERIFY(anyWeekdaySelected(event));
    QVERIFY(!anyMonthSelected(event));
    event.months[11] = true;
    QVERIFY(anyMonthSelected(event));
}

void tst_Event::gasRecordBytes()
{
    Event gas;
    gas.name = QStringLiteral("Gas");
    gas.endMode = Event::EndOnDate;
    gas.endDate = QDate(2000, 1, 1);
    gas.schedule = Event::ScheduleMonthly;
    gas.weekdays = {false, true, false, false, false, false, true};
    gas.byDay = true;
    gas.ordinal = 15;
    gas.months[0] = true;
    gas.months[11] = true;
    gas.notify = true;
    gas.notifyDays = 3;
    gas.lastNotified = QDate(2026, 12, 5);
    gas.notifyAgainDays = 2;

    const QByteArray expected = BillBytes()
                                    .raw(QByteArray::fromHex("00000006" "004700610073"))
                                    .int32(2)
                                    .raw(QByteArray::fromHex("00256859")) // 1 January 2000
                                    .int32(2)
                                    .int32(0) // a repeating bill's null date
                                    .booleans("0100001")
                                    .boolean(1)
                                    .int32(15)
                                    .booleans("100000000001")
                                    .boolean(0)
                                    .boolean(1)
                                    .int32(3)
                                    .boolean(0)
                                    .day(QDate(2026, 12, 5).toJulianDay())
                                    .int32(2)
                                    .bytes();
    const QByteArray actual = write(gas);
    QCOMPARE(actual.size(), 65);
    QCOMPARE(actual.toHex(' '), expected.toHex(' '));
}

void tst_Event::readsHandAssembledRecord()
{
    const QByteArray bytes = BillBytes()
                                 .string(QStringLiteral("Rent ü€"))
                                 .int32(1)
                                 .day(2461382)
                                 .int32(3)
                                 .day(0)
                                 .booleans("1000100")
                                 .boolean(0)
                                 .int32(2)
                                 .booleans("001000000100")
                                 .boolean(1)
                                 .boolean(1)
                                 .int32(99)
                                 .boolean(1)
                                 .day(0)
                                 .int32(7)
                                 .bytes();
    QDataStream::Status status;
    const Event event = read(bytes, &status);
    QCOMPARE(status, QDataStream::Ok);
    QCOMPARE(event.name, QStringLiteral("Rent ü€"));
    QCOMPARE(event.endMode, 1);
    QCOMPARE(event.endDate, QDate::fromJulianDay(2461382));
    QCOMPARE(event.schedule, 3);
    QVERIFY(event.eventDate.isNull());
    QCOMPARE(event.weekdays, (std::array<bool, 7>{true, false, false, false, true, false, false}));
    QCOMPARE(event.byDay, false);
    QCOMPARE(event.ordinal, 2);
    QCOMPARE(event.months,
             (std::array<bool, 12>{false, false, true, false, false, false, false, false, false, true, false, false}));
    QCOMPARE(event.byYear, true);
    QCOMPARE(event.notify, true);
    QCOMPARE(event.notifyDays, 99);
    QCOMPARE(event.showOnce, true);
    QVERIFY(event.lastNotified.isNull());
    QCOMPARE(event.notifyAgainDays, 7);
    // Writing it again gives the same bytes.
    QCOMPARE(write(event).toHex(), bytes.toHex());
}

void tst_Event::booleanByteTwoReadsTrueWritesOne()
{
    Event event;
    event.name = QString(); // a null name is the count FFFFFFFF
    QByteArray bytes = write(event);
    QCOMPARE(bytes.left(4).toHex(), QByteArray("ffffffff"));
    QCOMPARE(bytes.size(), 4 + 55);
    const int byDayOffset = 4 + 23;
    bytes[byDayOffset] = 2;
    const Event back = read(bytes);
    QCOMPARE(back.byDay, true);
    QCOMPARE(int(write(back).at(byDayOffset)), 1);
    QVERIFY(back.name.isNull());
}

void tst_Event::shortStreamLeavesDefaults()
{
    // A record cut inside its fields: the stream says so, the rest reads as zero.
    Event full;
    full.name = QStringLiteral("Water");
    full.notifyAgainDays = 5;
    const QByteArray bytes = write(full).chopped(3);
    Event event;
    event.notifyAgainDays = 42;
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_2);
    stream >> event;
    QCOMPARE(stream.status(), QDataStream::ReadPastEnd);
    QCOMPARE(event.name, QStringLiteral("Water"));
    QCOMPARE(event.notifyAgainDays, 0);
}

void tst_Event::flagRunsCut_data()
{
    // With a null name the weekdays are bytes 4+16 .. 4+22 and the months
    // 4+28 .. 4+39 (after byDay and the ordinal).
    QTest::addColumn<int>("kept");       // bytes of the record left
    QTest::addColumn<int>("weekdaysRead");
    QTest::addColumn<int>("monthsRead");
    QTest::newRow("before the weekdays") << 4 + 16 << 0 << 0;
    QTest::newRow("three weekdays") << 4 + 19 << 3 << 0;
    QTest::newRow("all weekdays") << 4 + 23 << 7 << 0;
    QTest::newRow("five months") << 4 + 33 << 7 << 5;
    QTest::newRow("eleven months") << 4 + 39 << 7 << 11;
}

void tst_Event::flagRunsCut()
{
    QFETCH(int, kept);
    QFETCH(int, weekdaysRead);
    QFETCH(int, monthsRead);
    Event full;
    full.name = QString();
    full.weekdays.fill(true);
    full.months.fill(true);
    QByteArray bytes = write(full);
    bytes[4 + 17] = 2; // any byte but 0 is true
    bytes[4 + 30] = char(0x80);
    QDataStream::Status status = QDataStream::Ok;
    const Event event = read(bytes.left(kept), &status);
    QCOMPARE(status, QDataStream::ReadPastEnd);
    for (int day = 0; day < 7; ++day)
        QCOMPARE(event.weekdays[std::size_t(day)], day < weekdaysRead);
    for (int month = 0; month < 12; ++month)
        QCOMPARE(event.months[std::size_t(month)], month < monthsRead);
}

QTEST_APPLESS_MAIN(tst_Event)
#include "tst_event.moc"
