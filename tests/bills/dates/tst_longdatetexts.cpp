// Cached long date texts read exactly as the locale writes them, in any
// order and however often a day comes back.
#include "longdatetexts.h"

#include <QTest>

class tst_LongDateTexts : public QObject
{
    Q_OBJECT

private slots:
    void matchesLocale_data();
    void matchesLocale();
};

void tst_LongDateTexts::matchesLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QList<QDate>>("dates");
    const QList<QDate> dates = {QDate(2026, 12, 5), QDate(2026, 12, 6), QDate(2026, 12, 5), QDate(),
                                QDate(9999, 12, 31), QDate(1, 1, 1), QDate(-44, 3, 15), QDate(),
                                QDate(2028, 2, 29), QDate(2026, 12, 6)};
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << dates;
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << dates;
    QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan) << dates;
    QTest::newRow("C") << QLocale::c() << dates;
}

void tst_LongDateTexts::matchesLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QList<QDate>, dates);
    LongDateTexts texts(locale);
    for (const QDate &date : dates) {
        const QString expected = locale.toString(date, QLocale::LongFormat);
        QCOMPARE(texts.text(date), expected);
    }
}

QTEST_GUILESS_MAIN(tst_LongDateTexts)
#include "tst_longdatetexts.moc"
