#include "billlisting.h"

#include "daynumber.h"
#include "occurrence.h"
#include "occurrencecounts.h"
#include "paymentstatus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

constexpr QChar ReplacementCharacter(0xfffd);
const QString NotApplicable = QStringLiteral("N/A");
const QString DueDateHeader = QStringLiteral("Due Date");
const QString DaysHeader = QStringLiteral("Days Remaining");
const QString UnpaidHeader = QStringLiteral("Unpaid");
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

// A JSON number in the currency's units: whole units stay an exact
// integer; a double holds up to 15 digits exactly, and Qt writes the
// shortest text that reads back as the same double (1250.5, 12.34).
QJsonValue amountNumber(const Money &amount)
{
    const int decimals = amount.decimals();
    if (decimals == 0)
        return QJsonValue(amount.minorUnits());
    double scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    return QJsonValue(double(amount.minorUnits()) / scale);
}

QJsonValue dateValue(QDate date)
{
    const QString iso = isoDate(date);
    return iso.isEmpty() ? QJsonValue() : QJsonValue(iso);
}

} // namespace

// One bill as both forms show it.
struct BillListing::Entry
{
    QString name;
    QDate shownDate;            // the list's date: the next (unpaid) due date, or the end date of an ended bill
    std::optional<qint64> days; // to shownDate, negative when overdue; none: no longer due
    bool overdue = false;
    std::optional<int> unpaidCount; // only for a bill that tracks payments
    QDate paidThrough;
    int remaining = -1;
    QString schedule;
    QDate ends;
    Money amount;
};

BillListing::BillListing(QDate today, const QLocale &locale)
    : m_today(today)
    , m_locale(locale)
{
}

QList<BillListing::Entry> BillListing::entries(const EventList &bills) const
{
    OccurrenceCounts counts(m_today);
    QList<Entry> list;
    list.reserve(bills.size());
    for (const Event *event : bills) {
        if (!event)
            continue;
        Entry entry;
        entry.name = event->name;
        // The same date and days as the bill list's row (billRow).
        const DueDate next = counts.nextDue(*event);
        entry.shownDate = next.date;
        // A singular bill answers its own date even when it has passed.
        if (next.endsAfter(*event))
            entry.shownDate = event->endDate;
        else if (next.date.isValid() && next.date >= m_today)
            entry.days = daysBetween(m_today, next.date);
        if (event->payments.isTracking()) {
            const PaymentStatus status = paymentStatus(*event, m_today);
            entry.paidThrough = status.lastPaid;
            entry.unpaidCount = status.unpaidCount;
            switch (status.state) {
            case PaymentStatus::Upcoming:
                entry.shownDate = status.unpaid.date;
                entry.days = status.daysLeft;
                break;
            case PaymentStatus::Overdue:
                entry.shownDate = status.unpaid.date;
                entry.days = -status.daysOverdue;
                entry.overdue = true;
                break;
            case PaymentStatus::Finished:
                if (status.lastPaid.isValid())
                    entry.shownDate = status.lastPaid;
                entry.days.reset();
                break;
            default:
                break;
            }
        }
        entry.remaining = counts.remaining(*event);
        entry.schedule = scheduleName(event->schedule);
        if (event->endMode != Event::EndNever)
            entry.ends = event->endDate;
        entry.amount = event->amount;
        list.append(std::move(entry));
    }
    // Most overdue first, then the soonest; those no longer due last.
    std::stable_sort(list.begin(), list.end(), [](const Entry &a, const Entry &b) {
        if (a.days.has_value() != b.days.has_value())
            return a.days.has_value();
        return a.days.has_value() && *a.days < *b.days;
    });
    return list;
}

QByteArray BillListing::table(const EventList &bills) const
{
    const QList<Entry> list = entries(bills);
    qsizetype amountWidth = AmountHeader.size();
    QStringList amounts;
    amounts.reserve(list.size());
    for (const Entry &entry : list) {
        amounts.append(cellText(entry.amount.toString(m_locale)));
        amountWidth = std::max(amountWidth, amounts.last().size());
    }
    const qsizetype dateWidth = std::max<qsizetype>(DueDateHeader.size(), 10);
    const auto line = [&](const QString &date, const QString &days, const QString &unpaid, const QString &amount,
                          const QString &name) {
        return date.leftJustified(dateWidth) + ColumnGap + days.rightJustified(DaysHeader.size()) + ColumnGap
               + unpaid.rightJustified(UnpaidHeader.size()) + ColumnGap + amount.rightJustified(amountWidth)
               + ColumnGap + name + QLatin1Char('\n');
    };
    QString text = line(DueDateHeader, DaysHeader, UnpaidHeader, AmountHeader, DescriptionHeader);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Entry &entry = list.at(i);
        const QString iso = isoDate(entry.shownDate);
        const QString date = iso.isEmpty() ? NotApplicable : iso;
        const QString days = entry.days ? QString::number(*entry.days) : NotApplicable;
        const QString unpaid = entry.unpaidCount ? QString::number(*entry.unpaidCount) : QString();
        text += line(date, days, unpaid, amounts.at(i), cellText(entry.name));
    }
    return text.toUtf8();
}

QByteArray BillListing::json(const EventList &bills) const
{
    const QList<Entry> list = entries(bills);
    QJsonArray array;
    for (const Entry &entry : list) {
        QJsonObject object;
        object.insert(QLatin1String("name"), entry.name);
        object.insert(QLatin1String("nextDue"), entry.days ? dateValue(entry.shownDate) : QJsonValue());
        object.insert(QLatin1String("daysRemaining"), entry.days ? QJsonValue(*entry.days) : QJsonValue());
        object.insert(QLatin1String("overdue"), entry.overdue);
        object.insert(QLatin1String("unpaidCount"),
                      entry.unpaidCount ? QJsonValue(*entry.unpaidCount) : QJsonValue());
        object.insert(QLatin1String("paidThrough"), dateValue(entry.paidThrough));
        object.insert(QLatin1String("remaining"), entry.remaining >= 0 ? QJsonValue(entry.remaining) : QJsonValue());
        object.insert(QLatin1String("schedule"), entry.schedule);
        object.insert(QLatin1String("ends"), dateValue(entry.ends));
        const bool hasAmount = !entry.amount.isNull();
        object.insert(QLatin1String("amount"), hasAmount ? amountNumber(entry.amount) : QJsonValue());
        object.insert(QLatin1String("currency"), hasAmount ? QJsonValue(entry.amount.currency()) : QJsonValue());
        object.insert(QLatin1String("amountText"),
                      hasAmount ? QJsonValue(entry.amount.toString(m_locale)) : QJsonValue());
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
