// The extension block after the records: what a program that knows only the
// records sees, byte-identical round trips with fields of unknown names, and
// damaged blocks that cost no record.
#include "billbytes.h"
#include "billextensions.h"
#include "billfile.h"
#include "billfilestream.h"
#include "calendaruids.h"
#include "eventstore.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {

Event *bill(const QString &name)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleMonthly;
    event->byDay = true;
    event->ordinal = 31;
    event->endDate = QDate(2027, 1, 1);
    return event;
}

// Two bills: the first the last day of every second month, moved to the
// Friday before a weekend; the second plain.
EventList twoBills()
{
    Event *last = bill(QStringLiteral("Rent"));
    last->options.every = 2;
    last->options.everyFrom = QDate(2027, 1, 1);
    last->options.fromEnd = 1;
    last->options.weekends = ScheduleOptions::FridayBefore;
    return {last, bill(QStringLiteral("Gas"))};
}

BillFileRead readBytes(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readBillFile(buffer);
}

QByteArray recordsOnly(const EventList &events)
{
    EventList plain;
    for (const Event *event : events) {
        auto *copy = new Event(*event);
        copy->options = ScheduleOptions();
        copy->payments = PaymentState();
        copy->amount = Money();
        copy->extraReminders.clear();
        copy->amountVaries = false;
        copy->history.clear();
        copy->calendarUid = QUuid();
        copy->unknownFields.clear();
        plain.append(copy);
    }
    const QByteArray bytes = billFileBytes(plain);
    qDeleteAll(plain);
    return bytes;
}

// The block of the two bills, assembled by hand from the format's layout.
QByteArray handMadeBlock()
{
    const auto int32Field = [](BillBytes &entry, const QString &name, qint32 value) {
        entry.string(name).int32(4).int32(value);
    };
    BillBytes first;
    first.int32(5);
    int32Field(first, QStringLiteral("every"), 2);
    first.string(QStringLiteral("everyFrom")).int32(4).day(QDate(2027, 1, 1).toJulianDay());
    int32Field(first, QStringLiteral("fromEnd"), 1);
    int32Field(first, QStringLiteral("weekends"), 1);
    first.string(QStringLiteral("zzNewer")).int32(3).raw("abc");
    BillBytes block;
    block.raw("PVNX").int32(1).int32(2);
    block.int32(qint32(first.bytes().size())).raw(first.bytes());
    block.int32(4).int32(0); // the second bill: no fields
    return block.bytes();
}

// A bill that tracks payments and has an amount.
Event *paidBill()
{
    Event *event = bill(QStringLiteral("Water"));
    event->payments.trackedSince = QDate(2026, 11, 1);
    event->payments.paidThrough = QDate(2026, 12, 31);
    event->payments.paidOn = QDate(2026, 12, 5);
    event->amount = Money(-125050, QStringLiteral("KWD"));
    return event;
}

// Its block, by hand: the dates, then the amount's eight bytes and code.
QByteArray paidBlock()
{
    BillBytes entry;
    entry.int32(4);
    entry.string(QStringLiteral("trackedSince")).int32(4).day(QDate(2026, 11, 1).toJulianDay());
    entry.string(QStringLiteral("paidThrough")).int32(4).day(QDate(2026, 12, 31).toJulianDay());
    entry.string(QStringLiteral("paidOn")).int32(4).day(QDate(2026, 12, 5).toJulianDay());
    entry.string(QStringLiteral("amount")).int32(11).int32(-1).int32(-125050).raw("KWD");
    return BillBytes().raw("PVNX").int32(1).int32(1).int32(qint32(entry.bytes().size())).raw(entry.bytes()).bytes();
}

// A block of one bill whose only field is `name` with `value`.
QByteArray oneFieldBlock(const QString &name, const QByteArray &value)
{
    BillBytes entry;
    entry.int32(1).string(name).int32(qint32(value.size())).raw(value);
    return BillBytes().raw("PVNX").int32(1).int32(1).int32(qint32(entry.bytes().size())).raw(entry.bytes()).bytes();
}

// A bill's payments by hand: the count, then per payment its two dates, the
// minor units, the code (three zero bytes for none) and the note.
QByteArray historyValue(const QList<PaymentRecord> &history)
{
    BillBytes value;
    value.int32(qint32(history.size()));
    for (const PaymentRecord &payment : history) {
        value.day(payment.dueDate.toJulianDay()).day(payment.paidOn.toJulianDay());
        const qint64 units = payment.amount.minorUnits();
        value.int32(qint32(units >> 32)).int32(qint32(units & 0xffffffff));
        value.raw(payment.amount.isNull() ? QByteArray(3, '\0') : payment.amount.currency().toLatin1());
        value.string(payment.note);
    }
    return value.bytes();
}

QList<PaymentRecord> twoPayments()
{
    return {{QDate(2026, 11, 30), QDate(2026, 11, 28), Money(4000, QStringLiteral("EUR")), QString()},
            {QDate(2026, 11, 30), QDate(2026, 12, 2), Money(-1, QStringLiteral("EUR")),
             QStringLiteral("refund, \"b\u00e4nk\"\nline")}};
}

// A bill's extra reminders by hand: the count, then days, when and the date
// each fired for.
QByteArray remindersValue(const QList<ExtraReminder> &reminders)
{
    BillBytes value;
    value.int32(qint32(reminders.size()));
    for (const ExtraReminder &reminder : reminders)
        value.int32(reminder.days).boolean(char(reminder.when)).day(reminder.firedFor.toJulianDay());
    return value.bytes();
}

// Seven reminders besides the bill's own: eight in all, the most a bill has.
QList<ExtraReminder> sevenReminders()
{
    QList<ExtraReminder> reminders;
    for (int i = 0; i < ExtraReminder::MaximumCount; ++i) {
        ExtraReminder reminder;
        reminder.days = i == 0 ? ExtraReminder::MaximumDays : i;
        reminder.when = i % 2 ? ExtraReminder::AfterUnpaid : ExtraReminder::Before;
        if (i == 1)
            reminder.firedFor = QDate(2026, 12, 15);
        reminders.append(reminder);
    }
    return reminders;
}

} // namespace

class tst_BillExtensions : public QObject
{
    Q_OBJECT

private slots:
    void plainBillsHaveNoBlock();
    void blockMatchesTheLayout();
    void recordsOnlyReaderSeesTheRecords();
    void roundTripIsByteIdentical();
    void damagedBlocks_data();
    void damagedBlocks();
    void damagedBlockIsKeptAside();
    void paymentsAndAmountMatchTheLayout();
    void paymentsAndAmountRoundTrip();
    void billThatStoppedTrackingHasNoBlock();
    void damagedPaymentFields_data();
    void damagedPaymentFields();
    void eightRemindersMatchTheLayoutAndRoundTrip();
    void historyMatchesTheLayoutAndRoundTrips();
    void calendarUidsAreGivenOnceAndRoundTrip();
    void paymentsOfAFile_data();
    void paymentsOfAFile();
};

void tst_BillExtensions::plainBillsHaveNoBlock()
{
    EventList plain{bill(QStringLiteral("Water"))};
    QVERIFY(!needsBillExtensions(plain));
    QCOMPARE(billFileBytes(plain), recordsOnly(plain));
    // An every-N step of 1 is no option.
    plain.first()->options.every = 1;
    QVERIFY(!needsBillExtensions(plain));
    qDeleteAll(plain);
}

void tst_BillExtensions::blockMatchesTheLayout()
{
    EventList bills = twoBills();
    bills.first()->unknownFields.insert(QStringLiteral("zzNewer"), "abc");
    QCOMPARE(billFileBytes(bills).toHex(), (recordsOnly(bills) + handMadeBlock()).toHex());
    qDeleteAll(bills);
}

void tst_BillExtensions::recordsOnlyReaderSeesTheRecords()
{
    // A program that knows only the records reads the count and the records
    // with a plain data stream and stops; the block is what it leaves.
    EventList bills = twoBills();
    const QByteArray file = billFileBytes(bills);
    QDataStream stream(file);
    stream.setVersion(QDataStream::Qt_4_2);
    qint32 count = 0;
    stream >> count;
    QCOMPARE(count, 2);
    QStringList names;
    QList<qint32> ordinals;
    for (int i = 0; i < count; ++i) {
        QString name;
        qint32 endMode, schedule, ordinal, notifyDays, again;
        QDate endDate, eventDate, lastNotified;
        bool flags[7 + 1 + 12 + 1 + 1 + 1];
        stream >> name >> endMode >> endDate >> schedule >> eventDate;
        for (int f = 0; f < 8; ++f)
            stream >> flags[f];
        stream >> ordinal;
        for (int f = 8; f < 22; ++f)
            stream >> flags[f];
        stream >> notifyDays >> flags[22] >> lastNotified >> again;
        names << name;
        ordinals << ordinal;
    }
    QCOMPARE(stream.status(), QDataStream::Ok);
    QCOMPARE(names, (QStringList{"Rent", "Gas"}));
    // The record keeps a value the plain schedule accepts.
    QCOMPARE(ordinals, (QList<qint32>{31, 31}));
    QVERIFY(!stream.atEnd());
    QCOMPARE(file.mid(int(stream.device()->pos()), 4), QByteArray("PVNX"));
    qDeleteAll(bills);
}

void tst_BillExtensions::roundTripIsByteIdentical()
{
    EventList bills = twoBills();
    bills.last()->unknownFields.insert(QStringLiteral("zzLater"), QByteArray::fromHex("0000000000001388"));
    bills.last()->unknownFields.insert(QStringLiteral("a later field"), QByteArray());
    const QByteArray written = billFileBytes(bills);

    const BillFileRead read = readBytes(written);
    QCOMPARE(read.state, BillFileState::Complete);
    QCOMPARE(read.events.size(), 2);
    QCOMPARE(read.events.first()->options, bills.first()->options);
    QCOMPARE(read.events.last()->options, ScheduleOptions());
    QCOMPARE(read.events.last()->unknownFields, bills.last()->unknownFields);
    QCOMPARE(billFileBytes(read.events).toHex(), written.toHex());
    qDeleteAll(read.events);
    qDeleteAll(bills);
}

void tst_BillExtensions::damagedBlocks_data()
{
    QTest::addColumn<QByteArray>("block");

    const QByteArray good = handMadeBlock();
    QTest::newRow("cut inside the marker") << good.left(2);
    QTest::newRow("cut after the version") << good.left(8);
    QTest::newRow("cut inside the first entry") << good.left(30);
    QTest::newRow("cut before the last entry") << good.chopped(8);
    QTest::newRow("a stray byte after it") << good + '\0';
    QByteArray version = good;
    version[7] = 2;
    QTest::newRow("unknown version") << version;
    QByteArray entries = good;
    entries[11] = 3;
    QTest::newRow("more entries than records") << entries;
    QByteArray length = good;
    length.replace(12, 4, QByteArray::fromHex("7fffffff"));
    QTest::newRow("entry longer than the file") << length;
    QByteArray fields = good;
    fields.replace(16, 4, QByteArray::fromHex("00ffffff"));
    QTest::newRow("more fields than the entry holds") << fields;
    BillBytes wrongSize;
    wrongSize.int32(1).string(QStringLiteral("every")).int32(2).raw(QByteArray("\0\2", 2));
    QTest::newRow("a known field of the wrong size")
        << BillBytes().raw("PVNX").int32(1).int32(2).int32(qint32(wrongSize.bytes().size())).raw(wrongSize.bytes())
               .int32(4).int32(0).bytes();
    BillBytes twice;
    twice.int32(2).string(QStringLiteral("x")).int32(0).string(QStringLiteral("x")).int32(0);
    QTest::newRow("a name twice")
        << BillBytes().raw("PVNX").int32(1).int32(2).int32(qint32(twice.bytes().size())).raw(twice.bytes())
               .int32(4).int32(0).bytes();
    QTest::newRow("a null entry") << BillBytes().raw("PVNX").int32(1).int32(2).int32(-1).int32(4).int32(0).bytes();
}

void tst_BillExtensions::damagedBlocks()
{
    QFETCH(QByteArray, block);
    EventList bills = twoBills();
    const BillFileRead read = readBytes(recordsOnly(bills) + block);
    // The records are all there; the extra fields are left at their defaults.
    QCOMPARE(read.events.size(), 2);
    QCOMPARE(read.events.first()->name, QStringLiteral("Rent"));
    QCOMPARE(read.events.last()->name, QStringLiteral("Gas"));
    for (const Event *event : read.events) {
        QCOMPARE(event->options, ScheduleOptions());
        QVERIFY(event->unknownFields.isEmpty());
    }
    QCOMPARE(read.state, BillFileState::Damaged);
    if (!block.startsWith("PVNX"))
        QCOMPARE(read.problem, QStringLiteral("unknown data follows its last record"));
    else
        QCOMPARE(read.problem, QStringLiteral("its extra details (schedule options, payments, amounts and reminders) could not be read"));
    qDeleteAll(read.events);
    qDeleteAll(bills);
}

void tst_BillExtensions::damagedBlockIsKeptAside()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("events.evt"));
    EventList bills = twoBills();
    QByteArray damaged = billFileBytes(bills);
    damaged.chop(3);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    BillFile billFile(path);
    const EventList loaded = billFile.load();
    QCOMPARE(loaded.size(), 2);
    QVERIFY(billFile.needsKeeping());
    QVERIFY(billFile.save(loaded));
    QVERIFY(billFile.notice().contains(QStringLiteral("extra details (schedule options, payments, amounts and reminders) could not be read")));
    QFile kept(billFile.keptPath());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
    qDeleteAll(loaded);
    qDeleteAll(bills);
}

void tst_BillExtensions::paymentsAndAmountMatchTheLayout()
{
    EventList bills{paidBill()};
    QCOMPARE(billFileBytes(bills).toHex(), (recordsOnly(bills) + paidBlock()).toHex());
    qDeleteAll(bills);
}

void tst_BillExtensions::paymentsAndAmountRoundTrip()
{
    EventList bills = twoBills();
    bills.append(paidBill());
    bills.first()->amount = Money(std::numeric_limits<qint64>::max(), QStringLiteral("JPY"));
    const QByteArray written = billFileBytes(bills);

    const BillFileRead read = readBytes(written);
    QCOMPARE(read.state, BillFileState::Complete);
    QCOMPARE(read.events.size(), 3);
    for (qsizetype i = 0; i < bills.size(); ++i) {
        QCOMPARE(read.events.at(i)->payments, bills.at(i)->payments);
        QCOMPARE(read.events.at(i)->amount, bills.at(i)->amount);
        QCOMPARE(read.events.at(i)->options, bills.at(i)->options);
    }
    QCOMPARE(billFileBytes(read.events).toHex(), written.toHex());
    qDeleteAll(read.events);
    qDeleteAll(bills);
}

void tst_BillExtensions::billThatStoppedTrackingHasNoBlock()
{
    EventList bills{paidBill()};
    bills.first()->payments = PaymentState();
    bills.first()->amount = Money();
    QVERIFY(!needsBillExtensions(bills));
    QCOMPARE(billFileBytes(bills), recordsOnly(bills));
    qDeleteAll(bills);
}

void tst_BillExtensions::damagedPaymentFields_data()
{
    QTest::addColumn<QByteArray>("block");

    const QByteArray day = BillBytes().day(QDate(2026, 12, 5).toJulianDay()).bytes();
    const QByteArray units = BillBytes().int32(0).int32(100).bytes();
    QTest::newRow("a date of three bytes") << oneFieldBlock(QStringLiteral("paidThrough"), day.left(3));
    QTest::newRow("a date of five bytes") << oneFieldBlock(QStringLiteral("trackedSince"), day + '\0');
    QTest::newRow("an amount without its code") << oneFieldBlock(QStringLiteral("amount"), units);
    QTest::newRow("an amount of two letters") << oneFieldBlock(QStringLiteral("amount"), units + "EU");
    QTest::newRow("an amount in small letters") << oneFieldBlock(QStringLiteral("amount"), units + "eur");
    QTest::newRow("an amount with a digit") << oneFieldBlock(QStringLiteral("amount"), units + "EU1");
    QTest::newRow("an amount with a byte past ASCII") << oneFieldBlock(QStringLiteral("amount"), units + "E\xc9R");

    const QString reminders = QStringLiteral("reminders");
    QList<ExtraReminder> nine = sevenReminders();
    nine.append(nine.first());
    QTest::newRow("nine reminders") << oneFieldBlock(reminders, remindersValue(nine));
    QTest::newRow("no reminder") << oneFieldBlock(reminders, remindersValue({}));
    const QByteArray one = remindersValue(sevenReminders().mid(1, 1));
    QTest::newRow("a reminder cut short") << oneFieldBlock(reminders, one.chopped(1));
    QTest::newRow("a reminder with a stray byte") << oneFieldBlock(reminders, one + '\0');
    QTest::newRow("a count of more than the bytes")
        << oneFieldBlock(reminders, BillBytes().int32(2).raw(one.mid(4)).bytes());
    QByteArray field = one;
    field.replace(4, 4, BillBytes().int32(-1).bytes());
    QTest::newRow("days before 0") << oneFieldBlock(reminders, field);
    field.replace(4, 4, BillBytes().int32(100).bytes());
    QTest::newRow("days past 99") << oneFieldBlock(reminders, field);
    field = one;
    field[8] = 2;
    QTest::newRow("neither before nor after") << oneFieldBlock(reminders, field);

    const QString history = QStringLiteral("history");
    const QList<PaymentRecord> payments = twoPayments();
    QTest::newRow("a history of no payment") << oneFieldBlock(history, historyValue({}));
    QTest::newRow("a payment cut short") << oneFieldBlock(history, historyValue(payments).chopped(1));
    QTest::newRow("a payment without its day paid")
        << oneFieldBlock(history, historyValue({{QDate(2026, 11, 30), QDate(), Money(), QString()}}));
    QTest::newRow("a payment's note of 1,001 characters")
        << oneFieldBlock(history, historyValue({{QDate(2026, 11, 30), QDate(2026, 12, 1), Money(),
                                                 QString(PaymentRecord::MaximumNoteLength + 1, u'x')}}));
    QByteArray smallLetters = historyValue(payments.mid(0, 1));
    smallLetters.replace(20, 3, "eur");
    QTest::newRow("a payment in small letters") << oneFieldBlock(history, smallLetters);
    const int limit = PaymentRecord::MaximumPerFile;
    QTest::newRow("more payments than a file may hold")
        << oneFieldBlock(history, historyValue(QList<PaymentRecord>(limit + 1, payments.first())));
    QTest::newRow("a count of more payments than the bytes")
        << oneFieldBlock(history, BillBytes().int32(2).raw(historyValue(payments.mid(0, 1)).mid(4)).bytes());
    QTest::newRow("varies of two bytes") << oneFieldBlock(QStringLiteral("varies"), QByteArray(2, '\1'));
    const QByteArray uid = QUuid::createUuid().toRfc4122();
    QTest::newRow("a calendar UID of 15 bytes") << oneFieldBlock(QStringLiteral("calendarUid"), uid.left(15));
    QTest::newRow("the null calendar UID") << oneFieldBlock(QStringLiteral("calendarUid"), QByteArray(16, '\0'));
}

void tst_BillExtensions::damagedPaymentFields()
{
    QFETCH(QByteArray, block);
    EventList bills{bill(QStringLiteral("Gas"))};
    const BillFileRead read = readBytes(recordsOnly(bills) + block);
    QCOMPARE(read.state, BillFileState::Damaged);
    QCOMPARE(read.events.size(), 1);
    QCOMPARE(read.events.first()->name, QStringLiteral("Gas"));
    QCOMPARE(read.events.first()->payments, PaymentState());
    QVERIFY(read.events.first()->amount.isNull());
    QVERIFY(read.events.first()->extraReminders.isEmpty());
    QVERIFY(read.events.first()->history.isEmpty());
    qDeleteAll(read.events);
    qDeleteAll(bills);
}

void tst_BillExtensions::eightRemindersMatchTheLayoutAndRoundTrip()
{
    EventList bills{bill(QStringLiteral("Rent")), bill(QStringLiteral("Gas"))};
    bills.first()->extraReminders = sevenReminders();
    const QByteArray written = billFileBytes(bills);
    BillBytes entry;
    entry.int32(1).string(QStringLiteral("reminders"));
    const QByteArray value = remindersValue(sevenReminders());
    entry.int32(qint32(value.size())).raw(value);
    const QByteArray block = BillBytes().raw("PVNX").int32(1).int32(2).int32(qint32(entry.bytes().size()))
                                 .raw(entry.bytes()).int32(4).int32(0).bytes();
    QCOMPARE(written.toHex(), (recordsOnly(bills) + block).toHex());

    const BillFileRead read = readBytes(written);
    QCOMPARE(read.state, BillFileState::Complete);
    QCOMPARE(read.events.first()->extraReminders, sevenReminders());
    QVERIFY(read.events.last()->extraReminders.isEmpty());
    QCOMPARE(billFileBytes(read.events).toHex(), written.toHex());
    qDeleteAll(read.events);
    qDeleteAll(bills);
}

void tst_BillExtensions::historyMatchesTheLayoutAndRoundTrips()
{
    EventList bills{bill(QStringLiteral("Phone")), bill(QStringLiteral("Gas"))};
    bills.first()->amountVaries = true;
    bills.first()->history = twoPayments();
    const QByteArray written = billFileBytes(bills);
    const QByteArray value = historyValue(twoPayments());
    BillBytes entry;
    entry.int32(2).string(QStringLiteral("varies")).int32(1).boolean(1);
    entry.string(QStringLiteral("history")).int32(qint32(value.size())).raw(value);
    const QByteArray block = BillBytes().raw("PVNX").int32(1).int32(2).int32(qint32(entry.bytes().size()))
                                 .raw(entry.bytes()).int32(4).int32(0).bytes();
    QCOMPARE(written.toHex(), (recordsOnly(bills) + block).toHex());

    const BillFileRead read = readBytes(written);
    QCOMPARE(read.state, BillFileState::Complete);
    QCOMPARE(read.events.first()->history, twoPayments());
    QVERIFY(read.events.first()->amountVaries);
    QCOMPARE(billFileBytes(read.events).toHex(), written.toHex());
    qDeleteAll(read.events);
    qDeleteAll(bills);
}

void tst_BillExtensions::calendarUidsAreGivenOnceAndRoundTrip()
{
    EventList bills{bill(QStringLiteral("Rent")), bill(QStringLiteral("Gas")), bill(QStringLiteral("Copy"))};
    const QUuid kept = QUuid::createUuid();
    bills.at(0)->calendarUid = kept;
    bills.at(2)->calendarUid = kept; // copied with its bill
    QVERIFY(assignCalendarUids(bills));
    QCOMPARE(bills.at(0)->calendarUid, kept);
    QVERIFY(!bills.at(1)->calendarUid.isNull());
    QVERIFY(!bills.at(2)->calendarUid.isNull());
    QVERIFY(bills.at(2)->calendarUid != kept && bills.at(2)->calendarUid != bills.at(1)->calendarUid);
    QVERIFY(!assignCalendarUids(bills));

    const QByteArray written = billFileBytes(bills);
    QCOMPARE(written.left(recordsOnly(bills).size()).toHex(), recordsOnly(bills).toHex());
    const BillFileRead read = readBytes(written);
    QCOMPARE(read.state, BillFileState::Complete);
    for (qsizetype i = 0; i < bills.size(); ++i)
        QCOMPARE(read.events.at(i)->calendarUid, bills.at(i)->calendarUid);
    QCOMPARE(billFileBytes(read.events).toHex(), written.toHex());
    // The field's bytes are the UUID in its RFC 4122 order.
    EventList one{bill(QStringLiteral("Rent"))};
    one.first()->calendarUid = kept;
    QCOMPARE(billFileBytes(one).toHex(),
             (recordsOnly(one) + oneFieldBlock(QStringLiteral("calendarUid"), kept.toRfc4122())).toHex());
    qDeleteAll(one);
    qDeleteAll(read.events);
    qDeleteAll(bills);
}

void tst_BillExtensions::paymentsOfAFile_data()
{
    QTest::addColumn<QList<int>>("perBill");
    QTest::addColumn<QList<int>>("firstDay"); // bill b pays on days firstDay[b], +1, ...
    QTest::addColumn<QList<int>>("kept");

    const int limit = PaymentRecord::MaximumPerFile;
    QTest::newRow("the limit in one bill") << QList<int>{limit} << QList<int>{0} << QList<int>{limit};
    QTest::newRow("one more in one bill") << QList<int>{limit + 1} << QList<int>{0} << QList<int>{limit};
    QTest::newRow("the limit in two bills") << QList<int>{limit - 1, 1} << QList<int>{0, 0} << QList<int>{limit - 1, 1};
    QTest::newRow("one more in two bills, the oldest in the second")
        << QList<int>{limit - 1, 2} << QList<int>{10, 0} << QList<int>{limit - 1, 1};
}

// A list holding more payments than a file may is written without the
// oldest paid, and the file stays readable by both readers.
void tst_BillExtensions::paymentsOfAFile()
{
    QFETCH(QList<int>, perBill);
    QFETCH(QList<int>, firstDay);
    QFETCH(QList<int>, kept);
    const QDate origin(2000, 1, 1);
    EventList bills;
    for (qsizetype b = 0; b < perBill.size(); ++b) {
        Event *paid = bill(QStringLiteral("Power"));
        for (int i = 0; i < perBill.at(b); ++i)
            paid->history.append({QDate(2026, 11, 30), origin.addDays(firstDay.at(b) + i),
                                  Money(100, QStringLiteral("EUR")), QString()});
        bills.append(paid);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.evt"));
    QVERIFY(saveEvents(bills, path));
    const BillFileRead read = readBillFile(path);
    QCOMPARE(read.state, BillFileState::Complete);
    QCOMPARE(read.events.size(), perBill.size());
    for (qsizetype b = 0; b < kept.size(); ++b) {
        const QList<PaymentRecord> &history = read.events.at(b)->history;
        QCOMPARE(history.size(), kept.at(b));
        // What is left are the newest, in their order.
        QCOMPARE(history.last().paidOn, origin.addDays(firstDay.at(b) + perBill.at(b) - 1));
    }
    BillFileStream stream(path);
    QCOMPARE(stream.check(), BillFileState::Complete);
    qDeleteAll(read.events);
    qDeleteAll(bills);
}

QTEST_GUILESS_MAIN(tst_BillExtensions)
#include "tst_billextensions.moc"
