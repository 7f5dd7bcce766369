// The program's windows as a module of their own (desktopentry.h): the
// start from the application object on, as the program loads it.

#include "automaticpublishing.h"
#include "desktopentry.h"
#include "holidaycalendars.h"
#include "mainwindow.h"
#include "plainmessage.h"
#include "platformchoice.h"
#include "reminderwindow.h"
#include "settingsfilecheck.h"
#include "startmode.h"

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
#include <QPointer>
#include <QSettings>

#include <cstdio>
#include <type_traits>

namespace {

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

void reportFailedSave(const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Payvane"),
                    QStringLiteral("Your bills could not be saved to %1: %2")
                        .arg(QDir::toNativeSeparators(path), reason));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// What a plain start asks of the instance that runs: bring the main window
// forward, opening it when it is not open.
const QString ShowMainWindowMessage = QStringLiteral("show-main-window");
// A plain start that finds the program running gives up after this long.
constexpr int ShowMainWindowWaitMs = 1500;

// The main window, shown and brought forward.
MainWindow *openMainWindow(SingleApplication &app)
{
    auto *window = new MainWindow;
    applyGlass(window);
    app.setActivationWindow(window, true);
    app.activateWindow();
    return window;
}

// The automatic start through the desktop's notifications: waits for the
// answers as long as a reminder is on screen. A click on a reminder, or a
// plain start meanwhile, opens the main window in this process; reminders
// still on screen keep working beside it. A click on the summed-up reminder
// opens the reminder window with every due bill instead (the main window
// when, answered elsewhere meanwhile, none is due any more). The program
// ends when no reminder is left and the windows it opened are closed.
int runDesktopReminders(SingleApplication &app, NotificationService *service, bool sumUp)
{
    DesktopReminders reminders(service);
    reminders.setSumUp(sumUp);
    if (!reminders.showDueReminders(QDate::currentDate()))
        return 0;
    recordDisplay();

    // The main window's list and the reminders' list both write the bill
    // file, each through its BillFile: an answer is written at once, and a
    // save merges what the other wrote since it read the file.
    QPointer<MainWindow> mainWindow;
    QPointer<ReminderWindow> reminderWindow;
    QApplication::setQuitOnLastWindowClosed(false);
    const auto quitWhenDone = [&] {
        if (!mainWindow && !reminderWindow && !reminders.isShowing())
            QCoreApplication::quit();
    };
    const auto showMainWindow = [&] {
        if (mainWindow) {
            app.activateWindow();
            return;
        }
        mainWindow = openMainWindow(app);
        mainWindow->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(mainWindow, &QObject::destroyed, &app, quitWhenDone, Qt::QueuedConnection);
    };
    QObject::connect(&reminders, &DesktopReminders::finished, &app, quitWhenDone);
    QObject::connect(&reminders, &DesktopReminders::saveFailed, &app, &reportFailedSave);
    QObject::connect(&reminders, &DesktopReminders::openRequested, &app,
                     [&](const QString &billName) {
                         showMainWindow();
                         mainWindow->selectBill(billName);
                     });
    QObject::connect(&reminders, &DesktopReminders::allRequested, &app, [&] {
        if (reminderWindow) {
            reminderWindow->raise();
            return;
        }
        // It reads the bills anew and marks each as its item shows it.
        reminderWindow = createReminderWindow();
        if (!reminderWindow) {
            showMainWindow();
            return;
        }
        reminderWindow->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(reminderWindow, &QObject::destroyed, &app, quitWhenDone, Qt::QueuedConnection);
        applyGlass(reminderWindow);
        // Asked for: centred, wherever the user's choice would place it.
        reminderWindow->setCentredPlacement(true);
        reminderWindow->positionWindow();
        reminderWindow->show();
        reminderWindow->activateWindow();
    });
    QObject::connect(&app, &SingleApplication::messageReceived, &app, [&](const QString &message) {
        if (message == ShowMainWindowMessage)
            showMainWindow();
    });

    const int exitCode = QApplication::exec();
    // Ended otherwise (the session ends, an update starts): what is still on
    // screen goes unanswered, to come again.
    reminders.closeAll();
    delete reminderWindow;
    delete mainWindow;
    return exitCode;
}

} // namespace

extern "C" Q_DECL_EXPORT int payvaneDesktopMain(int *argc, char **argv, int handover)
{
    static_assert(std::is_same_v<decltype(payvaneDesktopMain), DesktopMain>);
    chooseAutomaticStartPlatform(*argc, argv);

    SingleApplication app(*argc, argv, QString());
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1.2"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tervona.example"));
    setAsideSpecialSettingsFiles();

    Tervona::ExceptionHandler exceptionHandler;
    exceptionHandler.initExceptionHandler();

    Update::getUpdater()->autoCheck();

    int intervalSeconds = 0;
    const StartMode mode = startMode(QCoreApplication::arguments(), &intervalSeconds);

    // A second instance writes nothing. A plain start brings the running
    // program forward (it opens its main window); an automatic one leaves
    // it alone. Should the running one have ended meanwhile, this start
    // takes its place.
    if (app.isRunning()) {
        if (mode != StartMode::Interactive || app.sendMessage(ShowMainWindowMessage, ShowMainWindowWaitMs)
            || !app.takeOverIfEnded())
            return 0;
    }

    // Before any date is computed: the holiday calendars that changed are
    // read again. One that cannot be read is told once (a box for a plain
    // start, the error output for an automatic one) and changes nothing.
    for (const QString &sentence : HolidayCalendars::update()) {
        if (mode == StartMode::Interactive)
            showPlainMessage(QMessageBox::Warning, QStringLiteral("Holidays"), sentence);
        else
            std::fprintf(stderr, "%s\n", qPrintable(sentence));
    }

    QWidget *window = nullptr;
    ReminderWindow *reminderWindow = nullptr;
    AutomaticPublishing *automaticPublishing = nullptr;
    if (mode == StartMode::Interactive) {
        window = new MainWindow;
    } else {
        if (!(handover & IntervalRuleApplied) && !automaticStartGoesOn(mode, intervalSeconds))
            return 0;
        // The desktop's notifications when chosen and a service answers;
        // else the reminder window (the popup dialog, for that choice).
        // The calendar is published beside the reminders, and the program
        // ends once both are done.
        auto *publishing = new AutomaticPublishing(&app);
        publishing->start(QDate::currentDate());
        NotificationSettings notificationSettings;
        notificationSettings.load(settingsFilePath());
        if (notificationSettings.desktopNotifications) {
            auto *service = new NotificationService(&app);
            if (service->isAvailable()) {
                const int exitCode = runDesktopReminders(app, service, notificationSettings.sumUpReminders);
                publishing->waitUntilDone();
                return exitCode;
            }
        }
        reminderWindow = createReminderWindow();
        if (!reminderWindow) {
            publishing->waitUntilDone();
            return 0;
        }
        automaticPublishing = publishing;
        window = reminderWindow;
    }

    applyGlass(window);
    app.setActivationWindow(window, true);
    // A plain start while the reminders are shown raises them; the main
    // window follows once they are answered, so that the two lists never
    // write the bill file at the same time.
    bool mainWindowAsked = false;
    QObject::connect(&app, &SingleApplication::messageReceived, &app, [&](const QString &message) {
        mainWindowAsked = mainWindowAsked || (reminderWindow && message == ShowMainWindowMessage);
    });
    if (reminderWindow) {
        reminderWindow->setCentredPlacement(!windowsPlaceThemselves(QGuiApplication::platformName()));
        reminderWindow->positionWindow();
    }
    window->show();

    int exitCode = QApplication::exec();
    if (automaticPublishing)
        automaticPublishing->waitUntilDone();
    // The window lives as long as the event loop; it goes before the
    // application object so its destructor still finds one.
    delete window;
    if (mainWindowAsked) {
        window = openMainWindow(app);
        exitCode = QApplication::exec();
        delete window;
    }
    return exitCode;
}
