#include "sentcalendarrecord.h"

#include "boundedread.h"
#include "eventstore.h"
#include "regularfile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr quint32 Marker = 0x50564353; // "PVCS"
constexpr quint32 Version = 1;
constexpr int FingerprintSize = 32;
constexpr int MaximumNameLength = 10000;
// An object's smallest form: a one-byte UID, an empty ETag, no
// fingerprints, an empty name and the flag.
constexpr qint64 SmallestEntry = 4 + 1 + 4 + 4 + 4 + 4 + 1;

bool isFingerprint(const QByteArray &bytes)
{
    return bytes.isEmpty() || bytes.size() == FingerprintSize;
}

const QString FileName = QStringLiteral("calendar-sent.dat");

} // namespace

QString SentCalendarRecord::defaultPath()
{
    return QFileInfo(eventsFilePath()).absoluteDir().filePath(FileName);
}

bool SentCalendarRecord::isSafeUid(const QByteArray &uid)
{
    if (uid.isEmpty() || uid.size() > MaximumUidLength)
        return false;
    for (const char c : uid) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '@'
                          || c == '.' || c == '_' || c == '-';
        if (!safe)
            return false;
    }
    return uid != "." && uid != "..";
}

const SentCalendarRecord::Entry *SentCalendarRecord::entry(const QByteArray &uid) const
{
    const auto it = m_entries.constFind(uid);
    return it == m_entries.cend() ? nullptr : &it.value();
}

bool SentCalendarRecord::load(const QString &path, const QUrl &collection, QString *problem)
{
    m_collection = collection;
    m_entries.clear();
    if (!QFileInfo::exists(path))
        return true;
    QFile file(path);
    QString reason;
    QByteArray bytes;
    bool whole = false;
    if (openRegularFileForReading(file, &reason)) {
        if (file.size() > MaximumFileSize) {
            reason = QStringLiteral("it is larger than %1 bytes").arg(MaximumFileSize);
        } else {
            bytes = file.read(MaximumFileSize + 1);
            whole = bytes.size() <= MaximumFileSize && file.atEnd();
            if (!whole)
                reason = QStringLiteral("it could not be read completely");
        }
        file.close();
    }
    if (whole) {
        if (read(bytes, collection))
            return true;
        reason = QStringLiteral("its contents are damaged");
    }
    m_entries.clear();
    if (problem)
        *problem = reason;
    // Kept for a look, never read again.
    const QString aside = path + QStringLiteral(".damaged");
    QFile::remove(aside);
    QFile::rename(path, aside);
    return false;
}

bool SentCalendarRecord::read(const QByteArray &bytes, const QUrl &collection)
{
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_5_15);
    quint32 marker = 0;
    quint32 version = 0;
    stream >> marker >> version;
    if (stream.status() != QDataStream::Ok || marker != Marker || version != Version)
        return false;
    QString url;
    readBoundedString(stream, url);
    quint32 count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok || qint64(count) * SmallestEntry > bytes.size())
        return false;
    // Another collection's objects say nothing about this one.
    const bool same = QUrl(url) == collection;
    QHash<QByteArray, Entry> entries;
    for (quint32 i = 0; i < count; ++i) {
        QByteArray uid;
        Entry entry;
        quint8 differs = 0;
        readBoundedBytes(stream, uid);
        readBoundedBytes(stream, entry.etag);
        readBoundedBytes(stream, entry.fingerprint);
        readBoundedBytes(stream, entry.pending);
        readBoundedString(stream, entry.name);
        stream >> differs;
        if (stream.status() != QDataStream::Ok || !isSafeUid(uid) || entry.etag.size() > MaximumEtagLength
            || !isFingerprint(entry.fingerprint) || !isFingerprint(entry.pending) || entry.name.size() > MaximumNameLength || differs > 1
            || entries.contains(uid))
            return false;
        entry.differs = differs == 1;
        entries.insert(uid, entry);
    }
    if (!stream.atEnd())
        return false;
    if (same)
        m_entries = entries;
    return true;
}

bool SentCalendarRecord::save(const QString &path, QString *problem) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (problem)
            *problem = file.errorString();
        return false;
    }
    QDataStream stream(&file);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << Marker << Version << m_collection.toString(QUrl::FullyEncoded) << quint32(m_entries.size());
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        stream << it.key() << it.value().etag << it.value().fingerprint << it.value().pending << it.value().name.left(MaximumNameLength)
               << quint8(it.value().differs ? 1 : 0);
    }
    if (stream.status() != QDataStream::Ok || !file.commit()) {
        if (problem)
            *problem = file.errorString();
        return false;
    }
    return true;
}
