#ifndef PAYVANE_BILLFILE_H
#define PAYVANE_BILLFILE_H

#include "billmerge.h"
#include "event.h"
#include "eventstore.h"
#include "packedbytes.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The user's bill file as a window uses it: read once when the window is
// built, written back when it closes.
//
// A file that is there but could not be read completely (damaged, or not
// readable at all) is never replaced as it is: before the first save it is
// kept aside, renamed beside itself with a name that says what it is and
// when ("events.damaged-2026-12-07-155800.evt"). Renaming needs no read
// access and keeps every byte. When it cannot be kept aside, saving is
// refused.
//
// Another process may write the file while this one holds its bills (the
// automatic start while the main window is open, a sync program replacing
// it). So the file read is remembered (its folder entry, inode, size,
// modification time and its bytes, kept compressed), together with the bills
// as read and which record of the caller each came from. A save first looks at
// the file again: when it is the one read, the bills are written (or
// nothing, when no bill changed); when it changed, it is read again and
// merged three ways (billmerge.h) and the merge is written. Nothing is added
// to the file for this: bills are matched by what they are.
//
// A link in place of the file that was not there when it was read is never
// followed: the save replaces the folder's entry. A link that was there
// when the file was read is the user's own and is written through.
class BillFile
{
public:
    explicit BillFile(const QString &path = eventsFilePath());

    // Reads the file; the caller owns the records. Removes what interrupted
    // saves of this file left behind first.
    [[nodiscard]] EventList load();

    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] BillFileState state() const { return m_state; }
    // Why the file was not read completely; empty when it was.
    [[nodiscard]] QString problem() const { return m_problem; }

    // Whether the file must be kept aside before it may be replaced.
    [[nodiscard]] bool needsKeeping() const;
    // Keeps the file aside now (see above); `now` names the copy. True when
    // nothing needed keeping or it was kept; false with the reason in
    // *errorString otherwise.
    bool keepAside(const QDateTime &now = QDateTime::currentDateTime(), QString *errorString = nullptr);
    // Where the file was kept; empty while it was not.
    [[nodiscard]] QString keptPath() const { return m_keptPath; }

    // Writes the bills; keeps the file aside first when needed and refuses
    // when that fails. The reason in *errorString on failure. `events` are
    // the caller's bills: those load() gave (changed or not, in any order)
    // and new ones. Writes nothing when neither they nor the file changed
    // since it was read, and when only the file did. A file that changed is
    // merged with (conflicts go to the resolver); one that cannot be read
    // completely now is kept aside first, as at load(). A save that merged
    // leaves `events` as they were: the file then holds more than they do,
    // and a later save merges again.
    [[nodiscard]] bool save(const EventList &events, QString *errorString = nullptr);

    // The caller gave a bill a new record in place of `old` (the editor), or
    // deleted one: a save or reload must know which bill read it stands for.
    void recordReplaced(const Event *old, const Event *replacement);
    void recordRemoved(const Event *record);

    // Decides the bills both this process and the file's other writer
    // changed; automaticBillChoice() unless set.
    void setConflictResolver(const BillConflictResolver &resolver);

    // Whether the file is no longer the one last read (or written) here.
    [[nodiscard]] bool changedOnDisk() const;

    // Takes in what another process wrote, without writing: when the file
    // changed and reads completely, merges it with `events` (the caller's
    // bills, as for save()) and returns the merged bills as new records that
    // the caller owns in place of its own; the file as it is now becomes the
    // bills read. *fromOurs then gives, per record of `events`, the index of
    // its bill in the result, or -1 when it is gone. Nothing (and no change
    // here) when the file is unchanged, missing, damaged or a link planted
    // since: a save deals with those.
    [[nodiscard]] std::optional<EventList> reload(const EventList &events, QList<qsizetype> *fromOurs = nullptr);

    // Merges a conflict copy that a sync program left beside the file (the
    // other machine's bills, conflictcopies.h) into `events` (the caller's
    // bills, as for save()), without writing. Three ways: the common
    // ancestor is the bill file as this machine last had it from elsewhere
    // before changing it (kept at the merge ancestor path, below); without
    // one, the two lists are joined: equal bills once, the others kept, and
    // of two different bills of one name the resolver picks one. Bills both
    // sides changed go to `resolve` (none: the file's resolver). Returns
    // the merged bills as new records that the caller owns in place of its own, with
    // *fromOurs as for reload(); the file read stays the base. Nothing when
    // the copy cannot be read completely (the reason in *problem): a copy is
    // merged whole or not at all.
    [[nodiscard]] std::optional<EventList> mergeCopy(const QString &copyPath, const EventList &events,
                                                     QList<qsizetype> *fromOurs, QString *problem = nullptr,
                                                     const BillConflictResolver &resolve = {});

    // Where each save keeps the merge ancestor: the file as it was before
    // the save, when this machine did not write it itself (beside it, with
    // ".written" added, the digest of what it wrote last). Empty: none kept.
    // The user's bill file keeps it in the private cache folder, which no
    // sync program shares.
    void setMergeAncestorPath(const QString &path) { m_ancestorPath = path; }
    [[nodiscard]] QString mergeAncestorPath() const { return m_ancestorPath; }
    [[nodiscard]] static QString defaultMergeAncestorPath();

    // The one sentence that tells the user what happened to the file: empty
    // unless it was not read completely, or its chosen folder is gone.
    [[nodiscard]] QString notice() const;

    // The name under which a file is kept aside at `now`.
    [[nodiscard]] static QString keptPathFor(const QString &path, const QDateTime &now);
    // Renames the folder's entry `from` (a link itself, never its target) to
    // `to`, which must not exist; never copies, so a FIFO is never opened.
    static bool moveEntry(const QString &from, const QString &to, QString *errorString = nullptr);
    // Removes temporary files that an interrupted save of `path` left beside
    // it; the number removed.
    static int removeSaveLeftovers(const QString &path);

private:
    // What was found at the path: enough to tell another file from the one
    // read; the bytes tell the same file with other bytes.
    struct Stamp
    {
        bool exists = false;
        QByteArray linkText; // the entry is a link to this; empty when it is none
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modified = 0; // nanoseconds

        friend bool operator==(const Stamp &a, const Stamp &b)
        {
            return a.exists == b.exists && a.linkText == b.linkText && a.device == b.device && a.inode == b.inode
                   && a.size == b.size && a.modified == b.modified;
        }
    };
    struct Disk
    {
        Stamp stamp;
        QByteArray bytes; // as read
        BillFileRead read;
        bool plantedLink = false; // a link that was not there when the file was read; not followed
        bool special = false;     // there, but no regular file (a folder, a FIFO, a device)
    };
    // Looks at the file (and parses it when `parse`). `approvedLink` is the
    // link text that may be followed; none: any link (at load).
    [[nodiscard]] Disk readDisk(const std::optional<QByteArray> &approvedLink, bool parse) const;
    // `events` were read from the bytes `packed` holds (or written as them).
    void rebase(const PackedBytes &packed, const EventList &events, bool isFile);
    // `disk` is the file read (or last written) here, byte for byte.
    [[nodiscard]] bool isFileRead(const Disk &disk) const;
    // The file read here is gone or no longer known.
    void forgetFile();
    // The bills as read (or last written).
    [[nodiscard]] QList<Event> baseBills() const;
    [[nodiscard]] bool changedSinceRead(const EventList &events) const;
    [[nodiscard]] QList<qsizetype> originsOf(const EventList &events) const;
    bool moveAside(const QDateTime &now, QString *errorString);
    // Where a save writes: the path, or the file its link names when that
    // link was there when the file was read.
    [[nodiscard]] QString targetPath(const Disk &disk) const;
    // Writes the bills as they are; they become the bills read.
    bool write(const EventList &events, const Disk &disk, QString *errorString);
    // A save replaced `before` (the file's bytes; empty: none) by `written`.
    void keepMergeAncestor(const QByteArray &before, const QByteArray &written) const;
    [[nodiscard]] QList<Event> mergeAncestorBills() const;
    static void settleBillsAddedTwice(QList<Event> &ancestor, QList<qsizetype> &origins, const EventList &ours,
                                      const EventList &theirs, const BillConflictResolver &resolve);

    QString m_path;
    BillFileState m_state = BillFileState::Missing;
    QString m_problem;
    QString m_keptPath;
    QString m_keepError;

    // The file's bytes are kept compressed (a long list is held for as long
    // as the window is open; only a save, a merge or a look at the file
    // needs them again). The base and the file read share one copy.
    PackedBytes m_baseBytes;               // the bills as read (or last written), as in the file
    qsizetype m_baseCount = 0;             // how many bills that is
    // The caller's records by the index of their bill in the base; null
    // where none stands for it now.
    QList<const Event *> m_baseRecords;
    bool m_baseIsFile = false;             // the base is the whole file: no change, no write
    Stamp m_stamp;                         // the file the base came from
    PackedBytes m_stampBytes;              // that file's bytes
    QByteArray m_approvedLink;             // the link at the path when it was read; followed
    QString m_ancestorPath;                // the merge ancestor for conflict copies; empty: none
    BillConflictResolver m_resolve = automaticBillChoice;
};

#endif // PAYVANE_BILLFILE_H
