#ifndef PAYVANE_RECORDREADER_H
#define PAYVANE_RECORDREADER_H

#include "event.h"

#include <QByteArrayView>
#include <QDataStream>
#include <QDate>
#include <QString>

#include <array>

// The records' fields straight from the file's bytes, big-endian as the
// record's stream form (event.h) writes them: a bill file holds thousands of
// records, and a data stream costs a virtual read and a status check per
// field. It fails as that stream does: the first problem counts, data that
// ends early reads past the end, a string of an odd byte count is corrupt,
// and no length is trusted beyond the bytes there are.
class RecordReader
{
public:
    RecordReader(const char *data, qsizetype size)
        : m_data(reinterpret_cast<const uchar *>(data))
        , m_size(size)
    {
    }

    // The bytes of a record after its name.
    static constexpr qsizetype BytesAfterName = 55;

    [[nodiscard]] QDataStream::Status status() const { return m_status; }
    [[nodiscard]] qsizetype position() const { return m_position; }

    [[nodiscard]] bool atEnd() const { return m_position == m_size; }
    [[nodiscard]] qsizetype bytesLeft() const { return m_size - m_position; }

    quint32 uint32()
    {
        const uchar *at = take(4);
        return at ? quint32(at[0]) << 24 | quint32(at[1]) << 16 | quint32(at[2]) << 8 | quint32(at[3]) : 0;
    }
    qint64 int64()
    {
        const uchar *at = take(8);
        quint64 value = 0;
        for (int i = 0; at && i < 8; ++i)
            value = value << 8 | at[i];
        return qint64(value);
    }
    // The next n bytes as they stand, or null.
    const char *raw(qsizetype n) { return reinterpret_cast<const char *>(take(n)); }
    // A byte count (0xFFFFFFFF: null, a null view), then that many bytes,
    // seen where they lie.
    QByteArrayView bytes()
    {
        const quint32 byteCount = uint32();
        if (m_status != QDataStream::Ok || byteCount == 0xffffffffu)
            return QByteArrayView();
        const char *at = raw(qsizetype(byteCount));
        return at ? QByteArrayView(at, qsizetype(byteCount)) : QByteArrayView();
    }
    qint32 int32() { return qint32(uint32()); }
    bool boolean()
    {
        const uchar *at = take(1);
        return at && *at != 0;
    }
    // Day 0 is the null date in this form.
    QDate date()
    {
        const quint32 day = uint32();
        return day != 0 ? QDate::fromJulianDay(qint64(day)) : QDate();
    }
    template<std::size_t N>
    void flags(std::array<bool, N> &values)
    {
        const uchar *at = take(qsizetype(N));
        for (std::size_t i = 0; i < N; ++i)
            values[i] = at && at[i] != 0;
    }
    // A byte count (0xFFFFFFFF: null), then UTF-16 code units.
    QString string()
    {
        const quint32 byteCount = uint32();
        if (m_status != QDataStream::Ok || byteCount == 0xffffffffu)
            return QString();
        if (byteCount % 2 != 0) {
            fail(QDataStream::ReadCorruptData);
            return QString();
        }
        const uchar *at = take(qsizetype(byteCount));
        if (!at)
            return QString();
        if (byteCount == 0)
            return QLatin1String("");
        QString text(qsizetype(byteCount / 2), Qt::Uninitialized);
        QChar *out = text.data();
        for (qsizetype i = 0; i < text.size(); ++i)
            out[i] = QChar(char16_t(at[2 * i] << 8 | at[2 * i + 1]));
        return text;
    }

    void read(Event &event)
    {
        event.name = string();
        event.endMode = int32();
        event.endDate = date();
        event.schedule = int32();
        event.eventDate = date();
        flags(event.weekdays);
        event.byDay = boolean();
        event.ordinal = int32();
        flags(event.months);
        event.byYear = boolean();
        event.notify = boolean();
        event.notifyDays = int32();
        event.showOnce = boolean();
        event.lastNotified = date();
        event.notifyAgainDays = int32();
    }

private:
    // The next n bytes, or null when the data holds fewer (or an earlier
    // read failed).
    const uchar *take(qsizetype n)
    {
        if (m_status != QDataStream::Ok)
            return nullptr;
        if (n > m_size - m_position) {
            fail(QDataStream::ReadPastEnd);
            return nullptr;
        }
        const uchar *at = m_data + m_position;
        m_position += n;
        return at;
    }
    void fail(QDataStream::Status status)
    {
        if (m_status == QDataStream::Ok)
            m_status = status;
    }

    const uchar *m_data;
    qsizetype m_size;
    qsizetype m_position = 0;
    QDataStream::Status m_status = QDataStream::Ok;
};

#endif // PAYVANE_RECORDREADER_H
