#ifndef PAYVANE_CONFLICTCOPIES_H
#define PAYVANE_CONFLICTCOPIES_H

#include <QString>
#include <QStringList>

// Copies of the bill file that sync programs leave beside it when two
// machines changed it before either saw the other's change:
//   events.sync-conflict-20261208-101500-ABCDEF2.evt     (Syncthing)
//   events (conflicted copy 2026-12-08 101500).evt        (Nextcloud, ownCloud)
//   events (Laptop's conflicted copy 2026-12-08).evt      (Dropbox and alike)
// Each holds the other machine's bills; the program merges them into the
// user's list only when asked, and never removes one without asking.

// At most this many copies are offered at a time (a folder full of them is
// no reason to read them all).
constexpr int MaxConflictCopies = 20;

// The conflict copies of the bill file `billFilePath`, as paths in name
// order: regular files only (no link, folder or FIFO), names matched
// exactly to the patterns above.
[[nodiscard]] QStringList conflictCopies(const QString &billFilePath);

// Sets a merged copy aside under its name with ".merged" added (a number
// before it when that is taken), so it is no longer offered; renames, never
// copies or removes. The new path in *keptPath.
[[nodiscard]] bool setAsideMergedCopy(const QString &copyPath, QString *keptPath, QString *errorString = nullptr);

#endif // PAYVANE_CONFLICTCOPIES_H
