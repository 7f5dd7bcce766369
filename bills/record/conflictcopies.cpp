#include "conflictcopies.h"

#include "billfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

bool isRegularFileEntry(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
#else
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
#endif
}

QRegularExpression conflictCopyPattern(const QString &billFileName)
{
    const QFileInfo info(billFileName);
    const QString stem = QRegularExpression::escape(info.completeBaseName());
    const QString suffix = info.suffix().isEmpty() ? QString() : QRegularExpression::escape(QLatin1Char('.') + info.suffix());
    // Syncthing: the date, the time and the first seven characters of the
    // device that made the change (base32). The others: the name of the
    // device or user (no brackets, bounded), then the date, with the time
    // where the program writes one.
    const QString syncthing = stem + QStringLiteral("\\.sync-conflict-\\d{8}-\\d{6}-[A-Z2-7]{7}") + suffix;
    const QString conflicted = stem + QStringLiteral(" \\((?:[^()/\\\\\\n]{1,80} )?conflicted copy \\d{4}-\\d{2}-\\d{2}(?: \\d{6})?\\)")
                               + QStringLiteral("(?: \\(\\d{1,3}\\))?") + suffix;
    return QRegularExpression(QRegularExpression::anchoredPattern(QStringLiteral("(?:%1)|(?:%2)").arg(syncthing, conflicted)));
}

} // namespace

QStringList conflictCopies(const QString &billFilePath)
{
    const QFileInfo bill(billFilePath);
    const QRegularExpression pattern = conflictCopyPattern(bill.fileName());
    const QString suffix = bill.suffix().isEmpty() ? QString() : QLatin1Char('.') + bill.suffix();
    // Names are filtered while the folder is read; only matches are kept,
    // and reading stops at a bound however many entries the folder holds.
    QStringList found;
    QDirIterator entries(bill.absolutePath(), {bill.completeBaseName() + QLatin1Char('*') + suffix},
                         QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (int looked = 0; entries.hasNext() && looked < 100 * MaxConflictCopies; ++looked) {
        const QString path = entries.next();
        if (pattern.match(entries.fileName()).hasMatch() && isRegularFileEntry(path))
            found << path;
        if (found.size() == MaxConflictCopies)
            break;
    }
    found.sort();
    return found;
}

bool setAsideMergedCopy(const QString &copyPath, QString *keptPath, QString *errorString)
{
    QString candidate = copyPath + QStringLiteral(".merged");
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = copyPath + QStringLiteral(".merged-%1").arg(n);
    if (!BillFile::moveEntry(copyPath, candidate, errorString))
        return false;
    *keptPath = candidate;
    return true;
}
