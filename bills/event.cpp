#include "event.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>

bool Event::anyWeekdaySelected() const
{
    return std::any_of(weekdays.cbegin(), weekdays.cend(), [](bool on) { return on; });
}

bool Event::anyMonthSelected() const
{
    return std::any_of(months.cbegin(), months.cend(), [](bool on) { return on; });
}

QDataStream &operator<<(QDataStream &stream, const Event &event)
{
    stream << event.name << event.endMode << event.endDate << event.schedule
           << event.eventDate;
    for (const bool day : event.weekdays)
        stream << day;
    stream << event.byDay << event.ordinal;
    for (const bool month : event.months)
        stream << month;
    stream << event.byYear << event.notify << event.notifyDays << event.showOnce
           << event.lastNotified << event.notifyAgainDays;
    return stream;
}

namespace {

// A run of booleans, one byte each, in one read (a bill file holds thousands
// of records). Reads like `stream >> flag` for each: a byte other than 0 is
// true, and bytes the stream lacks read as false.
template<std::size_t N>
void readFlags(QDataStream &stream, std::array<bool, N> &flags)
{
    std::array<char, N> bytes = {};
    stream.readRawData(bytes.data(), int(N));
    for (std::size_t i = 0; i < N; ++i)
        flags[i] = bytes[i] != 0;
}

// A string as QDataStream writes it (a byte count, then UTF-16 code units,
// 0xFFFFFFFF for a null string), read without trusting the count: a count
// beyond what the device still holds fails before anything is allocated for
// it, and a sequential device is read in bounded steps.
void readString(QDataStream &stream, QString &text)
{
    text = QString();
    quint32 byteCount = 0;
    stream >> byteCount;
    if (stream.status() != QDataStream::Ok || byteCount == 0xffffffffu)
        return;
    if (byteCount == 0) {
        text = QLatin1String("");
        return;
    }
    if (byteCount % 2 != 0) {
        stream.setStatus(QDataStream::ReadCorruptData);
        return;
    }
    QIODevice *device = stream.device();
    if (!device || (!device->isSequential() && qint64(byteCount) > device->bytesAvailable())) {
        stream.setStatus(QDataStream::ReadPastEnd);
        return;
    }
    constexpr qint64 step = 64 * 1024;
    QByteArray bytes;
    while (bytes.size() < qint64(byteCount)) {
        const qint64 chunk = std::min<qint64>(step, qint64(byteCount) - bytes.size());
        const qsizetype had = bytes.size();
        bytes.resize(had + chunk);
        if (stream.readRawData(bytes.data() + had, int(chunk)) != int(chunk)) {
            stream.setStatus(QDataStream::ReadPastEnd);
            return;
        }
    }
    text.resize(bytes.size() / 2);
    const auto *raw = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(ushort(raw[2 * i] << 8 | raw[2 * i + 1]));
}

} // namespace

QDataStream &operator>>(QDataStream &stream, Event &event)
{
    readString(stream, event.name);
    stream >> event.endMode >> event.endDate >> event.schedule
        >> event.eventDate;
    readFlags(stream, event.weekdays);
    stream >> event.byDay >> event.ordinal;
    readFlags(stream, event.months);
    stream >> event.byYear >> event.notify >> event.notifyDays >> event.showOnce
        >> event.lastNotified >> event.notifyAgainDays;
    return stream;
}
