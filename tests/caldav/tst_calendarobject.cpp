// A calendar object's fingerprint: equal for what servers make of the same
// event, different for another event.
#include "calendarobject.h"

#include <QtTest>

namespace {

const QByteArray Sent = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tervona//Payvane//EN\r\nCALSCALE:GREGORIAN\r\n"
                        "BEGIN:VEVENT\r\nUID:0f8fad5b-d9cb-469f-a165-70867728950e\r\nDTSTAMP:20270113T080000Z\r\n"
                        "DTSTART;VALUE=DATE:20270201\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=1\r\n"
                        "SUMMARY:Rent for the flat in the old town\\, paid by transfer to the landlo\r\n rd\r\n"
                        "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-P3DT15H\r\nEND:VALARM\r\n"
                        "END:VEVENT\r\nEND:VCALENDAR\r\n";

QByteArray replaced(QByteArray text, const QByteArray &from, const QByteArray &to)
{
    return text.replace(from, to);
}

} // namespace

class tst_CalendarObject : public QObject
{
    Q_OBJECT

private slots:
    void fingerprint_data();
    void fingerprint();
};

void tst_CalendarObject::fingerprint_data()
{
    QTest::addColumn<QByteArray>("other");
    QTest::addColumn<bool>("same");

    // What a server stores for the text sent.
    QTest::newRow("the same text") << Sent << true;
    QTest::newRow("another stamp") << replaced(Sent, "T080000Z", "T091500Z") << true;
    QTest::newRow("properties in another order")
        << replaced(Sent, "DTSTART;VALUE=DATE:20270201\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=1\r\n",
                    "RRULE:FREQ=MONTHLY;BYMONTHDAY=1\r\nDTSTART;VALUE=DATE:20270201\r\n")
        << true;
    QTest::newRow("folded elsewhere") << replaced(Sent, "the landlo\r\n rd", "the\r\n  landlord") << true;
    QTest::newRow("line ends without CR") << replaced(Sent, "\r\n", "\n") << true;
    QTest::newRow("the calendar written anew")
        << replaced(replaced(Sent, "PRODID:-//Tervona//Payvane//EN", "PRODID:-//PYVOBJECT//NONSGML Version 1//EN"),
                    "CALSCALE:GREGORIAN\r\n", "")
        << true;
    // Another event.
    QTest::newRow("another summary") << replaced(Sent, "SUMMARY:Rent", "SUMMARY:Rent (moved)") << false;
    QTest::newRow("another date") << replaced(Sent, "20270201", "20270202") << false;
    QTest::newRow("another alarm") << replaced(Sent, "-P3DT15H", "-P2DT15H") << false;
    QTest::newRow("no alarm")
        << replaced(Sent, "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-P3DT15H\r\nEND:VALARM\r\n", "") << false;
}

void tst_CalendarObject::fingerprint()
{
    QFETCH(QByteArray, other);
    QFETCH(bool, same);
    QCOMPARE(calendarFingerprint(other) == calendarFingerprint(Sent), same);
    QCOMPARE(calendarFingerprint(Sent).size(), 32);
}

QTEST_GUILESS_MAIN(tst_CalendarObject)
#include "tst_calendarobject.moc"
