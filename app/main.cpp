#include "informationoptions.h"
#include "listoption.h"
#include "mainwindow.h"
#include "platformchoice.h"
#include "reminderwindow.h"
#include "settingsfilecheck.h"

#include <desktopreminders.h>
#include <eventstore.h>
#include <exceptionhandler.h>
#include <glass.h>
#include <notificationservice.h>
#include <notificationsettings.h>
#include <singleapplication.h>
#include <update.h>

#include <QDateTime>
#include <QDir>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

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

// Whether the automatic start goes on, by the interval rule.
bool automaticStartGoesOn(StartMode mode, int intervalSeconds)
{
    QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    return mode != StartMode::AutomaticWithInterval || !remindersAlreadyShownToday(settings, intervalSeconds);
}

// Reminders are on screen: recorded in "LastDisplay".
void recordDisplay()
{
    QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    settings.setValue(QStringLiteral("LastDisplay"), QDateTime::currentDateTime());
}

// The reminder window when a bill is due, else null.
ReminderWindow *createReminderWindow()
{
    auto *window = new ReminderWindow;
    if (!window->addDueItems()) {
        delete window;
        return nullptr;
    }
    recordDisplay();
    return window;
}

void applyGlass(QWidget *window)
{
    if (!compositionActive())
        return;
    extendGlassFrame(window, -1, -1, -1, -1);
    window->setContentsMargins(0, 0, 0, 0);
}

// A reminder nobody answers must not keep the program, and with it the one
// instance a user may run, for ever: after this long it saves and ends.
constexpr int ReminderAnswerWaitMs = 60 * 60 * 1000;

void reportFailedSave(const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Payvane"),
                    QStringLiteral("Your bills could not be saved to %1: %2")
                        .arg(QDir::toNativeSeparators(path), reason));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// The automatic start through the desktop's notifications: waits for the
// answers, or hands over to the main window when a reminder is clicked.
int runDesktopReminders(SingleApplication &app, NotificationService *service)
{
    DesktopReminders reminders(service);
    if (!reminders.showDueReminders(QDate::currentDate()))
        return 0;
    recordDisplay();

    MainWindow *mainWindow = nullptr;
    QObject::connect(&reminders, &DesktopReminders::finished, &app, [&mainWindow] {
        if (!mainWindow)
            QCoreApplication::quit();
    });
    QObject::connect(&reminders, &DesktopReminders::openRequested, &app,
                     [&](const QString &billName) {
                         if (mainWindow)
                             return;
                         // The window reads the bills from the file: the
                         // reminders' changes go there first, and from now on
                         // the window alone writes the file.
                         reminders.closeAll();
                         QString reason;
                         if (!reminders.save(&reason))
                             reportFailedSave(reminders.billFile().path(), reason);
                         mainWindow = new MainWindow;
                         mainWindow->selectBill(billName);
                         applyGlass(mainWindow);
                         app.setActivationWindow(mainWindow, true);
                         mainWindow->show();
                     });
    QTimer::singleShot(ReminderAnswerWaitMs, &app, [&mainWindow] {
        if (!mainWindow)
            QCoreApplication::quit();
    });

    const int exitCode = QApplication::exec();
    if (!mainWindow) {
        reminders.closeAll();
        QString reason;
        if (!reminders.save(&reason))
            reportFailedSave(reminders.billFile().path(), reason);
    }
    delete mainWindow;
    return exitCode;
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
    setAsideSpecialSettingsFiles();

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
        if (!automaticStartGoesOn(mode, intervalSeconds))
            return 0;
        // The desktop's notifications when chosen and a service answers;
        // else the reminder window (the popup dialog, for that choice).
        NotificationSettings notificationSettings;
        notificationSettings.load(settingsFilePath());
        if (notificationSettings.desktopNotifications) {
            auto *service = new NotificationService(&app);
            if (service->isAvailable())
                return runDesktopReminders(app, service);
        }
        reminderWindow = createReminderWindow();
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
