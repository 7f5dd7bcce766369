#ifndef PAYVANE_BENCH_BILLFILES_H
#define PAYVANE_BENCH_BILLFILES_H

#include <QDate>
#include <QString>

// Writes a bill file of `count` bills of which the first `due` are due for a
// reminder on `today` and the rest are not (but still need their next due
// date worked out). Whether the file was written.
bool writeBillFile(const QString &path, int count, int due, QDate today);

#endif // PAYVANE_BENCH_BILLFILES_H
