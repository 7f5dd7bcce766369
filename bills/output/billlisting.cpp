#include "billlisting.h"

#include "daynumber.h"
#include "occurrence.h"
#include "occurrencecounts.h"
#include "paymentstatus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QList>

#include <algorithm>
#include <numeric>
#include <vector>
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
    // Sorted as positions, so that each entry moves once.
    std::vector<qsizetype> order(std::size_t(list.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&list](qsizetype a, qsizetype b) {
        const std::optional<qint64> &x = list.at(a).days;
        const std::optional<qint64> &y = list.at(b).days;
        if (x.has_value() != y.has_value())
            return x.has_value();
        return x.has_value() && *x < *y;
    });
    QList<Entry> sorted;
    sorted.reserve(list.size());
    for (const qsizetype at : order)
        sorted.append(std::move(list[at]));
    return sorted;
}

namespace {

// The rows go straight into the UTF-8 bytes, one pass and no QString per
// cell: the list may hold 100,000 bills.

void appendSpaces(QByteArray &out, qsizetype count)
{
    if (count > 0)
        out.append(count, ' ');
}

// UTF-16 as UTF-8, a lone surrogate as "?" (as QString::toUtf8() has it);
// `escapeJson` writes the JSON string escapes instead, and a lone surrogate
// as its \\u code (as QJsonDocument has them). Written through a pointer
// into room made beforehand: the bytes of a long list go through here.
void appendUtf8(QByteArray &out, QStringView text, bool escapeJson)
{
    static const char hex[] = "0123456789abcdef";
    const qsizetype had = out.size();
    out.resize(had + text.size() * (escapeJson ? 6 : 3));
    char *to = out.data() + had;
    const auto escaped = [&to](char16_t u) {
        *to++ = '\\';
        *to++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4)
            *to++ = hex[(u >> shift) & 0xf];
    };
    const char16_t *at = text.utf16();
    const char16_t *const end = at + text.size();
    while (at != end) {
        const char16_t u = *at++;
        if (u < 0x80) {
            if (escapeJson && (u < 0x20 || u == u'"' || u == u'\\')) {
                char code = 0;
                switch (u) {
                case u'"': code = '"'; break;
                case u'\\': code = '\\'; break;
                case u'\b': code = 'b'; break;
                case u'\f': code = 'f'; break;
                case u'\n': code = 'n'; break;
                case u'\r': code = 'r'; break;
                case u'\t': code = 't'; break;
                default: break;
                }
                if (code != 0) {
                    *to++ = '\\';
                    *to++ = code;
                } else {
                    escaped(u);
                }
            } else {
                *to++ = char(u);
            }
        } else if (u < 0x800) {
            *to++ = char(0xc0 | (u >> 6));
            *to++ = char(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && at != end && QChar::isLowSurrogate(*at)) {
            const char32_t c = QChar::surrogateToUcs4(u, *at++);
            *to++ = char(0xf0 | (c >> 18));
            *to++ = char(0x80 | ((c >> 12) & 0x3f));
            *to++ = char(0x80 | ((c >> 6) & 0x3f));
            *to++ = char(0x80 | (c & 0x3f));
        } else if (QChar::isSurrogate(u)) {
            if (escapeJson)
                escaped(u);
            else
                *to++ = '?';
        } else {
            *to++ = char(0xe0 | (u >> 12));
            *to++ = char(0x80 | ((u >> 6) & 0x3f));
            *to++ = char(0x80 | (u & 0x3f));
        }
    }
    out.resize(to - out.constData());
}

// YYYY-MM-DD; false for no date, or one the form cannot write (a file may
// hold any year).
bool appendIsoDate(QByteArray &out, QDate date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return false;
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    const char digits[] = {char('0' + year / 1000), char('0' + year / 100 % 10), char('0' + year / 10 % 10),
                           char('0' + year % 10), '-', char('0' + month / 10), char('0' + month % 10), '-',
                           char('0' + day / 10), char('0' + day % 10)};
    out.append(digits, sizeof digits);
    return true;
}

// `text` right-aligned in `width` characters (UTF-16 units, as
// QString::rightJustified() counts them).
void appendRight(QByteArray &out, QStringView text, qsizetype width)
{
    appendSpaces(out, width - text.size());
    appendUtf8(out, text, false);
}

void appendRight(QByteArray &out, const QByteArray &ascii, qsizetype width)
{
    appendSpaces(out, width - ascii.size());
    out += ascii;
}

// A name as one table cell (as cellText() has it), straight into the
// bytes; `scratch` is reused from row to row.
void appendCell(QByteArray &out, const QString &text, QString *scratch)
{
    scratch->resize(text.size());
    const QChar *from = text.constData();
    QChar *to = scratch->data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = from[i].unicode();
        // The other controls are exactly U+0000-U+001F and U+007F-U+009F.
        if (breaksLine(u))
            to[i] = QLatin1Char(' ');
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0) || isBidiControl(u))
            to[i] = ReplacementCharacter;
        else
            to[i] = from[i];
    }
    appendUtf8(out, *scratch, false);
}

} // namespace

QByteArray BillListing::table(const EventList &bills) const
{
    const QList<Entry> list = entries(bills);
    // The amount column is as wide as its widest amount; few bills have one.
    qsizetype amountWidth = AmountHeader.size();
    QStringList amounts(list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.at(i).amount.isNull()) {
            amounts[i] = cellText(list.at(i).amount.toString(m_locale));
            amountWidth = std::max(amountWidth, amounts.at(i).size());
        }
    }
    const qsizetype dateWidth = std::max<qsizetype>(DueDateHeader.size(), 10);
    QByteArray text;
    text.reserve((dateWidth + DaysHeader.size() + UnpaidHeader.size() + amountWidth + 4 * ColumnGap.size() + 24)
                 * (list.size() + 1));
    const QByteArray gap = ColumnGap.toLatin1();
    appendUtf8(text, DueDateHeader, false);
    appendSpaces(text, dateWidth - DueDateHeader.size());
    text += gap;
    appendRight(text, DaysHeader, DaysHeader.size());
    text += gap;
    appendRight(text, UnpaidHeader, UnpaidHeader.size());
    text += gap;
    appendRight(text, AmountHeader, amountWidth);
    text += gap;
    appendUtf8(text, DescriptionHeader, false);
    text += '\n';
    const QByteArray notApplicable = NotApplicable.toLatin1();
    QString scratch;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Entry &entry = list.at(i);
        if (appendIsoDate(text, entry.shownDate)) {
            appendSpaces(text, dateWidth - 10);
        } else {
            text += notApplicable;
            appendSpaces(text, dateWidth - notApplicable.size());
        }
        text += gap;
        appendRight(text, entry.days ? QByteArray::number(*entry.days) : notApplicable, DaysHeader.size());
        text += gap;
        appendRight(text, entry.unpaidCount ? QByteArray::number(*entry.unpaidCount) : QByteArray(),
                    UnpaidHeader.size());
        text += gap;
        appendRight(text, QStringView(amounts.at(i)), amountWidth);
        text += gap;
        appendCell(text, entry.name, &scratch);
        text += '\n';
    }
    return text;
}

namespace {

// JSON as QJsonDocument writes it indented (keys in order, four spaces a
// level), so the text stays what it was.
void appendJsonString(QByteArray &out, QStringView text)
{
    out += '"';
    appendUtf8(out, text, true);
    out += '"';
}

void appendJsonDate(QByteArray &out, QDate date)
{
    out += '"';
    if (!appendIsoDate(out, date)) {
        out.chop(1);
        out += "null";
        return;
    }
    out += '"';
}

void appendJsonField(QByteArray &out, const char *key)
{
    out += "        \"";
    out += key;
    out += "\": ";
}

} // namespace

QByteArray BillListing::json(const EventList &bills) const
{
    const QList<Entry> list = entries(bills);
    QByteArray out;
    out.reserve(qsizetype(400) * (list.size() + 1));
    out += "[\n";
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Entry &entry = list.at(i);
        const bool hasAmount = !entry.amount.isNull();
        out += "    {\n";
        appendJsonField(out, "amount");
        if (hasAmount) {
            // Qt's shortest form of a double, as the document writes it.
            const QByteArray number = QJsonDocument(QJsonArray{amountNumber(entry.amount)}).toJson(QJsonDocument::Compact);
            out.append(number.constData() + 1, number.size() - 2);
        } else {
            out += "null";
        }
        out += ",\n";
        appendJsonField(out, "amountText");
        if (hasAmount)
            appendJsonString(out, entry.amount.toString(m_locale));
        else
            out += "null";
        out += ",\n";
        appendJsonField(out, "currency");
        if (hasAmount)
            appendJsonString(out, entry.amount.currency());
        else
            out += "null";
        out += ",\n";
        appendJsonField(out, "daysRemaining");
        out += entry.days ? QByteArray::number(*entry.days) : QByteArray("null");
        out += ",\n";
        appendJsonField(out, "ends");
        appendJsonDate(out, entry.ends);
        out += ",\n";
        appendJsonField(out, "name");
        appendJsonString(out, entry.name);
        out += ",\n";
        appendJsonField(out, "nextDue");
        if (entry.days)
            appendJsonDate(out, entry.shownDate);
        else
            out += "null";
        out += ",\n";
        appendJsonField(out, "overdue");
        out += entry.overdue ? "true" : "false";
        out += ",\n";
        appendJsonField(out, "paidThrough");
        appendJsonDate(out, entry.paidThrough);
        out += ",\n";
        appendJsonField(out, "remaining");
        out += entry.remaining >= 0 ? QByteArray::number(entry.remaining) : QByteArray("null");
        out += ",\n";
        appendJsonField(out, "schedule");
        appendJsonString(out, entry.schedule);
        out += ",\n";
        appendJsonField(out, "unpaidCount");
        out += entry.unpaidCount ? QByteArray::number(*entry.unpaidCount) : QByteArray("null");
        out += "\n    }";
        out += i + 1 < list.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}
