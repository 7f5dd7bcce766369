#include "money.h"

#include <QtNumeric>

#include <array>
#include <limits>

namespace {

constexpr qint64 Largest = std::numeric_limits<qint64>::max();

// ISO 4217 currencies whose minor unit is not a hundredth.
struct CurrencyDecimals
{
    const char *code;
    int decimals;
};
constexpr std::array<CurrencyDecimals, 26> OtherDecimals = {{
    {"BHD", 3}, {"BIF", 0}, {"CLF", 4}, {"CLP", 0}, {"DJF", 0}, {"GNF", 0}, {"IQD", 3},
    {"ISK", 0}, {"JOD", 3}, {"JPY", 0}, {"KMF", 0}, {"KRW", 0}, {"KWD", 3}, {"LYD", 3},
    {"OMR", 3}, {"PYG", 0}, {"RWF", 0}, {"TND", 3}, {"UGX", 0}, {"UYI", 0}, {"UYW", 4},
    {"VND", 0}, {"VUV", 0}, {"XAF", 0}, {"XOF", 0}, {"XPF", 0},
}};

quint64 powerOfTen(int digits)
{
    quint64 power = 1;
    for (int i = 0; i < digits; ++i)
        power *= 10;
    return power;
}

int digitCount(quint64 value)
{
    int digits = 1;
    for (; value >= 10; value /= 10)
        ++digits;
    return digits;
}

// The magnitude of a value; exact for the smallest qint64 too.
quint64 magnitude(qint64 value)
{
    return value < 0 ? quint64(0) - quint64(value) : quint64(value);
}

// Directional marks that right-to-left locales put around numbers and signs;
// they carry no value.
bool isDirectionMark(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E)
           || (u >= 0x2066 && u <= 0x2069);
}

// A decimal digit of any script (Arabic-Indic, Devanagari, ...); -1 for
// anything else, superscripts included.
int digitValue(QChar c)
{
    return c.category() == QChar::Number_DecimalDigit ? c.digitValue() : -1;
}

// Whether a character separates digit groups in `locale`. Locales that
// group with a (no-break) space accept any space, since what a keyboard
// types is rarely the locale's own space; an apostrophe stands in for the
// typographic one.
bool isGroupSeparator(QChar c, const QString &separator)
{
    if (separator.size() != 1)
        return separator == QString(c);
    const QChar own = separator.at(0);
    if (own.isSpace())
        return c.isSpace();
    if (own == QChar(0x2019))
        return c == own || c == QLatin1Char('\'');
    return c == own;
}

// The number `units` / 10^decimals in the locale's digits, optionally with
// its digit groups.
QString numberText(quint64 units, int decimals, const QLocale &locale, bool grouped)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const quint64 scale = powerOfTen(decimals);
    QString text = (grouped ? locale : plain).toString(qulonglong(units / scale));
    if (decimals > 0) {
        const quint64 fraction = units % scale;
        text += locale.decimalPoint();
        text += locale.zeroDigit().repeated(decimals - digitCount(fraction));
        text += plain.toString(qulonglong(fraction));
    }
    return text;
}

bool isLetterAt(const QString &text, qsizetype index)
{
    return index >= 0 && index < text.size() && text.at(index).isLetter();
}

} // namespace

Money::Money(qint64 minorUnits, const QString &currency)
{
    if (!isCurrencyCode(currency))
        return;
    m_minorUnits = minorUnits;
    m_currency = currency;
}

std::optional<Money> Money::plus(const Money &other) const
{
    if (isNull() || other.m_currency != m_currency)
        return std::nullopt;
    qint64 sum = 0;
    if (qAddOverflow(m_minorUnits, other.m_minorUnits, &sum))
        return std::nullopt;
    return Money(sum, m_currency);
}

std::optional<Money> Money::times(qint64 factor) const
{
    if (isNull())
        return std::nullopt;
    qint64 product = 0;
    if (qMulOverflow(m_minorUnits, factor, &product))
        return std::nullopt;
    return Money(product, m_currency);
}

QString Money::toString(const QLocale &locale) const
{
    if (isNull())
        return QString();
    const bool negative = m_minorUnits < 0;
    const QString number = numberText(magnitude(m_minorUnits), decimals(), locale, true);
    QString symbol = m_currency;
    if (m_currency == locale.currencySymbol(QLocale::CurrencyIsoCode)) {
        const QString own = locale.currencySymbol(QLocale::CurrencySymbol);
        if (!own.isEmpty())
            symbol = own;
    }
    // The locale's pattern for money (where the symbol goes, how a negative
    // amount looks) taken from a whole number, with the exact number put in
    // place of it: QLocale writes fractions of money only from a double.
    const QString pattern = locale.toCurrencyString(qlonglong(negative ? -7 : 7), symbol);
    const QString seven = locale.toString(qlonglong(7));
    const qsizetype at = pattern.lastIndexOf(seven);
    if (at < 0)
        return (negative ? locale.negativeSign() : QString()) + number + QChar(0x00A0) + symbol;
    QString before = pattern.left(at);
    QString after = pattern.mid(at + seven.size());
    // A code of letters written against the digits ("EUR7") reads as one
    // word: keep them apart with a no-break space.
    if (isLetterAt(before, before.size() - 1))
        before += QChar(0x00A0);
    if (isLetterAt(after, 0))
        after.prepend(QChar(0x00A0));
    return before + number + after;
}

QString Money::toEditText(const QLocale &locale) const
{
    if (isNull())
        return QString();
    const QString number = numberText(magnitude(m_minorUnits), decimals(), locale, false);
    return m_minorUnits < 0 ? locale.negativeSign() + number : number;
}

std::optional<Money> Money::parse(const QString &text, const QString &currency, const QLocale &locale,
                                  ParseProblem *problem)
{
    const auto fail = [problem](ParseProblem why) -> std::optional<Money> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (problem)
        *problem = ParseProblem::None;
    if (!isCurrencyCode(currency))
        return fail(ParseProblem::Currency);

    QString t;
    t.reserve(text.size());
    for (const QChar c : text) {
        if (!isDirectionMark(c))
            t += c;
    }
    t = t.trimmed();
    if (t.isEmpty())
        return fail(ParseProblem::Empty);

    // The currency may be written before or after the number.
    QStringList symbols{currency};
    if (currency == locale.currencySymbol(QLocale::CurrencyIsoCode)) {
        const QString own = locale.currencySymbol(QLocale::CurrencySymbol);
        if (!own.isEmpty())
            symbols.prepend(own);
    }
    for (const QString &symbol : std::as_const(symbols)) {
        if (t.startsWith(symbol, Qt::CaseInsensitive)) {
            t = t.mid(symbol.size()).trimmed();
            break;
        }
        if (t.endsWith(symbol, Qt::CaseInsensitive)) {
            t.chop(symbol.size());
            t = t.trimmed();
            break;
        }
    }
    if (t.isEmpty())
        return fail(ParseProblem::Empty);
    const QString negativeSign = locale.negativeSign();
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QChar(0x2212))
        || (!negativeSign.isEmpty() && t.startsWith(negativeSign))
        || (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))))
        return fail(ParseProblem::Negative);

    const QString decimalPoint = locale.decimalPoint();
    const qsizetype point = t.indexOf(decimalPoint);
    const QString whole = point < 0 ? t : t.left(point);
    const QString fraction = point < 0 ? QString() : t.mid(point + decimalPoint.size());
    if (whole.isEmpty() && fraction.isEmpty())
        return fail(ParseProblem::NotANumber);

    // The whole part: digits, perhaps in groups. Groups are checked, since
    // a group separator typed for a decimal point ("12.50" in German) must
    // not make a hundred times the amount. Western groups are three digits,
    // Indian ones two after the last three: every group after the first has
    // two or three digits, and the last has three.
    const QString groupSeparator = locale.groupSeparator();
    quint64 units = 0;
    QList<int> groups{0};
    for (const QChar c : whole) {
        const int digit = digitValue(c);
        if (digit >= 0) {
            if (units > (quint64(Largest) - quint64(digit)) / 10)
                return fail(ParseProblem::TooLarge);
            units = units * 10 + quint64(digit);
            ++groups.last();
        } else if (isGroupSeparator(c, groupSeparator)) {
            groups.append(0);
        } else {
            return fail(ParseProblem::NotANumber);
        }
    }
    if (groups.size() > 1) {
        for (qsizetype i = 0; i < groups.size(); ++i) {
            const int size = groups.at(i);
            const bool fits = i == 0 ? size >= 1 && size <= 3
                                     : (i == groups.size() - 1 ? size == 3 : size == 2 || size == 3);
            if (!fits)
                return fail(ParseProblem::Grouping);
        }
    }

    const int decimals = decimalsOf(currency);
    quint64 fractionUnits = 0;
    int fractionDigits = 0;
    for (const QChar c : fraction) {
        const int digit = digitValue(c);
        if (digit < 0)
            return fail(ParseProblem::NotANumber);
        if (fractionDigits == decimals) {
            if (digit != 0)
                return fail(ParseProblem::TooManyDecimals);
            continue;
        }
        fractionUnits = fractionUnits * 10 + quint64(digit);
        ++fractionDigits;
    }
    fractionUnits *= powerOfTen(decimals - fractionDigits);

    const quint64 scale = powerOfTen(decimals);
    if (units > (quint64(Largest) - fractionUnits) / scale)
        return fail(ParseProblem::TooLarge);
    return Money(qint64(units * scale + fractionUnits), currency);
}

QString Money::problemText(ParseProblem problem, const QString &currency, const QLocale &locale)
{
    switch (problem) {
    case ParseProblem::None:
    case ParseProblem::Empty:
        return QString();
    case ParseProblem::NotANumber:
    case ParseProblem::Grouping: {
        const int decimals = decimalsOf(currency);
        const QString example = numberText(1250 * powerOfTen(decimals), decimals, locale, true);
        return QStringLiteral("Please enter the amount as a number, such as %1.").arg(example);
    }
    case ParseProblem::TooManyDecimals:
        if (decimalsOf(currency) == 0)
            return QStringLiteral("Amounts in %1 have no decimals.").arg(currency);
        return QStringLiteral("Amounts in %1 have at most %2 decimals.").arg(currency).arg(decimalsOf(currency));
    case ParseProblem::Negative:
        return QStringLiteral("Please enter an amount of zero or more.");
    case ParseProblem::TooLarge:
        return QStringLiteral("The amount is too large.");
    case ParseProblem::Currency:
        return QStringLiteral("Please choose a currency.");
    }
    return QString();
}

QStringList Money::knownCurrencies()
{
    QStringList codes;
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    for (const QLocale &locale : locales) {
        const QString code = locale.currencySymbol(QLocale::CurrencyIsoCode);
        if (isCurrencyCode(code))
            codes.append(code);
    }
    codes.sort();
    codes.removeDuplicates();
    return codes;
}

QString Money::defaultCurrency(const QLocale &locale)
{
    const QString code = locale.currencySymbol(QLocale::CurrencyIsoCode);
    return isCurrencyCode(code) ? code : QStringLiteral("XXX");
}

bool Money::isCurrencyCode(const QString &code)
{
    if (code.size() != 3)
        return false;
    for (const QChar c : code) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            return false;
    }
    return true;
}

int Money::decimalsOf(const QString &currency)
{
    for (const CurrencyDecimals &entry : OtherDecimals) {
        if (currency == QLatin1String(entry.code))
            return entry.decimals;
    }
    return 2;
}
