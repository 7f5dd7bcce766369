#include "informationoptions.h"
#include "listoption.h"
#include "mainwindow.h"
#include "platformchoice.h"
#include "reminderwindow.h"

#include <exceptionhandler.h>
#include <glass.h>
#include <singleapplication.h>
#include <update.h>

#include <QDateTime>
#include <QSettings>

namespace {

enum class StartMode { Interactive, Automatic, AutomaticWithInterval };

// The command line: nothing or anything but "auto" first is the interactive
// mode; "auto" alone or with two or more further arguments the automatic
// mode; "auto" with exactly one more argument adds the interval rule.
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

// A scheduler that starts us every N seconds gets the reminders once per
// calendar day while it runs regularly (previous start less than 1.5 x N
// ago); after a longer gap they come again. Records this start in "LastRun".
bool remindersAlreadyShownToday(QSettings &settings, int intervalSeconds)
{
    const QDateTime lastRun = settings.value(QStringLiteral("LastRun")).toDateTime();
    const QDateTime now = QDateTime::currentDateTime();
    settings.setValue(QStringLiteral("LastRun"), now);
    if (!lastRun.isValid())
        return false;
    const qint64 seconds = lastRun.secsTo(now);
    if (!(1.5 * intervalSeconds > double(seconds)))
        return false;
    const QDateTime lastDisplay = settings.value(QStringLiteral("LastDisplay")).toDateTime();
    return lastDisplay.isValid() && lastDisplay.date() == now.date();
}

// The reminder window when a bill is due, else null. Writes "LastDisplay"
// when there is something to show.
ReminderWindow *createReminderWindow(StartMode mode, int intervalSeconds)
{
    QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    if (mode == StartMode::AutomaticWithInterval
        && remindersAlreadyShownToday(settings, intervalSeconds))
        return nullptr;

    auto *window = new ReminderWindow;
    if (!window->addDueItems()) {
        delete window;
        return nullptr;
    }
    settings.setValue(QStringLiteral("LastDisplay"), QDateTime::currentDateTime());
    return window;
}

void applyGlass(QWidget *window)
{
    if (!compositionActive())
        return;
    extendGlassFrame(window, -1, -1, -1, -1);
    window->setContentsMargins(0, 0, 0, 0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (printInformationOption(argc, argv))
        return 0;
    if (const int listed = printBillList(argc, argv); listed >= 0)
        return listed;
    chooseAutomaticStartPlatform(argc, argv);

    SingleApplication app(argc, argv, QString());
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1.2"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tervona.example"));

    Tervona::ExceptionHandler exceptionHandler;
    exceptionHandler.initExceptionHandler();

    Update::getUpdater()->autoCheck();

    // A second instance leaves the first alone: it writes nothing and sends
    // nothing.
    if (app.isRunning())
        return 0;

    int intervalSeconds = 0;
    const StartMode mode = startMode(QCoreApplication::arguments(), &intervalSeconds);

    QWidget *window = nullptr;
    ReminderWindow *reminderWindow = nullptr;
    if (mode == StartMode::Interactive) {
        window = new MainWindow;
    } else {
        reminderWindow = createReminderWindow(mode, intervalSeconds);
        if (!reminderWindow)
            return 0;
        window = reminderWindow;
    }

    applyGlass(window);
    app.setActivationWindow(window, true);
    if (reminderWindow) {
        reminderWindow->setCentredPlacement(!windowsPlaceThemselves(QGuiApplication::platformName()));
        reminderWindow->positionWindow();
    }
    window->show();

    const int exitCode = QApplication::exec();
    // The window lives as long as the event loop; it goes before the
    // application object so its destructor still finds one.
    delete window;
    return exitCode;
}
