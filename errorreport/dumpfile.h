#ifndef PAYVANE_DUMPFILE_H
#define PAYVANE_DUMPFILE_H

#include <QByteArray>
#include <QFile>

#include <optional>

// A crash dump is a few kilobytes; anything far larger is not one of ours
// and is not read into memory.
constexpr qint64 maxDumpSize = 64 * 1024 * 1024;

// Reads the file at `file`'s name whole, when it is a regular file of at
// most `maxSize` bytes. A symbolic link is not followed, and a folder,
// device or pipe is never read: each counts as unreadable, as does a file
// that is missing, not permitted, too large or changing size while read
// (nullopt). `file` itself only names the dump; it is left closed.
[[nodiscard]] std::optional<QByteArray> readDump(QFile &file, qint64 maxSize = maxDumpSize);

// Closes `file` and removes what its name points at when that is a regular
// file or a symbolic link (the link itself, never its target). Folders,
// devices and the like are left alone. True when something was removed.
bool removeDump(QFile &file);

#endif // PAYVANE_DUMPFILE_H
