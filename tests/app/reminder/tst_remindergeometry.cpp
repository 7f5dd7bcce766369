// The reminder window with many due bills on a 1024x768 screen, run once per
// scale factor (QT_SCALE_FACTOR 1, 1.5 and 2, set by CTest before the
// application exists): the window stays on the screen, "OK" with it, every
// item can be scrolled to, and an item's options are whole when open.

#include "reminderitem.h"
#include "reminderwindow.h"

#include <eventstore.h>
#include <notificationsettings.h>

#include <QCommandLinkButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int dueBills = 50;

Event *dueBill(int index)
{
    auto *event = new Event;
    event->name = QStringLiteral("Bill %1").arg(index);
    event->schedule = Event::ScheduleSingular;
    event->eventDate = QDate::currentDate().addDays(index % 3);
    event->endMode = Event::EndAfterTimes;
    event->endDate = event->eventDate;
    event->notify = true;
    event->notifyDays = 3;
    return event;
}

QRect available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

QString describe(const QRect &rect)
{
    return QStringLiteral("%1,%2 %3x%4 in %5x%6")
        .arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height())
        .arg(available().width()).arg(available().height());
}

// Whether the widget is shown whole within the screen's available area.
bool wholeOnScreen(const QWidget *widget)
{
    const QRect global(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return widget->isVisible() && available().contains(global)
           && widget->visibleRegion().boundingRect() == widget->rect();
}

} // namespace

class ReminderGeometryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowStaysOnScreen_data();
    void windowStaysOnScreen();
    void openOptionsAreWhole_data();
    void openOptionsAreWhole();

private:
    [[nodiscard]] static bool writeDueBills(int count);
    QTemporaryDir home;
};

void ReminderGeometryTest::initTestCase()
{
    QVERIFY(home.isValid());
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(eventsFilePath().startsWith(home.path()));
    // The screen and the scale the test was registered with.
    const QScreen *screen = QGuiApplication::primaryScreen();
    QCOMPARE(screen->devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble());
    const QSizeF pixels = QSizeF(screen->geometry().size()) * screen->devicePixelRatio();
    QVERIFY2(qAbs(pixels.width() - 1024) <= 1 && qAbs(pixels.height() - 768) <= 1,
             qPrintable(QStringLiteral("%1x%2").arg(pixels.width()).arg(pixels.height())));
}

bool ReminderGeometryTest::writeDueBills(int count)
{
    EventList events;
    for (int i = 0; i < count; ++i)
        events.append(dueBill(i));
    const bool saved = saveEvents(events, eventsFilePath());
    qDeleteAll(events);
    return saved;
}

void ReminderGeometryTest::windowStaysOnScreen_data()
{
    QTest::addColumn<bool>("popup");
    QTest::newRow("tray") << false;
    QTest::newRow("popup") << true;
}

void ReminderGeometryTest::windowStaysOnScreen()
{
    QFETCH(bool, popup);
    QVERIFY(writeDueBills(dueBills));
    NotificationSettings settings;
    settings.popupDialog = popup;
    QVERIFY(settings.save(settingsFilePath()));

    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.positionWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (!popup) {
        // The slide-in ends in the corner, 6 pixels off the edges.
        QTRY_COMPARE_WITH_TIMEOUT(available().bottom() - window.frameGeometry().bottom(), 6, 20000);
    }
    QVERIFY2(available().contains(window.frameGeometry()), qPrintable(describe(window.frameGeometry())));
    QVERIFY(wholeOnScreen(window.findChild<QCommandLinkButton *>(QStringLiteral("okButton"))));

    // The list scrolls, and its last item can be brought into view whole.
    auto *list = window.findChild<QScrollArea *>(QStringLiteral("scrollArea"));
    QVERIFY(list->verticalScrollBar()->isVisible());
    const QList<ReminderItem *> items = window.findChildren<ReminderItem *>();
    QCOMPARE(items.size(), dueBills);
    list->ensureWidgetVisible(items.last(), 0, 0);
    QTRY_VERIFY(wholeOnScreen(items.last()));
    // Nothing is cut off at the side: the items are as wide as the list shows.
    QCOMPARE(items.last()->width(), list->viewport()->width());
}

void ReminderGeometryTest::openOptionsAreWhole_data()
{
    QTest::addColumn<int>("bills");
    // Two bills: the window grows with the panel, up to the screen's height
    // at 2x; many: the list grows within a window already as tall as the
    // screen allows.
    QTest::newRow("two bills") << 2;
    QTest::newRow("many bills") << dueBills;
}

void ReminderGeometryTest::openOptionsAreWhole()
{
    QFETCH(int, bills);
    QVERIFY(writeDueBills(bills));
    NotificationSettings settings;
    settings.popupDialog = true;
    QVERIFY(settings.save(settingsFilePath()));
    ReminderWindow window;
    QVERIFY(window.addDueItems());
    window.positionWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The second item: its panel opens within the list, not the window.
    ReminderItem *item = window.findChildren<ReminderItem *>().at(1);
    QSignalSpy rest(item, qOverload<>(&ReminderItem::resized));
    item->findChild<QCommandLinkButton *>(QStringLiteral("acceptButton"))->click();
    QVERIFY(rest.wait(10000));
    QTest::qWait(20); // the layouts settle
    QVERIFY2(available().contains(window.frameGeometry()), qPrintable(describe(window.frameGeometry())));

    // The rows stand one below the other, each at its full height, within
    // the panel, which the list shows whole.
    const auto *panel = item->findChild<QWidget *>(QStringLiteral("optionsPanel"));
    QVERIFY(wholeOnScreen(panel));
    int previousBottom = -1;
    for (const char *name : {"againSpinBox", "nextRadioButton", "neverRadioButton", "paidRadioButton"}) {
        const auto *row = item->findChild<QWidget *>(QLatin1String(name));
        const QRect area(row->mapTo(panel, QPoint(0, 0)), row->size());
        const QString where = QStringLiteral("%1 at %2,%3 %4x%5, hint height %6")
                                  .arg(QLatin1String(name)).arg(area.x()).arg(area.y())
                                  .arg(area.width()).arg(area.height()).arg(row->sizeHint().height());
        QVERIFY2(row->height() >= row->sizeHint().height(), qPrintable(where));
        QVERIFY2(area.top() > previousBottom, qPrintable(where));
        QVERIFY2(area.bottom() < panel->height(), qPrintable(where));
        previousBottom = area.bottom();
    }
}

QTEST_MAIN(ReminderGeometryTest)
#include "tst_remindergeometry.moc"
