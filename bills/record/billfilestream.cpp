#include "billfilestream.h"

#include "billextensions.h"
#include "recordreader.h"
#include "regularfile.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// What one read of the file takes at the least.
constexpr qsizetype ReadChunk = 64 * 1024;
constexpr quint32 NullLength = 0xffffffffu;

quint32 bigEndian32(const char *data)
{
    const auto *at = reinterpret_cast<const uchar *>(data);
    return quint32(at[0]) << 24 | quint32(at[1]) << 16 | quint32(at[2]) << 8 | quint32(at[3]);
}

QString changedWhileRead()
{
    return QStringLiteral("it changed while it was being read");
}

} // namespace

BillFileStream::BillFileStream(const QString &path)
    : m_path(path)
{
}

BillFileState BillFileStream::fail(BillFileState state, const QString &problem)
{
    m_problem = problem;
    return state;
}

const char *BillFileStream::peek(Window &window, qsizetype n, qsizetype *available)
{
    if (window.used + n > window.bytes.size()) {
        const qint64 offset = position(window);
        const qint64 want = std::min<qint64>(std::max(n, ReadChunk), std::max<qint64>(0, m_size - offset));
        window.bytes.resize(qsizetype(want));
        qint64 got = 0;
        if (m_file.seek(offset)) {
            while (got < want) {
                const qint64 r = m_file.read(window.bytes.data() + got, want - got);
                if (r <= 0)
                    break;
                got += r;
            }
        }
        window.bytes.resize(qsizetype(got));
        window.offset = offset;
        window.used = 0;
    }
    *available = std::min(n, window.bytes.size() - window.used);
    return window.bytes.constData() + window.used;
}

bool BillFileStream::readRecord(Window &window, Event &event, QDataStream::Status *status)
{
    // The name's byte count says how long the record is; the reader then
    // judges the record as the whole-file reader does.
    qsizetype available = 0;
    const char *at = peek(window, 4, &available);
    qint64 size = 4 + RecordReader::BytesAfterName;
    if (available == 4 && bigEndian32(at) != NullLength)
        size += bigEndian32(at);
    at = peek(window, qsizetype(std::min(size, left(window))), &available);
    RecordReader reader(at, available);
    reader.read(event);
    *status = reader.status();
    skip(window, reader.position());
    return *status == QDataStream::Ok;
}

bool BillFileStream::readBlockHeader(Window &window, QString *problem)
{
    qsizetype available = 0;
    const char *at = peek(window, 12, &available);
    if (available < 4 || bigEndian32(at) != BillExtensionMarker) {
        *problem = unknownDataAfterRecords();
        return false;
    }
    if (available < 12 || bigEndian32(at + 4) != BillExtensionVersion || bigEndian32(at + 8) != quint32(m_count)) {
        *problem = unreadableBillExtensions();
        return false;
    }
    skip(window, 12);
    return true;
}

bool BillFileStream::readBlockEntry(Window &window, Event &event)
{
    qsizetype available = 0;
    const char *at = peek(window, 4, &available);
    if (available < 4)
        return false;
    const quint32 length = bigEndian32(at);
    if (length == NullLength || qint64(length) > left(window) - 4)
        return false;
    skip(window, 4);
    at = peek(window, qsizetype(length), &available);
    if (available < qsizetype(length))
        return false;
    const QByteArray entry = QByteArray::fromRawData(at, available);
    if (!readBillExtensionEntry(entry, event))
        return false;
    skip(window, available);
    return true;
}

BillFileState BillFileStream::check(const std::function<void(const Event &)> &record)
{
    m_checked = false;
    m_read = 0;
    if (!QFileInfo::exists(m_path) && !QFileInfo(m_path).isSymLink())
        return BillFileState::Missing;
    m_file.setFileName(m_path);
    if (!openRegularFileForReading(m_file, &m_problem))
        return BillFileState::Unreadable;
    m_size = m_file.size();

    m_records = Window();
    qsizetype available = 0;
    const char *at = peek(m_records, 4, &available);
    if (available < 4)
        return fail(BillFileState::Damaged, QStringLiteral("it ends before its first record"));
    m_count = qint32(bigEndian32(at));
    if (m_count < 0)
        return fail(BillFileState::Damaged, QStringLiteral("its record count is negative"));
    skip(m_records, 4);

    Event event;
    for (qint32 i = 0; i < m_count; ++i) {
        QDataStream::Status status = QDataStream::Ok;
        if (!readRecord(m_records, event, &status))
            return fail(BillFileState::Damaged, status == QDataStream::ReadCorruptData
                                                    ? QStringLiteral("a record in it is damaged")
                                                    : QStringLiteral("it ends inside a record"));
        if (record)
            record(event);
    }
    m_blockStart = position(m_records);
    m_hasBlock = m_blockStart < m_size;
    if (m_hasBlock) {
        // Judged whole, as the whole-file reader does, before any bill counts.
        m_block = Window();
        m_block.offset = m_blockStart;
        QString problem;
        if (!readBlockHeader(m_block, &problem))
            return fail(BillFileState::Damaged, problem);
        qint64 payments = 0;
        for (qint32 i = 0; i < m_count; ++i) {
            if (!readBlockEntry(m_block, event))
                return fail(BillFileState::Damaged, unreadableBillExtensions());
            payments += event.history.size();
            if (payments > PaymentRecord::MaximumPerFile)
                return fail(BillFileState::Damaged, unreadableBillExtensions());
        }
        if (left(m_block) != 0)
            return fail(BillFileState::Damaged, unreadableBillExtensions());
    }
    m_checked = true;
    return BillFileState::Complete;
}

bool BillFileStream::next(Event *event)
{
    if (!m_checked || m_read >= m_count)
        return false;
    if (m_read == 0) {
        m_records = Window();
        m_records.offset = 4;
        m_block = Window();
        m_block.offset = m_blockStart;
        QString problem;
        if (m_hasBlock && !readBlockHeader(m_block, &problem)) {
            m_problem = changedWhileRead();
            m_checked = false;
            return false;
        }
    }
    QDataStream::Status status = QDataStream::Ok;
    const bool read = readRecord(m_records, *event, &status);
    event->options = ScheduleOptions();
    event->payments = PaymentState();
    event->amount = Money();
    event->calendarUid = QUuid();
    event->unknownFields.clear();
    if (!read || (m_hasBlock && !readBlockEntry(m_block, *event))) {
        m_problem = changedWhileRead();
        m_checked = false;
        return false;
    }
    ++m_read;
    return true;
}
