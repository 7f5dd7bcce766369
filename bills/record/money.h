#ifndef PAYVANE_MONEY_H
#define PAYVANE_MONEY_H

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// An exact amount of money: a whole number of the currency's minor units
// (cents, fils, or yen themselves) with the currency's ISO 4217 code. Never a
// floating-point number, so sums and texts are exact to the last unit.
//
// A default-constructed Money has no currency: "no amount".
class Money
{
public:
    // Why a text is no amount (parse()).
    enum class ParseProblem {
        None,
        Empty,           // nothing but blanks
        NotANumber,      // letters, a misplaced separator, two decimal points ...
        Grouping,        // digit groups that the locale does not write ("12.50" in German)
        TooManyDecimals, // more decimals than the currency has ("1.234" dollars)
        Negative,        // an amount to pay is never below zero
        TooLarge,        // beyond what is kept exactly
        Currency,        // the currency is not a three-letter code
    };

    Money() = default;
    // `currency` is an ISO 4217 code; anything but three letters A-Z makes
    // no amount.
    Money(qint64 minorUnits, const QString &currency);

    [[nodiscard]] bool isNull() const { return m_currency.isEmpty(); }
    [[nodiscard]] qint64 minorUnits() const { return m_minorUnits; }
    [[nodiscard]] QString currency() const { return m_currency; }
    // The currency's minor-unit digits (2 for dollars, 0 for yen, 3 for
    // dinars of Bahrain); 0 for no amount.
    [[nodiscard]] int decimals() const { return isNull() ? 0 : decimalsOf(m_currency); }

    // The sum of two amounts of one currency; none when the currencies
    // differ, one is no amount, or the sum would leave the range kept.
    [[nodiscard]] std::optional<Money> plus(const Money &other) const;
    // The amount `times` times over (a bill due several times); none when
    // it would leave the range kept, or for no amount.
    [[nodiscard]] std::optional<Money> times(qint64 factor) const;

    // The amount as `locale` writes money: its digits, grouping, decimal
    // point and currency pattern, with the locale's own symbol for the
    // locale's currency ("$1,250.00", "1.250,00 €") and the ISO code for
    // others ("EUR 1,250.00"). Empty for no amount.
    [[nodiscard]] QString toString(const QLocale &locale) const;
    // The number alone, as the user would type it: no symbol, no grouping,
    // all the currency's decimals ("1250.00", "1250,00"). Empty for no amount.
    [[nodiscard]] QString toEditText(const QLocale &locale) const;

    // Reads what a user typed for an amount of `currency` in `locale`: the
    // locale's digits (or ASCII ones) with its decimal point and, if
    // written, its digit groups; blanks around it and the currency's symbol
    // or code before or after it are allowed. At most the currency's
    // decimals (trailing zeros beyond them are fine). The reason in *problem
    // when there is no amount.
    [[nodiscard]] static std::optional<Money> parse(const QString &text, const QString &currency,
                                                    const QLocale &locale, ParseProblem *problem = nullptr);

    // One sentence for the user about a text parse() refused, with an
    // example in the locale ("Please enter the amount as a number, such as
    // 1,250.00."); empty for None and Empty (no amount is no error).
    [[nodiscard]] static QString problemText(ParseProblem problem, const QString &currency, const QLocale &locale);

    // The currency codes of every locale Qt knows, sorted (for a choice of
    // currency in the editor).
    [[nodiscard]] static QStringList knownCurrencies();

    // The ISO 4217 code of the locale's currency; "XXX" (no currency) for a
    // locale without one, such as "C".
    [[nodiscard]] static QString defaultCurrency(const QLocale &locale);
    // Whether `code` is three letters A-Z.
    [[nodiscard]] static bool isCurrencyCode(const QString &code);
    // The minor-unit digits of a currency: 2 unless the table of currencies
    // with 0, 3 or 4 says otherwise.
    [[nodiscard]] static int decimalsOf(const QString &currency);

    friend bool operator==(const Money &a, const Money &b)
    {
        return a.m_currency == b.m_currency && a.m_minorUnits == b.m_minorUnits;
    }
    friend bool operator!=(const Money &a, const Money &b) { return !(a == b); }

private:
    qint64 m_minorUnits = 0;
    QString m_currency;
};

#endif // PAYVANE_MONEY_H
