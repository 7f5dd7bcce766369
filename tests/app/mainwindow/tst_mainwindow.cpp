// The main window in-process: start, sort order kept, the list rows, removal,
// import and export, the editor's checks and saves, the details page, the
// keys, the row menu, the names a screen reader hears, the day shown, and
// closing. Files live in the standard paths' test folders.
#include "mainwindow.h"

#include "billtext.h"
#include "daynumber.h"
#include "event.h"
#include "eventstore.h"
#include "mainwindowprobe.h"
#include "occurrence.h"
#include "paymentstatus.h"

#include <QAccessible>
#include <QAccessibleInterface>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

namespace {

// ---- bills

Event *weeklyBill(const QString &name, QDate dueOn, qint32 endMode = Event::EndNever, QDate endDate = QDate())
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleWeekly;
    event->weekdays[std::size_t(dueOn.dayOfWeek() - 1)] = true;
    event->endMode = endMode;
    event->endDate = endDate.isValid() ? endDate : dueOn;
    event->notify = true;
    event->notifyDays = 3;
    return event;
}

void writeBills(const QString &path, EventList bills)
{
    QVERIFY(saveEvents(bills, path));
    qDeleteAll(bills);
}

QStringList namesIn(const QString &path)
{
    const EventList bills = loadEvents(path);
    QStringList names;
    for (const Event *event : bills)
        names << event->name;
    qDeleteAll(bills);
    return names;
}

// ---- modal boxes

// Answers the next modal message box with the button of the given text (or
// the standard button) once it shows, and keeps its text.
struct BoxAnswer
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool seen = false;
};

std::shared_ptr<BoxAnswer> answerBox(QMessageBox::StandardButton button, const QString &buttonText = QString())
{
    auto answer = std::make_shared<BoxAnswer>();
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, button, buttonText] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer->seen = true;
        answer->text = box->text();
        answer->title = box->windowTitle();
        answer->icon = box->icon();
        QAbstractButton *target = nullptr;
        for (QAbstractButton *candidate : box->buttons()) {
            if (!buttonText.isEmpty() ? candidate->text() == buttonText : box->standardButton(candidate) == button)
                target = candidate;
        }
        if (target)
            target->click();
        else
            box->reject();
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
    return answer;
}

// Picks the file in the next file dialog. A message box the dialog raises
// itself (a file it cannot find) is answered and its text kept.
std::shared_ptr<QString> answerFileDialog(const QString &path)
{
    auto complaint = std::make_shared<QString>();
    auto accepted = std::make_shared<bool>(false);
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, path, complaint, accepted] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            *complaint = QStringLiteral("box: ") + box->text();
            box->reject();
        } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            if (!*accepted) {
                // Typed into the name field, as a user would.
                if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    name->setText(path);
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                *accepted = true;
            } else if (!complaint->isEmpty()) {
                dialog->reject();
            }
        } else if (*accepted) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return complaint;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void slotTable();
    void firstStart();
    void sortOrderKeptAcrossRestart();
    void rowTexts();
    void removeScatteredRows();
    void removeAnsweredNo();
    void importSkipsListedNames();
    void exportThenImportIntoEmptyList();
    void importAndExportThroughDialogs();
    void importUnreadableFile();
    void exportUnwritableFile();
    void closeWhenDataFileCannotBeWritten();
    void closeWritesRemainingBills();
    void validationMessages_data();
    void validationMessages();
    void timesEndDateAndReopen();
    void singularSavedWithAlways();
    void editClearsReminderState();
    void notifyBox();
    void editAndViewNeedCurrentBill();
    void detailsLines_data();
    void detailsLines();
    void damagedBillFileIsKeptAtStart();
    void removeRowsListedTwice();
    void daysRemainingOrderOnOpening_data();
    void daysRemainingOrderOnOpening();
    void longAndMarkedUpNamesOnDetailsPage();
    void scheduleSentencesReadAsOneLine();
    void editorKeepsScheduleOptions();
    void plainBillsWriteNoExtensionBlock();
    void detailsSayTheOptions();
    void exportToCalendar();
    void keys_data();
    void keys();
    void descriptionTakesTheFocus();
    void editedRowStaysInView();
    void rowMenuActsOnItsRow_data();
    void rowMenuActsOnItsRow();
    void accessibleNames_data();
    void accessibleNames();
    void msecsToNextDay_data();
    void msecsToNextDay();
    void followsTheDate();

private:
    std::unique_ptr<MainWindow> openWindow();
    void activate();
    template<typename T>
    T *child(const char *name) const { return MainWindowProbe::child<T>(*window, name); }
    void click(const char *buttonName);
    [[nodiscard]] int rowOf(const QString &name) const { return MainWindowProbe::rowOf(*window, name); }
    [[nodiscard]] QStandardItemModel *billModel() const { return MainWindowProbe::billModel(*window); }
    [[nodiscard]] QStringList listedNames() const { return MainWindowProbe::listedNames(*window); }
    void selectRows(const QList<int> &rows);
    void setChecked(const char *listView, const QList<int> &rows);
    [[nodiscard]] bool lineShown(const char *label) const { return MainWindowProbe::lineShown(*window, label); }

    std::unique_ptr<MainWindow> window;
    QDate today;
};

void tst_MainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    // A data folder of its own, apart from other tests of the program.
    QCoreApplication::setApplicationName(QStringLiteral("Payvane-tst_mainwindow"));
    QVERIFY(eventsFilePath().contains(QLatin1String(".qttest")));
    QVERIFY(QSettings(QStringLiteral("Tervona"), QStringLiteral("Payvane")).fileName().contains(QLatin1String(".qttest")));
}

void tst_MainWindow::init()
{
    today = QDate::currentDate();
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
    QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    settings.remove(QStringLiteral("geometryMainWindow"));
    settings.remove(QStringLiteral("sortOrder"));
    settings.remove(QStringLiteral("sortSection"));
}

void tst_MainWindow::cleanup()
{
    window.reset();
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
}

std::unique_ptr<MainWindow> tst_MainWindow::openWindow()
{
    auto opened = std::make_unique<MainWindow>();
    opened->show();
    if (!QTest::qWaitForWindowExposed(opened.get()))
        qWarning("window not exposed");
    return opened;
}

void tst_MainWindow::activate()
{
    // Keys reach their shortcuts only in the active window.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void tst_MainWindow::click(const char *buttonName)
{
    child<QAbstractButton>(buttonName)->click();
}

void tst_MainWindow::selectRows(const QList<int> &rows)
{
    auto *tree = child<QTreeView>("eventTreeView");
    tree->selectionModel()->clearSelection();
    for (int row : rows)
        tree->selectionModel()->select(billModel()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!rows.isEmpty())
        tree->selectionModel()->setCurrentIndex(billModel()->index(rows.first(), 0), QItemSelectionModel::NoUpdate);
}

void tst_MainWindow::setChecked(const char *listView, const QList<int> &rows)
{
    auto *model = qobject_cast<QStandardItemModel *>(child<QAbstractItemView>(listView)->model());
    for (int row : rows)
        model->item(row)->setCheckState(Qt::Checked);
}

// ---- start and close

void tst_MainWindow::slotTable()
{
    // The form connects these by name; a renamed slot would silently do nothing.
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.className(), "MainWindow");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        signatures << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(signatures, (QStringList{"on_viewOKButton_clicked()", "on_settingOKButton_clicked()",
                                 "on_settingsCancelButton_clicked()", "on_settingsButton_clicked()",
                                 "on_viewButton_clicked()", "on_exportButton_clicked()", "on_importButton_clicked()",
                                 "on_notifyCheckBox_stateChanged(int)", "on_repeatingRadioButton_toggled(bool)",
                                 "on_singularRadioButton_toggled(bool)", "on_saveButton_clicked()",
                                 "on_cancelButton_clicked()", "on_removeButton_clicked()", "on_editButton_clicked()",
                                 "on_addButton_clicked()", "on_updatePushButton_clicked()"}));
    QCOMPARE(meta.method(meta.methodOffset() + 8).parameterNames(), QList<QByteArray>{"checked"});
    QCOMPARE(meta.method(meta.methodOffset() + 7).parameterNames(), QList<QByteArray>{QByteArray()});
}

void tst_MainWindow::firstStart()
{
    window = openWindow();
    QCOMPARE(window->size(), QSize(639, 654));
    const QHeaderView *header = child<QTreeView>("eventTreeView")->header();
    QCOMPARE(header->sortIndicatorSection(), 0);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(billModel()->rowCount(), 0);
    QCOMPARE(billModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Due Date"));
    QCOMPARE(billModel()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Data"));
    QVERIFY(child<QTreeView>("eventTreeView")->isColumnHidden(3));

    auto *pages = child<QTabWidget>("tabWidget");
    QCOMPARE(pages->currentIndex(), 0);
    // The page tabs take no room; the repetition tabs do.
    QVERIFY(pages->tabBar()->height() <= 1);
    auto *repeating = child<QTabWidget>("repeatingTabWidget");
    pages->setCurrentIndex(1);
    QTRY_VERIFY(repeating->tabBar()->isVisible());
    QVERIFY(repeating->tabBar()->height() >= 16);
    QVERIFY(pages->tabBar()->height() <= 1);
    // Composition is off here: the opaque colours apply.
    QVERIFY(child<QWidget>("centralWidget")->styleSheet().contains(
        QLatin1String("QWidget#editTab {background-color: rgb(214,221,239);} ")));
    // The central colour is painted (it shows at the page frame's rounded
    // corners; here, with the pages out of the way).
    pages->hide();
    const QPoint inCentral = child<QWidget>("centralWidget")->mapTo(window.get(), QPoint(5, 5));
    QCOMPARE(window->grab().toImage().pixelColor(inCentral), QColor(232, 236, 246));
    pages->show();

    // Closing the empty list writes an empty bill file.
    QVERIFY(window->close());
    QFile file(eventsFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(4, '\0'));
}

void tst_MainWindow::sortOrderKeptAcrossRestart()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("b"), today), weeklyBill(QStringLiteral("a"), today.addDays(1)),
                                  weeklyBill(QStringLiteral("c"), today.addDays(2))});
    window = openWindow();
    QCOMPARE(listedNames(), (QStringList{"b", "a", "c"})); // by due date
    child<QTreeView>("eventTreeView")->sortByColumn(2, Qt::DescendingOrder);
    QCOMPARE(listedNames(), (QStringList{"c", "b", "a"}));
    QVERIFY(window->close());
    window.reset();
    // The file keeps the order shown.
    QCOMPARE(namesIn(eventsFilePath()), (QStringList{"c", "b", "a"}));

    window = openWindow();
    const QHeaderView *header = child<QTreeView>("eventTreeView")->header();
    QCOMPARE(header->sortIndicatorSection(), 2);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(listedNames(), (QStringList{"c", "b", "a"}));
}

void tst_MainWindow::rowTexts()
{
    const QDate lastMonday = today.addDays(-(today.dayOfWeek() - 1) - 7);
    writeBills(eventsFilePath(),
               {weeklyBill(QStringLiteral("Endless"), today),
                weeklyBill(QStringLiteral("Ended"), lastMonday, Event::EndOnDate, lastMonday),
                // Due tomorrow and never again: exactly one date left.
                weeklyBill(QStringLiteral("Last"), today.addDays(1), Event::EndAfterTimes, today.addDays(1))});
    window = openWindow();
    QStandardItemModel *model = billModel();

    const int endless = rowOf(QStringLiteral("Endless"));
    QCOMPARE(model->index(endless, 0).data(Qt::DisplayRole).toDate(), today);
    QCOMPARE(model->index(endless, 1).data(Qt::DisplayRole), QVariant(0));
    QCOMPARE(model->index(endless, 2).data().toString(), QStringLiteral("Endless"));

    const int ended = rowOf(QStringLiteral("Ended"));
    QCOMPARE(model->index(ended, 0).data(Qt::DisplayRole).toDate(), lastMonday);
    QCOMPARE(model->index(ended, 1).data(Qt::DisplayRole), QVariant(QStringLiteral("N/A")));
    QCOMPARE(model->index(ended, 2).data().toString(),
             QStringLiteral("Ended - Due 0 more times, ending on ") + longDateText(lastMonday));

    const int last = rowOf(QStringLiteral("Last"));
    QCOMPARE(model->index(last, 0).data(Qt::DisplayRole).toDate(), today.addDays(1));
    QCOMPARE(model->index(last, 1).data(Qt::DisplayRole), QVariant(1));
    QCOMPARE(model->index(last, 2).data().toString(),
             QStringLiteral("Last - Due 1 more time, ending on ") + longDateText(today.addDays(1)));
    // Sorted by due date, ascending.
    QCOMPARE(listedNames(), (QStringList{"Ended", "Endless", "Last"}));
}

// ---- removal

void tst_MainWindow::removeScatteredRows()
{
    EventList bills;
    for (int i = 0; i < 7; ++i)
        bills << weeklyBill(QStringLiteral("bill %1").arg(i), today.addDays(i));
    writeBills(eventsFilePath(), bills);
    window = openWindow();
    QCOMPARE(listedNames().size(), 7);

    const auto nothing = answerBox(QMessageBox::Ok);
    selectRows({});
    click("removeButton");
    QVERIFY(nothing->seen);
    QCOMPARE(nothing->title, QStringLiteral("Select Bill"));
    QCOMPARE(nothing->text, QStringLiteral("Please select a bill to remove."));

    selectRows({5, 1, 3});
    const auto confirm = answerBox(QMessageBox::Yes);
    click("removeButton");
    QVERIFY(confirm->seen);
    QCOMPARE(confirm->title, QStringLiteral("Confirm Removal"));
    QCOMPARE(confirm->icon, QMessageBox::Question);
    QCOMPARE(confirm->text, QStringLiteral("Are you sure you wish to permanently remove these bills?"));
    QCOMPARE(listedNames(), (QStringList{"bill 0", "bill 2", "bill 4", "bill 6"}));

    selectRows({3});
    const auto single = answerBox(QMessageBox::Yes);
    click("removeButton");
    QCOMPARE(single->text, QStringLiteral("Are you sure you wish to permanently remove this bill?"));
    QCOMPARE(listedNames(), (QStringList{"bill 0", "bill 2", "bill 4"}));

    QVERIFY(window->close());
    QCOMPARE(namesIn(eventsFilePath()), (QStringList{"bill 0", "bill 2", "bill 4"}));
}

void tst_MainWindow::removeAnsweredNo()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("a"), today), weeklyBill(QStringLiteral("b"), today.addDays(1))});
    window = openWindow();
    selectRows({0});
    const auto answer = answerBox(QMessageBox::No);
    click("removeButton");
    QVERIFY(answer->seen);
    QCOMPARE(listedNames(), (QStringList{"a", "b"}));
}

// ---- import and export

void tst_MainWindow::importSkipsListedNames()
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("bills.evt"));
    writeBills(file, {weeklyBill(QStringLiteral("gas"), today.addDays(3)), weeklyBill(QStringLiteral("water"), today.addDays(1))});
    const QString twins = folder.filePath(QStringLiteral("twins.evt"));
    writeBills(twins, {weeklyBill(QStringLiteral("phone"), today.addDays(2)), weeklyBill(QStringLiteral("phone"), today.addDays(4))});
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("rent"), today)});
    window = openWindow();
    auto *tree = child<QTreeView>("eventTreeView");
    tree->sortByColumn(2, Qt::AscendingOrder);

    QCOMPARE(window->importBills(file), 2);
    QCOMPARE(listedNames(), (QStringList{"gas", "rent", "water"})); // sorted as before
    QCOMPARE(window->importBills(file), 0);
    QCOMPARE(listedNames().size(), 3);

    // A removed name counts 0 and comes back.
    selectRows({rowOf(QStringLiteral("water"))});
    answerBox(QMessageBox::Yes);
    click("removeButton");
    QCOMPARE(listedNames(), (QStringList{"gas", "rent"}));
    QCOMPARE(window->importBills(file), 1);
    QCOMPARE(listedNames(), (QStringList{"gas", "rent", "water"}));

    // Of two new bills with one name only the first is taken.
    QCOMPARE(window->importBills(twins), 1);
    const Event *phone = window->eventAtRow(rowOf(QStringLiteral("phone")));
    QCOMPARE(nextOccurrence(*phone, today), today.addDays(2));
    QCOMPARE(listedNames().size(), 4);
}

void tst_MainWindow::exportThenImportIntoEmptyList()
{
    Event *monthly = weeklyBill(QStringLiteral("monthly"), today);
    monthly->schedule = Event::ScheduleMonthly;
    monthly->byDay = true;
    monthly->ordinal = 12;
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("weekly"), today, Event::EndOnDate, today.addDays(30)), monthly});
    QTemporaryDir folder;
    const QString exported = folder.filePath(QStringLiteral("sub/out.evt"));
    window = openWindow();
    QVERIFY(window->exportBills(exported));
    QFile original(eventsFilePath());
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    window.reset();

    QFile::remove(eventsFilePath());
    window = openWindow();
    QCOMPARE(billModel()->rowCount(), 0);
    QCOMPARE(window->importBills(exported), 2);
    QVERIFY(window->close());
    window.reset();
    // The same bills, byte for byte (the order follows the same sort).
    QFile after(eventsFilePath());
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

void tst_MainWindow::importAndExportThroughDialogs()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("one"), today)});
    QTemporaryDir folder;
    const QString exported = folder.filePath(QStringLiteral("chosen.evt"));
    window = openWindow();
    answerFileDialog(exported);
    click("exportButton");
    QCOMPARE(namesIn(exported), QStringList{"one"});

    const QString other = folder.filePath(QStringLiteral("other.evt"));
    writeBills(other, {weeklyBill(QStringLiteral("two"), today)});
    const auto complaint = answerFileDialog(other);
    click("importButton");
    QCOMPARE(*complaint, QString());
    QCOMPARE(listedNames().size(), 2);
}

void tst_MainWindow::importUnreadableFile()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("one"), today)});
    window = openWindow();
    const QString missing = QDir::temp().filePath(QStringLiteral("payvane-no-such-file.evt"));
    const auto answer = answerBox(QMessageBox::Ok);
    QCOMPARE(window->importBills(missing), -1);
    QVERIFY(answer->seen);
    QCOMPARE(answer->icon, QMessageBox::Warning);
    QVERIFY(answer->text.contains(QDir::toNativeSeparators(missing)));
    QCOMPARE(listedNames(), QStringList{"one"});
}

void tst_MainWindow::exportUnwritableFile()
{
    window = openWindow();
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("taken"));
    QVERIFY(QDir().mkpath(target)); // a folder where the file should go
    const auto answer = answerBox(QMessageBox::Ok);
    QVERIFY(!window->exportBills(target));
    QVERIFY(answer->seen);
    QCOMPARE(answer->icon, QMessageBox::Warning);
    QCOMPARE(answer->title, QStringLiteral("Export Bills"));
    QVERIFY(answer->text.contains(QDir::toNativeSeparators(target)));
}

void tst_MainWindow::closeWhenDataFileCannotBeWritten()
{
    window = openWindow();
    QVERIFY(QDir().mkpath(eventsFilePath())); // the data file's place is taken
    const auto stay = answerBox(QMessageBox::NoButton, QStringLiteral("Stay Open"));
    QVERIFY(!window->close());
    QVERIFY(stay->seen);
    QVERIFY(stay->text.contains(QDir::toNativeSeparators(eventsFilePath())));
    QVERIFY(window->isVisible());

    const auto leave = answerBox(QMessageBox::NoButton, QStringLiteral("Close Anyway"));
    QVERIFY(window->close());
    QVERIFY(leave->seen);
    QVERIFY(!window->isVisible());
}

void tst_MainWindow::closeWritesRemainingBills()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("keep"), today), weeklyBill(QStringLiteral("drop"), today.addDays(1))});
    window = openWindow();
    window->removeBillRow(rowOf(QStringLiteral("drop")));
    QVERIFY(window->close());
    QCOMPARE(namesIn(eventsFilePath()), QStringList{"keep"});
}

// ---- the editor

void tst_MainWindow::validationMessages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("ordinal");
    QTest::addColumn<QList<int>>("rows");       // checked rows of the tab's first list
    QTest::addColumn<QList<int>>("monthRows");  // checked rows of the yearly month list
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    QTest::newRow("no description") << QString() << 1 << 6 << QList<int>{2} << QList<int>{}
                                    << QStringLiteral("Please enter a description of the bill.") << QStringLiteral("eventName");
    QTest::newRow("weekly nothing") << QStringLiteral("x") << 0 << 1 << QList<int>{} << QList<int>{}
                                    << QStringLiteral("Please select a reminder schedule.") << QStringLiteral("saveButton");
    QTest::newRow("monthly 6th Tuesday") << QStringLiteral("x") << 1 << 6 << QList<int>{2} << QList<int>{}
                                         << QStringLiteral("You cannot select a monthly repetition period greater than 5 week days.")
                                         << QStringLiteral("monthlySpinBox");
    QTest::newRow("yearly 6th Monday of March")
        << QStringLiteral("x") << 2 << 6 << QList<int>{1} << QList<int>{3}
        << QStringLiteral("You cannot select a yearly repetition period greater than 5 weeks for a specific month.")
        << QStringLiteral("yearlySpinBox");
    QTest::newRow("yearly day 32 of March")
        << QStringLiteral("x") << 2 << 32 << QList<int>{0} << QList<int>{3}
        << QStringLiteral("You cannot select a yearly repetition period greater than 31 days for a specific month.")
        << QStringLiteral("yearlySpinBox");
    QTest::newRow("yearly 53rd Monday of the year")
        << QStringLiteral("x") << 2 << 53 << QList<int>{1} << QList<int>{0}
        << QStringLiteral("You cannot select a yearly repetition period greater than 52 weeks.") << QStringLiteral("yearlySpinBox");
    QTest::newRow("yearly day without year or month")
        << QStringLiteral("x") << 2 << 3 << QList<int>{0} << QList<int>{}
        << QStringLiteral("Please select a reminder schedule.") << QStringLiteral("saveButton");
}

void tst_MainWindow::validationMessages()
{
    QFETCH(QString, name);
    QFETCH(int, tab);
    QFETCH(int, ordinal);
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, monthRows);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    window = openWindow();
    QApplication::setActiveWindow(window.get());
    click("addButton");
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 1);
    child<QLineEdit>("eventName")->setText(name);
    child<QTabWidget>("repeatingTabWidget")->setCurrentIndex(tab);
    const char *const lists[] = {"weeklyListView", "monthlyListView", "yearlyListView"};
    setChecked(lists[tab], rows);
    setChecked("yearlyMonthListView", monthRows);
    child<QSpinBox>("monthlySpinBox")->setValue(ordinal);
    child<QSpinBox>("yearlySpinBox")->setValue(ordinal);
    // Focus starts on the save button, as if it was clicked with the mouse.
    child<QWidget>("saveButton")->setFocus();

    const auto answer = answerBox(QMessageBox::Ok);
    click("saveButton");
    QVERIFY(answer->seen);
    QCOMPARE(answer->title, QStringLiteral("Enter Details"));
    QCOMPARE(answer->icon, QMessageBox::Information);
    QCOMPARE(answer->text, message);
    QVERIFY(window->focusWidget());
    QCOMPARE(window->focusWidget()->objectName(), focus);
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 1); // stays, nothing stored
    QCOMPARE(billModel()->rowCount(), 0);
    QCOMPARE(child<QLineEdit>("eventName")->text(), name); // the input is kept
}

void tst_MainWindow::timesEndDateAndReopen()
{
    window = openWindow();
    click("addButton");
    child<QLineEdit>("eventName")->setText(QStringLiteral("Lessons"));
    const QDate tomorrow = today.addDays(1);
    setChecked("weeklyListView", {tomorrow.dayOfWeek() - 1});
    child<QRadioButton>("timesRadioButton")->setChecked(true);
    child<QSpinBox>("timesSpinBox")->setValue(3);
    click("saveButton");
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 0);

    const Event *saved = window->eventAtRow(0);
    QCOMPARE(saved->endMode, qint32(Event::EndAfterTimes));
    QCOMPARE(saved->endDate, tomorrow.addDays(14)); // tomorrow, a week later, two weeks later
    QCOMPARE(billModel()->index(0, 2).data().toString(),
             QStringLiteral("Lessons - Due 3 more times, ending on ") + longDateText(tomorrow.addDays(14)));

    child<QTreeView>("eventTreeView")->setCurrentIndex(billModel()->index(0, 0));
    click("editButton");
    QVERIFY(child<QRadioButton>("timesRadioButton")->isChecked());
    QCOMPARE(child<QSpinBox>("timesSpinBox")->value(), 3);
    QCOMPARE(child<QDateEdit>("untilDateEdit")->date(), tomorrow.addDays(14));
    QCOMPARE(child<QTabWidget>("repeatingTabWidget")->currentIndex(), 0);
    QVERIFY(!child<QTabWidget>("tabWidget")->property("addMode").toBool());

    // Saving the edit replaces the row rather than adding one.
    child<QLineEdit>("eventName")->setText(QStringLiteral("Piano lessons"));
    click("saveButton");
    QCOMPARE(listedNames(), QStringList{"Piano lessons"});
}

void tst_MainWindow::singularSavedWithAlways()
{
    window = openWindow();
    click("addButton");
    child<QLineEdit>("eventName")->setText(QStringLiteral("Passport"));
    child<QRadioButton>("singularRadioButton")->setChecked(true);
    QVERIFY(child<QDateEdit>("eventDate")->isEnabled());
    QVERIFY(!child<QTabWidget>("repeatingTabWidget")->isEnabled());
    const QDate date = today.addDays(30);
    child<QDateEdit>("eventDate")->setDate(date);
    QVERIFY(child<QRadioButton>("alwaysRadioButton")->isChecked());
    click("saveButton");

    const Event *saved = window->eventAtRow(0);
    QCOMPARE(saved->schedule, qint32(Event::ScheduleSingular));
    QCOMPARE(saved->endMode, qint32(Event::EndAfterTimes));
    QCOMPARE(saved->eventDate, date);
    QCOMPARE(saved->endDate, date);
    QCOMPARE(billModel()->index(0, 1).data(Qt::DisplayRole), QVariant(30));

    // "times" with 0 must not end a future one-off bill today.
    click("addButton");
    child<QLineEdit>("eventName")->setText(QStringLiteral("Visa"));
    child<QRadioButton>("singularRadioButton")->setChecked(true);
    child<QDateEdit>("eventDate")->setDate(date);
    child<QRadioButton>("timesRadioButton")->setChecked(true);
    child<QSpinBox>("timesSpinBox")->setValue(0);
    click("saveButton");
    QCOMPARE(window->eventAtRow(rowOf(QStringLiteral("Visa")))->endDate, date);

    child<QTreeView>("eventTreeView")->setCurrentIndex(billModel()->index(rowOf(QStringLiteral("Passport")), 0));
    click("editButton");
    QVERIFY(child<QRadioButton>("timesRadioButton")->isChecked());
    QVERIFY(child<QRadioButton>("singularRadioButton")->isChecked());
    QCOMPARE(child<QSpinBox>("timesSpinBox")->value(), 1);
    QCOMPARE(child<QDateEdit>("eventDate")->date(), date);
}

void tst_MainWindow::editClearsReminderState()
{
    Event *postponed = weeklyBill(QStringLiteral("Power"), today);
    postponed->lastNotified = today.addDays(-20);
    postponed->notifyAgainDays = 5;
    writeBills(eventsFilePath(), {postponed});
    window = openWindow();
    child<QTreeView>("eventTreeView")->setCurrentIndex(billModel()->index(0, 0));
    click("editButton");
    click("saveButton");
    const Event *saved = window->eventAtRow(0);
    QCOMPARE(saved->name, QStringLiteral("Power"));
    QCOMPARE(saved->lastNotified, today.addDays(-1));
    QCOMPARE(saved->notifyAgainDays, 0);
    QCOMPARE(saved->notifyDays, 3);
    QVERIFY(saved->notify);
}

void tst_MainWindow::notifyBox()
{
    Event *quiet = weeklyBill(QStringLiteral("Quiet"), today);
    quiet->notify = false;
    quiet->notifyDays = 7;
    writeBills(eventsFilePath(), {quiet});
    window = openWindow();
    click("addButton");
    auto *spin = child<QSpinBox>("notifyMaxSpinBox");
    QVERIFY(spin->isEnabled());
    QCOMPARE(spin->value(), 10);
    child<QCheckBox>("notifyCheckBox")->setChecked(false);
    QVERIFY(!spin->isEnabled());
    click("cancelButton");
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 0);
    QCOMPARE(billModel()->rowCount(), 1);

    child<QTreeView>("eventTreeView")->setCurrentIndex(billModel()->index(0, 0));
    click("editButton");
    QVERIFY(!child<QCheckBox>("notifyCheckBox")->isChecked());
    QCOMPARE(spin->value(), 0);
    QVERIFY(!spin->isEnabled());
}

void tst_MainWindow::editAndViewNeedCurrentBill()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("one"), today)});
    window = openWindow();
    child<QTreeView>("eventTreeView")->setCurrentIndex(QModelIndex());
    const auto edit = answerBox(QMessageBox::Ok);
    click("editButton");
    QCOMPARE(edit->title, QStringLiteral("Select Bill"));
    QCOMPARE(edit->text, QStringLiteral("Please select a bill to edit."));
    const auto view = answerBox(QMessageBox::Ok);
    click("viewButton");
    QCOMPARE(view->text, QStringLiteral("Please select a bill to view."));
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 0);

    child<QTreeView>("eventTreeView")->setCurrentIndex(billModel()->index(0, 0));
    click("viewButton");
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 2);
    QCOMPARE(child<QLabel>("eventNameLabel")->text(), QStringLiteral("one"));
    click("viewOKButton");
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 0);
}

// ---- the details page

void tst_MainWindow::detailsLines_data()
{
    QTest::addColumn<Event>("event");
    QTest::addColumn<QStringList>("shown");          // labels that must show
    QTest::addColumn<QStringList>("hidden");         // labels that must not
    QTest::addColumn<QHash<QString, QString>>("texts");

    today = QDate::currentDate();
    const QStringList occurrence{"occuredLabelA", "occuredLabel", "occuredLabelB", "occuredLabelTimes", "occuredLabelC", "occuredLabelEnd"};
    const QStringList nextDate{"nextDateLabelA", "nextDateLabel", "nextDateLabelB", "nextCountLabel", "nextDateLabelC"};
    const QStringList notify{"notifyLabelA", "notifedLabel", "notifedLabelB"};
    const QStringList singularLine{"eventDateLabelA", "eventDateLabel"};
    const QStringList weeklyLine{"weeklyLabelA", "weeklyLabel"};
    const QStringList monthlyLine{"monthlyLabelA", "monthlyCountLabel", "monthlyPeriodLabel", "monthlyLabelB"};
    const QStringList yearlyLine{"yearlyLabelA", "yearlyCountLabel", "yearlyPeriodLabel", "yearlyLabelB", "yearlyMonthLabel"};

    std::unique_ptr<Event> endless(weeklyBill(QStringLiteral("Endless"), today));
    endless->weekdays[0] = true;
    endless->weekdays[2] = true;
    endless->notifyDays = 1;
    QTest::newRow("endless weekly, due today")
        << *endless
        << (nextDate + weeklyLine + notify + QStringList{"repeatLabelA", "repeatLabel"})
        << (occurrence + singularLine + monthlyLine + yearlyLine
            + QStringList{"noNotifyLabel", "showOnceLabel", "remindersDetailsLabel"})
        << QHash<QString, QString>{{"nextCountLabel", "0"}, {"nextDateLabel", longDateText(today)},
                                   {"scheduleLabel", "repeating."}, {"repeatLabel", "weekly."},
                                   {"notifedLabel", "1"}, {"notifedLabelB", " day before the bill."}};
    ExtraReminder onTheDay;
    ExtraReminder afterWeek;
    afterWeek.days = 7;
    afterWeek.when = ExtraReminder::AfterUnpaid;
    endless->extraReminders = {afterWeek, onTheDay};
    QTest::newRow("more reminders: one more sentence")
        << *endless << (notify + QStringList{"remindersDetailsLabel"}) << QStringList{"noNotifyLabel"}
        << QHash<QString, QString>{{"notifedLabel", "1"},
                                   {"remindersDetailsLabel", "Reminders: 1 day before, on the day, 7 days after if unpaid."}};

    Event passed;
    passed.name = QStringLiteral("Passed");
    passed.schedule = Event::ScheduleSingular;
    passed.endMode = Event::EndAfterTimes;
    passed.eventDate = passed.endDate = today.addDays(-3);
    passed.showOnce = true;
    QTest::newRow("singular, passed, no reminders")
        << passed << (occurrence + singularLine + QStringList{"noNotifyLabel", "showOnceLabel"})
        << (nextDate + notify + weeklyLine + monthlyLine + yearlyLine + QStringList{"repeatLabelA", "repeatLabel"})
        << QHash<QString, QString>{{"occuredLabel", "0"}, {"occuredLabelTimes", "times"},
                                   {"occuredLabelEnd", longDateText(passed.endDate)}, {"scheduleLabel", "singular."},
                                   {"eventDateLabel", longDateText(passed.eventDate)}};

    std::unique_ptr<Event> monthly(weeklyBill(QStringLiteral("Monthly"), today, Event::EndOnDate, today.addDays(400)));
    monthly->schedule = Event::ScheduleMonthly;
    monthly->weekdays = {};
    monthly->weekdays[1] = true;
    monthly->byDay = true;
    monthly->ordinal = 3;
    monthly->notifyDays = 0;
    QTest::newRow("monthly 3rd day and Tuesday, until a date")
        << *monthly << (occurrence + nextDate + monthlyLine + notify)
        << (weeklyLine + yearlyLine + singularLine + QStringList{"noNotifyLabel"})
        << QHash<QString, QString>{{"monthlyCountLabel", "3rd "}, {"monthlyPeriodLabel", "Day, Tuesday"},
                                   {"repeatLabel", "monthly."}, {"occuredLabelEnd", longDateText(today.addDays(400))},
                                   {"notifedLabelB", " days before the bill."}};

    std::unique_ptr<Event> yearly(weeklyBill(QStringLiteral("Yearly"), today));
    yearly->schedule = Event::ScheduleYearly;
    yearly->weekdays = {};
    yearly->byDay = true;
    yearly->byYear = true;
    yearly->months[2] = true;
    yearly->ordinal = 1;
    QTest::newRow("yearly day 1 of the year and March")
        << *yearly << (yearlyLine + nextDate) << (weeklyLine + monthlyLine + occurrence)
        << QHash<QString, QString>{{"yearlyCountLabel", "1st "}, {"yearlyPeriodLabel", "Day"},
                                   {"yearlyMonthLabel", "the Year, March"}, {"repeatLabel", "yearly."}};

    std::unique_ptr<Event> unknown(weeklyBill(QStringLiteral("Odd"), today));
    unknown->schedule = 7;
    QTest::newRow("unknown schedule")
        << *unknown << QStringList{"repeatLabelA"}
        << (nextDate + weeklyLine + monthlyLine + yearlyLine + singularLine + QStringList{"repeatLabel"})
        << QHash<QString, QString>{{"scheduleLabel", "repeating."}};

    std::unique_ptr<Event> once(weeklyBill(QStringLiteral("Once more"), today.addDays(1), Event::EndAfterTimes, today.addDays(1)));
    QTest::newRow("one time left")
        << *once << occurrence << QStringList{}
        << QHash<QString, QString>{{"occuredLabel", "1"}, {"occuredLabelTimes", "time"}, {"nextCountLabel", "1"}};
}

void tst_MainWindow::detailsLines()
{
    QFETCH(Event, event);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    using Texts = QHash<QString, QString>;
    QFETCH(Texts, texts);

    window = openWindow();
    // Fill from a bill that shows every line first: nothing of it may remain.
    Event everything;
    everything.name = QStringLiteral("Everything");
    everything.schedule = Event::ScheduleYearly;
    everything.endMode = Event::EndOnDate;
    everything.endDate = today.addDays(900);
    everything.byDay = everything.byYear = true;
    everything.notify = everything.showOnce = true;
    everything.extraReminders = {ExtraReminder()};
    window->showBillDetails(everything);
    window->showBillDetails(event);
    child<QTabWidget>("tabWidget")->setCurrentIndex(2);

    QCOMPARE(child<QLabel>("eventNameLabel")->text(), event.name);
    for (const QString &name : shown)
        QVERIFY2(lineShown(name.toLatin1().constData()), qPrintable(name));
    for (const QString &name : hidden)
        QVERIFY2(!lineShown(name.toLatin1().constData()), qPrintable(name));
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        QCOMPARE(child<QLabel>(it.key().toLatin1().constData())->text(), it.value());
}

// ---- hardening

void tst_MainWindow::damagedBillFileIsKeptAtStart()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("Rent"), today), weeklyBill(QStringLiteral("Gas"), today)});
    QByteArray whole;
    {
        QFile file(eventsFilePath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        whole = file.readAll();
        QVERIFY(file.resize(whole.size() - 9)); // cut inside the second bill
    }
    const auto notice = answerBox(QMessageBox::Ok);
    window = openWindow();
    QTRY_VERIFY(notice->seen);
    QCOMPARE(notice->title, QStringLiteral("Bill File"));
    QCOMPARE(notice->icon, QMessageBox::Warning);
    QCOMPARE(listedNames(), QStringList{"Rent"});

    const QDir folder = QFileInfo(eventsFilePath()).absoluteDir();
    const QStringList kept = folder.entryList({QStringLiteral("events.damaged-*.evt")});
    QCOMPARE(kept.size(), 1);
    QVERIFY2(notice->text.contains(QDir::toNativeSeparators(folder.filePath(kept.first()))), qPrintable(notice->text));
    QFile keptFile(folder.filePath(kept.first()));
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), whole.chopped(9));

    QVERIFY(window->close());
    QCOMPARE(namesIn(eventsFilePath()), QStringList{"Rent"});
}

void tst_MainWindow::removeRowsListedTwice()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("a"), today), weeklyBill(QStringLiteral("b"), today.addDays(1)),
                                  weeklyBill(QStringLiteral("c"), today.addDays(2))});
    window = openWindow();
    QCOMPARE(listedNames(), (QStringList{"a", "b", "c"}));
    // Each record is deleted once (the sanitizer would see a second delete).
    window->removeBillRows({1, 1, 2, 1, 7, -1});
    QCOMPARE(listedNames(), QStringList{"a"});
    QVERIFY(window->close());
    QCOMPARE(namesIn(eventsFilePath()), QStringList{"a"});
}

void tst_MainWindow::daysRemainingOrderOnOpening_data()
{
    QTest::addColumn<int>("order");
    QTest::addColumn<QVariantList>("days");
    const QVariant na(QStringLiteral("N/A"));
    QTest::newRow("ascending: N/A after every number") << int(Qt::AscendingOrder) << QVariantList{1, 3, na, na};
    QTest::newRow("descending: N/A first") << int(Qt::DescendingOrder) << QVariantList{na, na, 3, 1};
}

void tst_MainWindow::daysRemainingOrderOnOpening()
{
    QFETCH(int, order);
    QFETCH(QVariantList, days);
    const QDate lastWeek = today.addDays(-7);
    writeBills(eventsFilePath(),
               {weeklyBill(QStringLiteral("ended 1"), lastWeek, Event::EndOnDate, lastWeek),
                weeklyBill(QStringLiteral("in 3"), today.addDays(3)),
                weeklyBill(QStringLiteral("ended 2"), lastWeek, Event::EndOnDate, lastWeek),
                weeklyBill(QStringLiteral("in 1"), today.addDays(1))});
    {
        QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
        settings.setValue(QStringLiteral("sortSection"), 1);
        settings.setValue(QStringLiteral("sortOrder"), order);
    }
    window = openWindow();
    QVariantList shown;
    for (int row = 0; row < billModel()->rowCount(); ++row)
        shown << billModel()->index(row, 1).data(Qt::DisplayRole);
    QCOMPARE(shown, days);
    // Sorting again by the same column changes nothing.
    const QStringList names = listedNames();
    child<QTreeView>("eventTreeView")->sortByColumn(1, Qt::SortOrder(order));
    QCOMPARE(listedNames(), names);
}

void tst_MainWindow::longAndMarkedUpNamesOnDetailsPage()
{
    window = openWindow();
    const int availableWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
    auto *label = child<QLabel>("eventNameLabel");
    for (const QString &name : {QString(300, QLatin1Char('W')),
                                QStringLiteral("Water rates for the cottage by the sea ").repeated(8)}) {
        std::unique_ptr<Event> event(weeklyBill(name, today));
        window->showBillDetails(*event);
        child<QTabWidget>("tabWidget")->setCurrentIndex(2);
        QTest::qWait(20);
        QVERIFY2(window->frameGeometry().width() <= availableWidth, qPrintable(QString::number(window->width())));
        QVERIFY(label->height() >= label->heightForWidth(label->width()));
        QCOMPARE(label->text().remove(QChar(0x200B)), name);
    }
    // A name from an imported file is shown as it is, never as markup.
    std::unique_ptr<Event> markup(weeklyBill(QStringLiteral("<b>Gas</b> <img src=\"x.png\">"), today));
    window->showBillDetails(*markup);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), markup->name);
    // Back on the list, the window is the size it was.
    child<QTabWidget>("tabWidget")->setCurrentIndex(0);
    QTest::qWait(20);
    QCOMPARE(window->size(), QSize(639, 654));
}

void tst_MainWindow::scheduleSentencesReadAsOneLine()
{
    window = openWindow();
    click("addButton");
    // Where a label's line of text sits, by its vertical alignment.
    const auto centreOfText = [this](const char *name) {
        const auto *label = child<QLabel>(name);
        const QRect area = label->contentsRect();
        const int lineHeight = label->fontMetrics().height();
        int y = area.center().y();
        if (label->alignment() & Qt::AlignTop)
            y = area.top() + lineHeight / 2;
        else if (label->alignment() & Qt::AlignBottom)
            y = area.bottom() - lineHeight / 2;
        return label->mapTo(window.get(), QPoint(0, y)).y();
    };
    const auto centreOf = [this](const char *name) {
        const auto *widget = child<QWidget>(name);
        return widget->mapTo(window.get(), widget->rect().center()).y();
    };
    auto *repeating = child<QTabWidget>("repeatingTabWidget");
    repeating->setCurrentIndex(1);
    QTest::qWait(20);
    for (const char *words : {"label_7", "label_8"})
        QVERIFY2(qAbs(centreOfText(words) - centreOf("monthlySpinBox")) <= 2, words);
    repeating->setCurrentIndex(2);
    QTest::qWait(20);
    for (const char *words : {"label_9", "label_10"})
        QVERIFY2(qAbs(centreOfText(words) - centreOf("yearlySpinBox")) <= 2, words);
    // The sentence stands at the top, beside the first rows of the list.
    QVERIFY(child<QWidget>("monthlySpinBox")->y() <= child<QWidget>("monthlyListView")->y() + 2);
}

// ---- schedule options

void tst_MainWindow::editorKeepsScheduleOptions()
{
    window = openWindow();
    click("addButton");
    child<QLineEdit>("eventName")->setText(QStringLiteral("Rent"));
    child<QTabWidget>("repeatingTabWidget")->setCurrentIndex(1);
    setChecked("monthlyListView", {0});
    child<QCheckBox>("monthlyFromEndCheckBox")->setChecked(true);
    child<QSpinBox>("monthlySpinBox")->setValue(1);
    QVERIFY(!child<QWidget>("shortMonthsComboBox")->isEnabled());
    auto *every = child<QSpinBox>("monthlyEverySpinBox");
    QVERIFY(!child<QDateEdit>("monthlyEveryDateEdit")->isEnabled());
    every->setValue(2);
    QVERIFY(child<QDateEdit>("monthlyEveryDateEdit")->isEnabled());
    child<QDateEdit>("monthlyEveryDateEdit")->setDate(QDate(2027, 1, 10));
    child<QComboBox>("weekendComboBox")->setCurrentIndex(1);
    click("saveButton");
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 0);

    const Event *saved = window->eventAtRow(0);
    // The record keeps the nearest plain schedule: the 31st.
    QCOMPARE(saved->ordinal, 31);
    QCOMPARE(saved->options.fromEnd, 1);
    QCOMPARE(saved->options.every, 2);
    QCOMPARE(saved->options.everyFrom, QDate(2027, 1, 10));
    QCOMPARE(saved->options.weekends, qint32(ScheduleOptions::FridayBefore));
    QCOMPARE(saved->options.shortMonths, qint32(ScheduleOptions::RunOver));
    // January 2027 ends on a Sunday: due the Friday before.
    if (today < QDate(2027, 1, 29))
        QCOMPARE(billModel()->index(0, 0).data(Qt::DisplayRole).toDate(), QDate(2027, 1, 29));

    // Reopened, the editor shows what was entered.
    child<QTreeView>("eventTreeView")->setCurrentIndex(billModel()->index(0, 0));
    click("editButton");
    QVERIFY(child<QCheckBox>("monthlyFromEndCheckBox")->isChecked());
    QCOMPARE(child<QSpinBox>("monthlySpinBox")->value(), 1);
    QCOMPARE(every->value(), 2);
    QCOMPARE(child<QDateEdit>("monthlyEveryDateEdit")->date(), QDate(2027, 1, 10));
    QCOMPARE(child<QComboBox>("weekendComboBox")->currentIndex(), 1);

    // Back to every month, from the start, short months on their last day.
    child<QCheckBox>("monthlyFromEndCheckBox")->setChecked(false);
    child<QSpinBox>("monthlySpinBox")->setValue(31);
    QVERIFY(child<QWidget>("shortMonthsComboBox")->isEnabled());
    child<QComboBox>("shortMonthsComboBox")->setCurrentIndex(1);
    every->setValue(1);
    click("saveButton");
    const Event *edited = window->eventAtRow(0);
    QCOMPARE(edited->options.fromEnd, 0);
    QCOMPARE(edited->options.every, 1);
    QVERIFY(!edited->options.everyFrom.isValid());
    QCOMPARE(edited->options.shortMonths, qint32(ScheduleOptions::LastDay));

    // A new bill starts from the plain schedule again.
    click("addButton");
    QVERIFY(!child<QCheckBox>("monthlyFromEndCheckBox")->isChecked());
    QCOMPARE(every->value(), 1);
    QCOMPARE(child<QComboBox>("weekendComboBox")->currentIndex(), 0);
    QCOMPARE(child<QComboBox>("shortMonthsComboBox")->currentIndex(), 0);
}

void tst_MainWindow::plainBillsWriteNoExtensionBlock()
{
    window = openWindow();
    click("addButton");
    child<QLineEdit>("eventName")->setText(QStringLiteral("Gas"));
    setChecked("weeklyListView", {2});
    click("saveButton");
    QVERIFY(window->close());
    QFile file(eventsFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.contains("PVNX"));
    // 4 bytes of count, then one record of 55 bytes plus its name.
    QCOMPARE(bytes.size(), 4 + 55 + 4 + 2 * 3);
}

void tst_MainWindow::detailsSayTheOptions()
{
    window = openWindow();
    Event phone;
    phone.name = QStringLiteral("Phone");
    phone.schedule = Event::ScheduleMonthly;
    phone.weekdays[4] = true;
    phone.ordinal = 3;
    phone.options.fromEnd = 2;
    phone.options.every = 2;
    phone.options.everyFrom = QDate(2027, 1, 10);
    phone.options.weekends = ScheduleOptions::MondayAfter;
    window->showBillDetails(phone);
    child<QTabWidget>("tabWidget")->setCurrentIndex(2);
    QCOMPARE(child<QLabel>("monthlyCountLabel")->text(), QStringLiteral("2nd last "));
    QCOMPARE(child<QLabel>("monthlyPeriodLabel")->text(), QStringLiteral("Friday"));
    QVERIFY(lineShown("everyDetailsLabel"));
    QVERIFY(child<QLabel>("everyDetailsLabel")->text().startsWith(QStringLiteral("Every 2 months, counting from ")));
    QVERIFY(lineShown("weekendDetailsLabel"));
    QCOMPARE(child<QLabel>("weekendDetailsLabel")->text(),
             QStringLiteral("Moved to the business day after when it falls on a weekend or holiday."));
    QVERIFY(!lineShown("shortMonthsDetailsLabel"));

    // A plain bill shows none of these lines.
    phone.options = ScheduleOptions();
    window->showBillDetails(phone);
    QCOMPARE(child<QLabel>("monthlyCountLabel")->text(), QStringLiteral("3rd "));
    for (const char *line : {"everyDetailsLabel", "weekendDetailsLabel", "shortMonthsDetailsLabel"})
        QVERIFY2(!lineShown(line), line);
}

void tst_MainWindow::exportToCalendar()
{
    const QDate lastWeek = today.addDays(-7);
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("Rent"), today), weeklyBill(QStringLiteral("Gas"), today.addDays(1)),
                                  weeklyBill(QStringLiteral("Ended"), lastWeek, Event::EndOnDate, lastWeek)});
    window = openWindow();
    QTemporaryDir dir;
    const auto calendar = [&dir](const QString &name) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };

    // Nothing chosen: every bill still due.
    QVERIFY(window->exportToCalendar(dir.filePath(QStringLiteral("all.ics"))));
    const QString all = calendar(QStringLiteral("all.ics"));
    QVERIFY(all.startsWith(QStringLiteral("BEGIN:VCALENDAR\r\n")));
    QVERIFY(all.contains(QStringLiteral("SUMMARY:Rent\r\n")));
    QVERIFY(all.contains(QStringLiteral("SUMMARY:Gas\r\n")));
    QVERIFY(!all.contains(QStringLiteral("SUMMARY:Ended")));
    QVERIFY(all.contains(QStringLiteral("RRULE:FREQ=WEEKLY")));

    // The chosen bill alone.
    selectRows({rowOf(QStringLiteral("Gas"))});
    QVERIFY(window->exportToCalendar(dir.filePath(QStringLiteral("gas.ics"))));
    const QString gas = calendar(QStringLiteral("gas.ics"));
    QVERIFY(gas.contains(QStringLiteral("SUMMARY:Gas\r\n")));
    QVERIFY(!gas.contains(QStringLiteral("SUMMARY:Rent")));

    // A bill that is not due again gives no calendar, and the user is told.
    selectRows({rowOf(QStringLiteral("Ended"))});
    const auto nothing = answerBox(QMessageBox::Ok);
    QVERIFY(!window->exportToCalendar(dir.filePath(QStringLiteral("ended.ics"))));
    QVERIFY(nothing->seen);
    QCOMPARE(nothing->title, QStringLiteral("Export to Calendar"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ended.ics"))));

    // A folder that is a file: the system's reason.
    selectRows({});
    const auto failed = answerBox(QMessageBox::Ok);
    QVERIFY(!window->exportToCalendar(dir.filePath(QStringLiteral("all.ics/inside.ics"))));
    QVERIFY(failed->seen);
    QCOMPARE(failed->icon, QMessageBox::Warning);
}

// ---- the keyboard

void tst_MainWindow::keys_data()
{
    QTest::addColumn<QString>("open");        // the button that opens the page; empty: the list
    QTest::addColumn<QString>("description"); // typed into the editor first; empty: left as it is
    QTest::addColumn<QString>("focus");       // where the key is pressed
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<int>("page");            // the page after the key
    QTest::addColumn<QString>("box");         // the message it brings (answered Yes), if any
    QTest::addColumn<QStringList>("names");   // the bills listed after it

    const QStringList both{"Gas", "Rent"};
    const QString tree = QStringLiteral("eventTreeView");
    const QKeySequence enter(Qt::Key_Return);
    const QKeySequence escape(Qt::Key_Escape);
    // On the list; the current row (Gas) is not selected.
    QTest::newRow("Ctrl+N: a new bill") << QString() << QString() << tree << QKeySequence(QKeySequence::New) << 1
                                        << QString() << both;
    QTest::newRow("Insert: a new bill") << QString() << QString() << tree << QKeySequence(Qt::Key_Insert) << 1
                                        << QString() << both;
    QTest::newRow("Ctrl+N on a button") << QString() << QString() << QStringLiteral("settingsButton")
                                        << QKeySequence(QKeySequence::New) << 1 << QString() << both;
    QTest::newRow("Return on a row: its details") << QString() << QString() << tree << enter << 2 << QString() << both;
    QTest::newRow("keypad Enter on a row") << QString() << QString() << tree << QKeySequence(Qt::Key_Enter) << 2
                                           << QString() << both;
    QTest::newRow("Delete on a row: asked, removed") << QString() << QString() << tree << QKeySequence(Qt::Key_Delete)
                                                     << 0 << QStringLiteral("Confirm Removal") << QStringList{"Rent"};
    // In the editor, on Gas.
    QTest::newRow("Return in the description: saved")
        << QStringLiteral("editButton") << QStringLiteral("Gas bill") << QStringLiteral("eventName") << enter << 0
        << QString() << QStringList{"Gas bill", "Rent"};
    QTest::newRow("Return in a number box: saved")
        << QStringLiteral("editButton") << QStringLiteral("Gas bill") << QStringLiteral("notifyMaxSpinBox") << enter
        << 0 << QString() << QStringList{"Gas bill", "Rent"};
    QTest::newRow("Return on Cancel: nothing stored")
        << QStringLiteral("editButton") << QStringLiteral("Gas bill") << QStringLiteral("cancelButton") << enter << 0
        << QString() << both;
    QTest::newRow("Escape: nothing stored") << QStringLiteral("editButton") << QStringLiteral("Gas bill")
                                            << QStringLiteral("eventName") << escape << 0 << QString() << both;
    QTest::newRow("Return on a new bill without description: the check")
        << QStringLiteral("addButton") << QString() << QStringLiteral("eventName") << enter << 1
        << QStringLiteral("Enter Details") << both;
    QTest::newRow("Delete in the description: no bill removed")
        << QStringLiteral("editButton") << QString() << QStringLiteral("eventName") << QKeySequence(Qt::Key_Delete)
        << 1 << QString() << both;
    QTest::newRow("Insert in the editor: no new bill")
        << QStringLiteral("editButton") << QString() << QStringLiteral("eventName") << QKeySequence(Qt::Key_Insert)
        << 1 << QString() << both;
    // The details and the settings.
    QTest::newRow("Escape leaves the details") << QStringLiteral("viewButton") << QString()
                                               << QStringLiteral("infoTabScrollArea") << escape << 0 << QString() << both;
    QTest::newRow("Escape leaves the settings") << QStringLiteral("settingsButton") << QString()
                                                << QStringLiteral("trayRadioButton") << escape << 0 << QString() << both;
}

void tst_MainWindow::keys()
{
    QFETCH(QString, open);
    QFETCH(QString, description);
    QFETCH(QString, focus);
    QFETCH(QKeySequence, key);
    QFETCH(int, page);
    QFETCH(QString, box);
    QFETCH(QStringList, names);

    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("Gas"), today), weeklyBill(QStringLiteral("Rent"), today.addDays(1))});
    window = openWindow();
    activate();
    auto *tree = child<QTreeView>("eventTreeView");
    tree->selectionModel()->setCurrentIndex(billModel()->index(rowOf(QStringLiteral("Gas")), 0), QItemSelectionModel::NoUpdate);
    QVERIFY(!tree->selectionModel()->hasSelection());
    if (!open.isEmpty())
        click(open.toLatin1().constData());
    if (!description.isEmpty())
        child<QLineEdit>("eventName")->setText(description);
    auto *target = child<QWidget>(focus.toLatin1().constData());
    target->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), target);

    const auto answer = box.isEmpty() ? nullptr : answerBox(QMessageBox::Yes);
    QTest::keyClick(target, Qt::Key(key[0].key()), key[0].keyboardModifiers());
    if (answer) {
        QVERIFY(answer->seen);
        QCOMPARE(answer->title, box);
    }
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), page);
    QStringList listed = listedNames();
    listed.sort();
    QCOMPARE(listed, names);
    if (page == 1 && open != QStringLiteral("editButton"))
        QCOMPARE(window->focusWidget(), child<QWidget>("eventName"));
    if (page == 2)
        QCOMPARE(child<QLabel>("eventNameLabel")->text(), QStringLiteral("Gas"));
}

void tst_MainWindow::descriptionTakesTheFocus()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("Gas"), today)});
    window = openWindow();
    activate();
    auto *description = child<QLineEdit>("eventName");
    auto *save = child<QAbstractButton>("saveButton");
    for (const char *opening : {"addButton", "editButton", "addButton"}) {
        child<QTreeView>("eventTreeView")->setCurrentIndex(billModel()->index(0, 0));
        click(opening);
        QCOMPARE(QApplication::focusWidget(), description);
        // A typed blank goes into the description, never to a button.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(description->text().endsWith(QLatin1Char(' ')));
        QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 1);
        // Saved with the mouse, which leaves the focus on Save.
        description->setText(QStringLiteral("Water %1").arg(QLatin1String(opening)));
        setChecked("weeklyListView", {0});
        save->setFocus(Qt::MouseFocusReason);
        click("saveButton");
        QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 0);
    }
}

void tst_MainWindow::editedRowStaysInView()
{
    EventList bills;
    for (int i = 0; i < 60; ++i)
        bills << weeklyBill(QStringLiteral("b%1").arg(i, 2, 10, QLatin1Char('0')), today);
    writeBills(eventsFilePath(), bills);
    window = openWindow();
    activate();
    auto *tree = child<QTreeView>("eventTreeView");
    tree->sortByColumn(2, Qt::AscendingOrder);
    tree->setCurrentIndex(billModel()->index(0, 0));
    click("editButton");
    child<QLineEdit>("eventName")->setText(QStringLiteral("z"));
    QTest::keyClick(child<QWidget>("eventName"), Qt::Key_Return);
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 0);
    // Sorted to the end of the list, and shown there.
    QCOMPARE(tree->currentIndex().row(), 59);
    QCOMPARE(window->eventAtRow(59)->name, QStringLiteral("z"));
    QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
}

void tst_MainWindow::rowMenuActsOnItsRow_data()
{
    QTest::addColumn<QList<int>>("selected"); // rows selected before the menu opens
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("clicked");          // the row the menu opens on
    QTest::addColumn<QStringList>("left");     // after its "Remove Bill", answered Yes

    QTest::newRow("another row") << QList<int>{0} << 0 << 2 << QStringList{"a", "b", "d"};
    QTest::newRow("the current row, not selected") << QList<int>{} << 1 << 1 << QStringList{"a", "c", "d"};
    QTest::newRow("a row of the selection: the selection") << QList<int>{1, 3} << 1 << 3 << QStringList{"a", "c"};
}

void tst_MainWindow::rowMenuActsOnItsRow()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    QFETCH(int, clicked);
    QFETCH(QStringList, left);

    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("a"), today), weeklyBill(QStringLiteral("b"), today.addDays(1)),
                                  weeklyBill(QStringLiteral("c"), today.addDays(2)), weeklyBill(QStringLiteral("d"), today.addDays(3))});
    window = openWindow();
    auto *tree = child<QTreeView>("eventTreeView");
    selectRows(selected);
    tree->selectionModel()->setCurrentIndex(billModel()->index(current, 0), QItemSelectionModel::NoUpdate);

    // Chooses "Remove Bill" in the menu once it shows.
    auto *chooser = new QTimer(this);
    chooser->setInterval(10);
    connect(chooser, &QTimer::timeout, chooser, [chooser] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions()) {
            if (action->text() == QStringLiteral("Remove Bill"))
                menu->setActiveAction(action);
        }
        QTest::keyClick(menu, Qt::Key_Return);
        chooser->deleteLater();
    });
    chooser->start();
    const auto confirm = answerBox(QMessageBox::Yes);
    emit tree->customContextMenuRequested(tree->visualRect(billModel()->index(clicked, 0)).center());
    QVERIFY(confirm->seen);
    QCOMPARE(confirm->title, QStringLiteral("Confirm Removal"));
    QCOMPARE(listedNames(), left);
}

void tst_MainWindow::accessibleNames_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");

    // Controls without a label of their own.
    QTest::newRow("list") << "eventTreeView" << "Bills";
    QTest::newRow("times") << "timesSpinBox" << "Number of times to remind me of this bill";
    QTest::newRow("until") << "untilDateEdit" << "Last day to remind me of this bill";
    QTest::newRow("weekdays") << "weeklyListView" << "Weekdays the bill is due on";
    QTest::newRow("weekly every") << "weeklyEverySpinBox" << "Every how many weeks";
    QTest::newRow("weekly from") << "weeklyEveryDateEdit" << "Week to count from";
    QTest::newRow("monthly number") << "monthlySpinBox" << "Number of the day or weekday in the month";
    QTest::newRow("monthly days") << "monthlyListView" << "Day or weekdays of the month";
    QTest::newRow("monthly every") << "monthlyEverySpinBox" << "Every how many months";
    QTest::newRow("monthly from") << "monthlyEveryDateEdit" << "Month to count from";
    QTest::newRow("yearly number") << "yearlySpinBox" << "Number of the day or weekday in the year or month";
    QTest::newRow("yearly days") << "yearlyListView" << "Day or weekdays of the year or month";
    QTest::newRow("yearly months") << "yearlyMonthListView" << "Year or months";
    QTest::newRow("yearly every") << "yearlyEverySpinBox" << "Every how many years";
    QTest::newRow("yearly from") << "yearlyEveryDateEdit" << "Year to count from";
    QTest::newRow("reminder days") << "notifyMaxSpinBox" << "Days before the bill is due to notify me";
    QTest::newRow("details page") << "infoTabScrollArea" << "Bill details";
    // Controls named by the label beside them.
    QTest::newRow("description") << "eventName" << "Bill Description:";
    QTest::newRow("amount") << "amountEdit" << "Amount:";
    QTest::newRow("short months") << "shortMonthsComboBox" << "In shorter months:";
    QTest::newRow("weekends") << "weekendComboBox" << "When a date falls on a weekend or holiday,";
    QTest::newRow("once on") << "eventDate" << "Occurring once on:";
}

void tst_MainWindow::accessibleNames()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    window = openWindow();
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(child<QWidget>(control.toLatin1().constData()));
    QVERIFY(accessible);
    QString heard = accessible->text(QAccessible::Name);
    // A combo box gives its current item as its name on Linux; its label
    // reaches the screen reader as a relation.
    if (accessible->role() == QAccessible::ComboBox) {
        heard.clear();
        for (const auto &relation : accessible->relations(QAccessible::Label)) {
            if (qobject_cast<QLabel *>(relation.first->object()))
                heard = relation.first->text(QAccessible::Name);
        }
    }
    QCOMPARE(heard, name);
}

// ---- the day shown

void tst_MainWindow::msecsToNextDay_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<qint64>("msecs");

    const qint64 hour = 60 * 60 * 1000;
    const QTimeZone utc = QTimeZone::utc();
    const QTimeZone berlin("Europe/Berlin");
    const QTimeZone santiago("America/Santiago");
    QTest::newRow("evening") << QDateTime(QDate(2031, 3, 14), QTime(23, 0), utc) << hour;
    QTest::newRow("last second") << QDateTime(QDate(2031, 3, 14), QTime(23, 59, 59, 999), utc) << qint64(1);
    QTest::newRow("midnight: a whole day") << QDateTime(QDate(2031, 3, 14), QTime(0, 0), utc) << 24 * hour;
    QTest::newRow("New Year's Eve") << QDateTime(QDate(2031, 12, 31), QTime(12, 0), utc) << 12 * hour;
    QTest::newRow("fixed offset") << QDateTime(QDate(2031, 3, 14), QTime(18, 0), Qt::OffsetFromUTC, 5 * 3600) << 6 * hour;
    // Where the clocks change.
    QTest::newRow("clocks forward: 23 hours") << QDateTime(QDate(2031, 3, 30), QTime(0, 0), berlin) << 23 * hour;
    QTest::newRow("clocks back: 25 hours") << QDateTime(QDate(2031, 10, 26), QTime(0, 0), berlin) << 25 * hour;
    // Chile moves its clocks at midnight: the 7th begins at 01:00.
    QTest::newRow("midnight skipped") << QDateTime(QDate(2031, 9, 6), QTime(23, 0), santiago) << hour;
}

void tst_MainWindow::msecsToNextDay()
{
    QFETCH(QDateTime, now);
    QFETCH(qint64, msecs);
    QVERIFY2(now.isValid(), "no time zone data");
    QCOMPARE(MainWindow::msecsToNextDay(now), msecs);
}

void tst_MainWindow::followsTheDate()
{
    // A Friday far from today, so that nothing depends on the real date.
    const QDate friday(2031, 3, 14);
    Event *water = weeklyBill(QStringLiteral("Water"), friday.addDays(3));
    // Tracked, and due on Friday: unpaid, it is overdue from Saturday on.
    Event *rent = weeklyBill(QStringLiteral("Rent"), friday);
    rent->amount = Money(50000, QStringLiteral("EUR"));
    startTracking(*rent, friday.addDays(-1));
    writeBills(eventsFilePath(), {water, rent});

    auto now = std::make_shared<QDateTime>(friday, QTime(23, 59, 59));
    window = openWindow();
    window->setClock([now] { return *now; });
    const auto days = [this](const QString &name) { return billModel()->index(rowOf(name), 1).data(Qt::DisplayRole); };
    QCOMPARE(days(QStringLiteral("Water")), QVariant(3));
    QCOMPARE(days(QStringLiteral("Rent")), QVariant(0));
    auto *overdue = child<QLabel>("overdueLabel");
    QVERIFY(!overdue->property("overdue").toBool());
    const QString overdueBefore = overdue->text();
    auto *timer = window->findChild<QTimer *>(QStringLiteral("midnightTimer"));
    QVERIFY(timer);
    QVERIFY(timer->isActive() && timer->isSingleShot());
    QCOMPARE(timer->interval(), 1000);
    // The details of Water are open over midnight.
    child<QTreeView>("eventTreeView")->setCurrentIndex(billModel()->index(rowOf(QStringLiteral("Water")), 0));
    click("viewButton");
    QCOMPARE(child<QLabel>("nextCountLabel")->text(), QStringLiteral("3"));

    // Early: nothing changes, and the timer waits for what is left.
    *now = QDateTime(friday, QTime(23, 59, 59, 900));
    timer->start(0);
    QTRY_COMPARE(timer->interval(), 100);
    QCOMPARE(days(QStringLiteral("Water")), QVariant(3));

    *now = QDateTime(friday.addDays(1), QTime(0, 0));
    timer->start(0);
    QTRY_COMPARE(days(QStringLiteral("Water")), QVariant(2));
    QCOMPARE(days(QStringLiteral("Rent")), QVariant(QStringLiteral("1 day overdue")));
    QCOMPARE(billModel()->index(rowOf(QStringLiteral("Rent")), 0).data(Qt::ForegroundRole).value<QColor>(), QColor(176, 0, 0));
    QVERIFY(overdue->property("overdue").toBool());
    QVERIFY(overdue->text() != overdueBefore);
    QCOMPARE(child<QLabel>("nextCountLabel")->text(), QStringLiteral("2"));
    QCOMPARE(timer->interval(), 24 * 60 * 60 * 1000);
    QVERIFY(timer->isActive());

    // A clock that jumped (the machine slept through the night): the check
    // every minute finds the new day.
    *now = QDateTime(friday.addDays(3), QTime(7, 30));
    auto *minutes = window->findChild<QTimer *>(QStringLiteral("dateCheckTimer"));
    QVERIFY(minutes);
    QVERIFY(minutes->isActive() && !minutes->isSingleShot());
    minutes->start(0);
    QTRY_COMPARE(days(QStringLiteral("Water")), QVariant(0));
    QCOMPARE(days(QStringLiteral("Rent")), QVariant(QStringLiteral("3 days overdue")));
    minutes->stop();
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
