#include "updateschedule.h"

#include <QSettings>

namespace {

const char *const Organization = "Tervona";
const char *const AutoRunKey = "UpdateAutoRun";
const char *const LastRunKey = "UpdateLastRun";

constexpr int AutoCheckDays = 5;
// The stored last check of an installation that never checked: old enough
// that the first start checks.
constexpr int NeverCheckedDays = 6;

QSettings updaterSettings(const QString &product)
{
    return QSettings(QString::fromLatin1(Organization), product);
}

} // namespace

bool updateAutoRun(const QString &product)
{
    return updaterSettings(product).value(QLatin1String(AutoRunKey), bool(PAYVANE_UPDATE_AUTORUN_DEFAULT)).toBool();
}

void setUpdateAutoRun(const QString &product, bool on)
{
    updaterSettings(product).setValue(QLatin1String(AutoRunKey), on);
}

bool isUpdateCheckDue(const QString &product, const QDateTime &now)
{
    if (!updateAutoRun(product))
        return false;
    const QDateTime lastRun =
        updaterSettings(product).value(QLatin1String(LastRunKey), now.addDays(-NeverCheckedDays)).toDateTime();
    // A last check "in the future" was made while the clock was wrong; it
    // must not hold checks back until that day comes.
    return lastRun < now.addDays(-AutoCheckDays) || lastRun > now;
}

void recordUpdateCheck(const QString &product, const QDateTime &now)
{
    updaterSettings(product).setValue(QLatin1String(LastRunKey), now);
}
