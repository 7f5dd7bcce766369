#ifndef PAYVANE_LONGDATETEXTS_H
#define PAYVANE_LONGDATETEXTS_H

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>

// Dates in a locale's long format, each day written once. The bills of a
// long list share few end dates, and writing a date costs more than the rest
// of its row.
class LongDateTexts
{
public:
    explicit LongDateTexts(const QLocale &locale = QLocale::system());

    // The same text as QLocale::toString(date, QLocale::LongFormat).
    [[nodiscard]] QString text(QDate date);

private:
    QLocale m_locale;
    QHash<qint64, QString> m_texts; // by Julian Day Number
};

// A date in the system's long format.
[[nodiscard]] QString longDateText(QDate date);
// The same with a locale the caller keeps (building the system locale for
// every row of a long list costs more than the row itself).
[[nodiscard]] QString longDateText(QDate date, const QLocale &locale);

#endif // PAYVANE_LONGDATETEXTS_H
