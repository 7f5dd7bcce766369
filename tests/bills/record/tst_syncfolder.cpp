#include "billfile.h"
#include "conflictcopies.h"
#include "datafolder.h"
#include "eventstore.h"
#include "../../common/foldersync.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace foldersync;

class TestSyncFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void conflictCopyNames_data();
    void conflictCopyNames();
    void onlyRegularFilesAreOffered();
    void changesOnTwoMachines_data();
    void changesOnTwoMachines();
    void damagedCopyIsNotMerged();
    void dataFolderMoves();
};

void TestSyncFolder::conflictCopyNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("offered");
    QTest::newRow("Syncthing") << "events.sync-conflict-20261208-101500-ABCDEF2.evt" << true;
    QTest::newRow("Nextcloud") << "events (conflicted copy 2026-12-08 101500).evt" << true;
    QTest::newRow("Dropbox") << "events (Laptop's conflicted copy 2026-12-08).evt" << true;
    QTest::newRow("Dropbox, second") << "events (Laptop's conflicted copy 2026-12-08) (1).evt" << true;
    QTest::newRow("the file itself") << "events.evt" << false;
    QTest::newRow("kept damaged file") << "events.damaged-2026-12-07-155800.evt" << false;
    QTest::newRow("merged copy") << "events.sync-conflict-20261208-101500-ABCDEF2.evt.merged" << false;
    QTest::newRow("Syncthing, short device") << "events.sync-conflict-20261208-101500-ABC.evt" << false;
    QTest::newRow("Syncthing, lower case device") << "events.sync-conflict-20261208-101500-abcdef2.evt" << false;
    QTest::newRow("another file's copy") << "holidays.sync-conflict-20261208-101500-ABCDEF2.dat" << false;
    QTest::newRow("another extension") << "events (conflicted copy 2026-12-08 101500).txt" << false;
    QTest::newRow("bad date") << "events (conflicted copy 2026-12-8).evt" << false;
    QTest::newRow("brackets in the device") << "events (a(b) conflicted copy 2026-12-08).evt" << false;
}

void TestSyncFolder::conflictCopyNames()
{
    QFETCH(QString, name);
    QFETCH(bool, offered);
    QTemporaryDir dir;
    QVERIFY(putFile(dir.filePath(name), QByteArray(4, '\0')));
    const QStringList expected = offered ? QStringList{dir.filePath(name)} : QStringList();
    QCOMPARE(conflictCopies(dir.filePath(QStringLiteral("events.evt"))), expected);
}

void TestSyncFolder::onlyRegularFilesAreOffered()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("events.sync-conflict-20261208-101500-AAAAAAA.evt"));
    QVERIFY(putFile(file, QByteArray(4, '\0')));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("events.sync-conflict-20261208-101500-BBBBBBB.evt")));
    QVERIFY(QFile::link(file, dir.filePath(QStringLiteral("events.sync-conflict-20261208-101500-CCCCCCC.evt"))));
    QCOMPARE(conflictCopies(dir.filePath(QStringLiteral("events.evt"))), QStringList{file});
}

void TestSyncFolder::changesOnTwoMachines_data()
{
    QTest::addColumn<QStringList>("editsA");
    QTest::addColumn<QStringList>("editsB");
    QTest::addColumn<bool>("bothMerge"); // both merge before the next sync
    QTest::addColumn<QStringList>("expected");
    const QStringList unchanged{"Rent:3:0", "Power:3:0", "Water:3:0"};
    QTest::newRow("added on A, changed on B")
        << QStringList{"add:Phone"} << QStringList{"days:Power=9"} << false
        << QStringList{"Rent:3:0", "Power:9:0", "Water:3:0", "Phone:3:0"};
    QTest::newRow("added on A, changed on B, both merge")
        << QStringList{"add:Phone"} << QStringList{"days:Power=9"} << true
        << QStringList{"Rent:3:0", "Power:9:0", "Water:3:0", "Phone:3:0"};
    QTest::newRow("one bill, different parts")
        << QStringList{"days:Rent=9"} << QStringList{"date:Rent=12"} << false
        << QStringList{"Rent:9:12", "Power:3:0", "Water:3:0"};
    QTest::newRow("removed on A, changed on B")
        << QStringList{"remove:Water"} << QStringList{"date:Rent=5"} << false
        << QStringList{"Rent:3:5", "Power:3:0"};
    QTest::newRow("the same bill added on both")
        << QStringList{"add:Phone", "days:Rent=1"} << QStringList{"add:Phone"} << true
        << QStringList{"Rent:1:0", "Power:3:0", "Water:3:0", "Phone:3:0"};
    // Asked which stays (here: the one in the file), never kept twice.
    QTest::newRow("one name added differently on both")
        << QStringList{"add:Phone", "days:Phone=5"} << QStringList{"add:Phone"} << false
        << QStringList{"Rent:3:0", "Power:3:0", "Water:3:0", "Phone:3:0"};
}

void TestSyncFolder::changesOnTwoMachines()
{
    QFETCH(QStringList, editsA);
    QFETCH(QStringList, editsB);
    QFETCH(bool, bothMerge);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    QDir root(dir.path());
    for (const char *folder : {"syncA", "syncB", "privateA", "privateB"})
        QVERIFY(root.mkdir(QLatin1String(folder)));
    const Machine a{root.filePath(QStringLiteral("syncA")), root.filePath(QStringLiteral("privateA/ancestor.evt"))};
    const Machine b{root.filePath(QStringLiteral("syncB")), root.filePath(QStringLiteral("privateB/ancestor.evt"))};
    FolderSync sync(a.folder, b.folder);
    QDateTime now(QDate(2027, 3, 1), QTime(10, 0));

    a.edit({"add:Rent", "add:Power", "add:Water"});
    sync.sync(now);
    QCOMPARE(b.bills(), (QStringList{"Rent:3:0", "Power:3:0", "Water:3:0"}));

    // Both change their bills before the sync program gets to either.
    a.edit(editsA);
    QTest::qWait(20); // B's save is the newer one
    b.edit(editsB);
    sync.sync(now.addSecs(60));
    QCOMPARE(conflictCopies(a.billPath()).size(), 1);
    QCOMPARE(conflictCopies(b.billPath()).size(), 1);

    QCOMPARE(a.mergeCopies(), 1);
    if (bothMerge)
        QCOMPARE(b.mergeCopies(), 1);
    sync.sync(now.addSecs(120));
    if (!bothMerge)
        QCOMPARE(b.mergeCopies(), 0); // the copy was set aside on A, and so on B

    QCOMPARE(a.bills(), expected);
    QCOMPARE(b.bills(), expected);
    QCOMPARE(fileBytes(a.billPath()), fileBytes(b.billPath()));
    // The copies were set aside, not removed.
    const QStringList merged = QDir(a.folder).entryList({QStringLiteral("*.merged*")}, QDir::Files);
    QCOMPARE(merged.size(), 1);
    QVERIFY(QFileInfo::exists(QDir(b.folder).filePath(merged.first())));
}

void TestSyncFolder::damagedCopyIsNotMerged()
{
    QTemporaryDir dir;
    const Machine machine{dir.path(), dir.filePath(QStringLiteral("ancestor.evt"))};
    machine.edit({"add:Rent"});
    const QString copy = dir.filePath(QStringLiteral("events (conflicted copy 2027-03-01 100000).evt"));
    Event other;
    other.name = QStringLiteral("Phone");
    QByteArray bytes = billFileBytes({&other, &other});
    bytes.chop(3);
    QVERIFY(putFile(copy, bytes));

    BillFile file = machine.billFile();
    const EventList bills = file.load();
    QList<qsizetype> fromOurs;
    QString problem;
    QVERIFY(!file.mergeCopy(copy, bills, &fromOurs, &problem));
    QVERIFY(!problem.isEmpty());
    qDeleteAll(bills);
    QCOMPARE(fileBytes(copy), std::optional<QByteArray>(bytes));
    QCOMPARE(machine.bills(), QStringList{"Rent:3:0"});
}

void TestSyncFolder::dataFolderMoves()
{
    const QString defaultFolder = defaultDataFolderPath();
    QVERIFY(QDir().mkpath(defaultFolder));
    QVERIFY(putFile(eventsFilePath(), QByteArray("bills")));
    QVERIFY(putFile(settingsFilePath(), QByteArray("settings")));
    QTemporaryDir target;
    QStringList copied;
    QVERIFY(copyDataFiles(defaultFolder, target.path(), presentDataFiles(defaultFolder), &copied));
    QCOMPARE(copied, (QStringList{"events.evt", "settings.ini"}));
    QCOMPARE(fileBytes(target.filePath(QStringLiteral("events.evt"))), std::optional<QByteArray>("bills"));

    QVERIFY(setDataFolderPath(target.path()));
    QCOMPARE(eventsFilePath(), target.filePath(QStringLiteral("events.evt")));
    QCOMPARE(holidaysFilePath(), target.filePath(QStringLiteral("holidays.dat")));
    // A file already there is never replaced: nothing is copied.
    QString reason;
    QVERIFY(!copyDataFiles(defaultFolder, target.path(), presentDataFiles(defaultFolder), &copied, &reason));
    QVERIFY(copied.isEmpty());
    QCOMPARE(fileBytes(target.filePath(QStringLiteral("settings.ini"))), std::optional<QByteArray>("settings"));

    // A chosen folder that is gone (its drive not mounted) is not made anew.
    const QString gone = target.filePath(QStringLiteral("unmounted"));
    QVERIFY(setDataFolderPath(gone));
    QVERIFY(!saveEvents({}, eventsFilePath()));
    QVERIFY(!writeFileEntry(QByteArray("bills"), eventsFilePath(), &reason));
    QVERIFY2(reason.contains(QStringLiteral("is missing")), qPrintable(reason));
    QVERIFY(!QFileInfo::exists(gone));
    // The window says so at once rather than show an empty list as the user's.
    BillFile billFile(eventsFilePath());
    QVERIFY(billFile.load().isEmpty());
    QVERIFY2(billFile.notice().contains(QStringLiteral("is missing")), qPrintable(billFile.notice()));

    // A relative path in the settings is not taken.
    QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).setValue(QStringLiteral("DataFolder"), "sync");
    QCOMPARE(QFileInfo(eventsFilePath()).absolutePath(), QDir::cleanPath(defaultFolder));
    QVERIFY(setDataFolderPath(defaultFolder));
    QVERIFY(QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).value(QStringLiteral("DataFolder")).isNull());
}

QTEST_GUILESS_MAIN(TestSyncFolder)
#include "tst_syncfolder.moc"
