#include "billbytes.h"
#include "billfile.h"
#include "eventstore.h"
#include "settingsfiles.h"
#include "../../common/unprivileged.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/types.h>

namespace {

QByteArray oneBillFile(qint32 count = 1)
{
    BillBytes bytes;
    bytes.int32(count);
    bytes.string(QStringLiteral("Rent"))
        .int32(0).day(2461380).int32(2).day(0)
        .booleans("0000000").boolean(1).int32(1).booleans("000000000000").boolean(0)
        .boolean(1).int32(5).boolean(1).day(2461379).int32(1);
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

bool setMode(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

int recordCount(const QString &path)
{
    const EventList events = loadEvents(path);
    qDeleteAll(events);
    return int(events.size());
}

Event *bill(const QString &name)
{
    auto *event = new Event;
    event->name = name;
    return event;
}

// What is at a path, links not followed.
QString entryKind(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("nothing");
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("link");
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("folder");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("FIFO");
    return S_ISREG(info.st_mode) ? QStringLiteral("file") : QStringLiteral("other");
}

// Puts `kind` at `path`: a file of junk, a folder, a FIFO, or a link to a
// file or a FIFO in `elsewhere` (a folder of someone else's).
bool plant(const QString &kind, const QString &path, const QString &elsewhere)
{
    const QString victim = QDir(elsewhere).filePath(QStringLiteral("victim"));
    if (kind == QLatin1String("junk"))
        return writeFile(path, "Dear diary, today I paid the rent.");
    if (kind == QLatin1String("folder"))
        return QDir().mkdir(path);
    if (kind == QLatin1String("FIFO"))
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (kind == QLatin1String("link to a file"))
        return writeFile(victim, oneBillFile()) && QFile::link(victim, path);
    if (kind == QLatin1String("link to a FIFO"))
        return ::mkfifo(QFile::encodeName(victim).constData(), 0600) == 0 && QFile::link(victim, path);
    return false;
}

} // namespace

class tst_BillFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void completeFileIsHandledAsBefore();
    void missingFileIsAFirstRun();
    void incompleteFileIsKeptBeforeSave_data();
    void incompleteFileIsKeptBeforeSave();
    void unreadableFileIsKeptWithoutReadingIt();
    void fifoIsRefusedAtOnce();
    void saveIsRefusedWhenTheFileCannotBeKept();
    void keptNamesNeverCollide();
    void leftoversOfInterruptedSavesAreRemoved();
    void readOnlyFolderWritesInPlace();
    void somethingElseInPlaceAtSave_data();
    void somethingElseInPlaceAtSave();
    void ownLinkIsWrittenThrough();
    void specialSettingsFilesAreSetAside_data();
    void specialSettingsFilesAreSetAside();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("events.evt")); }
    QStringList folderEntries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_home; // the settings tests' own home, never the shared test folders
};

void tst_BillFile::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    QStandardPaths::setTestModeEnabled(true);
}

void tst_BillFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(Unprivileged::handOver(m_dir->path()));
}

void tst_BillFile::cleanup()
{
    // A folder left read-only by a test must still be removable.
    setMode(m_dir->path(), 0755);
    m_dir.reset();
}

void tst_BillFile::completeFileIsHandledAsBefore()
{
    QVERIFY(writeFile(path(), oneBillFile()));
    BillFile file(path());
    const EventList events = file.load();
    QCOMPARE(events.size(), 1);
    QCOMPARE(file.state(), BillFileState::Complete);
    QVERIFY(!file.needsKeeping());
    QVERIFY(file.notice().isEmpty());

    EventList changed = events;
    changed.append(bill(QStringLiteral("Gas")));
    QVERIFY(file.save(changed));
    QCOMPARE(folderEntries(), QStringList{QStringLiteral("events.evt")});
    QCOMPARE(recordCount(path()), 2);
    qDeleteAll(changed);
}

void tst_BillFile::missingFileIsAFirstRun()
{
    BillFile file(path());
    QVERIFY(file.load().isEmpty());
    QCOMPARE(file.state(), BillFileState::Missing);
    QVERIFY(file.notice().isEmpty());
    QVERIFY(file.save({}));
    QCOMPARE(readFile(path()).toHex(), QByteArray("00000000"));
}

void tst_BillFile::incompleteFileIsKeptBeforeSave_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("records");

    QByteArray negativeCountThenRecords = BillBytes().int32(-1).bytes();
    for (int i = 0; i < 20000; ++i)
        negativeCountThenRecords += oneBillFile().mid(4);
    QTest::newRow("cut off") << oneBillFile().chopped(3) << 0;
    QTest::newRow("not a bill file") << QByteArray("Dear diary, today I paid the rent.") << 0;
    QTest::newRow("count -1, 20000 records follow") << negativeCountThenRecords << 0;
    QTest::newRow("count 0, a record follows") << oneBillFile(0) << 0;
    QTest::newRow("count above the records") << oneBillFile(2) << 1;
    QTest::newRow("empty file") << QByteArray() << 0;
}

void tst_BillFile::incompleteFileIsKeptBeforeSave()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, records);
    QVERIFY(writeFile(path(), bytes));

    BillFile file(path());
    const EventList events = file.load();
    QCOMPARE(events.size(), records);
    QCOMPARE(file.state(), BillFileState::Damaged);
    QVERIFY(file.needsKeeping());
    QVERIFY(file.notice().contains(QDir::toNativeSeparators(path())));

    QVERIFY(file.save(events));
    const QString kept = file.keptPath();
    QVERIFY(kept.contains(QStringLiteral("events.damaged-")));
    QVERIFY(kept.endsWith(QStringLiteral(".evt")));
    QCOMPARE(readFile(kept), bytes);
    QCOMPARE(recordCount(path()), records);
    // The sentence now says where the file is.
    QVERIFY(file.notice().contains(QDir::toNativeSeparators(kept)));
    // A second save keeps nothing more.
    QVERIFY(file.save(events));
    QCOMPARE(folderEntries().size(), 2);
    qDeleteAll(events);
}

void tst_BillFile::unreadableFileIsKeptWithoutReadingIt()
{
    const QByteArray bytes = oneBillFile();
    Unprivileged user;
    QVERIFY(user.enforced());
    QVERIFY(writeFile(path(), bytes));
    QVERIFY(setMode(path(), 0200));

    BillFile file(path());
    QVERIFY(file.load().isEmpty());
    QCOMPARE(file.state(), BillFileState::Unreadable);
    QCOMPARE(file.problem(), QStringLiteral("Permission denied"));
    QVERIFY(file.save({}));
    QVERIFY(setMode(file.keptPath(), 0600));
    QCOMPARE(readFile(file.keptPath()), bytes);
    QCOMPARE(readFile(path()).toHex(), QByteArray("00000000"));
}

void tst_BillFile::fifoIsRefusedAtOnce()
{
    QVERIFY(::mkfifo(QFile::encodeName(path()).constData(), 0600) == 0);
    QElapsedTimer timer;
    timer.start();
    BillFile file(path());
    QVERIFY(file.load().isEmpty());
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(file.state(), BillFileState::Unreadable);
    QCOMPARE(file.problem(), QStringLiteral("it is not a regular file"));

    // The bills are saved into a new regular file; the FIFO is kept aside.
    QVERIFY(file.save({}));
    QVERIFY(QFileInfo(file.keptPath()).exists());
    QVERIFY(QFileInfo(path()).isFile());
}

void tst_BillFile::saveIsRefusedWhenTheFileCannotBeKept()
{
    const QByteArray damaged = oneBillFile().chopped(1);
    Unprivileged user;
    QVERIFY(user.enforced());
    QVERIFY(writeFile(path(), damaged));
    BillFile file(path());
    qDeleteAll(file.load());
    // The folder takes no new name, so the file cannot be kept aside; the
    // file itself would be writable in place, which must not happen now.
    QVERIFY(setMode(m_dir->path(), 0555));
    QString reason;
    QVERIFY(!file.keepAside(QDateTime::currentDateTime(), &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(!file.save({}, &reason));
    QVERIFY(reason.contains(QStringLiteral("could not be kept aside")));
    QCOMPARE(readFile(path()), damaged);
    QVERIFY(file.notice().contains(QStringLiteral("will not replace it")));
}

void tst_BillFile::keptNamesNeverCollide()
{
    const QDateTime now(QDate(2026, 12, 7), QTime(15, 58, 0));
    QCOMPARE(QFileInfo(BillFile::keptPathFor(path(), now)).fileName(),
             QStringLiteral("events.damaged-2026-12-07-155800.evt"));
    QVERIFY(writeFile(BillFile::keptPathFor(path(), now), "first"));
    QCOMPARE(QFileInfo(BillFile::keptPathFor(path(), now)).fileName(),
             QStringLiteral("events.damaged-2026-12-07-155800-2.evt"));
}

void tst_BillFile::leftoversOfInterruptedSavesAreRemoved()
{
    QVERIFY(writeFile(path(), oneBillFile()));
    QVERIFY(writeFile(path() + QStringLiteral(".AbCdEf"), oneBillFile()));
    QVERIFY(writeFile(path() + QStringLiteral(".xYzWvU"), oneBillFile()));
    // Not ours: other names (a copy of the user's own among them), a link,
    // a folder.
    QVERIFY(writeFile(path() + QStringLiteral(".backup"), "keep"));
    QVERIFY(writeFile(path() + QStringLiteral(".OLDONE"), "keep"));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("settings.ini.AbCdEf")), "keep"));
    QVERIFY(QFile::link(path() + QStringLiteral(".backup"), path() + QStringLiteral(".LnKlNk")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("events.evt.DiRdIr")));

    BillFile file(path());
    qDeleteAll(file.load());
    QStringList expected = {QStringLiteral("events.evt"), QStringLiteral("events.evt.DiRdIr"),
                            QStringLiteral("events.evt.LnKlNk"), QStringLiteral("events.evt.OLDONE"),
                            QStringLiteral("events.evt.backup"),
                            QStringLiteral("settings.ini.AbCdEf")};
    QStringList entries = folderEntries();
    entries.sort();
    QCOMPARE(entries.join(u' '), expected.join(u' '));
}

void tst_BillFile::readOnlyFolderWritesInPlace()
{
    Unprivileged user;
    QVERIFY(user.enforced());
    QVERIFY(writeFile(path(), oneBillFile()));
    BillFile file(path());
    EventList events = file.load();
    events.append(bill(QStringLiteral("Water")));
    QVERIFY(setMode(m_dir->path(), 0555));
    QString reason;
    QVERIFY2(file.save(events, &reason), qPrintable(reason));
    QCOMPARE(recordCount(path()), 2);

    // A file that is itself read-only stays as it was.
    QVERIFY(setMode(path(), 0444));
    events.append(bill(QStringLiteral("Phone")));
    QVERIFY(!file.save(events, &reason));
    QVERIFY(!reason.isEmpty());
    const EventList back = loadEvents(path());
    QCOMPARE(back.size(), 2);
    qDeleteAll(back);
    qDeleteAll(events);
}

void tst_BillFile::somethingElseInPlaceAtSave_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("entry");    // what is at the path afterwards
    QTest::addColumn<bool>("keptAside");

    // Put in place of the file while the bills were open, in a folder others
    // can write: a link is replaced, never written through; a FIFO holds no
    // bills and is replaced, never opened; a file that cannot be read is
    // kept; a folder refuses, and the caller says so.
    QTest::newRow("link to a file") << "link to a file" << true << "file" << false;
    QTest::newRow("link to a FIFO") << "link to a FIFO" << true << "file" << false;
    QTest::newRow("FIFO") << "FIFO" << true << "file" << false;
    QTest::newRow("folder") << "folder" << false << "folder" << false;
    QTest::newRow("damaged file") << "junk" << true << "file" << true;
}

void tst_BillFile::somethingElseInPlaceAtSave()
{
    QFETCH(QString, planted);
    QFETCH(bool, saved);
    QFETCH(QString, entry);
    QFETCH(bool, keptAside);

    QTemporaryDir elsewhere;
    QVERIFY(writeFile(path(), oneBillFile()));
    BillFile file(path());
    EventList events = file.load();
    events.append(bill(QStringLiteral("Gas")));
    QVERIFY(QFile::remove(path()));
    QVERIFY(plant(planted, path(), elsewhere.path()));

    QString reason;
    QCOMPARE(file.save(events, &reason), saved);
    QCOMPARE(reason.isEmpty(), saved);
    QCOMPARE(entryKind(path()), entry);
    if (saved)
        QCOMPARE(recordCount(path()), 2);
    // The link's target is as it was.
    const QString victim = QDir(elsewhere.path()).filePath(QStringLiteral("victim"));
    if (planted == QLatin1String("link to a file"))
        QCOMPARE(readFile(victim), oneBillFile());
    QCOMPARE(!file.keptPath().isEmpty(), keptAside);
    if (keptAside)
        QCOMPARE(readFile(file.keptPath()), QByteArray("Dear diary, today I paid the rent."));
    qDeleteAll(events);
}

void tst_BillFile::ownLinkIsWrittenThrough()
{
    // A link that was there when the file was read is the user's own (a
    // file kept in a synced folder): saves go to its target.
    QTemporaryDir synced;
    const QString target = QDir(synced.path()).filePath(QStringLiteral("events.evt"));
    QVERIFY(writeFile(target, oneBillFile()));
    QVERIFY(QFile::link(target, path()));
    BillFile file(path());
    EventList events = file.load();
    QCOMPARE(events.size(), 1);
    events.append(bill(QStringLiteral("Gas")));
    QVERIFY(file.save(events));
    QCOMPARE(entryKind(path()), QStringLiteral("link"));
    QCOMPARE(recordCount(target), 2);
    qDeleteAll(events);
}

void tst_BillFile::specialSettingsFilesAreSetAside_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<bool>("setAside");

    QTest::newRow("FIFO") << "FIFO" << true;
    QTest::newRow("folder") << "folder" << true;
    QTest::newRow("link to a FIFO") << "link to a FIFO" << true;
    QTest::newRow("link to a file") << "link to a file" << false;
    QTest::newRow("file") << "junk" << false;
}

void tst_BillFile::specialSettingsFilesAreSetAside()
{
    QFETCH(QString, planted);
    QFETCH(bool, setAside);

    QTemporaryDir elsewhere;
    const QStringList files = nativeSettingsFiles(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    QCOMPARE(files.size(), 2);
    // The files QSettings itself would open (here, with nothing in the way).
    for (const QString &settingsFile : files)
        QVERIFY(!QFileInfo(settingsFile).exists() && !QFileInfo(settingsFile).isSymLink());
    QCOMPARE(files.first(), QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).fileName());
    const QString conf = files.first();
    QVERIFY(QDir().mkpath(QFileInfo(conf).absolutePath()));
    const auto cleanUp = qScopeGuard([&conf] { QDir(QFileInfo(conf).absolutePath()).removeRecursively(); });
    QVERIFY(plant(planted, conf, elsewhere.path()));

    const QDateTime now(QDate(2026, 12, 7), QTime(15, 58, 0));
    const QString kept = BillFile::keptPathFor(conf, now);
    const QStringList sentences = setAsideSpecialFiles(files, now);
    QCOMPARE(sentences.size(), setAside ? 1 : 0);
    QCOMPARE(entryKind(conf), setAside ? QStringLiteral("nothing") : entryKind(conf));
    if (setAside) {
        QVERIFY(sentences.first().contains(QDir::toNativeSeparators(kept)));
        QCOMPARE(entryKind(kept), planted.startsWith(QLatin1String("link")) ? QStringLiteral("link") : planted);
        // Now QSettings opens, and writes, at once.
        QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
        settings.setValue(QStringLiteral("LastRun"), 1);
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
    }
}

QTEST_GUILESS_MAIN(tst_BillFile)
#include "tst_billfile.moc"
