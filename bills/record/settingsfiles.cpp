#include "settingsfiles.h"

#include "billfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// Whether something is at `path` that is no regular file once links are
// followed (a link that leads nowhere is as good as no file). Never opens it.
bool isSpecialFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode);
#else
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
#endif
}

} // namespace

QStringList nativeSettingsFiles(const QString &organization, const QString &application)
{
    // Where QSettings looks on this platform: the configuration folder.
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    return {folder.filePath(organization + QLatin1Char('/') + application + QStringLiteral(".conf")),
            folder.filePath(organization + QStringLiteral(".conf"))};
}

QStringList setAsideSpecialFiles(const QStringList &paths, const QDateTime &now)
{
    QStringList sentences;
    for (const QString &path : paths) {
        if (!isSpecialFile(path))
            continue;
        const QString kept = BillFile::keptPathFor(path, now);
        QString reason;
        if (BillFile::moveEntry(path, kept, &reason)) {
            sentences << QStringLiteral("The settings file %1 is not a regular file, so it was set aside as %2 "
                                        "and Payvane starts with its default settings.")
                             .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(kept));
        } else {
            sentences << QStringLiteral("The settings file %1 is not a regular file and could not be set aside (%2).")
                             .arg(QDir::toNativeSeparators(path), reason);
        }
    }
    return sentences;
}
