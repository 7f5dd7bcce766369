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
    Event *rent = bill(QStringLiteral("Rent"), Event::ScheduleMonthly);
    rent->byDay = true;
    rent->ordinal = 1;
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

QString amountOf(const Event &event)
{
    if (event.name == QLatin1String("Rent"))
        return QStringLiteral("12.50");
    if (event.name == QLatin1String("Insurance"))
        return QStringLiteral("1,250.00");
    if (event.name == QLatin1String("Tax"))
        return QStringLiteral("a\nb");
    return {};
}

} // namespace

class tst_BillListing : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qDeleteAll(m_bills); m_bills.clear(); }

    void table_data();
    void table();
    void json();
    void jsonAmounts();
    void jsonKeepsNamesExactly();
    void emptyList();
    void longList();

private:
    EventList m_bills;
};

void tst_BillListing::table_data()
{
    QTest::addColumn<bool>("amounts");
    QTest::addColumn<QString>("expected");

    QTest::newRow("without amounts") << false
                                     << QStringLiteral("Due Date    Days Remaining  Amount  Description\n"
                                                       "2027-02-01              19          Rent\n"
                                                       "2027-01-13               0          Water and sewage\n"
                                                       "2026-12-31             N/A          Old loan\n"
                                                       "2027-02-02              20          Dentist \"check\" \\ ü 🙂\n"
                                                       "2026-04-01             N/A          Tax\n"
                                                       "2028-03-01             413          Insurance\n"
                                                       "2027-01-18               5          \uFFFDevil\uFFFD[2J\n"
                                                       "N/A                    N/A          Nothing\n");
    QTest::newRow("with amounts") << true
                                  << QStringLiteral("Due Date    Days Remaining    Amount  Description\n"
                                                    "2027-02-01              19     12.50  Rent\n"
                                                    "2027-01-13               0            Water and sewage\n"
                                                    "2026-12-31             N/A            Old loan\n"
                                                    "2027-02-02              20            Dentist \"check\" \\ ü 🙂\n"
                                                    "2026-04-01             N/A       a b  Tax\n"
                                                    "2028-03-01             413  1,250.00  Insurance\n"
                                                    "2027-01-18               5            \uFFFDevil\uFFFD[2J\n"
                                                    "N/A                    N/A            Nothing\n");
}

void tst_BillListing::table()
{
    QFETCH(bool, amounts);
    QFETCH(QString, expected);
    m_bills = readKnownFile();
    QCOMPARE(m_bills.size(), 8);
    BillListing listing(Today);
    if (amounts)
        listing.setAmountFunction(amountOf);
    QCOMPARE(QString::fromUtf8(listing.table(m_bills)), expected);
}

void tst_BillListing::json()
{
    m_bills = readKnownFile();
    BillListing listing(Today);
    const QString expected = QStringLiteral(
        "[\n"
        "  {\"name\": \"Rent\", \"nextDue\": \"2027-02-01\", \"daysRemaining\": 19, \"remaining\": null, "
        "\"schedule\": \"monthly\", \"ends\": null, \"amount\": null},\n"
        "  {\"name\": \"Water\\tand\\nsewage\", \"nextDue\": \"2027-01-13\", \"daysRemaining\": 0, \"remaining\": 11, "
        "\"schedule\": \"weekly\", \"ends\": \"2027-03-31\", \"amount\": null},\n"
        "  {\"name\": \"Old loan\", \"nextDue\": null, \"daysRemaining\": null, \"remaining\": 0, "
        "\"schedule\": \"monthly\", \"ends\": \"2026-12-31\", \"amount\": null},\n"
        "  {\"name\": \"Dentist \\\"check\\\" \\\\ ü 🙂\", \"nextDue\": \"2027-02-02\", \"daysRemaining\": 20, "
        "\"remaining\": 1, \"schedule\": \"once\", \"ends\": \"2027-02-02\", \"amount\": null},\n"
        "  {\"name\": \"Tax\", \"nextDue\": null, \"daysRemaining\": null, \"remaining\": 0, "
        "\"schedule\": \"once\", \"ends\": \"2026-04-01\", \"amount\": null},\n"
        "  {\"name\": \"Insurance\", \"nextDue\": \"2028-03-01\", \"daysRemaining\": 413, \"remaining\": null, "
        "\"schedule\": \"yearly\", \"ends\": null, \"amount\": null},\n"
        "  {\"name\": \"\u202Eevil\\u001b[2J\", \"nextDue\": \"2027-01-18\", \"daysRemaining\": 5, "
        "\"remaining\": null, \"schedule\": \"weekly\", \"ends\": null, \"amount\": null},\n"
        "  {\"name\": \"Nothing\", \"nextDue\": null, \"daysRemaining\": null, \"remaining\": null, "
        "\"schedule\": \"weekly\", \"ends\": null, \"amount\": null}\n"
        "]\n");
    QCOMPARE(QString::fromUtf8(listing.json(m_bills)), expected);
}

void tst_BillListing::jsonAmounts()
{
    m_bills = readKnownFile();
    BillListing listing(Today);
    listing.setAmountFunction(amountOf);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(listing.json(m_bills), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray array = document.array();
    QCOMPARE(array.size(), m_bills.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString amount = amountOf(*m_bills.at(i));
        const QJsonValue value = array.at(i).toObject().value(QLatin1String("amount"));
        QCOMPARE(value.isNull(), amount.isEmpty());
        QCOMPARE(value.toString(), amount);
    }
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
    QCOMPARE(array.size(), m_bills.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        QCOMPARE(array.at(i).toObject().value(QLatin1String("name")).toString(), m_bills.at(i)->name);

    // A lone surrogate, which UTF-8 cannot carry, keeps its code as an escape.
    cleanup();
    m_bills.append(bill(QStringLiteral("a") + QChar(0xd800) + QStringLiteral("b"), Event::ScheduleWeekly));
    QVERIFY(BillListing(Today).json(m_bills).contains("\"a\\ud800b\""));
}

void tst_BillListing::emptyList()
{
    BillListing listing(Today);
    QCOMPARE(listing.json({}), QByteArray("[]\n"));
    QCOMPARE(listing.table({}), QByteArray("Due Date    Days Remaining  Amount  Description\n"));
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
