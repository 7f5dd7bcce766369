// Exact amounts: typed in a locale and read back, written as the locale
// writes money, the minor units of each currency, and sums that never
// overflow silently.
#include "money.h"

#include <QtTest>

#include <limits>

namespace {

constexpr qint64 Largest = std::numeric_limits<qint64>::max();
constexpr qint64 Smallest = std::numeric_limits<qint64>::min();
const QChar NoBreakSpace(0x00A0);

} // namespace

Q_DECLARE_METATYPE(Money::ParseProblem)

class tst_Money : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void toString_data();
    void toString();
    void editTextReadsBack_data();
    void editTextReadsBack();
    void decimals_data();
    void decimals();
    void sums_data();
    void sums();
    void currencies();
    void problemTexts_data();
    void problemTexts();
};

void tst_Money::parse_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("minorUnits");
    QTest::addColumn<Money::ParseProblem>("problem");

    using P = Money::ParseProblem;
    const QString us = QStringLiteral("en_US");
    const QString de = QStringLiteral("de_DE");
    const QString usd = QStringLiteral("USD");
    const QString eur = QStringLiteral("EUR");

    // As people type them in the United States.
    QTest::newRow("us grouped") << us << usd << "1,250.00" << qint64(125000) << P::None;
    QTest::newRow("us plain") << us << usd << "1250" << qint64(125000) << P::None;
    QTest::newRow("us one decimal") << us << usd << "1250.5" << qint64(125050) << P::None;
    QTest::newRow("us with symbol") << us << usd << "$1,250.50" << qint64(125050) << P::None;
    QTest::newRow("us with code after") << us << usd << "1,250.50 usd" << qint64(125050) << P::None;
    QTest::newRow("us blanks around") << us << usd << "  0.99 " << qint64(99) << P::None;
    QTest::newRow("us cents only") << us << usd << ".5" << qint64(50) << P::None;
    QTest::newRow("us trailing zero") << us << usd << "12.340" << qint64(1234) << P::None;
    QTest::newRow("us largest") << us << usd << "92233720368547758.07" << Largest << P::None;
    QTest::newRow("us one cent too many") << us << usd << "92233720368547758.08" << qint64(0) << P::TooLarge;
    QTest::newRow("us twenty digits") << us << usd << "99999999999999999999" << qint64(0) << P::TooLarge;
    QTest::newRow("us three decimals") << us << usd << "12.345" << qint64(0) << P::TooManyDecimals;
    QTest::newRow("us decimal comma") << us << usd << "12,50" << qint64(0) << P::Grouping;
    QTest::newRow("us group of four") << us << usd << "1,2345" << qint64(0) << P::Grouping;
    QTest::newRow("us empty group") << us << usd << "1,,250" << qint64(0) << P::Grouping;
    QTest::newRow("us minus") << us << usd << "-5" << qint64(0) << P::Negative;
    QTest::newRow("us brackets") << us << usd << "($5.00)" << qint64(0) << P::Negative;
    QTest::newRow("us empty") << us << usd << "" << qint64(0) << P::Empty;
    QTest::newRow("us symbol only") << us << usd << " $ " << qint64(0) << P::Empty;
    QTest::newRow("us letters") << us << usd << "ten" << qint64(0) << P::NotANumber;
    QTest::newRow("us two points") << us << usd << "1.2.3" << qint64(0) << P::NotANumber;
    QTest::newRow("us point only") << us << usd << "." << qint64(0) << P::NotANumber;
    QTest::newRow("us euros by code") << us << eur << "EUR 3.10" << qint64(310) << P::None;
    QTest::newRow("us yen") << us << "JPY" << "1,250" << qint64(1250) << P::None;
    QTest::newRow("us yen with sen") << us << "JPY" << "1250.5" << qint64(0) << P::TooManyDecimals;
    QTest::newRow("us yen point zero") << us << "JPY" << "1250.0" << qint64(1250) << P::None;
    QTest::newRow("us dinars") << us << "BHD" << "1.234" << qint64(1234) << P::None;
    QTest::newRow("us dinars too fine") << us << "BHD" << "1.2345" << qint64(0) << P::TooManyDecimals;
    QTest::newRow("us bad currency") << us << "usd" << "1" << qint64(0) << P::Currency;

    // As people type them in Germany: the point groups, the comma divides.
    QTest::newRow("de grouped") << de << eur << "1.250,00" << qint64(125000) << P::None;
    QTest::newRow("de one decimal") << de << eur << "1250,5" << qint64(125050) << P::None;
    QTest::newRow("de with symbol") << de << eur << QString::fromUtf8("1.250,00 \u20ac") << qint64(125000) << P::None;
    QTest::newRow("de symbol first") << de << eur << QString::fromUtf8("\u20ac3") << qint64(300) << P::None;
    QTest::newRow("de point for comma") << de << eur << "12.50" << qint64(0) << P::Grouping;
    QTest::newRow("de space groups") << de << eur << "1 250,00" << qint64(0) << P::NotANumber;

    // Other scripts and groupings.
    QTest::newRow("fr typed space") << "fr_FR" << eur << "1 250,50" << qint64(125050) << P::None;
    QTest::newRow("in lakh groups") << "hi_IN" << "INR" << "12,34,567.00" << qint64(123456700) << P::None;
    QTest::newRow("eg arabic digits") << "ar_EG" << "EGP" << QString::fromUtf8("\u0661\u0662\u0663\u066b\u0664\u0665")
                                      << qint64(12345) << P::None;
}

void tst_Money::parse()
{
    QFETCH(QString, locale);
    QFETCH(QString, currency);
    QFETCH(QString, text);
    QFETCH(qint64, minorUnits);
    QFETCH(Money::ParseProblem, problem);

    Money::ParseProblem why = Money::ParseProblem::Empty;
    const std::optional<Money> amount = Money::parse(text, currency, QLocale(locale), &why);
    QCOMPARE(why, problem);
    QCOMPARE(amount.has_value(), problem == Money::ParseProblem::None);
    if (amount) {
        QCOMPARE(amount->minorUnits(), minorUnits);
        QCOMPARE(amount->currency(), currency);
    }
}

void tst_Money::toString_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint64>("minorUnits");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("text");

    const QString us = QStringLiteral("en_US");
    const QString de = QStringLiteral("de_DE");
    const QString nbsp(NoBreakSpace);
    const QString euro = QString::fromUtf8("\u20ac");

    QTest::newRow("us dollars") << us << qint64(125050) << "USD" << "$1,250.50";
    QTest::newRow("us cents") << us << qint64(5) << "USD" << "$0.05";
    QTest::newRow("us zero") << us << qint64(0) << "USD" << "$0.00";
    QTest::newRow("us negative") << us << qint64(-125050) << "USD" << "($1,250.50)";
    QTest::newRow("us euros") << us << qint64(125050) << "EUR" << "EUR" + nbsp + "1,250.50";
    QTest::newRow("us yen") << us << qint64(1250) << "JPY" << "JPY" + nbsp + "1,250";
    QTest::newRow("us dinars") << us << qint64(1234) << "BHD" << "BHD" + nbsp + "1.234";
    QTest::newRow("us largest") << us << Largest << "USD" << "$92,233,720,368,547,758.07";
    QTest::newRow("us smallest") << us << Smallest << "USD" << "($92,233,720,368,547,758.08)";
    QTest::newRow("de euros") << de << qint64(125050) << "EUR" << "1.250,50" + nbsp + euro;
    QTest::newRow("de dollars") << de << qint64(125050) << "USD" << "1.250,50" + nbsp + "USD";
    QTest::newRow("de negative") << de << qint64(-7) << "EUR" << "-0,07" + nbsp + euro;
    QTest::newRow("de yen") << de << qint64(1234567) << "JPY" << "1.234.567" + nbsp + "JPY";
    QTest::newRow("jp yen") << "ja_JP" << qint64(1250) << "JPY" << QString::fromUtf8("\uffe51,250");
    QTest::newRow("no locale currency") << "C" << qint64(1250) << "XXX" << "12.50" + nbsp + "XXX";
}

void tst_Money::toString()
{
    QFETCH(QString, locale);
    QFETCH(qint64, minorUnits);
    QFETCH(QString, currency);
    QFETCH(QString, text);
    QCOMPARE(Money(minorUnits, currency).toString(QLocale(locale)), text);
}

void tst_Money::editTextReadsBack_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint64>("minorUnits");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("text");

    QTest::newRow("us") << "en_US" << qint64(125050) << "USD" << "1250.50";
    QTest::newRow("us cents") << "en_US" << qint64(7) << "USD" << "0.07";
    QTest::newRow("de") << "de_DE" << qint64(125050) << "EUR" << "1250,50";
    QTest::newRow("de yen") << "de_DE" << qint64(1250) << "JPY" << "1250";
    QTest::newRow("us dinars") << "en_US" << qint64(1005) << "KWD" << "1.005";
    QTest::newRow("de largest") << "de_DE" << Largest << "EUR" << "92233720368547758,07";
}

void tst_Money::editTextReadsBack()
{
    QFETCH(QString, locale);
    QFETCH(qint64, minorUnits);
    QFETCH(QString, currency);
    QFETCH(QString, text);
    const QLocale l(locale);
    const Money amount(minorUnits, currency);
    QCOMPARE(amount.toEditText(l), text);
    QCOMPARE(Money::parse(amount.toEditText(l), currency, l), std::optional<Money>(amount));
    QCOMPARE(Money::parse(amount.toString(l), currency, l), std::optional<Money>(amount));
}

void tst_Money::decimals_data()
{
    QTest::addColumn<QString>("currency");
    QTest::addColumn<int>("decimals");
    QTest::newRow("dollar") << "USD" << 2;
    QTest::newRow("euro") << "EUR" << 2;
    QTest::newRow("yen") << "JPY" << 0;
    QTest::newRow("won") << "KRW" << 0;
    QTest::newRow("Bahraini dinar") << "BHD" << 3;
    QTest::newRow("Kuwaiti dinar") << "KWD" << 3;
    QTest::newRow("Omani rial") << "OMR" << 3;
    QTest::newRow("Jordanian dinar") << "JOD" << 3;
    QTest::newRow("Tunisian dinar") << "TND" << 3;
    QTest::newRow("Chilean unit of account") << "CLF" << 4;
    QTest::newRow("unknown code") << "ZZZ" << 2;
}

void tst_Money::decimals()
{
    QFETCH(QString, currency);
    QFETCH(int, decimals);
    QCOMPARE(Money::decimalsOf(currency), decimals);
    QCOMPARE(Money(1, currency).decimals(), decimals);
}

void tst_Money::sums_data()
{
    QTest::addColumn<qint64>("a");
    QTest::addColumn<QString>("currencyA");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<QString>("currencyB");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<qint64>("sum");

    QTest::newRow("cents add exactly") << qint64(10) << "USD" << qint64(20) << "USD" << true << qint64(30);
    QTest::newRow("up to the largest") << Largest - 1 << "USD" << qint64(1) << "USD" << true << Largest;
    QTest::newRow("one past the largest") << Largest << "USD" << qint64(1) << "USD" << false << qint64(0);
    QTest::newRow("below the smallest") << Smallest << "USD" << qint64(-1) << "USD" << false << qint64(0);
    QTest::newRow("two currencies") << qint64(10) << "USD" << qint64(20) << "EUR" << false << qint64(0);
    QTest::newRow("no amount") << qint64(10) << "USD" << qint64(20) << "" << false << qint64(0);
}

void tst_Money::sums()
{
    QFETCH(qint64, a);
    QFETCH(QString, currencyA);
    QFETCH(qint64, b);
    QFETCH(QString, currencyB);
    QFETCH(bool, kept);
    QFETCH(qint64, sum);
    const std::optional<Money> total = Money(a, currencyA).plus(Money(b, currencyB));
    QCOMPARE(total.has_value(), kept);
    if (kept)
        QCOMPARE(total->minorUnits(), sum);
}

void tst_Money::currencies()
{
    QCOMPARE(Money::defaultCurrency(QLocale(QStringLiteral("en_US"))), QStringLiteral("USD"));
    QCOMPARE(Money::defaultCurrency(QLocale(QStringLiteral("de_DE"))), QStringLiteral("EUR"));
    QCOMPARE(Money::defaultCurrency(QLocale::c()), QStringLiteral("XXX"));
    QVERIFY(Money(5, QStringLiteral("eur")).isNull());
    QVERIFY(Money(5, QStringLiteral("EURO")).isNull());
    // Many times an amount is exact, or none.
    QCOMPARE(Money(125050, QStringLiteral("USD")).times(3)->minorUnits(), qint64(375150));
    QVERIFY(!Money(Largest / 2 + 1, QStringLiteral("USD")).times(2));
    QVERIFY(!Money().times(2));
    // The editor's choice holds the currencies of the locales people use.
    const QStringList known = Money::knownCurrencies();
    for (const char *code : {"USD", "EUR", "JPY", "KWD", "INR", "CHF"})
        QVERIFY2(known.contains(QLatin1String(code)), code);
    QCOMPARE(known.size(), qsizetype(QSet<QString>(known.cbegin(), known.cend()).size()));
}

void tst_Money::problemTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("us letters") << "en_US" << "USD" << "ten" << "Please enter the amount as a number, such as 1,250.00.";
    QTest::newRow("de point for comma") << "de_DE" << "EUR" << "12.50"
                                        << "Please enter the amount as a number, such as 1.250,00.";
    QTest::newRow("yen decimals") << "en_US" << "JPY" << "1.5" << "Amounts in JPY have no decimals.";
    QTest::newRow("dinar decimals") << "en_US" << "KWD" << "1.2345" << "Amounts in KWD have at most 3 decimals.";
    QTest::newRow("negative") << "en_US" << "USD" << "-1" << "Please enter an amount of zero or more.";
    QTest::newRow("empty is no amount") << "en_US" << "USD" << "" << "";
}

void tst_Money::problemTexts()
{
    QFETCH(QString, locale);
    QFETCH(QString, currency);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Money::ParseProblem problem = Money::ParseProblem::None;
    QVERIFY(!Money::parse(text, currency, QLocale(locale), &problem));
    QCOMPARE(Money::problemText(problem, currency, QLocale(locale)), message);
}

QTEST_GUILESS_MAIN(tst_Money)
#include "tst_money.moc"
