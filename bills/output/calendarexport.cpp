#include "calendarexport.h"

#include "daynumber.h"
#include "occurrence.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QHash>
#include <QIODevice>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

// The rule of a repeating bill is written only where RFC 5545 expands it to
// exactly the engine's dates; everything else is listed date by date. A rule
// that is nearly right would put a bill on the wrong day in the user's
// calendar years later, where nobody checks.
//
// Listed dates are separate events rather than one event with RDATEs: several
// widely used calendar programs ignore RDATE on import and would show only
// the first date, while single events show everywhere. Each carries the date
// in its UID, so exporting again updates the same events.

namespace {

constexpr int FirstLineOctets = 75;
constexpr int ContinuationOctets = 74; // after the leading space
constexpr qsizetype WriteChunk = 64 * 1024;
constexpr int MonthCount = 12;
constexpr int WeekdayCount = 7;
constexpr int Saturday = 5; // indexes into Event::weekdays, Monday first
constexpr int Sunday = 6;
constexpr int Friday = 4;
constexpr int Monday = 0;
// The N-th weekday of every month (counted from the start or the end) is
// found in every month up to the fourth; a fifth is not.
constexpr int WeekdaysInEveryMonth = 4;
constexpr int MostWeeksInEveryYear = 52;
constexpr int DaysInEveryYear = 365;
constexpr int DaysInEveryMonth = 28;
constexpr int MostDaysInMonth = 31;

const std::array<const char *, WeekdayCount> WeekdayCodes = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
// The shortest and longest length of each month, January first.
const std::array<int, MonthCount> ShortestMonth = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const std::array<int, MonthCount> LongestMonth = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// iCalendar writes years with four digits.
bool isWritable(QDate date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

// YYYYMMDD, without a trip through a formatted QString: it is written
// several times per event.
QByteArray dateValue(QDate date)
{
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    if (year < 1 || year > 9999)
        return date.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    char digits[8];
    const int parts[] = {year / 100, year % 100, month, day};
    for (int i = 0; i < 4; ++i) {
        digits[2 * i] = char('0' + parts[i] / 10);
        digits[2 * i + 1] = char('0' + parts[i] % 10);
    }
    return QByteArray(digits, 8);
}

// A TEXT value: backslash, semicolon, comma and line breaks escaped; other
// control characters, which the format does not allow, dropped.
QByteArray escapedText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray escaped;
    escaped.reserve(utf8.size() + 8);
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case ';':
            escaped += "\\;";
            break;
        case ',':
            escaped += "\\,";
            break;
        case '\r':
            escaped += "\\n";
            if (i + 1 < utf8.size() && utf8.at(i + 1) == '\n')
                ++i;
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += c;
            break;
        default:
            if (uchar(c) >= 0x20 && uchar(c) != 0x7f)
                escaped += c;
            break;
        }
    }
    return escaped;
}

// Content lines on their way to the device. Each event goes to the device
// as soon as it is complete, and a line longer than a chunk (a very long
// name) goes in chunks, so what is held in memory stays small whatever the
// number of bills and the length of their names.
class ContentWriter
{
public:
    explicit ContentWriter(QIODevice *device)
        : m_device(device)
    {
    }

    // The content line `name` + `value` (kept apart so that a long value is
    // not copied), folded after 75 octets and never inside a UTF-8 sequence,
    // with its CRLF.
    void line(const char *name, const QByteArray &value = {})
    {
        put(name, qsizetype(std::strlen(name)));
        put(value.constData(), value.size());
        m_pending += "\r\n";
        m_lineOctets = 0;
        m_lineLimit = FirstLineOctets;
        if (m_pending.size() >= WriteChunk)
            flush();
    }

    // Hands what is pending to the device. False, then and ever after, once
    // the device did not take every byte.
    bool flush()
    {
        if (m_ok && !m_pending.isEmpty())
            m_ok = m_device->write(m_pending) == m_pending.size();
        m_pending.clear();
        return m_ok;
    }

private:
    void put(const char *data, qsizetype size)
    {
        while (size > 0) {
            const qsizetype room = m_lineLimit - m_lineOctets;
            if (size <= room) {
                m_pending.append(data, size);
                m_lineOctets += size;
                return;
            }
            qsizetype end = room;
            while (end > 0 && (uchar(data[end]) & 0xc0) == 0x80)
                --end;
            m_pending.append(data, end);
            m_pending += "\r\n ";
            data += end;
            size -= end;
            m_lineOctets = 0;
            m_lineLimit = ContinuationOctets;
            if (m_pending.size() >= WriteChunk)
                flush();
        }
    }

    QIODevice *m_device;
    QByteArray m_pending;
    qsizetype m_lineOctets = 0; // on the current folded line
    qsizetype m_lineLimit = FirstLineOctets;
    bool m_ok = true;
};

// ---- recurrence rules

QByteArray frequency(const char *freq, int every)
{
    QByteArray rule = QByteArray("FREQ=") + freq;
    if (every > 1)
        rule += ";INTERVAL=" + QByteArray::number(every);
    return rule;
}

// "2MO,2FR" for the selected weekdays; `ordinal` 0 writes none.
QByteArray weekdayList(const std::array<bool, WeekdayCount> &weekdays, int ordinal)
{
    QByteArray list;
    for (int day = 0; day < WeekdayCount; ++day) {
        if (!weekdays[std::size_t(day)])
            continue;
        if (!list.isEmpty())
            list += ',';
        if (ordinal != 0)
            list += QByteArray::number(ordinal);
        list += WeekdayCodes[std::size_t(day)];
    }
    return list;
}

bool anyWeekendDay(const Event &event)
{
    return event.weekdays[Saturday] || event.weekdays[Sunday];
}

bool movesWeekends(const Event &event)
{
    return event.options.weekends == ScheduleOptions::FridayBefore
           || event.options.weekends == ScheduleOptions::MondayAfter;
}

QByteArray weeklyRule(const Event &event, int every)
{
    std::array<bool, WeekdayCount> days = event.weekdays;
    // A week's weekend days move to its own Friday, or to the next week's
    // Monday, which is still in the bill's weeks only when every week is.
    if (movesWeekends(event) && anyWeekendDay(event)) {
        const bool friday = event.options.weekends == ScheduleOptions::FridayBefore;
        if (!friday && every > 1)
            return {};
        days[Saturday] = days[Sunday] = false;
        days[friday ? Friday : Monday] = true;
    }
    const QByteArray list = weekdayList(days, 0);
    if (list.isEmpty())
        return {};
    return frequency("WEEKLY", every) + ";BYDAY=" + list + ";WKST=MO";
}

// BYMONTHDAY for "Day" N of every month; 0 when no single value says it.
int monthDayOfEveryMonth(const Event &event, int fromEnd)
{
    if (fromEnd > 0) {
        // The N-th last day, or the first day of a shorter month.
        if (fromEnd <= DaysInEveryMonth)
            return -fromEnd;
        return fromEnd >= MostDaysInMonth ? 1 : 0;
    }
    const int n = event.ordinal;
    if (n >= 1 && n <= DaysInEveryMonth)
        return n;
    // A day that some months lack runs over into the next month, which no
    // rule says; the last day of the shorter months is the last of all.
    if (event.options.shortMonths == ScheduleOptions::LastDay && n >= MostDaysInMonth)
        return -1;
    return 0;
}

QByteArray monthlyRule(const Event &event, int every, int fromEnd)
{
    const int n = fromEnd > 0 ? fromEnd : event.ordinal;
    const bool weekdayFamilies = n >= 1 && n <= 5 && event.anyWeekdaySelected();
    // BYMONTHDAY and BYDAY together name their intersection, not the union.
    if (event.byDay == weekdayFamilies)
        return {};
    if (event.byDay) {
        const int day = monthDayOfEveryMonth(event, fromEnd);
        if (day == 0 || movesWeekends(event))
            return {};
        return frequency("MONTHLY", every) + ";BYMONTHDAY=" + QByteArray::number(day);
    }
    if (movesWeekends(event) && anyWeekendDay(event))
        return {};
    // Months with a fifth weekday come often enough, but not every N-th month
    // need ever have one; such a rule would search on for ever.
    if (n == 5 && every > 1)
        return {};
    return frequency("MONTHLY", every) + ";BYDAY=" + weekdayList(event.weekdays, fromEnd > 0 ? -n : n);
}

QByteArray monthList(const Event &event)
{
    QByteArray list;
    for (int month = 0; month < MonthCount; ++month) {
        if (!event.months[std::size_t(month)])
            continue;
        if (!list.isEmpty())
            list += ',';
        list += QByteArray::number(month + 1);
    }
    return list;
}

// BYMONTHDAY for "Day" N of the selected months; 0 when no single value
// says it. A month shorter than N gives its last day (its first counted
// from the end).
int monthDayOfSelectedMonths(const Event &event, int n, bool fromEnd)
{
    int shortest = MostDaysInMonth;
    int longest = 0;
    for (int month = 0; month < MonthCount; ++month) {
        if (!event.months[std::size_t(month)])
            continue;
        shortest = std::min(shortest, ShortestMonth[std::size_t(month)]);
        longest = std::max(longest, LongestMonth[std::size_t(month)]);
    }
    if (n <= shortest)
        return fromEnd ? -n : n;
    if (n >= longest)
        return fromEnd ? 1 : -1;
    return 0;
}

QByteArray yearlyRule(const Event &event, int every, int fromEnd)
{
    const bool counted = fromEnd > 0;
    const int n = counted ? fromEnd : event.ordinal;
    const bool weekday = event.anyWeekdaySelected();
    const bool month = event.anyMonthSelected();
    // The kinds of dates the engine makes of the record. One rule can say
    // only one kind: its parts restrict each other.
    const bool dayOfYear = event.byDay && event.byYear;
    const bool dayOfMonths = event.byDay && month && (counted || event.ordinal >= 1);
    const bool weekdayOfYear = weekday && event.byYear;
    const bool weekdayOfMonths = weekday && month && (!counted || n <= 5);
    if (int(dayOfYear) + int(dayOfMonths) + int(weekdayOfYear) + int(weekdayOfMonths) != 1)
        return {};
    if (movesWeekends(event) && (event.byDay || anyWeekendDay(event)))
        return {};
    const QByteArray rule = frequency("YEARLY", every);
    if (dayOfYear) {
        // Counted from the start, a day past the year's end runs over into
        // the next; from the end, a year shorter than N gives 1 January.
        if (counted)
            return rule + ";BYYEARDAY=" + QByteArray::number(n <= DaysInEveryYear ? -n : 1);
        if (n < 1 || n > DaysInEveryYear)
            return {};
        return rule + ";BYYEARDAY=" + QByteArray::number(n);
    }
    if (dayOfMonths) {
        const int day = monthDayOfSelectedMonths(event, n, counted);
        if (day == 0)
            return {};
        return rule + ";BYMONTH=" + monthList(event) + ";BYMONTHDAY=" + QByteArray::number(day);
    }
    if (weekdayOfYear) {
        // Up to the 52nd, every year has the weekday; the 53rd runs out of it.
        if (n < 1 || n > MostWeeksInEveryYear)
            return {};
        return rule + ";BYDAY=" + weekdayList(event.weekdays, counted ? -n : n);
    }
    // Counted from the start, the N-th weekday of a month runs on into the
    // next month when the month has fewer; from the end it is kept inside,
    // and a fifth comes in some year only when every year is the bill's.
    const bool fits = n >= 1 && (n <= WeekdaysInEveryMonth || (counted && n == 5 && every == 1));
    if (!fits)
        return {};
    return rule + ";BYMONTH=" + monthList(event) + ";BYDAY=" + weekdayList(event.weekdays, counted ? -n : n);
}

// ---- the bill's events

// What two bills of the same UID key share in their records: the name and
// the schedule fields before any schedule option.
QByteArray recordScheduleKey(const Event &event)
{
    QByteArray key = event.name.toUtf8();
    key += '\0';
    key += QByteArray::number(event.schedule) + ';';
    if (event.schedule == Event::ScheduleSingular) {
        key += QByteArray::number(dayNumber(event.eventDate));
    } else {
        for (bool day : event.weekdays)
            key += day ? '1' : '0';
        for (bool month : event.months)
            key += month ? '1' : '0';
        key += ';' + QByteArray::number(event.byDay) + ';' + QByteArray::number(event.byYear) + ';'
               + QByteArray::number(event.ordinal);
    }
    return key;
}

// The key of a bill's UID: its name and what its dates depend on, not its
// end, so a changed end updates the same event.
QByteArray uidBase(const Event &event)
{
    QByteArray key = recordScheduleKey(event);
    if (event.schedule != Event::ScheduleSingular) {
        const ScheduleOptions &options = event.options;
        key += ';' + QByteArray::number(options.effectiveEvery());
        if (options.effectiveEvery() > 1)
            key += ';' + QByteArray::number(dayNumber(options.everyFrom));
        key += ';' + QByteArray::number(options.fromEnd) + ';' + QByteArray::number(options.shortMonths) + ';'
               + QByteArray::number(options.weekends);
    }
    return QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32);
}

// The filter that finds bills alike in name and schedule: 2^23 bits (1 MB)
// keep false alarms below one in 10^5 up to 100,000 bills and rare far
// beyond.
constexpr quint64 FilterBits = quint64(1) << 23;
constexpr int FilterProbes = 4;

// The record part of a bill's UID key, hashed.
quint64 twinKey(const Event &event)
{
    return quint64(qHash(recordScheduleKey(event), size_t(0x9e3779b97f4a7c15ULL)));
}

template<typename Visit>
bool probeFilter(quint64 key, Visit visit)
{
    const quint64 step = (key >> 32) | 1;
    quint64 bit = key & 0xffffffffu;
    bool all = true;
    for (int i = 0; i < FilterProbes; ++i, bit += step)
        all = visit(bit & (FilterBits - 1)) && all;
    return all;
}

bool filterHas(const std::vector<quint64> &filter, quint64 key)
{
    return probeFilter(key, [&](quint64 bit) { return (filter[bit / 64] >> (bit % 64) & 1) != 0; });
}

void filterAdd(std::vector<quint64> &filter, quint64 key)
{
    probeFilter(key, [&](quint64 bit) {
        filter[bit / 64] |= quint64(1) << (bit % 64);
        return true;
    });
}

// What every event of one bill carries.
struct BillEvents
{
    QByteArray uid;     // without the domain part
    QByteArray stamp;
    QByteArray summary; // escaped
    QByteArray description;
    int alarmDays = -1; // -1: no alarm
};

void writeEvent(ContentWriter &out, const BillEvents &bill, const QByteArray &uid, QDate date, const QByteArray &rule)
{
    out.line("BEGIN:VEVENT");
    out.line("UID:", uid + "@payvane");
    out.line("DTSTAMP:", bill.stamp);
    out.line("DTSTART;VALUE=DATE:", dateValue(date));
    const QDate nextDay = date.addDays(1);
    if (isWritable(nextDay))
        out.line("DTEND;VALUE=DATE:", dateValue(nextDay));
    if (!rule.isEmpty())
        out.line("RRULE:", rule);
    out.line("SUMMARY:", bill.summary);
    if (!bill.description.isEmpty())
        out.line("DESCRIPTION:", bill.description);
    // A bill takes no time in the user's day.
    out.line("TRANSP:TRANSPARENT");
    if (bill.alarmDays >= 0) {
        // A display alarm must have a text of its own.
        out.line("BEGIN:VALARM");
        out.line("ACTION:DISPLAY");
        out.line("DESCRIPTION:", bill.summary);
        out.line(bill.alarmDays == 0 ? "TRIGGER:PT0S" : "TRIGGER:-P",
                 bill.alarmDays == 0 ? QByteArray() : QByteArray::number(bill.alarmDays) + 'D');
        out.line("END:VALARM");
    }
    out.line("END:VEVENT");
    out.flush();
}

bool hasEnd(const Event &event)
{
    return event.endMode != Event::EndNever;
}

// The last due date whose scheduled date lies on or before the end date, for
// a weekly bill: it is found in the last 7 × N days.
QDate lastWeeklyDueDate(const Event &event, QDate today)
{
    const qint64 end = dayNumber(event.endDate);
    const qint64 weeks = event.options.effectiveEvery();
    DueDayWalk walk(event);
    qint64 day = std::max(dayNumber(today) - 1, end - 7 * (weeks + 1) - 3);
    qint64 last = 0;
    for (;;) {
        const qint64 due = walk.after(day);
        if (due == 0 || walk.scheduled() > end)
            break;
        last = due;
        day = due;
    }
    return dateOfDayNumber(last);
}

// ";COUNT=n" or ";UNTIL=date" for a bill with an end whose next due date
// counts; empty for a bill without end.
QByteArray ruleEnd(const Event &event, QDate today)
{
    if (!hasEnd(event))
        return {};
    if (event.endMode == Event::EndAfterTimes)
        return ";COUNT=" + QByteArray::number(remainingOccurrences(event, today.addDays(-1)));
    // Moved weekend days may fall after the end date, or before it while
    // their scheduled day lies after it.
    const QDate until = event.schedule == Event::ScheduleWeekly && movesWeekends(event)
                            ? lastWeeklyDueDate(event, today)
                            : event.endDate;
    return isWritable(until) ? ";UNTIL=" + dateValue(until) : QByteArray();
}

// The events of one bill: its date, its rule, or its dates up to the
// horizon. Returns how many it wrote.
int writeBillEvents(ContentWriter &out, const BillEvents &bill, const Event &event, QDate today)
{
    if (event.schedule == Event::ScheduleSingular) {
        if (!isWritable(event.eventDate))
            return 0;
        writeEvent(out, bill, bill.uid, event.eventDate, {});
        return 1;
    }
    if (const QByteArray rule = CalendarExport::exactRule(event); !rule.isEmpty()) {
        const DueDate first = nextDueDate(event, today);
        if (!isWritable(first.date) || first.endsAfter(event))
            return 0;
        writeEvent(out, bill, bill.uid, first.date, rule + ruleEnd(event, today));
        return 1;
    }
    // At most one a day: 731 events at the most.
    const qint64 horizon = dayNumber(today.addYears(CalendarExport::HorizonYears));
    const qint64 end = dayNumber(event.endDate);
    DueDayWalk walk(event);
    int written = 0;
    for (qint64 day = dayNumber(today) - 1;;) {
        const qint64 due = walk.after(day);
        if (due == 0 || due >= horizon || (hasEnd(event) && walk.scheduled() > end))
            break;
        const QDate date = dateOfDayNumber(due);
        if (isWritable(date)) {
            writeEvent(out, bill, bill.uid + '-' + dateValue(date), date, {});
            ++written;
        }
        day = due;
    }
    return written;
}

} // namespace

class CalendarExport::Writer : public ContentWriter
{
public:
    using ContentWriter::ContentWriter;
};

CalendarExport::CalendarExport(QDate today)
    : m_today(today.isValid() ? today : QDate::currentDate())
{
}

CalendarExport::CalendarExport(CalendarExport &&other) noexcept = default;
CalendarExport &CalendarExport::operator=(CalendarExport &&other) noexcept = default;
CalendarExport::~CalendarExport() = default;

void CalendarExport::setStamp(const QDateTime &stamp)
{
    m_stamp = stamp;
}

void CalendarExport::setDescriptionFunction(std::function<QString(const Event &)> description)
{
    m_description = std::move(description);
}

QString CalendarExport::amountDescription(const Event &event)
{
    return event.amount.isNull() ? QString() : QStringLiteral("Amount: %1").arg(event.amount.toString(QLocale()));
}

QByteArray CalendarExport::exactRule(const Event &event)
{
    const int every = event.options.effectiveEvery();
    const int fromEnd = event.options.fromEnd > 0 ? event.options.fromEnd : 0;
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        return weeklyRule(event, every);
    case Event::ScheduleMonthly:
        return monthlyRule(event, every, fromEnd);
    case Event::ScheduleYearly:
        return yearlyRule(event, every, fromEnd);
    default:
        return {};
    }
}

bool CalendarExport::write(QIODevice *device, const EventList &bills)
{
    forgetBills();
    for (const Event *event : bills) {
        if (event)
            noteBill(*event);
    }
    if (!begin(device))
        return false;
    for (const Event *event : bills) {
        if (event && !writeBill(*event))
            return false;
    }
    return end();
}

void CalendarExport::forgetBills()
{
    m_writer.reset();
    m_noted.clear();
    m_noted.shrink_to_fit();
    m_twinKeys.clear();
    m_uidsSeen.clear();
}

void CalendarExport::noteBill(const Event &event)
{
    if (m_noted.empty())
        m_noted.assign(FilterBits / 64, 0);
    const quint64 key = twinKey(event);
    if (filterHas(m_noted, key))
        m_twinKeys.insert(key);
    else
        filterAdd(m_noted, key);
}

bool CalendarExport::begin(QIODevice *device)
{
    m_billsWritten = 0;
    m_uidsSeen.clear();
    const QDateTime stamp = m_stamp.isValid() ? m_stamp.toUTC() : QDateTime::currentDateTimeUtc();
    m_stampValue = stamp.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
    m_writer = std::make_unique<Writer>(device);
    m_writer->line("BEGIN:VCALENDAR");
    m_writer->line("VERSION:2.0");
    m_writer->line("PRODID:-//Tervona//Payvane//EN");
    m_writer->line("CALSCALE:GREGORIAN");
    return m_writer->flush();
}

bool CalendarExport::writeBill(const Event &event)
{
    if (!m_writer)
        return false;
    BillEvents bill;
    bill.uid = uidBase(event);
    if (m_twinKeys.contains(twinKey(event))) {
        const int seen = ++m_uidsSeen[bill.uid];
        if (seen > 1)
            bill.uid += '-' + QByteArray::number(seen);
    }
    bill.stamp = m_stampValue;
    bill.summary = escapedText(event.name);
    if (m_description)
        bill.description = escapedText(m_description(event));
    if (event.notify)
        bill.alarmDays = std::max(0, int(event.notifyDays));
    if (writeBillEvents(*m_writer, bill, event, m_today) > 0)
        ++m_billsWritten;
    return m_writer->flush();
}

bool CalendarExport::end()
{
    if (!m_writer)
        return false;
    m_writer->line("END:VCALENDAR");
    const bool written = m_writer->flush();
    forgetBills();
    return written;
}

QByteArray CalendarExport::calendar(const EventList &bills)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(&buffer, bills);
    return bytes;
}
