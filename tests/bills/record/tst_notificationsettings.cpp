#include "eventstore.h"
#include "notificationsettings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class tst_NotificationSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void missingFileKeepsValues();
    void fifoKeepsValuesAtOnce();
    void readsTheTwoBytes_data();
    void readsTheTwoBytes();
    void firstSaveCreatesTheDataFolder();
    void writesTwoBytes();
    void laterFlagsOnlyWhenNotDefault_data();
    void laterFlagsOnlyWhenNotDefault();

private:
    QTemporaryDir m_dir;
};

void tst_NotificationSettings::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QVERIFY(m_dir.isValid());
}

void tst_NotificationSettings::missingFileKeepsValues()
{
    NotificationSettings settings;
    QCOMPARE(settings.separateNotifications, false);
    QCOMPARE(settings.popupDialog, false);
    settings.popupDialog = true;
    QVERIFY(!settings.load(m_dir.filePath(QStringLiteral("missing.ini"))));
    QCOMPARE(settings.popupDialog, true);
}

void tst_NotificationSettings::fifoKeepsValuesAtOnce()
{
    // A FIFO would block an ordinary open for ever.
    const QString path = m_dir.filePath(QStringLiteral("fifo.ini"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    NotificationSettings settings;
    settings.separateNotifications = true;
    QVERIFY(!settings.load(path));
    QCOMPARE(settings.separateNotifications, true);
}

void tst_NotificationSettings::readsTheTwoBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("separate");
    QTest::addColumn<bool>("popup");
    QTest::newRow("separate, tray") << QByteArray::fromHex("0100") << true << false;
    QTest::newRow("together, popup") << QByteArray::fromHex("0001") << false << true;
    QTest::newRow("any non-zero byte is true") << QByteArray::fromHex("ff02") << true << true;
    QTest::newRow("one byte only") << QByteArray::fromHex("01") << true << false;
}

void tst_NotificationSettings::readsTheTwoBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, separate);
    QFETCH(bool, popup);
    const QString path = m_dir.filePath(QStringLiteral("settings.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    NotificationSettings settings;
    settings.load(path);
    QCOMPARE(settings.separateNotifications, separate);
    QCOMPARE(settings.popupDialog, popup);
}

void tst_NotificationSettings::firstSaveCreatesTheDataFolder()
{
    const QString folder = QFileInfo(settingsFilePath()).absolutePath();
    QDir(folder).removeRecursively();
    NotificationSettings settings;
    settings.separateNotifications = true;
    QVERIFY(settings.save(settingsFilePath()));
    NotificationSettings back;
    QVERIFY(back.load(settingsFilePath()));
    QCOMPARE(back.separateNotifications, true);
    QCOMPARE(back.popupDialog, false);
}

void tst_NotificationSettings::writesTwoBytes()
{
    const QString path = m_dir.filePath(QStringLiteral("two.ini"));
    NotificationSettings settings;
    settings.popupDialog = true;
    QVERIFY(settings.save(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toHex(), QByteArray("0001"));
}

void tst_NotificationSettings::laterFlagsOnlyWhenNotDefault_data()
{
    QTest::addColumn<bool>("desktop");
    QTest::addColumn<bool>("sumUp");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("defaults: the two bytes") << false << true << QByteArray("0001");
    QTest::newRow("desktop notifications") << true << true << QByteArray("000101");
    QTest::newRow("not summed up") << false << false << QByteArray("00010000");
    QTest::newRow("desktop, not summed up") << true << false << QByteArray("00010100");
}

void tst_NotificationSettings::laterFlagsOnlyWhenNotDefault()
{
    QFETCH(bool, desktop);
    QFETCH(bool, sumUp);
    QFETCH(QByteArray, hex);
    const QString path = m_dir.filePath(QStringLiteral("later.ini"));
    NotificationSettings settings;
    settings.popupDialog = true;
    settings.desktopNotifications = desktop;
    settings.sumUpReminders = sumUp;
    QVERIFY(settings.save(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().toHex(), hex);
    NotificationSettings back;
    back.sumUpReminders = !sumUp;
    QVERIFY(back.load(path));
    QCOMPARE(back.desktopNotifications, desktop);
    QCOMPARE(back.sumUpReminders, sumUp);
}

QTEST_GUILESS_MAIN(tst_NotificationSettings)
#include "tst_notificationsettings.moc"
