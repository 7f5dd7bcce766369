// Shows the reminder window with an overdue bill, a bill with an amount due
// soon and one without, for looking at it (screenshots under Xvfb). Works on
// the standard paths' test folders, never on the user's own bills.
//
//   reminderpreview <tray|popup> [seconds] [item whose options open]
#include "reminderitem.h"
#include "reminderwindow.h"

#include "daynumber.h"
#include "event.h"
#include "eventstore.h"
#include "notificationsettings.h"
#include "paymentstatus.h"

#include <QApplication>
#include <QCommandLinkButton>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>

namespace {

Event *bill(const QString &name, QDate due)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleMonthly;
    event->byDay = true;
    event->ordinal = due.day();
    event->endMode = Event::EndNever;
    event->notify = true;
    event->notifyDays = 5;
    return event;
}

EventList sampleBills(QDate today)
{
    Event *rent = bill(QStringLiteral("Rent"), addDays(today, -12));
    rent->amount = Money(125000, Money::defaultCurrency(QLocale()));
    // Tracked since before its last date, which was never paid.
    startTracking(*rent, addDays(today, -20));
    Event *phone = bill(QStringLiteral("Phone"), addDays(today, 3));
    phone->amount = Money(2999, QStringLiteral("EUR"));
    Event *water = bill(QStringLiteral("Water rates"), addDays(today, 1));
    return {rent, phone, water};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QStandardPaths::setTestModeEnabled(true);

    const bool popup = argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("popup");
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    const int openItem = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : -1;

    EventList bills = sampleBills(QDate::currentDate());
    const bool saved = saveEvents(bills, eventsFilePath());
    qDeleteAll(bills);
    NotificationSettings settings;
    settings.popupDialog = popup;
    if (!saved || !settings.save(settingsFilePath()))
        return 1;

    auto *window = new ReminderWindow;
    if (!window->addDueItems())
        return 2;
    window->positionWindow();
    window->show();
    const QList<ReminderItem *> items = window->findChildren<ReminderItem *>();
    if (openItem >= 0 && openItem < items.size()) {
        QTimer::singleShot(1500, items.at(openItem), [item = items.at(openItem)] {
            item->findChild<QCommandLinkButton *>(QStringLiteral("acceptButton"))->click();
        });
    }
    QTimer::singleShot(seconds * 1000, &app, [window] {
        // Closing would save the bills and, in the tray method, end the
        // process at once: the sample files go first.
        QFile::remove(eventsFilePath());
        QFile::remove(settingsFilePath());
        delete window;
        QCoreApplication::quit();
    });
    return app.exec();
}
