#include "billfile.h"

#include "datafolder.h"

#include "regularfile.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Whether a leftover of an interrupted save is ours to remove: a regular file
// (never a link) that belongs to this user.
bool isOwnRegularFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode)
           && info.st_uid == ::geteuid();
#else
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
#endif
}

// A conflict copy is a copy of a bill file; anything much larger is not one.
constexpr qint64 MaxConflictCopyBytes = 256 * 1024 * 1024;

QByteArray digestOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace

BillFile::BillFile(const QString &path)
    : m_path(path)
{
    if (path == eventsFilePath())
        m_ancestorPath = defaultMergeAncestorPath();
}

QString BillFile::defaultMergeAncestorPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("merge-ancestor.evt"));
}

EventList BillFile::load()
{
    removeSaveLeftovers(m_path);
    // A link found now was there when the file was read: it is followed.
    Disk disk = readDisk(std::nullopt, true);
    m_state = disk.read.state;
    m_problem = disk.read.problem;
    m_keptPath.clear();
    m_keepError.clear();
    m_stamp = disk.stamp;
    m_stampBytes = PackedBytes(disk.bytes);
    m_approvedLink = disk.stamp.linkText;
    // Bytes that could not be read to the end gave no bills.
    rebase(m_state == BillFileState::Unreadable ? PackedBytes() : m_stampBytes, disk.read.events,
           m_state == BillFileState::Complete);
    return disk.read.events;
}

void BillFile::rebase(const PackedBytes &packedBytes, const EventList &events, bool isFile)
{
    m_baseBytes = packedBytes;
    m_baseCount = events.size();
    m_baseRecords = QList<const Event *>(events.cbegin(), events.cend());
    m_baseIsFile = isFile;
}

bool BillFile::isFileRead(const Disk &disk) const
{
    // The bytes are unpacked only for a file that looks the same.
    return disk.stamp == m_stamp && disk.bytes == m_stampBytes.unpacked();
}

void BillFile::forgetFile()
{
    m_stamp = Stamp();
    m_stampBytes = PackedBytes();
}

QList<Event> BillFile::baseBills() const
{
    // Read again from the bytes they were read from (or written as): a
    // second copy of every bill would cost more than the file itself, and
    // only a save or a merge looks at them.
    QByteArray bytes = m_baseBytes.unpacked();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const EventList read = m_baseCount > 0 ? readBillFile(buffer).events : EventList();
    QList<Event> bills;
    bills.reserve(read.size());
    for (const Event *event : read)
        bills.append(*event);
    qDeleteAll(read);
    return bills;
}

BillFile::Disk BillFile::readDisk(const std::optional<QByteArray> &approvedLink, bool parse) const
{
    Disk disk;
#ifdef Q_OS_UNIX
    const QByteArray entry = QFile::encodeName(m_path);
    struct stat info;
    if (::lstat(entry.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return disk; // Missing
        disk.stamp.exists = true;
        disk.read.state = BillFileState::Unreadable;
        disk.read.problem = qt_error_string(errno);
        return disk;
    }
    disk.stamp.exists = true;
    disk.stamp.device = quint64(info.st_dev);
    disk.stamp.inode = quint64(info.st_ino);
    struct stat target;
    disk.special = !S_ISLNK(info.st_mode) ? !S_ISREG(info.st_mode)
                                          : ::stat(entry.constData(), &target) == 0 && !S_ISREG(target.st_mode);
    if (S_ISLNK(info.st_mode)) {
        QByteArray text(qsizetype(info.st_size) + 1, '\0');
        const ssize_t length = ::readlink(entry.constData(), text.data(), size_t(text.size()));
        disk.stamp.linkText = length > 0 ? text.left(length) : QByteArray("?");
        if (approvedLink && *approvedLink != disk.stamp.linkText) {
            disk.plantedLink = true;
            disk.read.state = BillFileState::Unreadable;
            disk.read.problem = QStringLiteral("it is a link");
            return disk;
        }
    }
#else
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return disk;
    disk.stamp.exists = true;
    disk.special = info.exists() && !info.isFile();
    if (info.isSymLink()) {
        disk.stamp.linkText = QFile::encodeName(info.symLinkTarget());
        if (approvedLink && *approvedLink != disk.stamp.linkText) {
            disk.plantedLink = true;
            disk.read.state = BillFileState::Unreadable;
            disk.read.problem = QStringLiteral("it is a link");
            return disk;
        }
    }
#endif
    QFile file(m_path);
    if (!openRegularFileForReading(file, &disk.read.problem)) {
        disk.read.state = BillFileState::Unreadable;
        return disk;
    }
#ifdef Q_OS_UNIX
    struct stat opened;
    if (::fstat(file.handle(), &opened) == 0) {
        disk.stamp.device = quint64(opened.st_dev);
        disk.stamp.inode = quint64(opened.st_ino);
        disk.stamp.size = qint64(opened.st_size);
        disk.stamp.modified = qint64(opened.st_mtim.tv_sec) * 1000000000 + opened.st_mtim.tv_nsec;
    }
#else
    disk.stamp.size = file.size();
    disk.stamp.modified = file.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch() * 1000000;
#endif
    // The bytes remembered are the bytes parsed: one read.
    // Read at the size the file has (the buffer is kept as long as the
    // window), then whatever it grew by since.
    QByteArray bytes = file.read(std::max<qint64>(0, file.size()));
    if (!file.atEnd())
        bytes += file.readAll();
    disk.bytes = bytes;
    if (file.error() != QFileDevice::NoError) {
        disk.read.state = BillFileState::Unreadable;
        disk.read.problem = file.errorString();
        return disk;
    }
    if (!parse) {
        disk.read.state = BillFileState::Complete;
        return disk;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    disk.read = readBillFile(buffer);
    return disk;
}

bool BillFile::needsKeeping() const
{
    const bool incomplete = m_state == BillFileState::Damaged || m_state == BillFileState::Unreadable;
    return incomplete && m_keptPath.isEmpty();
}

QString BillFile::keptPathFor(const QString &path, const QDateTime &now)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral(".damaged-")
                                             + now.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    QString candidate = stem + suffix;
    // Two damaged files within one second keep both.
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = stem + QLatin1Char('-') + QString::number(n) + suffix;
    return candidate;
}

bool BillFile::keepAside(const QDateTime &now, QString *errorString)
{
    if (!needsKeeping())
        return true;
    // The file may have gone since it was read: nothing is left to lose.
    if (!QFileInfo::exists(m_path) && !QFileInfo(m_path).isSymLink()) {
        m_state = BillFileState::Missing;
        forgetFile();
        return true;
    }
    return moveAside(now, errorString);
}

bool BillFile::moveAside(const QDateTime &now, QString *errorString)
{
    // A rename moves the folder's entry itself: a link goes, not its target.
    const QString kept = keptPathFor(m_path, now);
    if (!moveEntry(m_path, kept, &m_keepError)) {
        if (errorString)
            *errorString = m_keepError;
        return false;
    }
    m_keptPath = kept;
    m_keepError.clear();
    forgetFile();
    return true;
}

bool BillFile::save(const EventList &events, QString *errorString)
{
    QString reason;
    if (!keepAside(QDateTime::currentDateTime(), &reason)) {
        if (errorString)
            *errorString = QStringLiteral("the damaged file could not be kept aside first: %1").arg(reason);
        return false;
    }
    const bool changedHere = changedSinceRead(events);
    Disk disk = readDisk(m_approvedLink, true);
    const EventList theirs = disk.read.events;
    disk.read.events.clear();
    const auto cleanUp = qScopeGuard([&theirs] { qDeleteAll(theirs); });

    if (isFileRead(disk)) {
        if (!changedHere && m_baseIsFile)
            return true;
        return write(events, disk, errorString);
    }
    // Another writer was here. A link planted since is replaced, whatever
    // else changed: its target is not ours to read or write.
    if (disk.plantedLink)
        return write(events, disk, errorString);
    // With no change here, what is there now holds every change; but bills
    // that are not the whole file read (none was there, or a damaged one)
    // are written.
    if (!changedHere && m_baseIsFile)
        return true;
    // Nothing there to merge with: the bills are written. A FIFO or a
    // device holds no bills and is replaced; a folder refuses, and the
    // caller learns why.
    if (disk.read.state == BillFileState::Missing || disk.special)
        return write(events, disk, errorString);
    if (disk.read.state != BillFileState::Complete) {
        // A file that could not be read completely now: kept, not merged.
        m_state = disk.read.state;
        m_problem = disk.read.problem;
        if (!moveAside(QDateTime::currentDateTime(), &reason)) {
            if (errorString)
                *errorString = QStringLiteral("the damaged file could not be kept aside first: %1").arg(reason);
            return false;
        }
        return write(events, Disk(), errorString);
    }
    const BillMerge merge = mergeBills(baseBills(), theirs, events, originsOf(events), m_resolve);
    const auto deleteMerged = qScopeGuard([&merge] { qDeleteAll(merge.bills); });
    // The bills read stay the base and the file's stamp the one read, so a
    // later save finds the file changed and merges again.
    const QByteArray bytes = billFileBytes(merge.bills);
    if (!writeFileEntry(bytes, targetPath(disk), errorString))
        return false;
    keepMergeAncestor(disk.bytes, bytes);
    return true;
}

QString BillFile::targetPath(const Disk &disk) const
{
    // Only a link that was there when the file was read is written through.
    const bool followLink = !disk.plantedLink && !disk.stamp.linkText.isEmpty();
    return followLink ? linkTargetPath(m_path) : m_path;
}

bool BillFile::write(const EventList &events, const Disk &disk, QString *errorString)
{
    const QByteArray bytes = billFileBytes(events);
    if (!writeFileEntry(bytes, targetPath(disk), errorString))
        return false;
    keepMergeAncestor(disk.plantedLink ? QByteArray() : disk.bytes, bytes);
    rebase(PackedBytes(bytes), events, true);
    // The file written is the one read from now on, unless another writer
    // has replaced it already.
    const Disk written = readDisk(m_approvedLink, false);
    if (written.bytes == bytes) {
        m_stamp = written.stamp;
        m_stampBytes = m_baseBytes; // equal: one copy for both
    } else {
        forgetFile();
    }
    return true;
}

bool BillFile::changedSinceRead(const EventList &events) const
{
    // The main window writes its bills in the order it shows them: a new
    // order is a change too.
    if (events.size() != m_baseCount)
        return true;
    for (qsizetype k = 0; k < events.size(); ++k) {
        if (m_baseRecords.at(k) != events.at(k))
            return true;
    }
    const QList<Event> base = baseBills();
    if (base.size() != events.size())
        return true;
    for (qsizetype k = 0; k < events.size(); ++k) {
        if (!sameBill(*events.at(k), base.at(k)))
            return true;
    }
    return false;
}

QList<qsizetype> BillFile::originsOf(const EventList &events) const
{
    // Only a merge asks, so the look-up is built here, not kept.
    QHash<const Event *, qsizetype> originOf;
    originOf.reserve(m_baseRecords.size());
    for (qsizetype i = 0; i < m_baseRecords.size(); ++i) {
        if (m_baseRecords.at(i))
            originOf.insert(m_baseRecords.at(i), i);
    }
    QList<qsizetype> origins;
    origins.reserve(events.size());
    for (const Event *event : events)
        origins.append(originOf.value(event, -1));
    return origins;
}

void BillFile::recordReplaced(const Event *old, const Event *replacement)
{
    const qsizetype origin = old ? m_baseRecords.indexOf(old) : -1;
    if (origin < 0 || old == replacement)
        return;
    // A record stands for one bill read at most.
    recordRemoved(replacement);
    m_baseRecords[origin] = replacement;
}

void BillFile::recordRemoved(const Event *record)
{
    const qsizetype origin = record ? m_baseRecords.indexOf(record) : -1;
    if (origin >= 0)
        m_baseRecords[origin] = nullptr;
}

void BillFile::setConflictResolver(const BillConflictResolver &resolver)
{
    m_resolve = resolver;
}

bool BillFile::changedOnDisk() const
{
    return !isFileRead(readDisk(m_approvedLink, false));
}

std::optional<EventList> BillFile::reload(const EventList &events, QList<qsizetype> *fromOurs)
{
    Disk disk = readDisk(m_approvedLink, true);
    const EventList theirs = disk.read.events;
    const auto cleanUp = qScopeGuard([&theirs] { qDeleteAll(theirs); });
    if (isFileRead(disk) || disk.plantedLink || disk.read.state != BillFileState::Complete)
        return std::nullopt;
    BillMerge merge = mergeBills(baseBills(), theirs, events, originsOf(events), m_resolve);
    // The file as it is now is the base; a merged bill that holds one of its
    // bills comes from that bill.
    m_stamp = disk.stamp;
    m_stampBytes = PackedBytes(disk.bytes);
    rebase(m_stampBytes, theirs, true);
    m_baseRecords.fill(nullptr);
    for (qsizetype k = 0; k < merge.bills.size(); ++k) {
        if (merge.fromTheirs.at(k) >= 0)
            m_baseRecords[merge.fromTheirs.at(k)] = merge.bills.at(k);
    }
    if (fromOurs)
        *fromOurs = merge.fromOurs;
    return merge.bills;
}

void BillFile::keepMergeAncestor(const QByteArray &before, const QByteArray &written) const
{
    // A file this machine wrote itself holds its own changes, which the
    // other machines may not have yet: once there is an ancestor, only a
    // file that came from elsewhere (another machine's sync, another
    // program) replaces it. An older ancestor than the true one only shows
    // changes on both sides alike; a newer one would hide this machine's
    // changes. The ancestor is a hint: failing to keep it costs a merge its
    // precision, not the bills.
    if (m_ancestorPath.isEmpty())
        return;
    const QString digestPath = m_ancestorPath + QStringLiteral(".written");
    QFile digestFile(digestPath);
    QByteArray lastWritten;
    if (openRegularFileForReading(digestFile))
        lastWritten = digestFile.read(128).trimmed();
    digestFile.close();
    // Without any ancestor yet, the file before this machine's first change
    // is the best there is (it mostly came from the other machine).
    const bool noAncestor = !QFileInfo::exists(m_ancestorPath);
    if (!before.isEmpty() && (noAncestor || digestOf(before) != lastWritten))
        (void)writeFileEntry(before, m_ancestorPath);
    (void)writeFileEntry(digestOf(written), digestPath);
}

QList<Event> BillFile::mergeAncestorBills() const
{
    QList<Event> bills;
    if (m_ancestorPath.isEmpty())
        return bills;
    const BillFileRead read = readBillFile(m_ancestorPath);
    if (read.state == BillFileState::Complete) {
        for (const Event *event : read.events)
            bills.append(*event);
    }
    qDeleteAll(read.events);
    return bills;
}

void BillFile::settleBillsAddedTwice(QList<Event> &ancestor, QList<qsizetype> &origins, const EventList &ours,
                                     const EventList &theirs, const BillConflictResolver &resolve)
{
    // A bill of one name that both sides have and the ancestor lacks (or
    // there is no ancestor) was added on both, or comes from two lists that
    // met: when the two differ, the resolver picks one, rather than the
    // merge keeping both. The side not picked becomes the ancestor's bill,
    // so the merge takes the other as the change.
    const QList<qsizetype> theirOrigins = matchBills(ancestor, theirs);
    QMultiHash<QString, qsizetype> unmatched;
    for (qsizetype j = theirs.size() - 1; j >= 0; --j) {
        if (theirOrigins.at(j) < 0)
            unmatched.insert(theirs.at(j)->name, j);
    }
    for (qsizetype k = 0; k < ours.size(); ++k) {
        const auto found = unmatched.find(ours.at(k)->name);
        if (origins.at(k) >= 0 || found == unmatched.end())
            continue;
        const Event *their = theirs.at(found.value());
        unmatched.erase(found);
        if (sameBill(*ours.at(k), *their))
            continue;
        const BillChoice choice = resolve(BillConflict{ours.at(k), ours.at(k), their, false});
        ancestor.append(choice == BillChoice::Theirs ? *ours.at(k) : *their);
        origins[k] = ancestor.size() - 1;
    }
}

std::optional<EventList> BillFile::mergeCopy(const QString &copyPath, const EventList &events,
                                             QList<qsizetype> *fromOurs, QString *problem,
                                             const BillConflictResolver &resolve)
{
    const auto refuse = [problem](const QString &reason) {
        if (problem)
            *problem = reason;
        return std::nullopt;
    };
    if (QFileInfo(copyPath).size() > MaxConflictCopyBytes)
        return refuse(QStringLiteral("it is far larger than a bill file"));
    const BillFileRead copy = readBillFile(copyPath);
    const auto cleanUp = qScopeGuard([&copy] { qDeleteAll(copy.events); });
    if (copy.state == BillFileState::Missing)
        return refuse(QStringLiteral("it is no longer there"));
    if (copy.state != BillFileState::Complete)
        return refuse(copy.problem);

    const BillConflictResolver &resolver = resolve ? resolve : m_resolve;
    QList<Event> ancestor = mergeAncestorBills();
    QList<qsizetype> origins = matchBills(ancestor, events);
    settleBillsAddedTwice(ancestor, origins, events, copy.events, resolver);
    BillMerge merge = mergeBills(ancestor, copy.events, events, origins, resolver);
    // The merged bills stand for the bills read that the caller's did: the
    // file stays the base, and the save that follows writes the merge.
    const QList<qsizetype> readOrigins = originsOf(events);
    m_baseRecords.fill(nullptr);
    for (qsizetype k = 0; k < events.size(); ++k) {
        if (readOrigins.at(k) >= 0 && merge.fromOurs.at(k) >= 0)
            m_baseRecords[readOrigins.at(k)] = merge.bills.at(merge.fromOurs.at(k));
    }
    if (fromOurs)
        *fromOurs = merge.fromOurs;
    return merge.bills;
}

QString BillFile::notice() const
{
    // No file because its folder is gone: the list is empty for now, not
    // because the bills are.
    if (m_state == BillFileState::Missing) {
        const QString missing = missingDataFolderFor(m_path);
        return missing.isEmpty() ? missing
                                 : missing + QStringLiteral(" Payvane shows no bills and saves none until it is back.");
    }
    if (m_state != BillFileState::Damaged && m_state != BillFileState::Unreadable)
        return QString();
    const QString what = m_state == BillFileState::Damaged
                             ? QStringLiteral("Your bill file %1 could not be read completely (%2)")
                             : QStringLiteral("Your bill file %1 could not be read (%2)");
    const QString start = what.arg(native(m_path), m_problem);
    if (!m_keptPath.isEmpty())
        return start + QStringLiteral(", so it was kept unchanged as %1 and Payvane goes on with the bills it could read.")
                           .arg(native(m_keptPath));
    if (!m_keepError.isEmpty())
        return start + QStringLiteral(" and could not be kept aside (%1), so Payvane will not replace it.")
                           .arg(m_keepError);
    return start + QStringLiteral(", so it will be kept unchanged beside itself before your bills are saved.");
}

bool BillFile::moveEntry(const QString &from, const QString &to, QString *errorString)
{
#ifdef Q_OS_UNIX
    // QFile::rename() copies what it cannot rename, and would open a FIFO.
    const QByteArray target = QFile::encodeName(to);
    struct stat info;
    if (::lstat(target.constData(), &info) == 0) {
        if (errorString)
            *errorString = QStringLiteral("Destination file exists");
        return false;
    }
    if (::rename(QFile::encodeName(from).constData(), target.constData()) == 0)
        return true;
    if (errorString)
        *errorString = qt_error_string(errno);
    return false;
#else
    QFile file(from);
    if (file.rename(to))
        return true;
    if (errorString)
        *errorString = file.errorString();
    return false;
#endif
}

int BillFile::removeSaveLeftovers(const QString &path)
{
    // A save writes a complete new file under the name plus a dot and six
    // random letters, then renames it over the old one; a process killed in
    // between leaves it behind. The letters are of mixed case, which keeps
    // names people give their own copies ("events.evt.backup") out of reach.
    const QFileInfo info(path);
    const QDir folder = info.dir();
    const QRegularExpression leftover(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName())
        + QStringLiteral("\\.(?=[A-Za-z]*[a-z])(?=[A-Za-z]*[A-Z])[A-Za-z]{6}")));
    int removed = 0;
    const QStringList names = folder.entryList({info.fileName() + QStringLiteral(".??????")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QString candidate = folder.filePath(name);
        if (leftover.match(name).hasMatch() && isOwnRegularFile(candidate) && QFile::remove(candidate))
            ++removed;
    }
    return removed;
}
