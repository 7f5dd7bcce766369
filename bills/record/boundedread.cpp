#include "boundedread.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>

namespace {

// Reads the count and as many bytes; false (with the stream's status set)
// when the data cannot hold them. `null` tells a null value from an empty one.
bool readCounted(QDataStream &stream, QByteArray &bytes, bool *null, bool evenCount)
{
    bytes = QByteArray();
    *null = true;
    quint32 byteCount = 0;
    stream >> byteCount;
    if (stream.status() != QDataStream::Ok || byteCount == 0xffffffffu)
        return stream.status() == QDataStream::Ok;
    *null = false;
    if (evenCount && byteCount % 2 != 0) {
        stream.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    QIODevice *device = stream.device();
    if (!device || (!device->isSequential() && qint64(byteCount) > device->bytesAvailable())) {
        stream.setStatus(QDataStream::ReadPastEnd);
        return false;
    }
    constexpr qint64 step = 64 * 1024;
    while (bytes.size() < qint64(byteCount)) {
        const qint64 chunk = std::min<qint64>(step, qint64(byteCount) - bytes.size());
        const qsizetype had = bytes.size();
        bytes.resize(had + chunk);
        if (stream.readRawData(bytes.data() + had, int(chunk)) != int(chunk)) {
            stream.setStatus(QDataStream::ReadPastEnd);
            bytes = QByteArray();
            return false;
        }
    }
    return true;
}

} // namespace

void readBoundedString(QDataStream &stream, QString &text)
{
    text = QString();
    QByteArray bytes;
    bool null = true;
    if (!readCounted(stream, bytes, &null, true) || null)
        return;
    if (bytes.isEmpty()) {
        text = QLatin1String("");
        return;
    }
    text.resize(bytes.size() / 2);
    const auto *raw = reinterpret_cast<const uchar *>(bytes.constData());
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(ushort(raw[2 * i] << 8 | raw[2 * i + 1]));
}

void readBoundedBytes(QDataStream &stream, QByteArray &bytes)
{
    bool null = true;
    if (!readCounted(stream, bytes, &null, false) || null)
        bytes = QByteArray();
    else if (bytes.isNull())
        bytes = QByteArray("");
}
