#ifndef PAYVANE_REGULARFILE_H
#define PAYVANE_REGULARFILE_H

#include <QString>

class QFile;

// Opens `file` (its name already set) for reading, but only when it is a
// regular file: a FIFO or a device in place of a data file would block the
// program in open() or feed it without end. Symbolic links are followed.
// Returns false with a reason for the user in *errorString when given.
[[nodiscard]] bool openRegularFileForReading(QFile &file, QString *errorString = nullptr);

#endif // PAYVANE_REGULARFILE_H
