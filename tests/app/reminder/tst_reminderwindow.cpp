// The reminder window: which bills are due, the separate and together
// modes, where the window goes, and the save on close.

#include "reminderitem.h"
#include "reminderwindow.h"

#include <eventstore.h>
#include <notificationsettings.h>
#include <paymentstatus.h>

#include <QCommandLinkButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

Event *singularBill(const QString &name, QDate due)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleSingular;
    event->eventDate = due;
    event->endMode = Event::EndAfterTimes;
    event->endDate = due;
    event->notify = true;
    event->notifyDays = 3;
    return event;
}

// Due every day, so the next due date is always today.
Event dailyBill()
{
    Event event;
    event.name = QStringLiteral("Daily");
    event.schedule = Event::ScheduleWeekly;
    event.weekdays.fill(true);
    event.endMode = Event::EndNever;
    event.notify = true;
    return event;
}

QStringList itemTitles(const ReminderWindow &window)
{
    QStringList titles;
    const QList<ReminderItem *> items = window.findChildren<ReminderItem *>();
    for (const ReminderItem *item : items)
        titles.append(item->findChild<QGroupBox *>(QStringLiteral("groupBox"))->title());
    return titles;
}

// A weekly bill due on the weekday of `due` that tracks payments since that
// day and has paid nothing, reminded of from 3 days before.
Event *trackingBill(const QString &name, QDate due)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleWeekly;
    event->weekdays[std::size_t(due.dayOfWeek() - 1)] = true;
    event->endMode = Event::EndNever;
    event->notify = true;
    event->notifyDays = 3;
    event->payments.trackedSince = due;
    return event;
}

void pressOk(ReminderWindow &window)
{
    window.findChild<QCommandLinkButton *>(QStringLiteral("okButton"))->click();
}

} // namespace

class ReminderWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void dueTest_data();
    void dueTest();
    void noDueBillGivesNoItem();
    void separateModeStepsThroughDueBills();
    void okDuringItemAnimationMovesOn();
    void togetherModeShowsAllAndCloses();
    void popupIsCentred();
    void failedSaveIsReported();
    void traySlidesIntoCorner();
    void trayCloseSavesAndEndsLoop();
    void opaqueBackgroundIsPainted();
    void longAndMarkedUpNamesStayPlainAndFit();
    void damagedBillFileIsKeptWhenSaved();
    void overdueBillsAreDue_data();
    void overdueBillsAreDue();
    void overdueBillPaidInTheWindow();
    void sentencesAreWholeFromTheStart_data();
    void sentencesAreWholeFromTheStart();
    void tabFollowsTheShownOrder();
    void manyDueBillsAreSummedUp_data();
    void manyDueBillsAreSummedUp();

private:
    // Three due bills with a bill between them that is not due.
    void writeBills();
    void writeSettings(bool separate, bool popup, bool sumUp = true);
    QTemporaryDir home;
};

void ReminderWindowTest::initTestCase()
{
    QVERIFY(home.isValid());
    // Test mode keeps the data folder under HOME, which is ours.
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(eventsFilePath().startsWith(home.path()));
}

void ReminderWindowTest::init()
{
    QFile::remove(eventsFilePath());
    QFile::remove(settingsFilePath());
}

void ReminderWindowTest::writeBills()
{
    const QDate today = QDate::currentDate();
    EventList events{singularBill("Rent", today), singularBill("Gas", today.addDays(1)),
                     singularBill("Later", today.addDays(20)),
                     singularBill("Phone", today.addDays(3))};
    const bool saved = saveEvents(events, eventsFilePath());
    qDeleteAll(events);
    QVERIFY(saved);
}

void ReminderWindowTest::writeSettings(bool separate, bool popup, bool sumUp)
{
    NotificationSettings settings;
    settings.separateNotifications = separate;
    settings.popupDialog = popup;
    settings.sumUpReminders = sumUp;
    QVERIFY(settings.save(settingsFilePath()));
}

void ReminderWindowTest::dueTest_data()
{
    QTest::addColumn<int>("field");   // which field the row changes
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("due");

    // Each row changes one field of the daily bill (due today, never ending,
    // never shown); the fields are numbered below.
    enum { None, Notify, EndOnDateOffset, ShownDaysAgoOnce, ShownDaysAgo, AgainDays, NoWeekdays,
           SingularOffset };
    QTest::newRow("plain daily bill") << int(None) << 0 << true;
    QTest::newRow("1: notify off") << int(Notify) << 0 << false;
    QTest::newRow("2: ends yesterday") << int(EndOnDateOffset) << -1 << false;
    QTest::newRow("2: ends today") << int(EndOnDateOffset) << 0 << true;
    QTest::newRow("2: singular passed") << int(SingularOffset) << -1 << false;
    QTest::newRow("3: shown today, once a day") << int(ShownDaysAgoOnce) << 0 << false;
    QTest::newRow("3: shown yesterday, once a day") << int(ShownDaysAgoOnce) << 1 << true;
    QTest::newRow("3: shown today, not once a day") << int(ShownDaysAgo) << 0 << true;
    QTest::newRow("4: due today, 0 days ahead") << int(SingularOffset) << 0 << true;
    QTest::newRow("4: due tomorrow, 0 days ahead") << int(SingularOffset) << 1 << false;
    QTest::newRow("5: again in 3, shown 2 days ago") << int(AgainDays) << 2 << false;
    QTest::newRow("5: again in 3, shown 3 days ago") << int(AgainDays) << 3 << true;
    QTest::newRow("5: again in 3, never shown") << int(AgainDays) << -1 << true;
    QTest::newRow("never due at all") << int(NoWeekdays) << 0 << false;
}

void ReminderWindowTest::dueTest()
{
    QFETCH(int, field);
    QFETCH(int, value);
    QFETCH(bool, due);

    const QDate today(2027, 3, 10);
    Event event = dailyBill();
    switch (field) {
    case 1: event.notify = false; break;
    case 2:
        event.endMode = Event::EndOnDate;
        event.endDate = today.addDays(value);
        break;
    case 3:
        event.showOnce = true;
        event.lastNotified = today.addDays(-value);
        break;
    case 4: event.lastNotified = today.addDays(-value); break;
    case 5:
        event.notifyAgainDays = 3;
        event.lastNotified = value < 0 ? QDate() : today.addDays(-value);
        break;
    case 6: event.weekdays.fill(false); break;
    case 7: {
        std::unique_ptr<Event> singular(singularBill(QStringLiteral("Once"), today.addDays(value)));
        singular->notifyDays = 0;
        event = *singular;
        break;
    }
    default: break;
    }
    QCOMPARE(ReminderWindow::isDue(event, today), due);
}

void ReminderWindowTest::noDueBillGivesNoItem()
{
    EventList events{singularBill("Later", QDate::currentDate().addDays(20))};
    QVERIFY(saveEvents(events, eventsFilePath()));
    qDeleteAll(events);
    writeSettings(false, true);

    ReminderWindow window;
    QVERIFY(!window.addDueItems());
    QVERIFY(itemTitles(window).isEmpty());
    // Nothing to show: the widgets were never built.
    QVERIFY(!window.findChild<QCommandLinkButton *>(QStringLiteral("okButton")));
}

void ReminderWindowTest::separateModeStepsThroughDueBills()
{
    writeBills();
    writeSettings(true, true);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.positionWindow();
    window.show();

    QCOMPARE(itemTitles(window), QStringList{"Rent"});
    pressOk(window);
    QCOMPARE(itemTitles(window), QStringList{"Gas"});
    pressOk(window);
    QCOMPARE(itemTitles(window), QStringList{"Phone"});
    QVERIFY(window.isVisible());
    pressOk(window);
    QVERIFY(!window.isVisible());
    QVERIFY(itemTitles(window).isEmpty());

    // Closing saved the three bills as shown today; the one not due is as it was.
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), 4);
    QCOMPARE(saved.at(0)->lastNotified, QDate::currentDate());
    QCOMPARE(saved.at(1)->lastNotified, QDate::currentDate());
    QCOMPARE(saved.at(2)->lastNotified, QDate());
    QCOMPARE(saved.at(3)->lastNotified, QDate::currentDate());
    qDeleteAll(saved);
}

void ReminderWindowTest::okDuringItemAnimationMovesOn()
{
    writeBills();
    writeSettings(true, true);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.show();

    // "OK" pressed in the middle of the first item's animation replaces that
    // item while its animation step is still running.
    ReminderItem *first = window.findChildren<ReminderItem *>().at(0);
    bool pressed = false;
    connect(first, qOverload<int>(&ReminderItem::resized), &window, [&] {
        if (!pressed) {
            pressed = true;
            pressOk(window);
        }
    });
    first->findChild<QCommandLinkButton *>(QStringLiteral("acceptButton"))->click();
    QTRY_VERIFY(pressed);
    QTest::qWait(50);
    QCOMPARE(itemTitles(window), QStringList{"Gas"});
}

void ReminderWindowTest::togetherModeShowsAllAndCloses()
{
    writeBills();
    writeSettings(false, true);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.show();
    QCOMPARE(itemTitles(window), (QStringList{"Rent", "Gas", "Phone"}));

    // A choice made in an item reaches the file.
    ReminderItem *gas = window.findChildren<ReminderItem *>().at(1);
    gas->findChild<QCommandLinkButton *>(QStringLiteral("acceptButton"))->click();
    QTRY_COMPARE(gas->findChild<QWidget *>(QStringLiteral("optionsPanel"))->maximumHeight(), 99);

    pressOk(window);
    QVERIFY(!window.isVisible());
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), 4);
    QCOMPARE(saved.at(1)->notifyAgainDays, 0); // due tomorrow: spin box preselects 0
    QCOMPARE(saved.at(3)->lastNotified, QDate::currentDate());
    qDeleteAll(saved);
}

void ReminderWindowTest::popupIsCentred()
{
    writeBills();
    writeSettings(false, true);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.positionWindow();
    // Placed at the size it is shown with: all three items taken in.
    const QSize placedSize = window.size();
    window.show();
    QVERIFY(window.windowFlags().testFlag(Qt::WindowTitleHint));
    QTest::qWait(20); // the layouts settle
    QCOMPARE(window.size(), placedSize);
    QCOMPARE(itemTitles(window).size(), 3);

    // The window is placed before it is shown, when the platform has not yet
    // added its frame (2 pixels each side offscreen): the centre may be off by that.
    const QSize available = QGuiApplication::primaryScreen()->availableGeometry().size();
    const QPoint offCentre = window.frameGeometry().center()
                             - QPoint(available.width() / 2, available.height() / 2);
    QVERIFY2(qAbs(offCentre.x()) <= 3 && qAbs(offCentre.y()) <= 3,
             qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
}

void ReminderWindowTest::failedSaveIsReported()
{
    writeBills();
    writeSettings(false, true);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.show();

    // A folder where the bill file should be makes the save fail.
    const QString path = eventsFilePath();
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkpath(path));

    QString message;
    QTimer::singleShot(0, this, [&message] {
        const QList<QWidget *> windows = QApplication::topLevelWidgets();
        for (QWidget *widget : windows) {
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                message = box->text();
                box->accept();
            }
        }
    });
    window.close();
    QVERIFY(QDir().rmdir(path));
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
}

void ReminderWindowTest::traySlidesIntoCorner()
{
    writeBills();
    writeSettings(false, false);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window.positionWindow();
    window.show();

    const QSize available = QGuiApplication::primaryScreen()->availableGeometry().size();
    // It starts below the available area's bottom edge and rises.
    QVERIFY(window.frameGeometry().top() >= available.height() - 2);
    const auto cornerGap = [&] {
        const QRect frame = window.frameGeometry();
        return QPoint(available.width() - (frame.x() + frame.width()),
                      available.height() - (frame.y() + frame.height()));
    };
    QTRY_COMPARE_WITH_TIMEOUT(cornerGap(), QPoint(6, 6), 10000);
    QTest::qWait(50); // the slide has stopped: it stays there
    QCOMPARE(cornerGap(), QPoint(6, 6));

    // Opening an item's options grows the window upward, then it is put back
    // into the corner.
    const int heightBefore = window.frameGeometry().height();
    ReminderItem *item = window.findChildren<ReminderItem *>().at(0);
    item->findChild<QCommandLinkButton *>(QStringLiteral("acceptButton"))->click();
    QTRY_COMPARE(item->findChild<QWidget *>(QStringLiteral("optionsPanel"))->maximumHeight(), 99);
    QTest::qWait(50);
    QVERIFY(window.frameGeometry().height() > heightBefore);
    QCOMPARE(cornerGap(), QPoint(6, 6));
}

void ReminderWindowTest::trayCloseSavesAndEndsLoop()
{
    writeBills();
    writeSettings(false, false);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.positionWindow();
    window.show();

    QTimer::singleShot(50, &window, [&window] { pressOk(window); });
    // A second timer fails the test instead of hanging when the loop stays.
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), 4);
    QCOMPARE(saved.at(0)->lastNotified, QDate::currentDate());
    qDeleteAll(saved);
}

void ReminderWindowTest::opaqueBackgroundIsPainted()
{
    // Without a composing desktop the window's own colour shows around the
    // items, not the toolkit's grey.
    writeBills();
    writeSettings(false, true);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.positionWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shot = window.grab().toImage();
    // The layout's left margin, halfway down: central widget only.
    QCOMPARE(QColor(shot.pixel(3, shot.height() / 2)), QColor(232, 236, 246));
    QCOMPARE(QColor(shot.pixel(shot.width() - 3, 3)), QColor(232, 236, 246));
    // The items' boxes, light blue inside a darker border, are drawn without
    // a style sheet: a sheet gives every widget of every item a style to
    // resolve, most of a long list's cost.
    const auto *box = window.findChild<QGroupBox *>(QStringLiteral("groupBox"));
    QVERIFY(box);
    const QPoint inside = box->mapTo(&window, QPoint(box->width() / 2, box->height() - 3));
    QCOMPARE(QColor(shot.pixel(inside)), QColor(229, 238, 248));
    const QPoint bottomEdge = box->mapTo(&window, QPoint(box->width() / 2, box->height() - 1));
    QCOMPARE(QColor(shot.pixel(bottomEdge)), QColor(141, 178, 227));
    const QList<QWidget *> widgets = window.findChildren<QWidget *>();
    for (const QWidget *widget : widgets)
        QVERIFY2(!widget->style()->inherits("QStyleSheetStyle"), qPrintable(widget->objectName()));
}

void ReminderWindowTest::longAndMarkedUpNamesStayPlainAndFit()
{
    const QDate today = QDate::currentDate();
    const QString spaced = QStringLiteral("Quarterly property tax for the house on the hill ").repeated(6);
    const QString unbroken = QString(300, QLatin1Char('W'));
    const QString markup = QStringLiteral("<b>Bold</b><img src=\"x.png\"><table><tr><td>cell</td></tr></table>");
    EventList events{singularBill(spaced, today), singularBill(unbroken, today), singularBill(markup, today)};
    QVERIFY(saveEvents(events, eventsFilePath()));
    qDeleteAll(events);
    writeSettings(false, true);

    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.positionWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);

    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(window.frameGeometry().width() <= available.width(), qPrintable(QString::number(window.width())));
    const QList<ReminderItem *> items = window.findChildren<ReminderItem *>();
    QCOMPARE(items.size(), 3);
    for (const ReminderItem *item : items) {
        const auto *label = item->findChild<QLabel *>(QStringLiteral("textLabel"));
        QCOMPARE(label->textFormat(), Qt::PlainText);
        // Every wrapped line has its room: nothing is cut off at the bottom.
        QVERIFY2(label->height() >= label->heightForWidth(label->width()),
                 qPrintable(QStringLiteral("%1 < %2").arg(label->height()).arg(label->heightForWidth(label->width()))));
        QVERIFY(label->geometry().right() < item->width());
    }
    const auto *markedUp = items.at(2)->findChild<QLabel *>(QStringLiteral("textLabel"));
    QVERIFY(markedUp->text().startsWith(QStringLiteral("<b>Bold</b>")));
}

void ReminderWindowTest::damagedBillFileIsKeptWhenSaved()
{
    // Two bills, then the file is cut off inside the second: the first is
    // reminded of, and the save must not cost the rest of the file.
    const QDate today = QDate::currentDate();
    EventList events{singularBill("Rent", today), singularBill("Gas", today)};
    QVERIFY(saveEvents(events, eventsFilePath()));
    qDeleteAll(events);
    QFile file(eventsFilePath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray whole = file.readAll();
    QVERIFY(file.resize(whole.size() - 5));
    file.close();
    writeSettings(false, true);

    ReminderWindow window;
    QVERIFY(window.addDueItems());
    QCOMPARE(itemTitles(window), QStringList{"Rent"});
    window.show();
    QString message;
    QTimer::singleShot(0, this, [&message] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            message = box->text();
            box->accept();
        }
    });
    window.close();

    const QStringList kept = QDir(QFileInfo(eventsFilePath()).absolutePath())
                                 .entryList({QStringLiteral("events.damaged-*.evt")});
    QCOMPARE(kept.size(), 1);
    const QString keptPath = QFileInfo(eventsFilePath()).absoluteDir().filePath(kept.first());
    QFile keptFile(keptPath);
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), whole.chopped(5));
    QVERIFY2(message.contains(QDir::toNativeSeparators(keptPath)), qPrintable(message));
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), 1);
    qDeleteAll(saved);
    QVERIFY(QFile::remove(keptPath));
}

void ReminderWindowTest::overdueBillsAreDue_data()
{
    QTest::addColumn<bool>("tracking");
    QTest::addColumn<int>("daysLate");      // the unpaid date lies this many days before today
    QTest::addColumn<int>("shownDaysAgo");  // -1: never shown
    QTest::addColumn<bool>("showOnce");
    QTest::addColumn<int>("againDays");
    QTest::addColumn<bool>("notify");
    QTest::addColumn<bool>("due");

    // The reminder days do not matter once the date has passed.
    QTest::newRow("tracking, 3 days late") << true << 3 << -1 << false << 0 << true << true;
    QTest::newRow("tracking, 6 days late, shown yesterday") << true << 6 << 1 << true << 0 << true << true;
    QTest::newRow("tracking, late, shown today, once a day") << true << 3 << 0 << true << 0 << true << false;
    QTest::newRow("tracking, late, shown today") << true << 3 << 0 << false << 0 << true << true;
    QTest::newRow("tracking, late, again in 3, shown 2 days ago") << true << 3 << 2 << false << 3 << true << false;
    QTest::newRow("tracking, late, again in 3, shown 3 days ago") << true << 3 << 3 << false << 3 << true << true;
    QTest::newRow("tracking, late, reminders off") << true << 3 << -1 << false << 0 << false << false;
    // Without tracking, a passed date is gone, as it always was.
    QTest::newRow("not tracking, 3 days late") << false << 3 << -1 << false << 0 << true << false;
}

void ReminderWindowTest::overdueBillsAreDue()
{
    QFETCH(bool, tracking);
    QFETCH(int, daysLate);
    QFETCH(int, shownDaysAgo);
    QFETCH(bool, showOnce);
    QFETCH(int, againDays);
    QFETCH(bool, notify);
    QFETCH(bool, due);

    const QDate today(2027, 3, 10);
    std::unique_ptr<Event> event(trackingBill(QStringLiteral("Rent"), today.addDays(-daysLate)));
    if (!tracking)
        event->payments = PaymentState();
    event->lastNotified = shownDaysAgo < 0 ? QDate() : today.addDays(-shownDaysAgo);
    event->showOnce = showOnce;
    event->notifyAgainDays = againDays;
    event->notify = notify;
    QCOMPARE(ReminderWindow::isDue(*event, today), due);
}

void ReminderWindowTest::overdueBillPaidInTheWindow()
{
    const QDate today = QDate::currentDate();
    EventList events{trackingBill(QStringLiteral("Rent"), today.addDays(-5)), singularBill(QStringLiteral("Gas"), today.addDays(1)),
                     singularBill(QStringLiteral("Gone"), today.addDays(-5))};
    QVERIFY(saveEvents(events, eventsFilePath()));
    qDeleteAll(events);
    writeSettings(false, true);

    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.show();
    QCOMPARE(itemTitles(window), (QStringList{"Rent", "Gas"}));
    ReminderItem *rent = window.findChildren<ReminderItem *>().at(0);
    QVERIFY(rent->findChild<QLabel *>(QStringLiteral("textLabel"))->text().contains(QStringLiteral(" days ago.")));
    auto *accept = rent->findChild<QCommandLinkButton *>(QStringLiteral("acceptButton"));
    auto *panel = rent->findChild<QWidget *>(QStringLiteral("optionsPanel"));
    accept->click();
    QTRY_COMPARE(panel->maximumHeight(), 99);
    rent->findChild<QRadioButton *>(QStringLiteral("paidRadioButton"))->setChecked(true);
    accept->click();
    QTRY_COMPARE(panel->maximumHeight(), 0);

    pressOk(window);
    QVERIFY(!window.isVisible());
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), 3);
    const DueDate paid = nextDueDate(*saved.at(0), today.addDays(-5));
    QCOMPARE(saved.at(0)->payments.paidThrough, paid.scheduled);
    QCOMPARE(saved.at(0)->payments.paidOn, today);
    QCOMPARE(saved.at(0)->history.size(), 1); // the payment is in the history, once
    QCOMPARE(saved.at(0)->history.first().dueDate, paid.scheduled);
    QCOMPARE(saved.at(0)->history.first().paidOn, today);
    QCOMPARE(saved.at(0)->lastNotified, today);
    QVERIFY(!saved.at(1)->payments.isTracking());
    qDeleteAll(saved);
}

void ReminderWindowTest::sentencesAreWholeFromTheStart_data()
{
    QTest::addColumn<bool>("popup");
    QTest::newRow("tray") << false;
    QTest::newRow("popup") << true;
}

void ReminderWindowTest::sentencesAreWholeFromTheStart()
{
    // Sentences of two and three lines. The window is placed before it is
    // shown, so it must have its final size then, with every line whole and
    // below its box's title.
    QFETCH(bool, popup);
    const QDate today = QDate::currentDate();
    EventList events{singularBill(QStringLiteral("Water rates for the cottage"), today.addDays(1)),
                     trackingBill(QStringLiteral("Quarterly property tax"), today.addDays(-12)),
                     singularBill(QStringLiteral("Gas"), today)};
    events.at(1)->amount = Money(125000, QStringLiteral("USD"));
    QVERIFY(saveEvents(events, eventsFilePath()));
    qDeleteAll(events);
    writeSettings(false, popup);

    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.positionWindow();
    const QSize placedSize = window.size();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);
    QCOMPARE(window.size(), placedSize);

    const QList<ReminderItem *> items = window.findChildren<ReminderItem *>();
    QCOMPARE(items.size(), 3);
    for (const ReminderItem *item : items) {
        const auto *label = item->findChild<QLabel *>(QStringLiteral("textLabel"));
        const auto *box = item->findChild<QGroupBox *>(QStringLiteral("groupBox"));
        QVERIFY2(label->height() >= label->heightForWidth(label->width()),
                 qPrintable(QStringLiteral("%1 < %2").arg(label->height()).arg(label->heightForWidth(label->width()))));
        QVERIFY(label->heightForWidth(label->width()) > label->fontMetrics().height()); // wraps
        QVERIFY(label->alignment() & Qt::AlignTop);
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        QVERIFY2(label->geometry().top() > title.bottom(),
                 qPrintable(QStringLiteral("%1 <= %2").arg(label->geometry().top()).arg(title.bottom())));
    }
}

void ReminderWindowTest::tabFollowsTheShownOrder()
{
    // Three items, the middle one open: Tab goes down through the items as
    // they are shown, skips what the closed panels hide, then goes to "OK".
    writeBills();
    writeSettings(false, true);
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QList<ReminderItem *> items = window.findChildren<ReminderItem *>();
    QCOMPARE(items.size(), 3);
    QSignalSpy rest(items.at(1), qOverload<>(&ReminderItem::resized));
    items.at(1)->findChild<QCommandLinkButton *>(QStringLiteral("acceptButton"))->click();
    QVERIFY(rest.wait(5000));

    items.at(0)->findChild<QWidget *>(QStringLiteral("acceptButton"))->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int press = 0; press < 8; ++press) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QWidget *owner = focus;
        while (owner && !qobject_cast<ReminderItem *>(owner))
            owner = owner->parentWidget();
        visited.append(QStringLiteral("%1 %2").arg(items.indexOf(owner)).arg(focus->objectName()));
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    // The choices are one stop, the chosen one (the arrow keys move between
    // them); after "OK" Tab starts at the top again.
    const QStringList expected{"0 acceptButton", "1 againRadioButton", "1 againSpinBox", "1 acceptButton",
                               "1 cancelButton", "2 acceptButton", "-1 okButton", "0 acceptButton"};
    QCOMPARE(visited, expected);
}

void ReminderWindowTest::manyDueBillsAreSummedUp_data()
{
    QTest::addColumn<int>("bills");
    QTest::addColumn<bool>("sumUp");
    QTest::addColumn<bool>("separate");
    QTest::addColumn<QString>("digest"); // empty: none shown

    const QString five = QStringLiteral("5 bills due in the next 4 days\n"
                                        "B0 (today), B1 (tomorrow), B2 (in 2 days) and 2 more.");
    QTest::newRow("three: one each") << 3 << true << false << QString();
    QTest::newRow("five: summed up") << 5 << true << false << five;
    QTest::newRow("five, separately: the digest stays") << 5 << true << true << five;
    QTest::newRow("five, summing up off") << 5 << false << false << QString();
}

void ReminderWindowTest::manyDueBillsAreSummedUp()
{
    QFETCH(int, bills);
    QFETCH(bool, sumUp);
    QFETCH(bool, separate);
    QFETCH(QString, digest);

    const QDate today = QDate::currentDate();
    EventList events;
    for (int i = 0; i < bills; ++i) {
        events << singularBill(QStringLiteral("B%1").arg(i), today.addDays(i));
        events.last()->notifyDays = 5;
    }
    QVERIFY(saveEvents(events, eventsFilePath()));
    qDeleteAll(events);
    writeSettings(separate, true, sumUp);

    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.show();
    const auto *label = window.findChild<QLabel *>(QStringLiteral("digestLabel"));
    QCOMPARE(label ? label->text() : QString(), digest);
    QCOMPARE(itemTitles(window).size(), separate ? 1 : bills);
    if (!label)
        return;
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QTRY_VERIFY(label->isVisible());
    QVERIFY(label->geometry().bottom() < window.findChild<ReminderItem *>()->geometry().top());
    QVERIFY(label->height() >= label->heightForWidth(label->width())); // no line cut off
    // The next bill in its place, the digest above it as before.
    if (separate) {
        pressOk(window);
        QCOMPARE(itemTitles(window), QStringList{QStringLiteral("B1")});
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("digestLabel")), label);
        QCOMPARE(label->text(), digest);
    }
}

QTEST_MAIN(ReminderWindowTest)
#include "tst_reminderwindow.moc"
