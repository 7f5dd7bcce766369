// The tray window where the platform lets no window place itself: it opens
// centred like the popup, and stays there instead of sliding into the corner.

#include "reminderitem.h"
#include "reminderwindow.h"

#include <eventstore.h>
#include <notificationsettings.h>

#include <QCommandLinkButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

Event *dueBill(const QString &name)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleSingular;
    event->eventDate = QDate::currentDate();
    event->endMode = Event::EndAfterTimes;
    event->endDate = event->eventDate;
    event->notify = true;
    event->notifyDays = 3;
    return event;
}

// How far the window's frame is from the available area's centre.
QPoint offCentre(const QWidget &window)
{
    const QSize available = QGuiApplication::primaryScreen()->availableGeometry().size();
    return window.frameGeometry().center() - QPoint(available.width() / 2, available.height() / 2);
}

bool nearlyCentred(const QWidget &window)
{
    // Placed before the platform adds its frame (2 pixels each side offscreen).
    const QPoint off = offCentre(window);
    return qAbs(off.x()) <= 3 && qAbs(off.y()) <= 3;
}

} // namespace

class ReminderPlacementTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void trayWindowOpensCentredAndStays();

private:
    QTemporaryDir home;
};

void ReminderPlacementTest::initTestCase()
{
    QVERIFY(home.isValid());
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(eventsFilePath().startsWith(home.path()));

    EventList events{dueBill(QStringLiteral("Rent")), dueBill(QStringLiteral("Gas"))};
    const bool saved = saveEvents(events, eventsFilePath());
    qDeleteAll(events);
    QVERIFY(saved);
    NotificationSettings tray; // together, tray method
    QVERIFY(tray.save(settingsFilePath()));
}

void ReminderPlacementTest::trayWindowOpensCentredAndStays()
{
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.setCentredPlacement(true);
    window.positionWindow();
    window.show();
    // Still the tray window: no title, kept on top.
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowTitleHint));
    QVERIFY2(nearlyCentred(window), qPrintable(QStringLiteral("%1,%2").arg(offCentre(window).x()).arg(offCentre(window).y())));

    // A slide would have moved it down by now.
    QTest::qWait(100);
    QVERIFY(nearlyCentred(window));

    // Opening an item's options grows the window; it stays centred.
    const int heightBefore = window.frameGeometry().height();
    ReminderItem *item = window.findChildren<ReminderItem *>().at(0);
    item->findChild<QCommandLinkButton *>(QStringLiteral("acceptButton"))->click();
    QTRY_COMPARE(item->findChild<QWidget *>(QStringLiteral("optionsPanel"))->maximumHeight(), 99);
    QTest::qWait(50);
    QVERIFY(window.frameGeometry().height() > heightBefore);
    QVERIFY2(nearlyCentred(window), qPrintable(QStringLiteral("%1,%2").arg(offCentre(window).x()).arg(offCentre(window).y())));
}

QTEST_MAIN(ReminderPlacementTest)
#include "tst_reminderplacement.moc"
