// The main window on a screen of 1024x768 pixels at the scale factors 1,
// 1.5 and 2: CTest runs this program once per factor (QT_SCALE_FACTOR, and
// an offscreen screen of that size). On every page the window fits the
// screen, Tab visits the controls in the order they are seen, and each
// control it reaches is scrolled into view.
#include "mainwindow.h"

#include "event.h"
#include "eventstore.h"
#include "mainwindowprobe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace {

const QSize ScreenPixels(1024, 768);
const QSize WrittenSize(639, 654); // the form's size, where it fits

Event *bill(const QString &name, qint32 schedule)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = schedule;
    event->endMode = Event::EndOnDate;
    event->endDate = QDate::currentDate().addDays(400);
    event->eventDate = event->endDate;
    event->weekdays[2] = true;
    event->byDay = event->byYear = true;
    event->months[3] = true;
    event->ordinal = 3;
    event->notify = event->showOnce = true;
    event->amount = Money(4500, QStringLiteral("EUR"));
    return event;
}

// The part of the window where a control can show: inside the window and
// inside the viewport of every scroll area around it.
QRect roomFor(const QWidget *control)
{
    const QWidget *window = control->window();
    QRect room = window->rect();
    for (const QWidget *outer = control->parentWidget(); outer && outer != window; outer = outer->parentWidget()) {
        if (const auto *area = qobject_cast<const QScrollArea *>(outer)) {
            const QWidget *viewport = area->viewport();
            room &= QRect(viewport->mapTo(window, QPoint(0, 0)), viewport->size());
        }
    }
    return room;
}

QRect placeOf(const QWidget *control)
{
    return QRect(control->mapTo(control->window(), QPoint(0, 0)), control->size());
}

} // namespace

class tst_MainWindowSizes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pages_data();
    void pages();
};

void tst_MainWindowSizes::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane-tst_mainwindowsizes"));
    QVERIFY(QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).fileName().contains(QLatin1String(".qttest")));
    QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).remove(QStringLiteral("geometryMainWindow"));
    const EventList bills{bill(QStringLiteral("Rent"), Event::ScheduleMonthly),
                          bill(QStringLiteral("Council tax"), Event::ScheduleYearly)};
    const bool saved = saveEvents(bills, eventsFilePath());
    qDeleteAll(bills);
    QVERIFY(saved);

    // The screen the run was meant to have: 1024x768 pixels at the factor.
    bool known = false;
    const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&known);
    QVERIFY2(known, "QT_SCALE_FACTOR is not set");
    const QScreen *screen = QGuiApplication::primaryScreen();
    QCOMPARE(screen->devicePixelRatio(), factor);
    const QSize pixels = screen->geometry().size() * factor;
    QVERIFY2(qAbs(pixels.width() - ScreenPixels.width()) <= 1 && qAbs(pixels.height() - ScreenPixels.height()) <= 1,
             qPrintable(QStringLiteral("%1x%2").arg(pixels.width()).arg(pixels.height())));
}

void tst_MainWindowSizes::cleanupTestCase()
{
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
}

void tst_MainWindowSizes::pages_data()
{
    QTest::addColumn<QString>("button");    // the button that opens the page
    QTest::addColumn<int>("repeatTab");      // the editor's repetition tab; -1: singular
    QTest::addColumn<QStringList>("tabOrder"); // from the control that has the focus first

    const QStringList bill{"eventName", "amountEdit", "currencyComboBox", "amountVariesCheckBox", "alwaysRadioButton", "timesSpinBox",
                           "untilDateEdit", "repeatingRadioButton"};
    const QStringList reminder{"notifyCheckBox", "notifyMaxSpinBox", "showOnceCheckBox", "trackPaymentsCheckBox",
                               "addExtraReminderButton", "saveButton", "cancelButton"};
    const QString tabs = QStringLiteral("qt_tabwidget_tabbar");
    // Each page starts with the focus on the first control of its list.
    QTest::newRow("list") << QString() << 0
                          << QStringList{"eventTreeView", "addButton", "editButton", "removeButton", "viewButton",
                                         "paidButton", "settingsButton", "importButton", "exportButton",
                                         "calendarButton", "monthsButton"};
    QTest::newRow("editor, weekly")
        << QStringLiteral("addButton") << 0
        << bill + QStringList{tabs, "weeklyListView", "weeklyEverySpinBox", "weekendComboBox"} + reminder;
    QTest::newRow("editor, monthly")
        << QStringLiteral("addButton") << 1
        << bill + QStringList{tabs, "monthlySpinBox", "monthlyListView", "monthlyFromEndCheckBox", "shortMonthsComboBox",
                              "monthlyEverySpinBox", "weekendComboBox"} + reminder;
    QTest::newRow("editor, yearly")
        << QStringLiteral("addButton") << 2
        << bill + QStringList{tabs, "yearlySpinBox", "yearlyListView", "yearlyMonthListView", "yearlyFromEndCheckBox",
                              "yearlyEverySpinBox", "weekendComboBox"} + reminder;
    // The repetition is disabled; Tab reaches a group of radio buttons once.
    QTest::newRow("editor, singular") << QStringLiteral("addButton") << -1 << bill + QStringList{"eventDate"} + reminder;
    QTest::newRow("details") << QStringLiteral("viewButton") << 0 << QStringList{"infoTabScrollArea", "payOtherButton", "viewOKButton"};
    QTest::newRow("settings") << QStringLiteral("settingsButton") << 0
                              << QStringList{"trayRadioButton", "seperateCheckBox", "sumUpCheckBox", "calendarAlarmTimeEdit",
                                             "updatePushButton", "updateCheckBox",
                                             // the holidays; their remove buttons are off while the lists are empty
                                             "holidayCalendarList", "addCalendarButton", "holidayDateList",
                                             "holidayDateEdit", "holidayNameEdit", "addHolidayButton",
                                             // the calendar's replace button is off: nothing differs
                                             "caldavCheckBox", "caldavUrlEdit", "caldavUserEdit", "caldavPasswordEdit",
                                             "moveDataFolderButton", "settingOKButton", "settingsCancelButton"};
    // The currency's box is off while the bills have one currency or none.
    QTest::newRow("months") << QStringLiteral("monthsButton") << 0
                            << QStringList{"monthsTableWidget", "qt_calendar_calendarview", "monthsDayListWidget",
                                           "monthsOKButton"};
}

void tst_MainWindowSizes::pages()
{
    QFETCH(QString, button);
    QFETCH(int, repeatTab);
    QFETCH(QStringList, tabOrder);

    const auto window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const QRect available = window->screen()->availableGeometry();

    // The first start keeps the form's size where it fits.
    const QSize firstSize = WrittenSize.boundedTo(available.size());
    QCOMPARE(window->size(), firstSize);
    const QSize smallest = window->minimumSizeHint().expandedTo(window->minimumSize());
    QVERIFY2(smallest.width() <= available.width() && smallest.height() <= available.height(),
             qPrintable(QStringLiteral("%1x%2").arg(smallest.width()).arg(smallest.height())));

    using MainWindowProbe::child;
    auto *list = child<QTreeView>(*window, "eventTreeView");
    list->setCurrentIndex(list->model()->index(0, 0));
    if (!button.isEmpty())
        child<QAbstractButton>(*window, button.toLatin1().constData())->click();
    if (repeatTab >= 0)
        child<QTabWidget>(*window, "repeatingTabWidget")->setCurrentIndex(repeatTab);
    else
        child<QAbstractButton>(*window, "singularRadioButton")->click();
    QTest::qWait(20); // the layouts settle, the window scrolls to the focus
    // The page scrolls rather than making the window grow.
    QCOMPARE(window->size(), firstSize);
    QVERIFY(available.contains(window->frameGeometry()));

    // Tab from the page's first control round to it again. A date edit
    // takes one Tab per part of the date.
    QWidget *first = window->focusWidget();
    QVERIFY(first);
    QCOMPARE(first->objectName(), tabOrder.first());
    QStringList visited;
    for (QWidget *focused = first; visited.size() < 2 * tabOrder.size();) {
        if (visited.isEmpty() || visited.last() != focused->objectName())
            visited << focused->objectName();
        // As much of it shows as the room around it allows.
        const QRect room = roomFor(focused);
        const QRect shown = placeOf(focused) & room;
        QVERIFY2(shown.size() == focused->size().boundedTo(room.size()),
                 qPrintable(focused->objectName() + QStringLiteral(" shows %1x%2 of %3x%4")
                                                        .arg(shown.width()).arg(shown.height())
                                                        .arg(focused->width()).arg(focused->height())));
        QTest::keyClick(focused, Qt::Key_Tab);
        QCoreApplication::processEvents();
        focused = window->focusWidget();
        QVERIFY(focused);
        if (focused == first)
            break;
    }
    QVERIFY2(visited == tabOrder, qPrintable(visited.join(QLatin1Char(' '))));
}

QTEST_MAIN(tst_MainWindowSizes)
#include "tst_mainwindowsizes.moc"
