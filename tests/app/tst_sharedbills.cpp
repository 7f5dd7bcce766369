// Two machines, each with a home of its own, keep their data folder in a
// folder a sync program shares (their own copy of it). Each changes its
// bills, the sync makes a conflict copy, each merges what it finds; then
// the program itself, started in each home, lists the same bills from the
// moved folder.
#include "../common/foldersync.h"
#include "../common/programsandbox.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTest>

using namespace foldersync;
using programsandbox::ProgramSandbox;

namespace {

// What `Payvane --json` prints in the sandbox, as "name:reminder days" per bill.
QStringList listedBills(const ProgramSandbox &sandbox)
{
    QProcess process;
    sandbox.start(process, {QStringLiteral("--json")});
    if (!process.waitForFinished(programsandbox::endTimeoutMs) || process.exitCode() != 0)
        return {QStringLiteral("failed: ") + QString::fromUtf8(process.readAllStandardError())};
    QStringList bills;
    const QJsonArray listed = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
    for (const QJsonValue &bill : listed)
        bills << bill.toObject().value(QStringLiteral("name")).toString();
    bills.sort();
    return bills;
}

} // namespace

class tst_SharedBills : public QObject
{
    Q_OBJECT

private slots:
    void everyChangeArrivesOnBoth_data();
    void everyChangeArrivesOnBoth();
};

void tst_SharedBills::everyChangeArrivesOnBoth_data()
{
    QTest::addColumn<QStringList>("editsA");
    QTest::addColumn<QStringList>("editsB");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("added on A, removed on B")
        << QStringList{"add:Phone"} << QStringList{"remove:Water"} << QStringList{"Phone", "Power", "Rent"};
    QTest::newRow("added on both, one changed")
        << QStringList{"add:Phone", "days:Rent=1"} << QStringList{"add:Gym"}
        << QStringList{"Gym", "Phone", "Power", "Rent", "Water"};
}

void tst_SharedBills::everyChangeArrivesOnBoth()
{
    QFETCH(QStringList, editsA);
    QFETCH(QStringList, editsB);
    QFETCH(QStringList, expected);
    ProgramSandbox homeA;
    ProgramSandbox homeB;
    QVERIFY(QDir().mkpath(homeA.path(QStringLiteral("Sync"))));
    QVERIFY(QDir().mkpath(homeB.path(QStringLiteral("Sync"))));
    for (const ProgramSandbox *home : {&homeA, &homeB})
        QSettings(home->configPath(), QSettings::IniFormat).setValue(QStringLiteral("DataFolder"), home->path(QStringLiteral("Sync")));
    const Machine a{homeA.path(QStringLiteral("Sync")), homeA.path(QStringLiteral("cache/merge-ancestor.evt"))};
    const Machine b{homeB.path(QStringLiteral("Sync")), homeB.path(QStringLiteral("cache/merge-ancestor.evt"))};
    FolderSync sync(a.folder, b.folder);
    const QDateTime now(QDate(2027, 3, 1), QTime(10, 0));

    a.edit({"add:Rent", "add:Power", "add:Water"});
    sync.sync(now);
    a.edit(editsA);
    QTest::qWait(20); // B's save is the newer one
    b.edit(editsB);
    sync.sync(now.addSecs(60));
    QCOMPARE(conflictCopies(b.billPath()).size(), 1);
    QCOMPARE(b.mergeCopies(), 1);
    sync.sync(now.addSecs(120));
    QCOMPARE(a.mergeCopies(), 0);

    QCOMPARE(listedBills(homeA), expected);
    QCOMPARE(listedBills(homeB), expected);
    // Read from the moved folder: the default one holds no bills.
    QVERIFY(!QFileInfo::exists(homeA.eventsPath()));
}

QTEST_GUILESS_MAIN(tst_SharedBills)
#include "tst_sharedbills.moc"
