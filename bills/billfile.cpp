#include "billfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
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

} // namespace

BillFile::BillFile(const QString &path)
    : m_path(path)
{
}

EventList BillFile::load()
{
    removeSaveLeftovers(m_path);
    BillFileRead read = readBillFile(m_path);
    m_state = read.state;
    m_problem = read.problem;
    m_keptPath.clear();
    m_keepError.clear();
    return read.events;
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
        return true;
    }
    const QString kept = keptPathFor(m_path, now);
    QFile file(m_path);
    if (!file.rename(kept)) {
        m_keepError = file.errorString();
        if (errorString)
            *errorString = m_keepError;
        return false;
    }
    m_keptPath = kept;
    m_keepError.clear();
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
    return saveEvents(events, m_path, errorString);
}

QString BillFile::notice() const
{
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
