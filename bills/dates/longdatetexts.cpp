#include "longdatetexts.h"

LongDateTexts::LongDateTexts(const QLocale &locale)
    : m_locale(locale)
{
}

QString LongDateTexts::text(QDate date)
{
    // The null date writes as an empty text; it needs no entry.
    if (!date.isValid())
        return m_locale.toString(date, QLocale::LongFormat);
    auto found = m_texts.constFind(date.toJulianDay());
    if (found == m_texts.cend())
        found = m_texts.insert(date.toJulianDay(), m_locale.toString(date, QLocale::LongFormat));
    return *found;
}

QString longDateText(QDate date)
{
    return longDateText(date, QLocale::system());
}

QString longDateText(QDate date, const QLocale &locale)
{
    return locale.toString(date, QLocale::LongFormat);
}
