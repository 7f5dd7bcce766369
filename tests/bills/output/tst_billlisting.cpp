// The bill list as a table and as JSON, from a bill file assembled here and
// read back as the program reads it.
#include "billlisting.h"

#include "event.h"
#include "eventstore.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <limits>

namespace {

const QDate Today(2027, 1, 13); // a Wednesday

Event *bill(const QString &name, qint32 schedule)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = schedule;
    return event;
}

// The known file: every kind of row the list shows.
QByteArray knownFile()
{
    EventList bills;
    // Tracks payments: November paid, December and January unpaid.
    Event *rent = bill(QStringLiteral("Rent"), Event::ScheduleMonthly);
    rent->byDay = true;
    rent->ordinal = 1;
    rent->payments.trackedSince = QDate(2026, 11, 1);
    rent->payments.paidThrough = QDate(2026, 11, 1);
    rent->payments.paidOn = QDate(2026, 11, 2);
    rent->amount = Money(125050, QStringLiteral("EUR"));
    rent->notify = true;
    rent->notifyDays = 3;
    rent->extraReminders = {{2, ExtraReminder::AfterUnpaid, {}}, {0, ExtraReminder::Before, {}},
                            {14, ExtraReminder::Before, {}}};
    bills.append(rent);

    Event *water = bill(QStringLiteral("Water\tand\nsewage"), Event::ScheduleWeekly);
    water->weekdays[2] = true; // Wednesday: due today
    water->endMode = Event::EndOnDate;
    water->endDate = QDate(2027, 3, 31);
    bills.append(water);

    Event *loan = bill(QStringLiteral("Old loan"), Event::ScheduleMonthly);
    loan->byDay = true;
    loan->ordinal = 5;
    loan->endMode = Event::EndOnDate;
    loan->endDate = QDate(2026, 12, 31);
    bills.append(loan);

    Event *dentist = bill(QStringLiteral("Dentist \"check\" \\ ü 🙂"), Event::ScheduleSingular);
    dentist->eventDate = dentist->endDate = QDate(2027, 2, 2);
    dentist->endMode = Event::EndAfterTimes;
    dentist->amount = Money(5000, QStringLiteral("JPY"));
    bills.append(dentist);

    Event *tax = bill(QStringLiteral("Tax"), Event::ScheduleSingular);
    tax->eventDate = tax->endDate = QDate(2026, 4, 1);
    tax->endMode = Event::EndAfterTimes;
    bills.append(tax);

    Event *insurance = bill(QStringLiteral("Insurance"), Event::ScheduleYearly);
    insurance->byDay = true;
    insurance->ordinal = 1;
    insurance->months[2] = true; // 1 March, every other year from 2028
    insurance->options.every = 2;
    insurance->options.everyFrom = QDate(2028, 1, 1);
    bills.append(insurance);

    Event *evil = bill(QStringLiteral("\u202Eevil\x1b[2J"), Event::ScheduleWeekly);
    evil->weekdays[0] = true;
    bills.append(evil);

    bills.append(bill(QStringLiteral("Nothing"), Event::ScheduleWeekly)); // no weekday: never due

    // Paid early: the 20 January date is paid, so the list shows February's.
    Event *phone = bill(QStringLiteral("Phone"), Event::ScheduleMonthly);
    phone->byDay = true;
    phone->ordinal = 20;
    phone->payments.trackedSince = QDate(2026, 12, 1);
    phone->payments.paidThrough = QDate(2027, 1, 20);
    phone->payments.paidOn = QDate(2027, 1, 10);
    phone->amount = Money(1999, QStringLiteral("EUR"));
    bills.append(phone);

    // Its one date is paid: finished.
    Event *gift = bill(QStringLiteral("Gift"), Event::ScheduleSingular);
    gift->eventDate = gift->endDate = QDate(2027, 1, 10);
    gift->endMode = Event::EndAfterTimes;
    gift->payments.trackedSince = QDate(2027, 1, 1);
    gift->payments.paidThrough = QDate(2027, 1, 10);
    gift->payments.paidOn = QDate(2027, 1, 9);
    bills.append(gift);

    const QByteArray bytes = billFileBytes(bills);
    qDeleteAll(bills);
    return bytes;
}

// The bills as the program has them after reading the file.
EventList readKnownFile()
{
    QByteArray bytes = knownFile();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readEvents(buffer);
}

const QLocale German(QLocale::German, QLocale::Germany);

} // namespace

class tst_BillListing : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qDeleteAll(m_bills); m_bills.clear(); }

    void table_data();
    void table();
    void json();
    void jsonAmounts_data();
    void jsonAmounts();
    void jsonKeepsNamesExactly();
    void emptyList();
    void longList();

private:
    EventList m_bills;
};

// Most overdue first, then by days; those no longer due last, in file order.
void tst_BillListing::table_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");

    const QString nbsp(QChar(0x00A0));
    QTest::newRow("C locale") << QLocale::c()
                              << QStringLiteral("Due Date    Days Remaining  Unpaid       Amount  Description\n"
                                                "2026-12-01             -43       2  1250.50%1EUR  Rent\n"
                                                "2027-01-13               0                       Water and sewage\n"
                                                "2027-01-18               5                       \uFFFDevil\uFFFD[2J\n"
                                                "2027-02-02              20             5000%1JPY  Dentist \"check\" \\ ü 🙂\n"
                                                "2027-02-20              38       0    19.99%1EUR  Phone\n"
                                                "2028-03-01             413                       Insurance\n"
                                                "2026-12-31             N/A                       Old loan\n"
                                                "2026-04-01             N/A                       Tax\n"
                                                "N/A                    N/A                       Nothing\n"
                                                "2027-01-10             N/A       0               Gift\n")
                                     .arg(nbsp);
    QTest::newRow("German") << German
                            << QStringLiteral("Due Date    Days Remaining  Unpaid      Amount  Description\n"
                                              "2026-12-01             -43       2  1.250,50%1€  Rent\n"
                                              "2027-01-13               0                      Water and sewage\n"
                                              "2027-01-18               5                      \uFFFDevil\uFFFD[2J\n"
                                              "2027-02-02              20           5.000%1JPY  Dentist \"check\" \\ ü 🙂\n"
                                              "2027-02-20              38       0     19,99%1€  Phone\n"
                                              "2028-03-01             413                      Insurance\n"
                                              "2026-12-31             N/A                      Old loan\n"
                                              "2026-04-01             N/A                      Tax\n"
                                              "N/A                    N/A                      Nothing\n"
                                              "2027-01-10             N/A       0              Gift\n")
                                   .arg(nbsp);
}

void tst_BillListing::table()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    m_bills = readKnownFile();
    QCOMPARE(m_bills.size(), 10);
    QCOMPARE(QString::fromUtf8(BillListing(Today, locale).table(m_bills)), expected);
}

// Every field of every object, read back with a JSON parser.
void tst_BillListing::json()
{
    m_bills = readKnownFile();
    const QByteArray expected = QStringLiteral(R"([
{"name": "Rent", "nextDue": "2026-12-01", "daysRemaining": -43, "overdue": true, "unpaidCount": 2,
 "paidThrough": "2026-11-01", "remaining": null, "schedule": "monthly", "ends": null,
 "amount": 1250.5, "currency": "EUR", "amountText": "1.250,50\u00a0€",
 "reminders": [{"days": 14, "when": "before"}, {"days": 3, "when": "before"}, {"days": 0, "when": "before"},
               {"days": 2, "when": "afterUnpaid"}]},
{"name": "Water\tand\nsewage", "nextDue": "2027-01-13", "daysRemaining": 0, "overdue": false, "unpaidCount": null,
 "paidThrough": null, "remaining": 11, "schedule": "weekly", "ends": "2027-03-31",
 "amount": null, "currency": null, "amountText": null, "reminders": []},
{"name": "\u202eevil\u001b[2J", "nextDue": "2027-01-18", "daysRemaining": 5, "overdue": false, "unpaidCount": null,
 "paidThrough": null, "remaining": null, "schedule": "weekly", "ends": null,
 "amount": null, "currency": null, "amountText": null, "reminders": []},
{"name": "Dentist \"check\" \\ ü 🙂", "nextDue": "2027-02-02", "daysRemaining": 20, "overdue": false,
 "unpaidCount": null, "paidThrough": null, "remaining": 1, "schedule": "once", "ends": "2027-02-02",
 "amount": 5000, "currency": "JPY", "amountText": "5.000\u00a0JPY", "reminders": []},
{"name": "Phone", "nextDue": "2027-02-20", "daysRemaining": 38, "overdue": false, "unpaidCount": 0,
 "paidThrough": "2027-01-20", "remaining": null, "schedule": "monthly", "ends": null,
 "amount": 19.99, "currency": "EUR", "amountText": "19,99\u00a0€", "reminders": []},
{"name": "Insurance", "nextDue": "2028-03-01", "daysRemaining": 413, "overdue": false, "unpaidCount": null,
 "paidThrough": null, "remaining": null, "schedule": "yearly", "ends": null,
 "amount": null, "currency": null, "amountText": null, "reminders": []},
{"name": "Old loan", "nextDue": null, "daysRemaining": null, "overdue": false, "unpaidCount": null,
 "paidThrough": null, "remaining": 0, "schedule": "monthly", "ends": "2026-12-31",
 "amount": null, "currency": null, "amountText": null, "reminders": []},
{"name": "Tax", "nextDue": null, "daysRemaining": null, "overdue": false, "unpaidCount": null,
 "paidThrough": null, "remaining": 0, "schedule": "once", "ends": "2026-04-01",
 "amount": null, "currency": null, "amountText": null, "reminders": []},
{"name": "Nothing", "nextDue": null, "daysRemaining": null, "overdue": false, "unpaidCount": null,
 "paidThrough": null, "remaining": null, "schedule": "weekly", "ends": null,
 "amount": null, "currency": null, "amountText": null, "reminders": []},
{"name": "Gift", "nextDue": null, "daysRemaining": null, "overdue": false, "unpaidCount": 0,
 "paidThrough": "2027-01-10", "remaining": 0, "schedule": "once", "ends": "2027-01-10",
 "amount": null, "currency": null, "amountText": null, "reminders": []}
])").toUtf8();
    QJsonParseError error;
    const QJsonArray want = QJsonDocument::fromJson(expected, &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray got = QJsonDocument::fromJson(BillListing(Today, German).json(m_bills), &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(got.size(), want.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
        const QJsonObject object = got.at(i).toObject();
        QCOMPARE(object.keys(), want.at(i).toObject().keys());
        for (const QString &key : object.keys())
            QVERIFY2(object.value(key) == want.at(i).toObject().value(key),
                     qPrintable(QStringLiteral("bill %1, %2: %3").arg(i).arg(key, QString::fromUtf8(
                         QJsonDocument(QJsonArray{object.value(key)}).toJson(QJsonDocument::Compact)))));
    }
}

// An amount as the JSON text writes it: a number in the currency's units.
void tst_BillListing::jsonAmounts_data()
{
    QTest::addColumn<qint64>("minorUnits");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QList<qint64>>("varyingPayments"); // none: the amount does not vary

    QTest::newRow("varies: the average of the last three payments")
        << qint64(10000) << "EUR" << QByteArray("84.2") << QList<qint64>{1, 8000, 8420, 8840};
    QTest::newRow("euros and a half") << qint64(125050) << "EUR" << QByteArray("1250.5") << QList<qint64>();
    QTest::newRow("cents") << qint64(7) << "EUR" << QByteArray("0.07") << QList<qint64>();
    QTest::newRow("whole euros") << qint64(1200) << "EUR" << QByteArray("12") << QList<qint64>();
    QTest::newRow("yen: no minor unit") << qint64(5000) << "JPY" << QByteArray("5000") << QList<qint64>();
    QTest::newRow("dinars: three decimals") << qint64(1234) << "KWD" << QByteArray("1.234") << QList<qint64>();
    QTest::newRow("15 digits") << qint64(999999999999999) << "EUR" << QByteArray("9999999999999.99") << QList<qint64>();
    QTest::newRow("largest yen") << std::numeric_limits<qint64>::max() << "JPY"
                                 << QByteArray("9223372036854775807") << QList<qint64>();
}

void tst_BillListing::jsonAmounts()
{
    QFETCH(qint64, minorUnits);
    QFETCH(QString, currency);
    QFETCH(QByteArray, written);
    QFETCH(QList<qint64>, varyingPayments);
    Event *event = bill(QStringLiteral("Bill"), Event::ScheduleWeekly);
    event->amount = Money(minorUnits, currency);
    event->amountVaries = !varyingPayments.isEmpty();
    for (const qint64 paid : varyingPayments)
        event->history.append({Today, Today, Money(paid, currency), QString()});
    m_bills.append(event);
    const QByteArray json = BillListing(Today).json(m_bills);
    QVERIFY2(json.contains("\"amount\": " + written + ",\n"), json.constData());
    QCOMPARE(json.contains("\"amountEstimated\": true"), event->amountVaries);
    QCOMPARE(QJsonDocument::fromJson(json).array().at(0).toObject().value(QLatin1String("currency")).toString(),
             currency);
}

// Whatever a name holds, a JSON reader gets it back as it is in the file.
void tst_BillListing::jsonKeepsNamesExactly()
{
    m_bills = readKnownFile();
    QString controls;
    for (char16_t c = 0; c < 0x20; ++c)
        controls += QChar(c);
    m_bills.append(bill(controls + QStringLiteral("\x7f\u0085\u2028\u2029\"\\/"), Event::ScheduleWeekly));
    const QByteArray bytes = BillListing(Today).json(m_bills);
    QJsonParseError error;
    const QJsonArray array = QJsonDocument::fromJson(bytes, &error).array();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QStringList names;
    for (const QJsonValue &object : array)
        names.append(object.toObject().value(QLatin1String("name")).toString());
    QStringList namesInFile;
    for (const Event *event : std::as_const(m_bills))
        namesInFile.append(event->name);
    names.sort();
    namesInFile.sort();
    QCOMPARE(names, namesInFile);

    // A lone surrogate, which UTF-8 cannot carry, keeps its code as an escape.
    cleanup();
    m_bills.append(bill(QStringLiteral("a") + QChar(0xd800) + QStringLiteral("b"), Event::ScheduleWeekly));
    QVERIFY(BillListing(Today).json(m_bills).contains("\"a\\ud800b\""));
}

void tst_BillListing::emptyList()
{
    BillListing listing(Today);
    QCOMPARE(QJsonDocument::fromJson(listing.json({})), QJsonDocument(QJsonArray()));
    QCOMPARE(listing.table({}), QByteArray("Due Date    Days Remaining  Unpaid  Amount  Description\n"));
}

// 100,000 bills of a few schedules: one line each, and one JSON object each.
void tst_BillListing::longList()
{
    const EventList known = readKnownFile();
    for (int i = 0; i < 100000; ++i) {
        auto *copy = new Event(*known.at(i % known.size()));
        copy->name += QString::number(i);
        m_bills.append(copy);
    }
    qDeleteAll(known);
    BillListing listing(Today);
    QCOMPARE(listing.table(m_bills).count('\n'), 100001);
    QCOMPARE(QJsonDocument::fromJson(listing.json(m_bills)).array().size(), 100000);
}

QTEST_GUILESS_MAIN(tst_BillListing)
#include "tst_billlisting.moc"
