#include "datafolder.h"

#include "eventstore.h"
#include "regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const char *const DataFolderKey = "DataFolder";

// The machine's own settings store, whatever the application object is named.
QSettings nativeSettings()
{
    return QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
}

bool fail(QString *errorString, const QString &reason)
{
    if (errorString)
        *errorString = reason;
    return false;
}

bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The whole file, or nothing when it cannot be read to its end.
bool readWhole(const QString &path, QByteArray *bytes, QString *errorString)
{
    QFile file(path);
    if (!openRegularFileForReading(file, errorString))
        return false;
    const qint64 size = file.size();
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(errorString, file.errorString());
    if (bytes->size() < size)
        return fail(errorString, QStringLiteral("it could not be read to its end"));
    return true;
}

bool copyOne(const QString &source, const QString &target, QString *errorString)
{
    QByteArray bytes;
    QString reason;
    if (!readWhole(source, &bytes, &reason))
        return fail(errorString, QStringLiteral("%1 could not be read (%2)").arg(QDir::toNativeSeparators(source), reason));
    if (!writeFileEntry(bytes, target, &reason))
        return fail(errorString, QStringLiteral("%1 could not be written (%2)").arg(QDir::toNativeSeparators(target), reason));
    QByteArray written;
    if (!readWhole(target, &written, &reason) || written != bytes)
        return fail(errorString, QStringLiteral("the copy %1 does not read back as written").arg(QDir::toNativeSeparators(target)));
    return true;
}

} // namespace

QString defaultDataFolderPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString dataFolderPath()
{
    // A value from the settings file is untrusted: only an absolute path
    // counts, so a bad one never puts the bills in the working folder.
    const QString chosen = nativeSettings().value(QLatin1String(DataFolderKey)).toString();
    if (!chosen.isEmpty() && QDir::isAbsolutePath(chosen))
        return QDir::cleanPath(chosen);
    return defaultDataFolderPath();
}

QString missingDataFolderFor(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    const QString chosen = dataFolderPath();
    if (chosen == defaultDataFolderPath() || QDir::cleanPath(folder) != chosen || QFileInfo(folder).isDir())
        return QString();
    return QStringLiteral("The data folder %1 is missing; is its drive connected?").arg(QDir::toNativeSeparators(folder));
}

bool makeFolderFor(const QString &path, QString *errorString)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir())
        return true;
    // A chosen folder that is gone is not made anew: the files written
    // there would stand in for the user's, or be hidden once it is back.
    if (const QString missing = missingDataFolderFor(path); !missing.isEmpty()) {
        if (errorString)
            *errorString = missing;
        return false;
    }
    if (QDir().mkpath(folder))
        return true;
    if (errorString)
        *errorString = QStringLiteral("Cannot create the folder %1.").arg(QDir::toNativeSeparators(folder));
    return false;
}

bool setDataFolderPath(const QString &folder)
{
    QSettings settings = nativeSettings();
    if (QDir::cleanPath(folder) == QDir::cleanPath(defaultDataFolderPath()))
        settings.remove(QLatin1String(DataFolderKey));
    else
        settings.setValue(QLatin1String(DataFolderKey), QDir::cleanPath(folder));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QStringList dataFileNames()
{
    return {QStringLiteral("events.evt"), QStringLiteral("holidays.dat"), QStringLiteral("settings.ini")};
}

QStringList presentDataFiles(const QString &folder)
{
    QStringList present;
    const QDir dir(folder);
    for (const QString &name : dataFileNames()) {
        if (entryExists(dir.filePath(name)))
            present << name;
    }
    return present;
}

bool copyDataFiles(const QString &from, const QString &to, const QStringList &names, QStringList *copied,
                   QString *errorString)
{
    copied->clear();
    const QDir target(to);
    for (const QString &name : names) {
        if (entryExists(target.filePath(name)))
            return fail(errorString, QStringLiteral("%1 already holds %2").arg(QDir::toNativeSeparators(to), name));
    }
    for (const QString &name : names) {
        if (!copyOne(QDir(from).filePath(name), target.filePath(name), errorString)) {
            for (const QString &done : std::as_const(*copied))
                QFile::remove(target.filePath(done));
            QFile::remove(target.filePath(name));
            copied->clear();
            return false;
        }
        copied->append(name);
    }
    return true;
}
