#ifndef PAYVANE_SETTINGSFILES_H
#define PAYVANE_SETTINGSFILES_H

#include <QDateTime>
#include <QString>
#include <QStringList>

// The native settings store's files that QSettings reads for the user: the
// application's ("Tervona/Payvane.conf") and the organization's
// ("Tervona.conf"), in the user's configuration folder.
[[nodiscard]] QStringList nativeSettingsFiles(const QString &organization, const QString &application);

// Sets aside every file of `paths` that is there but, after links, is no
// regular file: QSettings blocks for ever on a FIFO and reads a device
// without end, and it is opened while the single-instance lock is held.
// Each goes beside itself under the name a damaged bill file gets
// (BillFile::keptPathFor); a link goes itself, its target stays. Returns one
// sentence per file for the user: where it went, or why it stayed.
[[nodiscard]] QStringList setAsideSpecialFiles(const QStringList &paths,
                                               const QDateTime &now = QDateTime::currentDateTime());

#endif // PAYVANE_SETTINGSFILES_H
