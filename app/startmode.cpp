#include "startmode.h"

#include <QDateTime>
#include <QSettings>

namespace {

// A scheduler that starts us every N seconds gets the reminders once per
// calendar day while it runs regularly (previous start less than 1.5 x N
// ago); after a longer gap they come again. Records this start in "LastRun".
// Times after now were written while the clock ran ahead: such a start says
// nothing about a regular scheduler, and reminders shown on a later day
// count as shown today (and are kept so, so that tomorrow is a new day).
bool remindersAlreadyShownToday(QSettings &settings, int intervalSeconds)
{
    const QDateTime lastRun = settings.value(QStringLiteral("LastRun")).toDateTime();
    const QDateTime now = QDateTime::currentDateTime();
    settings.setValue(QStringLiteral("LastRun"), now);
    if (!lastRun.isValid() || lastRun > now)
        return false;
    const qint64 seconds = lastRun.secsTo(now);
    if (!(1.5 * intervalSeconds > double(seconds)))
        return false;
    QDateTime lastDisplay = settings.value(QStringLiteral("LastDisplay")).toDateTime();
    if (lastDisplay.isValid() && lastDisplay.date() > now.date()) {
        lastDisplay = now;
        settings.setValue(QStringLiteral("LastDisplay"), now);
    }
    return lastDisplay.isValid() && lastDisplay.date() == now.date();
}

} // namespace

StartMode startMode(const QStringList &arguments, int *intervalSeconds)
{
    if (arguments.size() < 2 || arguments.at(1) != QLatin1String("auto"))
        return StartMode::Interactive;
    if (arguments.size() != 3)
        return StartMode::Automatic;
    // Not a number counts as 0, which never holds the reminders back.
    *intervalSeconds = arguments.at(2).toInt();
    return StartMode::AutomaticWithInterval;
}

bool automaticStartGoesOn(StartMode mode, int intervalSeconds)
{
    if (mode != StartMode::AutomaticWithInterval)
        return true;
    QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    return !remindersAlreadyShownToday(settings, intervalSeconds);
}
