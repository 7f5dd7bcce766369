// Shows one page of the main window with a few bills of every schedule kind,
// some with amounts and one overdue, for looking at the window (screenshots
// under Xvfb). Works on the standard
// paths' test folders, never on the user's own bills.
//
//   pagepreview <page 0-4> [seconds] [current row]
#include "holidaycalendars.h"
#include "mainwindow.h"

#include "daynumber.h"
#include "event.h"
#include "eventstore.h"
#include "paymentstatus.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

namespace {

Event *bill(const QString &name, qint32 schedule, qint32 endMode, QDate endDate)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = schedule;
    event->endMode = endMode;
    event->endDate = endDate;
    event->notify = true;
    event->notifyDays = 5;
    event->showOnce = true;
    return event;
}

EventList sampleBills(QDate today)
{
    EventList bills;
    Event *rent = bill(QStringLiteral("Rent"), Event::ScheduleMonthly, Event::EndNever, today);
    rent->byDay = true;
    rent->ordinal = 1;
    rent->amount = Money(125000, Money::defaultCurrency(QLocale()));
    // Tracked for three months, paid only the first time: overdue.
    startTracking(*rent, addDays(today, -92));
    markPaid(*rent, addDays(today, -92));
    // A part of the first unpaid date paid, with a note.
    recordPayment(*rent, today, Money(40000, rent->amount.currency()), addDays(today, -20),
                  QStringLiteral("first half, by transfer"));
    // Reminded again two weeks ahead, and after the date while unpaid.
    rent->extraReminders = {ExtraReminder{14, ExtraReminder::Before, QDate()},
                            ExtraReminder{3, ExtraReminder::AfterUnpaid, QDate()}};
    bills << rent;
    Event *cleaner = bill(QStringLiteral("Cleaner"), Event::ScheduleWeekly, Event::EndAfterTimes, addDays(today, 20));
    cleaner->weekdays[0] = cleaner->weekdays[2] = true;
    cleaner->amount = Money(4500, QStringLiteral("EUR"));
    bills << cleaner;
    Event *tax = bill(QStringLiteral("Council tax"), Event::ScheduleYearly, Event::EndOnDate, addDays(today, 800));
    tax->byDay = true;
    tax->ordinal = 15;
    tax->months[0] = tax->months[3] = tax->months[6] = tax->months[9] = true;
    tax->amount = Money(31050, QStringLiteral("GBP"));
    bills << tax;
    Event *insurance = bill(QStringLiteral("Car insurance"), Event::ScheduleSingular, Event::EndAfterTimes, addDays(today, 40));
    insurance->eventDate = insurance->endDate;
    insurance->notify = false;
    bills << insurance;
    Event *phone = bill(QStringLiteral("Old phone contract"), Event::ScheduleMonthly, Event::EndOnDate, addDays(today, -30));
    phone->weekdays[1] = true;
    phone->ordinal = 2;
    bills << phone;
    return bills;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane"));
    QStandardPaths::setTestModeEnabled(true);

    const int page = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    const int row = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 1;
    // "end": the page scrolled to its end (the last sections of the settings).
    const bool toEnd = argc > 4 && QByteArray(argv[4]) == "end";

    EventList bills = sampleBills(QDate::currentDate());
    if (!saveEvents(bills, eventsFilePath()))
        return 1;
    qDeleteAll(bills);

    // As the windows' start does: the holidays of the picked calendars.
    static_cast<void>(HolidayCalendars::update());
    auto *window = new MainWindow;
    auto *tree = window->findChild<QTreeView *>(QStringLiteral("eventTreeView"));
    tree->setCurrentIndex(tree->model()->index(row, 0));
    const char *const buttons[] = {nullptr, "editButton", "viewButton", "settingsButton"};
    if (page > 0 && page < 4)
        QMetaObject::invokeMethod(window, (QByteArray("on_") + buttons[page] + "_clicked").constData());
    window->show();
    if (toEnd) {
        QTimer::singleShot(100, window, [window] {
            for (QScrollArea *area : window->findChildren<QScrollArea *>()) {
                if (area->isVisible())
                    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
            }
        });
    }
    if (page == 4)
        window->findChild<QAbstractButton *>(QStringLiteral("monthsButton"))->click();
    QTimer::singleShot(seconds * 1000, window, [window] {
        window->close();
        delete window;
        QFile::remove(eventsFilePath());
        QCoreApplication::quit();
    });
    return app.exec();
}
