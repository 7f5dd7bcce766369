#include "billextensions.h"

#include "boundedread.h"
#include "recordreader.h"

#include <QBuffer>
#include <QDataStream>
#include <QIODevice>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

constexpr quint32 Marker = BillExtensionMarker;
constexpr quint32 Version = BillExtensionVersion;

// The names of the fields this version knows.
const QString EveryField = QStringLiteral("every");
const QString EveryFromField = QStringLiteral("everyFrom");
const QString FromEndField = QStringLiteral("fromEnd");
const QString ShortMonthsField = QStringLiteral("shortMonths");
const QString WeekendsField = QStringLiteral("weekends");
const QString BusinessDayField = QStringLiteral("businessDay");
const QString TrackedSinceField = QStringLiteral("trackedSince");
const QString PaidThroughField = QStringLiteral("paidThrough");
const QString PaidOnField = QStringLiteral("paidOn");
const QString AmountField = QStringLiteral("amount");
const QString RemindersField = QStringLiteral("reminders");
const QString VariesField = QStringLiteral("varies");
const QString HistoryField = QStringLiteral("history");
const QString CalendarUidField = QStringLiteral("calendarUid");

// An amount: its minor units (int64), then its currency's three letters.
constexpr int AmountSize = 8 + 3;

// One extra reminder: its days (int32), when (one byte), the date it fired for.
constexpr int ReminderSize = 4 + 1 + 4;

// One payment's smallest form: two dates, the minor units, three currency
// bytes and an empty note's length.
constexpr qint64 SmallestPayment = 4 + 4 + 8 + 3 + 4;

// A field's smallest stream form: an empty name and an empty value.
constexpr qint64 SmallestField = 8;

QDataStream &versioned(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_4_2);
    return stream;
}

QByteArray int32Bytes(qint32 value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    versioned(stream) << value;
    return bytes;
}

QByteArray dateBytes(QDate date)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    versioned(stream) << date;
    return bytes;
}

QByteArray amountBytes(const Money &amount)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    versioned(stream) << amount.minorUnits();
    bytes += amount.currency().toLatin1();
    return bytes;
}

QByteArray remindersBytes(const QList<ExtraReminder> &reminders)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    versioned(stream) << quint32(reminders.size());
    for (const ExtraReminder &reminder : reminders)
        stream << reminder.days << quint8(reminder.when) << reminder.firedFor;
    return bytes;
}

// A payment without an amount has three zero bytes for its currency.
void writeAmount(QDataStream &stream, const Money &amount)
{
    stream << amount.minorUnits();
    const QByteArray currency = amount.isNull() ? QByteArray(3, '\0') : amount.currency().toLatin1();
    stream.writeRawData(currency.constData(), 3);
}

QByteArray historyBytes(const QList<PaymentRecord> &history)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    versioned(stream) << quint32(history.size());
    for (const PaymentRecord &payment : history) {
        stream << payment.dueDate << payment.paidOn;
        writeAmount(stream, payment.amount);
        stream << payment.note;
    }
    return bytes;
}

bool int32From(const QByteArray &bytes, qint32 *value)
{
    if (bytes.size() != 4)
        return false;
    QDataStream stream(bytes);
    versioned(stream) >> *value;
    return stream.status() == QDataStream::Ok;
}

bool dateFrom(const QByteArray &bytes, QDate *date)
{
    if (bytes.size() != 4)
        return false;
    QDataStream stream(bytes);
    versioned(stream) >> *date;
    return stream.status() == QDataStream::Ok;
}

// An amount of a currency that is three letters; anything else is damage.
bool amountFrom(const QByteArray &bytes, Money *amount)
{
    if (bytes.size() != AmountSize)
        return false;
    QDataStream stream(bytes);
    qint64 minorUnits = 0;
    versioned(stream) >> minorUnits;
    const QString currency = QString::fromLatin1(bytes.right(3));
    if (stream.status() != QDataStream::Ok || !Money::isCurrencyCode(currency))
        return false;
    *amount = Money(minorUnits, currency);
    return true;
}

// At least one and at most MaximumCount reminders, each in range; anything
// else is damage, so a reader never keeps more than a bill may have.
bool remindersFrom(const QByteArray &bytes, QList<ExtraReminder> *reminders)
{
    if (bytes.size() < 4)
        return false;
    QDataStream stream(bytes);
    versioned(stream);
    quint32 count = 0;
    stream >> count;
    if (count < 1 || count > quint32(ExtraReminder::MaximumCount) || bytes.size() != 4 + qsizetype(count) * ReminderSize)
        return false;
    QList<ExtraReminder> read;
    for (quint32 i = 0; i < count; ++i) {
        ExtraReminder reminder;
        quint8 when = 0;
        stream >> reminder.days >> when >> reminder.firedFor;
        if (reminder.days < 0 || reminder.days > ExtraReminder::MaximumDays || when > ExtraReminder::AfterUnpaid)
            return false;
        reminder.when = when;
        read.append(reminder);
    }
    if (stream.status() != QDataStream::Ok)
        return false;
    *reminders = read;
    return true;
}

// At least one and at most PaymentRecord::MaximumPerFile payments, each
// with both dates, an amount of a currency code or none, and a note of at
// most MaximumNoteLength characters; anything else is damage.
// A field's value as its own bytes; an empty value stays distinct from a
// null one, so unknown fields are written back as read.
QByteArray owned(QByteArrayView field)
{
    if (field.isNull())
        return QByteArray();
    return field.isEmpty() ? QByteArray("") : field.toByteArray();
}

// Read straight from the bytes: a file may hold 100,000 payments, and a
// data stream costs a virtual read and a status check per field.
bool historyFrom(QByteArrayView bytes, QList<PaymentRecord> *history)
{
    RecordReader reader(bytes.data(), bytes.size());
    const quint32 count = reader.uint32();
    if (reader.status() != QDataStream::Ok || count < 1 || count > quint32(PaymentRecord::MaximumPerFile)
        || qint64(count) * SmallestPayment > reader.bytesLeft())
        return false;
    QList<PaymentRecord> read;
    read.reserve(count);
    // A bill's payments are mostly in one currency: its code is checked and
    // made a string once, and shared by the records after it.
    QByteArrayView lastCode;
    QString lastCurrency;
    for (quint32 i = 0; i < count; ++i) {
        PaymentRecord payment;
        payment.dueDate = reader.date();
        payment.paidOn = reader.date();
        const qint64 minorUnits = reader.int64();
        const char *currency = reader.raw(3);
        payment.note = reader.string();
        if (reader.status() != QDataStream::Ok || !payment.dueDate.isValid() || !payment.paidOn.isValid()
            || payment.note.size() > PaymentRecord::MaximumNoteLength)
            return false;
        const QByteArrayView code(currency, 3);
        if (code != QByteArrayView("\0\0\0", 3)) {
            if (code != lastCode) {
                lastCurrency = QString::fromLatin1(code);
                if (!Money::isCurrencyCode(lastCurrency))
                    return false;
                lastCode = code;
            }
            payment.amount = Money(minorUnits, lastCurrency);
        } else if (minorUnits != 0) {
            return false;
        }
        read.append(payment);
    }
    if (!reader.atEnd())
        return false;
    *history = read;
    return true;
}

bool calendarUidFrom(const QByteArray &bytes, QUuid *uid)
{
    if (bytes.size() != 16)
        return false;
    *uid = QUuid::fromRfc4122(bytes);
    return !uid->isNull();
}

bool variesFrom(const QByteArray &bytes, bool *varies)
{
    if (bytes != QByteArray(1, '\1'))
        return false;
    *varies = true;
    return true;
}

// The fields of one bill, known ones first in a fixed order, then the
// unknown ones as they were read. A field is written when its value is not
// the default, so whatever was read is written back.
QList<QPair<QString, QByteArray>> fieldsOf(const Event &event)
{
    QList<QPair<QString, QByteArray>> fields;
    const ScheduleOptions &options = event.options;
    if (options.every != 1)
        fields.append({EveryField, int32Bytes(options.every)});
    if (options.everyFrom.isValid())
        fields.append({EveryFromField, dateBytes(options.everyFrom)});
    if (options.fromEnd != 0)
        fields.append({FromEndField, int32Bytes(options.fromEnd)});
    if (options.shortMonths != ScheduleOptions::RunOver)
        fields.append({ShortMonthsField, int32Bytes(options.shortMonths)});
    if (options.weekends != ScheduleOptions::KeepWeekend)
        fields.append({WeekendsField, int32Bytes(options.weekends)});
    if (options.businessDay != 0)
        fields.append({BusinessDayField, int32Bytes(options.businessDay)});
    const PaymentState &payments = event.payments;
    if (payments.trackedSince.isValid())
        fields.append({TrackedSinceField, dateBytes(payments.trackedSince)});
    if (payments.paidThrough.isValid())
        fields.append({PaidThroughField, dateBytes(payments.paidThrough)});
    if (payments.paidOn.isValid())
        fields.append({PaidOnField, dateBytes(payments.paidOn)});
    if (!event.amount.isNull())
        fields.append({AmountField, amountBytes(event.amount)});
    if (!event.extraReminders.isEmpty())
        fields.append({RemindersField, remindersBytes(event.extraReminders)});
    if (event.amountVaries)
        fields.append({VariesField, QByteArray(1, '\1')});
    if (!event.history.isEmpty())
        fields.append({HistoryField, historyBytes(event.history)});
    if (!event.calendarUid.isNull())
        fields.append({CalendarUidField, event.calendarUid.toRfc4122()});
    for (auto it = event.unknownFields.cbegin(); it != event.unknownFields.cend(); ++it)
        fields.append({it.key(), it.value()});
    return fields;
}

// One bill's fields read into `event`; false when the entry is damaged.
bool readEntry(QByteArrayView entry, Event &event)
{
    RecordReader reader(entry.data(), entry.size());
    const quint32 count = reader.uint32();
    if (reader.status() != QDataStream::Ok || qint64(count) * SmallestField > reader.bytesLeft())
        return false;
    ScheduleOptions options;
    PaymentState payments;
    Money amount;
    QList<ExtraReminder> reminders;
    bool varies = false;
    QList<PaymentRecord> history;
    QUuid calendarUid;
    QMap<QString, QByteArray> unknown;
    QSet<QString> seen;
    for (quint32 i = 0; i < count; ++i) {
        const QString name = reader.string();
        const QByteArrayView field = reader.bytes();
        if (reader.status() != QDataStream::Ok || name.isNull() || seen.contains(name))
            return false;
        const QByteArray value = name != HistoryField ? owned(field) : QByteArray();
        seen.insert(name);
        bool known = true;
        if (name == EveryField)
            known = int32From(value, &options.every);
        else if (name == EveryFromField)
            known = dateFrom(value, &options.everyFrom);
        else if (name == FromEndField)
            known = int32From(value, &options.fromEnd);
        else if (name == ShortMonthsField)
            known = int32From(value, &options.shortMonths);
        else if (name == WeekendsField)
            known = int32From(value, &options.weekends);
        else if (name == BusinessDayField)
            known = int32From(value, &options.businessDay);
        else if (name == TrackedSinceField)
            known = dateFrom(value, &payments.trackedSince);
        else if (name == PaidThroughField)
            known = dateFrom(value, &payments.paidThrough);
        else if (name == PaidOnField)
            known = dateFrom(value, &payments.paidOn);
        else if (name == AmountField)
            known = amountFrom(value, &amount);
        else if (name == RemindersField)
            known = remindersFrom(value, &reminders);
        else if (name == VariesField)
            known = variesFrom(value, &varies);
        else if (name == HistoryField)
            known = historyFrom(field, &history);
        else if (name == CalendarUidField)
            known = calendarUidFrom(value, &calendarUid);
        else
            unknown.insert(name, value);
        if (!known)
            return false; // a known field of the wrong size
    }
    if (!reader.atEnd())
        return false;
    event.options = options;
    event.payments = payments;
    event.amount = amount;
    event.extraReminders = reminders;
    event.amountVaries = varies;
    event.history = history;
    event.calendarUid = calendarUid;
    event.unknownFields = unknown;
    return true;
}

// The histories of the bills that lose payments when the list holds more
// than a file may: the oldest paid go, so that the file stays readable (a
// reader refuses the whole block of a file that claims more).
QHash<const Event *, QList<PaymentRecord>> historiesWithinLimit(const EventList &events)
{
    struct Paid {
        qint64 day;
        const Event *event;
        qsizetype index;
    };
    std::vector<Paid> all;
    for (const Event *event : events) {
        for (qsizetype i = 0; i < event->history.size(); ++i)
            all.push_back({event->history.at(i).paidOn.toJulianDay(), event, i});
    }
    QHash<const Event *, QList<PaymentRecord>> trimmed;
    if (all.size() <= std::size_t(PaymentRecord::MaximumPerFile))
        return trimmed;
    const auto cut = all.begin() + qsizetype(all.size()) - PaymentRecord::MaximumPerFile;
    std::nth_element(all.begin(), cut, all.end(), [](const Paid &a, const Paid &b) { return a.day < b.day; });
    QHash<const Event *, QSet<qsizetype>> dropped;
    for (auto it = all.begin(); it != cut; ++it)
        dropped[it->event].insert(it->index);
    for (auto it = dropped.cbegin(); it != dropped.cend(); ++it) {
        QList<PaymentRecord> kept;
        for (qsizetype i = 0; i < it.key()->history.size(); ++i) {
            if (!it.value().contains(i))
                kept.append(it.key()->history.at(i));
        }
        trimmed.insert(it.key(), kept);
    }
    return trimmed;
}

} // namespace

QString unknownDataAfterRecords()
{
    return QStringLiteral("unknown data follows its last record");
}

QString unreadableBillExtensions()
{
    return QStringLiteral("its extra details (schedule options, payments, amounts and reminders) could not be read");
}

bool readBillExtensionEntry(const QByteArray &entry, Event &event)
{
    return readEntry(entry, event);
}

bool needsBillExtensions(const EventList &events)
{
    for (const Event *event : events) {
        if (!fieldsOf(*event).isEmpty())
            return true;
    }
    return false;
}

void writeBillExtensions(QDataStream &stream, const EventList &events)
{
    if (!needsBillExtensions(events))
        return;
    const QHash<const Event *, QList<PaymentRecord>> trimmed = historiesWithinLimit(events);
    stream << Marker << Version << quint32(events.size());
    for (const Event *event : events) {
        QByteArray entry;
        {
            QDataStream entryStream(&entry, QIODevice::WriteOnly);
            versioned(entryStream);
            Event kept;
            if (trimmed.contains(event)) {
                kept = *event;
                kept.history = trimmed.value(event);
            }
            const QList<QPair<QString, QByteArray>> fields = fieldsOf(trimmed.contains(event) ? kept : *event);
            entryStream << quint32(fields.size());
            for (const auto &field : fields)
                entryStream << field.first << field.second;
        }
        stream << quint32(entry.size());
        stream.writeRawData(entry.constData(), int(entry.size()));
    }
}

bool readBillExtensions(QDataStream &stream, const EventList &events, QString *problem)
{
    const auto fail = [problem](const QString &why) {
        if (problem)
            *problem = why;
        return false;
    };
    const QString unreadable = unreadableBillExtensions();
    quint32 marker = 0;
    stream >> marker;
    if (stream.status() != QDataStream::Ok || marker != Marker)
        return fail(unknownDataAfterRecords());
    quint32 version = 0;
    quint32 entries = 0;
    stream >> version >> entries;
    if (stream.status() != QDataStream::Ok || version != Version || entries != quint32(events.size()))
        return fail(unreadable);

    // Read whole before anything is kept, so that a damaged block leaves
    // every bill with its defaults.
    QList<Event> extended;
    extended.reserve(events.size());
    qint64 payments = 0;
    for (qsizetype i = 0; i < events.size(); ++i) {
        QByteArray entry;
        readBoundedBytes(stream, entry);
        Event fields;
        if (stream.status() != QDataStream::Ok || entry.isNull() || !readEntry(entry, fields))
            return fail(unreadable);
        payments += fields.history.size();
        if (payments > PaymentRecord::MaximumPerFile)
            return fail(unreadable);
        extended.append(fields);
    }
    if (!stream.atEnd())
        return fail(unreadable);
    for (qsizetype i = 0; i < events.size(); ++i) {
        events[i]->options = extended.at(i).options;
        events[i]->payments = extended.at(i).payments;
        events[i]->amount = extended.at(i).amount;
        events[i]->extraReminders = extended.at(i).extraReminders;
        events[i]->amountVaries = extended.at(i).amountVaries;
        events[i]->history = extended.at(i).history;
        events[i]->calendarUid = extended.at(i).calendarUid;
        events[i]->unknownFields = extended.at(i).unknownFields;
    }
    return true;
}
