#include "eventstore.h"
#include "holidaycalendarreader.h"
#include "holidaycalendars.h"
#include "holidayssection.h"
#include "testsandbox.h"

#include <QDateEdit>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QSettings>
#include <QtTest>

namespace {

// What a calendar's companion file says the reader must find.
QString expectedText(const QString &tsvPath)
{
    QFile file(tsvPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString foundText(const QList<HolidaySet::Holiday> &holidays)
{
    QString text;
    for (const HolidaySet::Holiday &holiday : holidays)
        text += QDate::fromJulianDay(holiday.day).toString(Qt::ISODate) + QLatin1Char('\t') + holiday.name
                + QLatin1Char('\n');
    return text;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_HolidayCalendars : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void readsWhatPythonWrote_data();
    void readsWhatPythonWrote();
    void unreadableCalendarChangesNothing_data();
    void unreadableCalendarChangesNothing();
    void settingsPageShowsHolidays();

private:
    QTemporaryDir m_calendars;
};

void tst_HolidayCalendars::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QVERIFY(QSettings().fileName().startsWith(QDir::homePath()));
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(PAYVANE_TEST_DATA "/holidaycalendars.py"), m_calendars.path()});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
}

void tst_HolidayCalendars::init()
{
    QSettings().clear();
    QFile::remove(holidaysFilePath());
    HolidaySet::install(nullptr);
}

void tst_HolidayCalendars::readsWhatPythonWrote_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("atLeast");
    QTest::newRow("Germany 2027-2028") << "DE" << 18;
    QTest::newRow("United States 2026-2028") << "US" << 30;
    QTest::newRow("France 2027") << "FRA" << 11;
    QTest::newRow("rules, exceptions, extra and long events") << "rules" << 20;
}

void tst_HolidayCalendars::readsWhatPythonWrote()
{
    QFETCH(QString, name);
    QFETCH(int, atLeast);
    HolidayCalendarReader reader;
    QVERIFY2(reader.read(m_calendars.filePath(name + QStringLiteral(".ics"))), qPrintable(reader.errorString()));
    QVERIFY(reader.holidays().size() >= atLeast);
    QCOMPARE(foundText(reader.holidays()), expectedText(m_calendars.filePath(name + QStringLiteral(".tsv"))));
}

void tst_HolidayCalendars::unreadableCalendarChangesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("size"); // above 0: a sparse file of that size
    QTest::addColumn<QString>("reason");

    QTest::newRow("not a calendar") << QByteArray("hello\n") << qint64(0) << "not an iCalendar file";
    QTest::newRow("a zero byte") << QByteArray("BEGIN:VCALENDAR\r\n\0", 18) << qint64(0) << "not an iCalendar file";
    QTest::newRow("every day for centuries")
        << QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:a\r\nDTSTART;VALUE=DATE:19000101\r\n"
                      "RRULE:FREQ=DAILY\r\nSUMMARY:Always\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:b\r\n"
                      "DTSTART;VALUE=DATE:22000101\r\nSUMMARY:Far\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
        << qint64(0) << "more than 100,000 holidays";
    QTest::newRow("no all-day event")
        << QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:a\r\nDTSTART:20270101T100000Z\r\n"
                      "SUMMARY:Meeting\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
        << qint64(0) << "no all-day events";
    QTest::newRow("huge") << QByteArray() << qint64(40) * 1024 * 1024 << "larger than 16 MB";
}

void tst_HolidayCalendars::unreadableCalendarChangesNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    QFETCH(QString, reason);
    const QString path = m_calendars.filePath(QStringLiteral("mine.ics"));
    QFile::remove(path);
    QVERIFY(QFile::copy(m_calendars.filePath(QStringLiteral("DE.ics")), path));
    HolidayCalendars::setCalendarPaths({path});
    QVERIFY(HolidayCalendars::update().isEmpty());
    const QByteArray before = HolidayFile::readFromDataFolder().toBytes();
    QCOMPARE(HolidaySet::active()->size(), 18);

    QVERIFY(writeFile(path, bytes));
    if (size > 0)
        QVERIFY(QFile::resize(path, size));
    const QStringList told = HolidayCalendars::update();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(path) && told.first().contains(reason), qPrintable(told.first()));
    QCOMPARE(HolidaySet::active()->size(), 18);
    QCOMPARE(HolidayFile::readFromDataFolder().holidaySet().size(), 18);
    // Told once: the same file is not read, nor told, again.
    QVERIFY(HolidayCalendars::update().isEmpty());
    QVERIFY(before != HolidayFile::readFromDataFolder().toBytes()); // the new stamp is kept
}

void tst_HolidayCalendars::settingsPageShowsHolidays()
{
    HolidaysSection section;
    const auto *summary = section.findChild<QLabel *>(QStringLiteral("holidaySummaryLabel"));
    QCOMPARE(summary->text(), QStringLiteral("No holidays known: due dates move off weekends only."));
    QVERIFY(section.addCalendar(m_calendars.filePath(QStringLiteral("FRA.ics"))));
    section.addDate(QDate(2030, 7, 1), QStringLiteral("<b>Mine</b>"));
    QCOMPARE(section.findChild<QListWidget *>(QStringLiteral("holidayCalendarList"))->count(), 1);
    const auto *dates = section.findChild<QListWidget *>(QStringLiteral("holidayDateList"));
    QCOMPARE(dates->count(), 1);
    QVERIFY(dates->item(0)->text().endsWith(QStringLiteral(": <b>Mine</b>")));
    QCOMPARE(summary->text(), QStringLiteral("12 holidays known, 2027 to 2030."));
    QCOMPARE(HolidaySet::active()->nameOf(QDate(2030, 7, 1).toJulianDay()), QStringLiteral("<b>Mine</b>"));
    // Another start reads what the page wrote.
    HolidaySet::install(nullptr);
    installHolidaysFromDataFolder();
    QCOMPARE(HolidaySet::active()->size(), 12);
}

PAYVANE_SANDBOXED_TEST_MAIN(tst_HolidayCalendars)
#include "tst_holidaycalendars.moc"
