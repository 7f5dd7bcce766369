#include "historycsv.h"

#include <QStringList>

namespace {

QString quoted(const QString &field)
{
    const bool needsQuotes = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"'))
                             || field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'));
    if (!needsQuotes)
        return field;
    QString text = field;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A text a spreadsheet would take for a formula is kept as text.
QString plainText(const QString &text)
{
    static const QString FormulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && FormulaStarts.contains(text.at(0)))
        return QLatin1Char('\'') + text;
    return text;
}

QString row(const QStringList &fields)
{
    QStringList cells;
    cells.reserve(fields.size());
    for (const QString &field : fields)
        cells << quoted(field);
    return cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

} // namespace

QString csvAmount(const Money &amount)
{
    if (amount.isNull())
        return QString();
    const int decimals = Money::decimalsOf(amount.currency());
    const qint64 units = amount.minorUnits();
    // The magnitude in unsigned range, so the most negative value has one.
    const quint64 magnitude = units < 0 ? quint64(0) - quint64(units) : quint64(units);
    QString digits = QString::number(magnitude);
    if (decimals > 0) {
        if (digits.size() <= decimals)
            digits = QString(decimals + 1 - digits.size(), QLatin1Char('0')) + digits;
        digits.insert(digits.size() - decimals, QLatin1Char('.'));
    }
    return units < 0 ? QLatin1Char('-') + digits : digits;
}

QByteArray historyCsv(const EventList &events)
{
    QString text = row({QStringLiteral("Bill"), QStringLiteral("Due date"), QStringLiteral("Paid on"),
                        QStringLiteral("Amount"), QStringLiteral("Currency"), QStringLiteral("Note")});
    for (const Event *event : events) {
        for (const PaymentRecord &payment : event->history) {
            text += row({plainText(event->name), payment.dueDate.toString(Qt::ISODate),
                         payment.paidOn.toString(Qt::ISODate), csvAmount(payment.amount), payment.amount.currency(),
                         plainText(payment.note)});
        }
    }
    return text.toUtf8();
}
