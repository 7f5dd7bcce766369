#include "automaticstart.h"

#include "startmode.h"

#include <eventstore.h>
#include <holidayfile.h>
#include <instancelock.h>
#include <reminderrules.h>
#include <settingsfiles.h>
#include <updateschedule.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QSettings>

#include <cstdio>

namespace {

// The main window's box is not here to tell: the automatic start says it
// on the error output only, as the windows would.
void setAsideSettingsFilesQuietly()
{
    const QStringList sentences = setAsideSpecialFiles(
        nativeSettingsFiles(QCoreApplication::organizationName(), QCoreApplication::applicationName()));
    for (const QString &sentence : sentences)
        std::fprintf(stderr, "%s\n", qPrintable(sentence));
}

// Whether the windows would find anything to do with the bill file.
bool billsNeedTheWindows(QDate today)
{
    BillFileRead read = readBillFile(eventsFilePath());
    bool needed = anyReminderDue(read.events, today);
    // A mark that a clock running ahead left in the future is written back
    // as today by the windows, so "once a day" does not hold the bill back
    // day after day; that write is theirs to make.
    if (!needed && read.state == BillFileState::Complete)
        needed = settleFutureReminderMarks(read.events, today);
    qDeleteAll(read.events);
    return needed;
}

// Publishing to a CalDAV calendar goes on at every automatic start, in the
// windows' module (its account is in the native settings' group "CalDav").
bool calendarPublishingIsOn()
{
    return QSettings().value(QStringLiteral("CalDav/Enabled")).toBool();
}

} // namespace

AutomaticStart decideAutomaticStart(const QStringList &arguments, const QString &programFilePath, QDate today)
{
    setAsideSettingsFilesQuietly();
    // The update check comes before the instance test and the interval rule;
    // when it is due, the windows take the start in that order.
    if (isUpdateCheckDue(QCoreApplication::applicationName(), QDateTime::currentDateTime()))
        return AutomaticStart::LoadWindows;

    // Held while "LastRun" is written and the bills are read, so that two
    // automatic starts never both go on; given up before the windows take
    // the lock of their own.
    InstanceLock lock(InstanceLock::nameForProgram(programFilePath));
    if (!lock.folder().isEmpty() && !lock.tryLock())
        return AutomaticStart::End;

    int intervalSeconds = 0;
    const StartMode mode = startMode(arguments, &intervalSeconds);
    if (!automaticStartGoesOn(mode, intervalSeconds))
        return AutomaticStart::End;
    installHolidaysFromDataFolder();
    return billsNeedTheWindows(today) || calendarPublishingIsOn() ? AutomaticStart::RemindersToShow
                                                                  : AutomaticStart::End;
}
