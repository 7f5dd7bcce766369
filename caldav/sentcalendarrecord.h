#ifndef PAYVANE_SENTCALENDARRECORD_H
#define PAYVANE_SENTCALENDARRECORD_H

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

// What was last sent to a CalDAV collection, per object: kept in a small
// file in the data folder, so that a publish sends only what changed, and
// what did not go out (offline, a server error) goes out with the next one.
//
// The file is untrusted: it is read bounded, every field checked; a file
// that cannot be read is set aside ("<name>.damaged") and the record starts
// empty (a publish then creates with If-None-Match, which never overwrites).
//
//   marker      4 bytes "PVCS", uint32 version 1
//   collection  string (QDataStream form), the collection's URL
//   count       uint32, then per object:
//     uid          bytes, 1 to 128 of A-Z a-z 0-9 @ . _ -
//     etag         bytes, at most 1,024 (empty: the server gave none)
//     fingerprint  bytes, 32 (calendarFingerprint of the text the server
//                  took), or none: never taken
//     pending      bytes, 32 (the fingerprint of a text sent whose answer
//                  never came: it may be in the calendar), or none
//     name         string, the bill's name, at most 10,000 characters
//     differs      uint8, 1: the calendar's version was changed there and
//                  is left alone
class SentCalendarRecord
{
public:
    struct Entry
    {
        QByteArray etag;
        QByteArray fingerprint;
        QByteArray pending;
        QString name;
        bool differs = false;
    };

    static constexpr qint64 MaximumFileSize = 64 * 1024 * 1024;
    static constexpr int MaximumUidLength = 128;
    static constexpr int MaximumEtagLength = 1024;

    // The record's file beside the bill file.
    [[nodiscard]] static QString defaultPath();
    // Whether `uid` may name an object (and so a part of a URL).
    [[nodiscard]] static bool isSafeUid(const QByteArray &uid);

    // Reads the record of `collection` from `path`. A missing file, or one of
    // another collection, is an empty record; false (and *problem says why)
    // for a file that could not be read, which is set aside.
    bool load(const QString &path, const QUrl &collection, QString *problem = nullptr);
    // Writes a new file and renames it over the old one.
    bool save(const QString &path, QString *problem = nullptr) const;

    [[nodiscard]] const QHash<QByteArray, Entry> &entries() const { return m_entries; }
    [[nodiscard]] const Entry *entry(const QByteArray &uid) const;
    void set(const QByteArray &uid, const Entry &entry) { m_entries.insert(uid, entry); }
    void remove(const QByteArray &uid) { m_entries.remove(uid); }

private:
    bool read(const QByteArray &bytes, const QUrl &collection);

    QUrl m_collection;
    QHash<QByteArray, Entry> m_entries;
};

#endif // PAYVANE_SENTCALENDARRECORD_H
