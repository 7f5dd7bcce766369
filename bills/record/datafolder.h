#ifndef PAYVANE_DATAFOLDER_H
#define PAYVANE_DATAFOLDER_H

#include <QString>
#include <QStringList>

// The folder that holds the user's data files (the bills, the notification
// settings, the holidays): the per-user data folder unless the user moved
// them to a folder of their choice, such as one a sync program keeps equal
// on several machines. Where they are is kept in the native settings store
// ("DataFolder"), which is the machine's own and never moves with them.

// The folder in use: the one chosen, when it is an absolute path, else the
// per-user data folder.
[[nodiscard]] QString dataFolderPath();
// The per-user data folder, where the files are unless moved.
[[nodiscard]] QString defaultDataFolderPath();
// The sentence that says the chosen data folder is gone (a drive not
// mounted, a sync folder removed) when `path` is a file in it; empty when
// its folder is there, or is not the chosen one.
[[nodiscard]] QString missingDataFolderFor(const QString &path);
// Makes the folder a file at `path` goes into, unless it is the chosen
// data folder, which is never made anew once gone; false, with the reason
// in *errorString, when the folder is not there.
[[nodiscard]] bool makeFolderFor(const QString &path, QString *errorString = nullptr);
// Uses `folder` from now on (the default folder: the key is removed). The
// files are not moved; false when the settings store cannot be written.
[[nodiscard]] bool setDataFolderPath(const QString &folder);

// The names of the files the program keeps in the data folder.
[[nodiscard]] QStringList dataFileNames();

// Copies the files `names` of `from` into `to`, one by one: each copy is
// written beside its name, synced to disk and renamed into place, then read
// back and compared with the original byte by byte. A file the target
// already holds is never replaced: the copy refuses before writing
// anything. On failure, whatever this call copied is removed again and the
// reason is in *errorString. *copied lists the names copied.
[[nodiscard]] bool copyDataFiles(const QString &from, const QString &to, const QStringList &names,
                                 QStringList *copied, QString *errorString = nullptr);

// Which of the data files `folder` holds (as entries of any kind).
[[nodiscard]] QStringList presentDataFiles(const QString &folder);

#endif // PAYVANE_DATAFOLDER_H
