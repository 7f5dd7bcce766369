#include "billlisting.h"

#include "daynumber.h"
#include "occurrence.h"
#include "occurrencecounts.h"

#include <QList>

#include <algorithm>
#include <utility>

namespace {

constexpr QChar ReplacementCharacter(0xfffd);
const QString NotApplicable = QStringLiteral("N/A");
const QString DueDateHeader = QStringLiteral("Due Date");
const QString DaysHeader = QStringLiteral("Days Remaining");
const QString AmountHeader = QStringLiteral("Amount");
const QString DescriptionHeader = QStringLiteral("Description");
const QString ColumnGap = QStringLiteral("  ");

bool breaksLine(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == 0x85 || c == 0x2028
           || c == 0x2029;
}

// Marks that reorder the text around them in a terminal.
bool isBidiControl(char16_t c)
{
    return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

// A name or amount as one table cell: nothing in it may end the line, move
// the cursor or turn the text around.
QString cellText(const QString &text)
{
    QString cell = text;
    for (QChar &c : cell) {
        if (breaksLine(c.unicode()))
            c = QLatin1Char(' ');
        else if (c.category() == QChar::Other_Control || isBidiControl(c.unicode()))
            c = ReplacementCharacter;
    }
    return cell;
}

// A JSON string: quotes, backslashes and control characters escaped; a lone
// surrogate, which UTF-8 cannot carry, as its \u escape, so the name
// arrives as it is in the file.
void appendJsonString(QString &out, const QString &text)
{
    out += QLatin1Char('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        const bool pairedHigh = c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (pairedHigh) {
            out += c;
            out += text.at(++i);
        } else if (u == u'"' || u == u'\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u == u'\n') {
            out += QLatin1String("\\n");
        } else if (u == u'\t') {
            out += QLatin1String("\\t");
        } else if (u == u'\r') {
            out += QLatin1String("\\r");
        } else if (u < 0x20 || c.isSurrogate() || u == 0x2028 || u == 0x2029) {
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
}

QString scheduleName(qint32 schedule)
{
    switch (schedule) {
    case Event::ScheduleSingular:
        return QStringLiteral("once");
    case Event::ScheduleWeekly:
        return QStringLiteral("weekly");
    case Event::ScheduleMonthly:
        return QStringLiteral("monthly");
    case Event::ScheduleYearly:
        return QStringLiteral("yearly");
    default:
        return QStringLiteral("unknown");
    }
}

// YYYY-MM-DD; empty for no date, or one the form cannot write (a file may
// hold any year).
QString isoDate(QDate date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return {};
    return date.toString(Qt::ISODate);
}

} // namespace

// One bill as both forms show it.
struct BillListing::Entry
{
    QString name;
    QDate shownDate;  // the list's date: the next due date, or the end date of an ended bill
    qint64 days = -1; // to shownDate; negative: no longer due
    int remaining = -1;
    QString schedule;
    QDate ends;
    QString amount;
};

BillListing::BillListing(QDate today)
    : m_today(today)
{
}

void BillListing::setAmountFunction(std::function<QString(const Event &)> amount)
{
    m_amount = std::move(amount);
}

QList<BillListing::Entry> BillListing::entries(const EventList &bills)
{
    OccurrenceCounts counts(m_today);
    QList<Entry> list;
    list.reserve(bills.size());
    for (const Event *event : bills) {
        if (!event)
            continue;
        Entry entry;
        entry.name = event->name;
        // The same date and days as the bill list's row.
        const DueDate next = counts.nextDue(*event);
        entry.shownDate = next.date;
        entry.days = daysBetween(m_today, next.date);
        if (next.endsAfter(*event)) {
            entry.shownDate = event->endDate;
            entry.days = -1;
        }
        if (entry.shownDate.isNull())
            entry.days = -1;
        entry.remaining = counts.remaining(*event);
        entry.schedule = scheduleName(event->schedule);
        if (event->endMode != Event::EndNever)
            entry.ends = event->endDate;
        if (m_amount)
            entry.amount = m_amount(*event);
        list.append(std::move(entry));
    }
    return list;
}

QByteArray BillListing::table(const EventList &bills)
{
    const QList<Entry> list = entries(bills);
    qsizetype amountWidth = AmountHeader.size();
    QStringList amounts;
    amounts.reserve(list.size());
    for (const Entry &entry : list) {
        amounts.append(cellText(entry.amount));
        amountWidth = std::max(amountWidth, amounts.last().size());
    }
    const qsizetype dateWidth = std::max<qsizetype>(DueDateHeader.size(), 10);
    const auto line = [&](const QString &date, const QString &days, const QString &amount, const QString &name) {
        return date.leftJustified(dateWidth) + ColumnGap + days.rightJustified(DaysHeader.size()) + ColumnGap
               + amount.rightJustified(amountWidth) + ColumnGap + name + QLatin1Char('\n');
    };
    QString text = line(DueDateHeader, DaysHeader, AmountHeader, DescriptionHeader);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Entry &entry = list.at(i);
        const QString iso = isoDate(entry.shownDate);
        const QString date = iso.isEmpty() ? NotApplicable : iso;
        const QString days = entry.days >= 0 ? QString::number(entry.days) : NotApplicable;
        text += line(date, days, amounts.at(i), cellText(entry.name));
    }
    return text.toUtf8();
}

QByteArray BillListing::json(const EventList &bills)
{
    const QList<Entry> list = entries(bills);
    const QString null = QStringLiteral("null");
    const auto dateOrNull = [&](QDate date) {
        const QString iso = isoDate(date);
        return iso.isEmpty() ? null : QLatin1Char('"') + iso + QLatin1Char('"');
    };
    QString text = QStringLiteral("[");
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Entry &entry = list.at(i);
        const bool due = entry.days >= 0;
        text += i == 0 ? QStringLiteral("\n") : QStringLiteral(",\n");
        text += QLatin1String("  {\"name\": ");
        appendJsonString(text, entry.name);
        text += QLatin1String(", \"nextDue\": ") + (due ? dateOrNull(entry.shownDate) : null);
        text += QLatin1String(", \"daysRemaining\": ") + (due ? QString::number(entry.days) : null);
        text += QLatin1String(", \"remaining\": ") + (entry.remaining >= 0 ? QString::number(entry.remaining) : null);
        text += QLatin1String(", \"schedule\": \"") + entry.schedule + QLatin1Char('"');
        text += QLatin1String(", \"ends\": ") + dateOrNull(entry.ends);
        text += QLatin1String(", \"amount\": ");
        if (entry.amount.isEmpty())
            text += null;
        else
            appendJsonString(text, entry.amount);
        text += QLatin1Char('}');
    }
    text += list.isEmpty() ? QStringLiteral("]\n") : QStringLiteral("\n]\n");
    return text.toUtf8();
}
