#include "billbytes.h"
#include "billfilestream.h"
#include "eventstore.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(BillFileState)

namespace {

// Three records as the format's tables give them, with every field set.
QByteArray threeRecordFile(qint32 count = 3)
{
    BillBytes bytes;
    bytes.int32(count);
    bytes.string(QStringLiteral("Rent"))
        .int32(0).day(2461380).int32(2).day(0)
        .booleans("0000000").boolean(1).int32(1).booleans("000000000000").boolean(0)
        .boolean(1).int32(5).boolean(1).day(2461379).int32(1);
    bytes.string(QStringLiteral("Car tax"))
        .int32(1).day(2461500).int32(0).day(2461500)
        .booleans("0000000").boolean(0).int32(1).booleans("000000000000").boolean(0)
        .boolean(0).int32(0).boolean(0).day(0).int32(0);
    bytes.string(QString())
        .int32(2).day(2470000).int32(3).day(0)
        .booleans("0010001").boolean(0).int32(3).booleans("010000000010").boolean(1)
        .boolean(1).int32(99).boolean(0).day(0).int32(14);
    return bytes.bytes();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The records as the record's own stream form reads them (event.h), and the
// damage that shows: the yardstick for the file reader, which decodes the
// bytes itself. Records only; no extension block.
BillFileRead readThroughRecordStream(const QByteArray &bytes)
{
    BillFileRead read;
    read.state = BillFileState::Damaged;
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_2);
    qint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok) {
        read.problem = QStringLiteral("it ends before its first record");
        return read;
    }
    if (count < 0) {
        read.problem = QStringLiteral("its record count is negative");
        return read;
    }
    for (qint32 i = 0; i < count; ++i) {
        auto *event = new Event;
        stream >> *event;
        if (stream.status() != QDataStream::Ok) {
            delete event;
            read.problem = stream.status() == QDataStream::ReadCorruptData ? QStringLiteral("a record in it is damaged")
                                                                          : QStringLiteral("it ends inside a record");
            return read;
        }
        read.events.append(event);
    }
    if (stream.atEnd())
        read.state = BillFileState::Complete;
    return read;
}

} // namespace

class tst_EventStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void pathsLiveInTheDataFolder();
    void firstRunLoadsNothingAndSavesFourBytes();
    void loadsHandAssembledFile();
    void roundTripKeepsOrderAndFields();
    void damagedFiles_data();
    void damagedFiles();
    void hugeCountLoadsAtItsRealSize();
    void everyCutReadsAsTheRecordStream_data();
    void everyCutReadsAsTheRecordStream();
    void exportCreatesMissingFolders();
    void failedSaveKeepsOldFile();
    void saveIntoFolderThatIsAFileFails();

private:
    QTemporaryDir m_dir;
};

void tst_EventStore::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QVERIFY(m_dir.isValid());
}

void tst_EventStore::init()
{
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
}

void tst_EventStore::pathsLiveInTheDataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QVERIFY(folder.endsWith(QStringLiteral("Tervona/Payvane")));
    QCOMPARE(eventsFilePath(), folder + QDir::separator() + QStringLiteral("events.evt"));
    QCOMPARE(settingsFilePath(), folder + QDir::separator() + QStringLiteral("settings.ini"));
}

void tst_EventStore::firstRunLoadsNothingAndSavesFourBytes()
{
    QVERIFY(!QFile::exists(eventsFilePath()));
    const EventList events = loadEvents(eventsFilePath());
    QVERIFY(events.isEmpty());
    QVERIFY(saveEvents(events, eventsFilePath()));
    QCOMPARE(readFile(eventsFilePath()).toHex(), QByteArray("00000000"));
}

void tst_EventStore::loadsHandAssembledFile()
{
    const QString path = m_dir.filePath(QStringLiteral("three.evt"));
    QVERIFY(writeFile(path, threeRecordFile()));
    const EventList events = loadEvents(path);
    QCOMPARE(events.size(), 3);

    const Event &rent = *events.at(0);
    QCOMPARE(rent.name, QStringLiteral("Rent"));
    QCOMPARE(rent.endMode, int(Event::EndNever));
    QCOMPARE(rent.endDate, QDate::fromJulianDay(2461380));
    QCOMPARE(rent.schedule, int(Event::ScheduleMonthly));
    QVERIFY(rent.eventDate.isNull());
    QVERIFY(!rent.anyWeekdaySelected());
    QVERIFY(rent.byDay);
    QCOMPARE(rent.ordinal, 1);
    QVERIFY(rent.notify);
    QCOMPARE(rent.notifyDays, 5);
    QVERIFY(rent.showOnce);
    QCOMPARE(rent.lastNotified, QDate::fromJulianDay(2461379));
    QCOMPARE(rent.notifyAgainDays, 1);

    const Event &tax = *events.at(1);
    QCOMPARE(tax.name, QStringLiteral("Car tax"));
    QCOMPARE(tax.schedule, int(Event::ScheduleSingular));
    QCOMPARE(tax.eventDate, QDate::fromJulianDay(2461500));
    QCOMPARE(tax.endDate, tax.eventDate);
    QVERIFY(!tax.notify);

    const Event &third = *events.at(2);
    QVERIFY(third.name.isNull());
    QCOMPARE(third.endMode, int(Event::EndOnDate));
    QCOMPARE(third.schedule, int(Event::ScheduleYearly));
    QCOMPARE(third.weekdays, (std::array<bool, 7>{false, false, true, false, false, false, true}));
    QCOMPARE(third.ordinal, 3);
    QCOMPARE(third.months,
             (std::array<bool, 12>{false, true, false, false, false, false, false, false, false, false, true, false}));
    QVERIFY(third.byYear);
    QCOMPARE(third.notifyDays, 99);
    QCOMPARE(third.notifyAgainDays, 14);

    // Saved again, the file is the same byte for byte.
    const QString again = m_dir.filePath(QStringLiteral("again.evt"));
    QVERIFY(saveEvents(events, again));
    QCOMPARE(readFile(again).toHex(), threeRecordFile().toHex());
    qDeleteAll(events);
}

void tst_EventStore::roundTripKeepsOrderAndFields()
{
    EventList events;
    for (int i = 0; i < 3; ++i) {
        auto *event = new Event;
        event->name = QStringLiteral("Bill %1").arg(i);
        event->schedule = i;
        event->ordinal = i + 1;
        event->weekdays[std::size_t(i)] = true;
        event->endDate = QDate(2027, 1, 1 + i);
        events.append(event);
    }
    QVERIFY(saveEvents(events, eventsFilePath()));
    const EventList back = loadEvents(eventsFilePath());
    QCOMPARE(back.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(back.at(i)->name, events.at(i)->name);
        QCOMPARE(back.at(i)->schedule, i);
        QCOMPARE(back.at(i)->ordinal, i + 1);
        QCOMPARE(back.at(i)->weekdays, events.at(i)->weekdays);
        QCOMPARE(back.at(i)->endDate, events.at(i)->endDate);
    }
    qDeleteAll(events);
    qDeleteAll(back);
}

void tst_EventStore::damagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<BillFileState>("state");

    const QByteArray three = threeRecordFile();
    const QStringList all = {QStringLiteral("Rent"), QStringLiteral("Car tax"), QString()};
    const auto damaged = BillFileState::Damaged;
    QTest::newRow("whole file") << three << all << BillFileState::Complete;
    QTest::newRow("no records") << QByteArray::fromHex("00000000") << QStringList() << BillFileState::Complete;
    QTest::newRow("empty file") << QByteArray() << QStringList() << damaged;
    QTest::newRow("count cut short") << QByteArray::fromHex("0000") << QStringList() << damaged;
    QTest::newRow("count zero, records follow") << threeRecordFile(0) << QStringList() << damaged;
    QTest::newRow("negative count") << threeRecordFile(-1) << QStringList() << damaged;
    QTest::newRow("negative count alone") << QByteArray::fromHex("ffffffff") << QStringList() << damaged;
    QTest::newRow("count below records present") << threeRecordFile(2) << all.mid(0, 2) << damaged;
    QTest::newRow("count above records present") << threeRecordFile(5) << all << damaged;
    QTest::newRow("one stray byte after the records") << three + '\0' << all << damaged;
    QTest::newRow("last record cut in its last field") << three.chopped(1) << all.mid(0, 2) << damaged;
    QTest::newRow("cut inside the first name") << three.left(10) << QStringList() << damaged;
    QTest::newRow("odd name length") << QByteArray::fromHex("00000001" "00000003" "004100") << QStringList() << damaged;
    QTest::newRow("name longer than the file") << QByteArray::fromHex("00000001" "7ffffffe" "0041") << QStringList() << damaged;
    QTest::newRow("name length just past the end")
        << BillBytes().int32(1).int32(60).raw(QByteArray(59, 'a')).bytes() << QStringList() << damaged;
    QTest::newRow("garbage") << QByteArray("this is not a bill file at all, just text") << QStringList() << damaged;
    Event every;
    every.name = QStringLiteral("Gym");
    every.schedule = Event::ScheduleMonthly;
    every.options.every = 3;
    every.options.everyFrom = QDate(2027, 1, 1);
    every.amount = Money(4250, QStringLiteral("EUR"));
    Event plain;
    plain.name = QStringLiteral("Tax");
    const QByteArray extended = billFileBytes({&every, &plain});
    const QStringList extendedNames = {QStringLiteral("Gym"), QStringLiteral("Tax")};
    QTest::newRow("extension block") << extended << extendedNames << BillFileState::Complete;
    QTest::newRow("extension block cut") << extended.chopped(1) << extendedNames << damaged;
    QTest::newRow("extension block, stray byte") << extended + '\0' << extendedNames << damaged;
    QTest::newRow("unknown data after the records") << three + "PVNY" << all << damaged;
}

void tst_EventStore::damagedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QFETCH(BillFileState, state);
    const QString path = m_dir.filePath(QStringLiteral("damaged.evt"));
    QVERIFY(writeFile(path, bytes));
    const BillFileRead read = readBillFile(path);
    QStringList loaded;
    for (const Event *event : read.events)
        loaded.append(event->name);
    QCOMPARE(loaded, names);
    QCOMPARE(read.state, state);
    QCOMPARE(read.problem.isEmpty(), state == BillFileState::Complete);

    // Read a bill at a time: the same judgement, and the same bills.
    BillFileStream stream(path);
    QCOMPARE(stream.check(), state);
    QCOMPARE(stream.problem(), read.problem);
    EventList streamed;
    for (Event event; stream.next(&event);)
        streamed.append(new Event(event));
    QCOMPARE(billFileBytes(streamed), state == BillFileState::Complete ? billFileBytes(read.events) : billFileBytes({}));
    qDeleteAll(streamed);
    qDeleteAll(read.events);
}

void tst_EventStore::hugeCountLoadsAtItsRealSize()
{
    const QString path = m_dir.filePath(QStringLiteral("huge.evt"));
    QVERIFY(writeFile(path, threeRecordFile(2147483647)));
    QElapsedTimer timer;
    timer.start();
    const EventList events = loadEvents(path);
    QCOMPARE(events.size(), 3);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed()) + " ms"));
    qDeleteAll(events);
}

void tst_EventStore::everyCutReadsAsTheRecordStream_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("three records") << threeRecordFile();
    BillBytes odd;
    odd.int32(2).string(QStringLiteral("Gas"))
        .int32(0).day(1).int32(1).day(0xffffffffLL)
        .booleans("1000000").boolean(0).int32(-7).booleans("000000000001").boolean(0)
        .boolean(1).int32(0).boolean(0).day(0).int32(0);
    odd.int32(5).raw(QByteArray::fromHex("0041004200"));
    QTest::newRow("odd name length in the second record") << odd.bytes();
    BillBytes unusual;
    unusual.int32(2).string(QLatin1String("")).int32(7).day(0).int32(-1).day(2461000)
        .boolean(2).boolean(char(0xff)).booleans("00000").boolean(char(0x80)).int32(2147483647)
        .booleans("100000000000").boolean(3).boolean(4).int32(-2147483647 - 1).boolean(5).day(2461001).int32(-3);
    unusual.string(QString::fromUtf16(u"\u00e9\U0001F4B6\uFFFF")).int32(1).day(1).int32(3).day(2)
        .booleans("1111111").boolean(1).int32(1).booleans("111111111111").boolean(1)
        .boolean(1).int32(1).boolean(1).day(3).int32(1);
    QTest::newRow("empty and astral names, flags beyond 0 and 1") << unusual.bytes();
}

void tst_EventStore::everyCutReadsAsTheRecordStream()
{
    QFETCH(QByteArray, bytes);
    // Cut at every length: the same records with the same fields, the same
    // state and the same reason.
    for (qsizetype length = 0; length <= bytes.size(); ++length) {
        const QByteArray cut = bytes.left(length);
        QBuffer buffer;
        buffer.setData(cut);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const BillFileRead read = readBillFile(buffer);
        const BillFileRead expected = readThroughRecordStream(cut);
        const QByteArray at = "cut at " + QByteArray::number(length);
        QVERIFY2(read.events.size() == expected.events.size(), at);
        QVERIFY2(billFileBytes(read.events) == billFileBytes(expected.events), at);
        QVERIFY2(read.state == expected.state, at);
        QVERIFY2(read.problem == expected.problem, at + ": " + read.problem.toUtf8());
        qDeleteAll(read.events);
        qDeleteAll(expected.events);
    }
}

void tst_EventStore::exportCreatesMissingFolders()
{
    const QString path = m_dir.filePath(QStringLiteral("new/deeper/export.evt"));
    Event event;
    event.name = QStringLiteral("Phone");
    QVERIFY(saveEvents({&event}, path));
    const EventList back = loadEvents(path);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back.first()->name, QStringLiteral("Phone"));
    qDeleteAll(back);
}

void tst_EventStore::failedSaveKeepsOldFile()
{
    // A disk that fills up during the write: the file size limit makes the
    // write fail the same way, and works for root too.
    const QString path = m_dir.filePath(QStringLiteral("full.evt"));
    const QByteArray old = threeRecordFile();
    QVERIFY(writeFile(path, old));

    EventList many;
    for (int i = 0; i < 500; ++i) {
        auto *event = new Event;
        event->name = QStringLiteral("A bill with a longish description number %1").arg(i);
        many.append(event);
    }

    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    QString error;
    const bool saved_ok = saveEvents(many, path, &error);

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    qDeleteAll(many);

    QVERIFY(!saved_ok);
    // The system's own reason, not a generic one.
    QCOMPARE(error, qt_error_string(EFBIG));
    QCOMPARE(readFile(path).toHex(), old.toHex());
    // No temporary file is left behind.
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("full.evt*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("full.evt")});
}

void tst_EventStore::saveIntoFolderThatIsAFileFails()
{
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    QVERIFY(writeFile(blocker, "x"));
    QString error;
    QVERIFY(!saveEvents({}, blocker + QStringLiteral("/sub/events.evt"), &error));
    QVERIFY(error.contains(QStringLiteral("blocker")));
    QCOMPARE(readFile(blocker), QByteArray("x"));
}

QTEST_GUILESS_MAIN(tst_EventStore)
#include "tst_eventstore.moc"
