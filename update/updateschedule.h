#ifndef PAYVANE_UPDATESCHEDULE_H
#define PAYVANE_UPDATESCHEDULE_H

#include <QDateTime>
#include <QString>

// When the automatic update check is due, readable without the updater (and
// so without widgets or the network library): the program's start asks it
// before it decides whether to load its windows at all. Both values live in
// the native settings store under organization "Tervona" and application =
// the product.

// "UpdateAutoRun": whether automatic checks are on; the build's default when
// never set.
[[nodiscard]] bool updateAutoRun(const QString &product);
void setUpdateAutoRun(const QString &product, bool on);

// Automatic checks on, and "UpdateLastRun" strictly earlier than five days
// before `now` (or later than `now`, written while the clock was wrong). An
// installation that never checked counts as checked six days ago.
[[nodiscard]] bool isUpdateCheckDue(const QString &product, const QDateTime &now);

// Records `now` as the last check.
void recordUpdateCheck(const QString &product, const QDateTime &now);

#endif // PAYVANE_UPDATESCHEDULE_H
