#include "billlisting.h"

#include "daynumber.h"
#include "occurrence.h"
#include "occurrencecounts.h"
#include "paymentstatus.h"
#include "reminderrules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <algorithm>
#include <charconv>
#include <cstring>
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

// YYYY-MM-DD, or null for no date or one the form cannot write (a file may
// hold any year).
QJsonValue dateValue(QDate date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return QJsonValue();
    return QJsonValue(date.toString(Qt::ISODate));
}

QJsonArray remindersValue(const QList<ReminderOffset> &reminders)
{
    QJsonArray array;
    for (const ReminderOffset &reminder : reminders) {
        QJsonObject object;
        object.insert(QLatin1String("days"), qAbs(reminder.day));
        object.insert(QLatin1String("when"), reminder.afterUnpaid ? QStringLiteral("afterUnpaid")
                                                                  : QStringLiteral("before"));
        array.append(object);
    }
    return array;
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
    bool amountEstimated = false; // an amount that varies, estimated from its payments
    QList<ReminderOffset> reminders;
};

BillListing::BillListing(QDate today, const QLocale &locale)
    : m_today(today)
    , m_locale(locale)
{
}

BillListing::BillListing(BillListing &&other) noexcept = default;
BillListing &BillListing::operator=(BillListing &&other) noexcept = default;
BillListing::~BillListing() = default;

struct BillListing::Added
{
    explicit Added(QDate today)
        : counts(today)
    {
    }
    OccurrenceCounts counts;
    QList<Entry> list;
};

BillListing::Entry BillListing::entryOf(const Event &event, OccurrenceCounts &counts) const
{
    Entry entry;
    entry.name = event.name;
    // The same date and days as the bill list's row (billRow).
    const DueDate next = counts.nextDue(event);
    entry.shownDate = next.date;
    // A singular bill answers its own date even when it has passed.
    if (next.endsAfter(event))
        entry.shownDate = event.endDate;
    else if (next.date.isValid() && next.date >= m_today)
        entry.days = daysBetween(m_today, next.date);
    if (event.payments.isTracking()) {
        const PaymentStatus status = paymentStatus(event, m_today);
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
    entry.remaining = counts.remaining(event);
    entry.schedule = scheduleName(event.schedule);
    if (event.endMode != Event::EndNever)
        entry.ends = event.endDate;
    entry.amountEstimated = event.amountVaries && !event.amount.isNull();
    entry.amount = entry.amountEstimated ? expectedAmount(event) : event.amount;
    entry.reminders = reminderOffsets(event);
    return entry;
}

QList<BillListing::Entry> BillListing::entries(const EventList &bills) const
{
    OccurrenceCounts counts(m_today);
    QList<Entry> list;
    list.reserve(bills.size());
    for (const Event *event : bills) {
        if (event)
            list.append(entryOf(*event, counts));
    }
    return list;
}

std::vector<qsizetype> BillListing::order(const QList<Entry> &list)
{
    // Most overdue first, then the soonest; those no longer due last.
    // Sorted as positions: the entries stay where they are.
    std::vector<qsizetype> order(std::size_t(list.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&list](qsizetype a, qsizetype b) {
        const std::optional<qint64> &x = list.at(a).days;
        const std::optional<qint64> &y = list.at(b).days;
        if (x.has_value() != y.has_value())
            return x.has_value();
        return x.has_value() && *x < *y;
    });
    return order;
}

void BillListing::add(const Event &event)
{
    if (!m_added)
        m_added = std::make_unique<Added>(m_today);
    m_added->list.append(entryOf(event, m_added->counts));
}

QByteArray BillListing::table() const
{
    return tableOf(m_added ? m_added->list : QList<Entry>());
}

QByteArray BillListing::json() const
{
    return jsonOf(m_added ? m_added->list : QList<Entry>());
}

QByteArray BillListing::table(const EventList &bills) const
{
    return tableOf(entries(bills));
}

QByteArray BillListing::json(const EventList &bills) const
{
    return jsonOf(entries(bills));
}

namespace {

// The rows go straight into the UTF-8 bytes, one pass and no QString per
// cell: the list may hold 100,000 bills.

// The most bytes writeUtf8() writes per UTF-16 unit.
constexpr qsizetype Utf8Room = 3;

// UTF-16 as UTF-8 at `to`, a lone surrogate as "?" (as QString::toUtf8() has
// it). Returns the end.
char *writeUtf8(char *to, QStringView text)
{
    const char16_t *at = text.utf16();
    const char16_t *const end = at + text.size();
    while (at != end) {
        const char16_t u = *at++;
        if (u < 0x80) {
            *to++ = char(u);
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
            *to++ = '?';
        } else {
            *to++ = char(0xe0 | (u >> 12));
            *to++ = char(0x80 | ((u >> 6) & 0x3f));
            *to++ = char(0x80 | (u & 0x3f));
        }
    }
    return to;
}

// YYYY-MM-DD; false for no date, or one the form cannot write (a file may
// hold any year).
bool writeIsoDate(char *to, QDate date)
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
    std::memcpy(to, digits, sizeof digits);
    return true;
}

// A name as one table cell, as cellText() has it, in a string reused from
// row to row.
void cellInto(QString *cell, const QString &text)
{
    cell->resize(text.size());
    const QChar *from = text.constData();
    QChar *to = cell->data();
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
}

} // namespace

namespace {

// Bytes written through a pointer into room made beforehand, a row at a
// time: no call and no length count per piece.
class ByteWriter
{
public:
    explicit ByteWriter(QByteArray &out)
        : m_out(out)
    {
    }

    // Room for `size` more bytes; what is written after it must fit.
    void makeRoom(qsizetype size)
    {
        const qsizetype used = m_at ? m_at - m_out.constData() : m_out.size();
        if (used + size > m_out.size())
            m_out.resize(std::max(used + size, 2 * m_out.size()));
        m_at = m_out.data() + used;
    }
    // The bytes written so far, and no more.
    void finish()
    {
        if (m_at)
            m_out.resize(m_at - m_out.constData());
        m_at = nullptr;
    }

    template<std::size_t N>
    void literal(const char (&text)[N])
    {
        std::memcpy(m_at, text, N - 1);
        m_at += N - 1;
    }
    void bytes(const QByteArray &value)
    {
        std::memcpy(m_at, value.constData(), std::size_t(value.size()));
        m_at += value.size();
    }
    void spaces(qsizetype count)
    {
        for (; count > 0; --count)
            *m_at++ = ' ';
    }
    void utf8(QStringView text) { m_at = writeUtf8(m_at, text); }
    // `value`, or `instead` without one, right-aligned in `width` characters.
    void rightNumber(std::optional<qint64> value, const QByteArray &instead, qsizetype width)
    {
        char digits[24];
        const char *end = digits;
        if (value) {
            end = std::to_chars(digits, digits + sizeof digits, *value).ptr;
        } else {
            std::memcpy(digits, instead.constData(), std::size_t(instead.size()));
            end = digits + instead.size();
        }
        spaces(width - (end - digits));
        std::memcpy(m_at, digits, std::size_t(end - digits));
        m_at += end - digits;
    }
    // YYYY-MM-DD; false, writing nothing, for a date the form cannot write.
    bool isoDate(QDate date)
    {
        if (!writeIsoDate(m_at, date))
            return false;
        m_at += 10;
        return true;
    }

private:
    QByteArray &m_out;
    char *m_at = nullptr;
};

} // namespace

QByteArray BillListing::tableOf(const QList<Entry> &list) const
{
    const std::vector<qsizetype> rows = order(list);
    // The amount column is as wide as its widest amount; few bills have one.
    qsizetype amountWidth = AmountHeader.size();
    QStringList amounts(list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.at(i).amount.isNull()) {
            amounts[i] = cellText((list.at(i).amountEstimated ? QStringLiteral("\u2248 ") : QString())
                                  + list.at(i).amount.toString(m_locale));
            amountWidth = std::max(amountWidth, amounts.at(i).size());
        }
    }
    const qsizetype dateWidth = std::max<qsizetype>(DueDateHeader.size(), 10);
    const qsizetype gap = ColumnGap.size();
    // A row less its amount and name: the columns, their gaps and the line's end.
    const qsizetype rowRoom = dateWidth + DaysHeader.size() + UnpaidHeader.size() + 4 * gap + 32;
    QByteArray text;
    text.reserve((rowRoom + amountWidth + 16) * (list.size() + 1));
    ByteWriter row(text);
    row.makeRoom(rowRoom + Utf8Room * (amountWidth + DescriptionHeader.size() + DueDateHeader.size()));
    row.utf8(DueDateHeader);
    row.spaces(dateWidth - DueDateHeader.size() + gap);
    row.utf8(DaysHeader);
    row.spaces(gap);
    row.utf8(UnpaidHeader);
    row.spaces(gap + amountWidth - AmountHeader.size());
    row.utf8(AmountHeader);
    row.spaces(gap);
    row.utf8(DescriptionHeader);
    row.literal("\n");
    const QByteArray notApplicable = NotApplicable.toLatin1();
    QString cell;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const qsizetype at = rows[std::size_t(i)];
        const Entry &entry = list.at(at);
        cellInto(&cell, entry.name);
        row.makeRoom(rowRoom + Utf8Room * (amountWidth + cell.size()));
        if (!row.isoDate(entry.shownDate)) {
            row.bytes(notApplicable);
            row.spaces(10 - notApplicable.size());
        }
        row.spaces(dateWidth - 10 + gap);
        row.rightNumber(entry.days, notApplicable, DaysHeader.size());
        row.spaces(gap);
        row.rightNumber(entry.unpaidCount ? std::optional<qint64>(*entry.unpaidCount) : std::nullopt, QByteArray(),
                        UnpaidHeader.size());
        row.spaces(gap + amountWidth - amounts.at(at).size());
        row.utf8(amounts.at(at));
        row.spaces(gap);
        row.utf8(cell);
        row.literal("\n");
    }
    row.finish();
    return text;
}

QByteArray BillListing::jsonOf(const QList<Entry> &list) const
{
    // Through QJsonDocument, not by hand: names may hold anything, and the
    // document escapes them as JSON wants.
    QJsonArray array;
    for (const qsizetype at : order(list)) {
        const Entry &entry = list.at(at);
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
        if (entry.amountEstimated)
            object.insert(QLatin1String("amountEstimated"), true);
        object.insert(QLatin1String("reminders"), remindersValue(entry.reminders));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
