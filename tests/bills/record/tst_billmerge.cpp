#include "billfile.h"
#include "billmerge.h"
#include "eventstore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QStringList BaseNames = {"Rent", "Gas", "Power", "Water", "Phone", "Internet", "Insurance", "Car tax", "Gym", "Cloud"};

Event *monthlyBill(const QString &name, int day)
{
    auto *bill = new Event;
    bill->name = name;
    bill->schedule = Event::ScheduleMonthly;
    bill->byDay = true;
    bill->ordinal = day;
    bill->endDate = QDate(2026, 1, 1);
    bill->notify = true;
    bill->notifyDays = 5;
    bill->showOnce = true;
    return bill;
}

Event *findBill(const EventList &bills, const QString &name)
{
    for (Event *bill : bills) {
        if (bill->name == name)
            return bill;
    }
    return nullptr;
}

// Changes written as "Rent:paid;Gas-;+Boat;Gas>Heating": a payment, a
// recorded payment ("pay3": paid on 3 December), a reminder mark, an extra reminder that fired, reminder days, an amount,
// a calendar UID; removed;
// added; renamed. `file` is told of
// records replaced and removed, as the main window tells it.
void apply(EventList &bills, const QString &changes, BillFile *file = nullptr)
{
    for (const QString &change : changes.split(u';', Qt::SkipEmptyParts)) {
        if (change.startsWith(u'+')) {
            bills.append(monthlyBill(change.mid(1), 15));
            continue;
        }
        if (change.endsWith(u'-')) {
            Event *bill = findBill(bills, change.chopped(1));
            QVERIFY(bill);
            if (file)
                file->recordRemoved(bill);
            bills.removeOne(bill);
            delete bill;
            continue;
        }
        const qsizetype rename = change.indexOf(u'>');
        const QString name = change.left(rename >= 0 ? rename : change.indexOf(u':'));
        Event *bill = findBill(bills, name);
        QVERIFY2(bill, qPrintable(change));
        const QString what = change.mid(name.size() + 1);
        if (rename >= 0) {
            bill->name = what;
        } else if (what == QLatin1String("paid")) {
            bill->payments = {QDate(2026, 1, 1), QDate(2026, 12, 1), QDate(2026, 12, 3)};
        } else if (what == QLatin1String("marked")) {
            bill->lastNotified = QDate(2026, 12, 5);
            bill->notifyAgainDays = 2;
        } else if (what == QLatin1String("fired")) {
            ExtraReminder fired;
            fired.days = 3;
            fired.firedFor = QDate(2026, 12, 15);
            bill->extraReminders = {fired};
        } else if (what.startsWith(QLatin1String("pay"))) {
            // A payment recorded on the day of December its number names.
            bill->history.append({QDate(2026, 12, 1), QDate(2026, 12, what.mid(3).toInt()),
                                  Money(100, QStringLiteral("EUR")), QString()});
        } else if (what == QLatin1String("amount")) {
            bill->amount = Money(12345, QStringLiteral("EUR"));
        } else if (what == QLatin1String("uid")) {
            bill->calendarUid = QUuid::createUuidV5(QUuid(), bill->name);
        } else if (what.startsWith(QLatin1String("days"))) {
            // As the editor does: a new record in place of the old one.
            auto *edited = new Event(*bill);
            edited->notifyDays = what.mid(4).toInt();
            if (file)
                file->recordReplaced(bill, edited);
            bills[bills.indexOf(bill)] = edited;
            delete bill;
        } else {
            QFAIL(qPrintable(change));
        }
    }
}

QString described(const Event &bill)
{
    QStringList parts{bill.name};
    if (bill.notifyDays != 5)
        parts << QStringLiteral("days%1").arg(bill.notifyDays);
    if (bill.lastNotified.isValid())
        parts << QStringLiteral("marked");
    if (bill.payments.isTracking())
        parts << QStringLiteral("paid");
    if (!bill.amount.isNull())
        parts << QStringLiteral("amount");
    if (!bill.extraReminders.isEmpty())
        parts << QStringLiteral("fired");
    if (bill.calendarUid == QUuid::createUuidV5(QUuid(), bill.name))
        parts << QStringLiteral("uid");
    for (const PaymentRecord &payment : bill.history)
        parts << QStringLiteral("pay%1").arg(payment.paidOn.day());
    return parts.join(u' ');
}

QStringList described(const EventList &bills)
{
    QStringList lines;
    for (const Event *bill : bills)
        lines << described(*bill);
    lines.sort();
    return lines;
}

EventList baseBills()
{
    EventList bills;
    for (int i = 0; i < BaseNames.size(); ++i)
        bills.append(monthlyBill(BaseNames.at(i), i + 1));
    return bills;
}

struct FileIdentity
{
    ino_t inode = 0;
    QByteArray bytes;
};

FileIdentity identity(const QString &path)
{
    FileIdentity id;
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0)
        id.inode = info.st_ino;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        id.bytes = file.readAll();
    return id;
}

} // namespace

class tst_BillMerge : public QObject
{
    Q_OBJECT

private slots:
    void secondWriterKeepsEveryChange_data();
    void secondWriterKeepsEveryChange();
    void partsOfOneBill();
};

// Two processes read the file; the other one writes its changes first (the
// automatic start, the notification process, a sync program replacing the
// file), then this one saves.
void tst_BillMerge::secondWriterKeepsEveryChange_data()
{
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("ours");
    QTest::addColumn<int>("answer"); // a BillChoice, or -1: the automatic start's
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("decided");
    QTest::addColumn<bool>("writesNothing");

    const int automatic = -1;
    const int ours = int(BillChoice::Ours);
    const int theirs = int(BillChoice::Theirs);
    const int both = int(BillChoice::Both);
    // The three sequences.
    QTest::newRow("(a) paid meanwhile, nothing changed here")
        << "Rent:paid" << "" << automatic << "Rent:paid" << 0 << true;
    QTest::newRow("(a) paid and reminded meanwhile, other bills changed here")
        << "Rent:paid;Gas:marked" << "Water:days9;Phone-" << automatic << "Rent:paid;Gas:marked;Water:days9;Phone-" << 0
        << false;
    QTest::newRow("(b) replaced with one bill more") << "+Heating" << "Gas:days9" << ours << "+Heating;Gas:days9" << 0 << false;
    QTest::newRow("(c) same part changed, the window keeps the other")
        << "Rent:days7" << "Rent:days9" << theirs << "Rent:days7" << 1 << false;
    QTest::newRow("(c) same part changed, the window keeps its own")
        << "Rent:days7" << "Rent:days9" << ours << "Rent:days9" << 1 << false;
    QTest::newRow("(c) different parts changed, the window keeps both")
        << "Rent:paid" << "Rent:days9" << both << "Rent:paid;Rent:days9" << 1 << false;
    // Changed, removed and added on one side or both.
    QTest::newRow("replaced with one bill less") << "Gym-" << "Rent:amount" << ours << "Gym-;Rent:amount" << 0 << false;
    QTest::newRow("removed here, unchanged there") << "Rent:paid" << "Gas-" << ours << "Rent:paid;Gas-" << 0 << false;
    QTest::newRow("changed on both sides alike") << "Rent:paid" << "Rent:paid" << ours << "Rent:paid" << 0 << false;
    QTest::newRow("added alike on both sides") << "+Boat" << "+Boat" << ours << "+Boat" << 0 << false;
    QTest::newRow("added differently on both sides") << "+Boat" << "+Bike" << ours << "+Boat;+Bike" << 0 << false;
    QTest::newRow("renamed there, nothing changed here") << "Gas>Heating" << "" << ours << "Gas>Heating" << 0 << true;
    QTest::newRow("renamed there, changed here: removed and added")
        << "Gas>Heating" << "Gas:days9" << theirs << "Gas>Heating" << 1 << false;
    QTest::newRow("removed here, paid there: the window keeps it")
        << "Gas:paid" << "Gas-" << theirs << "Gas:paid" << 1 << false;
    // The automatic start asks nobody.
    QTest::newRow("automatic: reminded here, paid there")
        << "Rent:paid" << "Rent:marked" << automatic << "Rent:paid;Rent:marked" << 1 << false;
    QTest::newRow("automatic: same part changed, its own wins")
        << "Rent:days7;Rent:paid" << "Rent:days9;Rent:marked" << automatic << "Rent:days9;Rent:marked;Rent:paid" << 1
        << false;
    QTest::newRow("automatic: extra reminder fired there, reminded and paid here")
        << "Rent:fired" << "Rent:marked;Rent:paid" << automatic << "Rent:fired;Rent:marked;Rent:paid" << 1 << false;
    QTest::newRow("payments recorded on both sides: both kept, the one both recorded once")
        << "Rent:pay2;Rent:pay3" << "Rent:pay2;Rent:pay4" << automatic << "Rent:pay2;Rent:pay4;Rent:pay3" << 1 << false;
    QTest::newRow("automatic: calendar UID given there, reminded here")
        << "Rent:uid" << "Rent:marked" << automatic << "Rent:uid;Rent:marked" << 1 << false;
    QTest::newRow("automatic: removed there, reminded here") << "Gas-" << "Gas:marked" << automatic << "Gas-" << 1 << false;
}

void tst_BillMerge::secondWriterKeepsEveryChange()
{
    QFETCH(QString, theirs);
    QFETCH(QString, ours);
    QFETCH(int, answer);
    QFETCH(QString, expected);
    QFETCH(int, decided);
    QFETCH(bool, writesNothing);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.evt"));
    const EventList base = baseBills();
    QVERIFY(saveEvents(base, path));

    BillFile mine(path);
    EventList myBills = mine.load();
    int asked = 0;
    mine.setConflictResolver([&asked, answer](const BillConflict &conflict) {
        ++asked;
        return answer < 0 ? automaticBillChoice(conflict) : BillChoice(answer);
    });
    BillFile other(path);
    EventList otherBills = other.load();
    apply(otherBills, theirs, &other);
    QVERIFY(other.save(otherBills));
    const FileIdentity written = identity(path);

    apply(myBills, ours, &mine);
    QString reason;
    QVERIFY2(mine.save(myBills, &reason), qPrintable(reason));

    EventList expectedBills = baseBills();
    apply(expectedBills, expected);
    const EventList result = loadEvents(path);
    QCOMPARE(described(result), described(expectedBills));
    QCOMPARE(asked, decided);
    const FileIdentity now = identity(path);
    QCOMPARE(now.inode == written.inode && now.bytes == written.bytes, writesNothing);
    // Bills are matched by what they are: nothing is added to the file to
    // tell them apart, which stays as the bills alone would be written.
    QCOMPARE(now.bytes, billFileBytes(result));
    // A second save finds the merge on disk and keeps it.
    QVERIFY(mine.save(myBills));
    const EventList again = loadEvents(path);
    QCOMPARE(described(again), described(expectedBills));

    for (const EventList &list : {base, myBills, otherBills, expectedBills, result, again})
        qDeleteAll(list);
}

void tst_BillMerge::partsOfOneBill()
{
    // Parts that both sides changed, to different values, are the only ones
    // that keep two changes from fitting in one bill; a newer version's
    // fields count one by one.
    std::unique_ptr<Event> base(monthlyBill(QStringLiteral("Rent"), 1));
    base->unknownFields.insert(QStringLiteral("x-colour"), "red");
    Event mine = *base;
    Event theirs = *base;
    mine.notifyDays = 9;
    mine.unknownFields.insert(QStringLiteral("x-colour"), "blue");
    theirs.payments.trackedSince = QDate(2026, 1, 1);
    theirs.unknownFields.insert(QStringLiteral("x-note"), "from a newer version");
    QVERIFY(separateBillChanges(*base, mine, theirs));
    Event merged = mergedBillParts(*base, mine, theirs);
    QCOMPARE(merged.notifyDays, 9);
    QCOMPARE(merged.payments.trackedSince, QDate(2026, 1, 1));
    QCOMPARE(merged.unknownFields.value(QStringLiteral("x-colour")), QByteArray("blue"));
    QCOMPARE(merged.unknownFields.value(QStringLiteral("x-note")), QByteArray("from a newer version"));

    theirs.unknownFields.remove(QStringLiteral("x-colour"));
    QVERIFY(!separateBillChanges(*base, mine, theirs));
    theirs.unknownFields.insert(QStringLiteral("x-colour"), "red");
    theirs.weekdays[0] = true; // the schedule, which the reminder days leave alone
    QVERIFY(separateBillChanges(*base, mine, theirs));
    QCOMPARE(mergedBillParts(*base, mine, theirs).weekdays[0], true);
}

QTEST_GUILESS_MAIN(tst_BillMerge)
#include "tst_billmerge.moc"
