// The main window and another writer of its bill file (the automatic start,
// the notification process, a sync program): what the other one writes while
// the window is open shows in the list, and every change of both is kept.
#include "mainwindow.h"

#include "billfile.h"
#include "datafolder.h"
#include "event.h"
#include "eventstore.h"
#include "mainwindowprobe.h"
#include "paymentstatus.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

#include <stdio.h>

using namespace MainWindowProbe;

namespace {

Event *weeklyBill(const QString &name, QDate dueOn)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleWeekly;
    event->weekdays[std::size_t(dueOn.dayOfWeek() - 1)] = true;
    event->endDate = dueOn;
    event->notify = true;
    event->notifyDays = 3;
    return event;
}

EventList someBills(int count)
{
    const QStringList names = {"Rent", "Gas", "Power", "Water", "Phone", "Internet", "Insurance", "Car tax", "Gym",
                               "Cloud", "Heating"};
    EventList bills;
    for (int i = 0; i < count; ++i)
        bills.append(weeklyBill(names.at(i), QDate::currentDate().addDays(i % 7)));
    return bills;
}

void writeBills(const QString &path, const EventList &bills)
{
    QVERIFY(saveEvents(bills, path));
    qDeleteAll(bills);
}

QByteArray loadFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The bill of that name in a list, or null.
const Event *billNamed(const EventList &bills, const QString &name)
{
    for (const Event *bill : bills) {
        if (bill->name == name)
            return bill;
    }
    return nullptr;
}

// The other writer: reads the file, changes it as `change` says, writes it.
void writeMeanwhile(const std::function<void(EventList &)> &change)
{
    BillFile other;
    EventList bills = other.load();
    change(bills);
    QVERIFY(other.save(bills));
    qDeleteAll(bills);
}

// Answers the next modal message box with the button of that text, and
// keeps its text.
std::shared_ptr<QString> answerBox(const QString &buttonText)
{
    auto text = std::make_shared<QString>();
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, text, buttonText] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        *text = box->text();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == buttonText)
                button->click();
        }
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
    return text;
}

// Answers the modal message boxes that come, one after another, with the
// buttons of these texts, and keeps their texts.
std::shared_ptr<QStringList> answerBoxes(const QStringList &buttonTexts)
{
    auto texts = std::make_shared<QStringList>();
    auto *timer = new QTimer;
    timer->setInterval(10);
    auto answered = std::make_shared<QPointer<QMessageBox>>();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, texts, buttonTexts, answered] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == *answered)
            return;
        *answered = box;
        texts->append(box->text());
        for (QAbstractButton *button : box->buttons()) {
            if (button->text().remove(QLatin1Char('&')) == buttonTexts.at(texts->size() - 1)) {
                button->click();
                break;
            }
        }
        if (texts->size() == buttonTexts.size()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return texts;
}

} // namespace

class tst_MainWindowWriters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void paymentsWrittenMeanwhileAreKept();
    void fileReplacedMeanwhileIsShownAndKept();
    void billChangedTwiceIsAsked();
    void conflictCopyIsOffered_data();
    void conflictCopyIsOffered();
    void dataFolderMoves_data();
    void dataFolderMoves();

private:
    void openWindow();

    std::unique_ptr<MainWindow> window;
};

void tst_MainWindowWriters::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    // A data folder of its own, apart from other tests of the program.
    QCoreApplication::setApplicationName(QStringLiteral("Payvane-tst_mainwindowwriters"));
    QVERIFY(eventsFilePath().contains(QLatin1String(".qttest")));
}

void tst_MainWindowWriters::init()
{
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
    QFile::remove(BillFile::defaultMergeAncestorPath());
    QFile::remove(BillFile::defaultMergeAncestorPath() + QStringLiteral(".written"));
    writeBills(eventsFilePath(), someBills(10));
}

void tst_MainWindowWriters::cleanup()
{
    window.reset();
    QVERIFY(setDataFolderPath(defaultDataFolderPath()));
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
}

void tst_MainWindowWriters::openWindow()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

// (a) With the window open on the editor, the automatic start pays a bill.
// The editor keeps what is typed and the bill it edits; the list shows the
// payment once it is shown again; closing keeps both changes.
void tst_MainWindowWriters::paymentsWrittenMeanwhileAreKept()
{
    openWindow();
    auto *list = child<QTreeView>(*window, "eventTreeView");
    list->setCurrentIndex(billModel(*window)->index(rowOf(*window, QStringLiteral("Water")), 0));
    child<QAbstractButton>(*window, "editButton")->click();
    child<QLineEdit>(*window, "eventName")->setText(QStringLiteral("Water and sewage"));

    writeMeanwhile([](EventList &bills) {
        markPaid(*const_cast<Event *>(billNamed(bills, QStringLiteral("Rent"))), QDate::currentDate());
    });
    QTest::qWait(500); // the watcher's notice has come and gone
    QCOMPARE(child<QTabWidget>(*window, "tabWidget")->currentIndex(), 1);
    QCOMPARE(child<QLineEdit>(*window, "eventName")->text(), QStringLiteral("Water and sewage"));

    child<QAbstractButton>(*window, "saveButton")->click();
    QTRY_VERIFY(window->eventAtRow(rowOf(*window, QStringLiteral("Rent")))->payments.isTracking());
    QCOMPARE(rowOf(*window, QStringLiteral("Water")), -1);
    QVERIFY(rowOf(*window, QStringLiteral("Water and sewage")) >= 0);

    QVERIFY(window->close());
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), 10);
    QVERIFY(billNamed(saved, QStringLiteral("Rent"))->payments.isTracking());
    QVERIFY(billNamed(saved, QStringLiteral("Water and sewage")));
    qDeleteAll(saved);
}

// (b) A sync program replaces the file by rename with a version of 11 bills
// while the list is shown; the window shows them and writes all 11 back with
// its own change.
void tst_MainWindowWriters::fileReplacedMeanwhileIsShownAndKept()
{
    openWindow();
    QVERIFY(window->markBillPaid(rowOf(*window, QStringLiteral("Gas"))));
    const QString newer = eventsFilePath() + QStringLiteral(".sync");
    writeBills(newer, someBills(11));
    QVERIFY(::rename(QFile::encodeName(newer).constData(), QFile::encodeName(eventsFilePath()).constData()) == 0);

    QTRY_COMPARE(billModel(*window)->rowCount(), 11);
    QVERIFY(window->eventAtRow(rowOf(*window, QStringLiteral("Gas")))->payments.isTracking());
    // Replaced once more, and again noticed.
    writeMeanwhile([](EventList &bills) { delete bills.takeFirst(); });
    QTRY_COMPARE(billModel(*window)->rowCount(), 10);
    writeMeanwhile([](EventList &bills) { bills.append(weeklyBill(QStringLiteral("Boat"), QDate::currentDate())); });
    QTRY_COMPARE(billModel(*window)->rowCount(), 11);

    QVERIFY(window->close());
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), 11);
    QVERIFY(billNamed(saved, QStringLiteral("Heating")));
    QVERIFY(billNamed(saved, QStringLiteral("Boat")));
    QVERIFY(billNamed(saved, QStringLiteral("Gas"))->payments.isTracking());
    qDeleteAll(saved);
}

// (c) Both change the same part of one bill: the window asks which to keep.
void tst_MainWindowWriters::billChangedTwiceIsAsked()
{
    openWindow();
    const QDate today = QDate::currentDate();
    QVERIFY(window->markBillPaid(rowOf(*window, QStringLiteral("Rent"))));
    const PaymentState mine = window->eventAtRow(rowOf(*window, QStringLiteral("Rent")))->payments;
    const auto question = answerBox(QStringLiteral("Keep Mine"));
    writeMeanwhile([today](EventList &bills) {
        auto *rent = const_cast<Event *>(billNamed(bills, QStringLiteral("Rent")));
        startTracking(*rent, today.addDays(-60));
    });
    // Asked when the change shows in the list, or at the latest at close.
    QTRY_VERIFY(!question->isEmpty());
    QVERIFY(question->contains(QStringLiteral("Rent")));
    QVERIFY(window->close());
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(billNamed(saved, QStringLiteral("Rent"))->payments, mine);
    qDeleteAll(saved);
}

void tst_MainWindowWriters::conflictCopyIsOffered_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("left"); // what is at the copy's name afterwards: "copy", "merged" or "nothing"
    QTest::newRow("merged") << QStringList{"Merge"} << false << 11 << "merged";
    QTest::newRow("later") << QStringList{"Later"} << false << 10 << "copy";
    QTest::newRow("delete, then keep") << QStringList{"Delete", "Keep"} << false << 10 << "copy";
    QTest::newRow("deleted for good") << QStringList{"Delete", "Delete"} << false << 10 << "nothing";
    QTest::newRow("damaged copy") << QStringList{"Merge", "OK"} << true << 10 << "copy";
}

// A sync program left the other machine's bills (one bill more) beside the
// file: the window offers them once it is open.
void tst_MainWindowWriters::conflictCopyIsOffered()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, damaged);
    QFETCH(int, rows);
    QFETCH(QString, left);
    const QString copy = QFileInfo(eventsFilePath()).dir().filePath(
        QStringLiteral("events.sync-conflict-20270301-100000-AAAAAAA.evt"));
    writeBills(copy, someBills(11));
    if (damaged)
        QVERIFY(QFile::resize(copy, QFileInfo(copy).size() - 5));
    const QByteArray copyBytes = loadFileBytes(copy);

    const auto texts = answerBoxes(answers);
    openWindow();
    QTRY_COMPARE(texts->size(), answers.size());
    QVERIFY(texts->first().contains(QDir::toNativeSeparators(copy)));
    if (damaged)
        QVERIFY(texts->last().contains(QStringLiteral("could not be read completely")));
    QTRY_COMPARE(billModel(*window)->rowCount(), rows);
    QCOMPARE(QFileInfo::exists(copy), left == QLatin1String("copy"));
    QCOMPARE(QFileInfo::exists(copy + QStringLiteral(".merged")), left == QLatin1String("merged"));
    if (left != QLatin1String("nothing"))
        QCOMPARE(loadFileBytes(left == QLatin1String("copy") ? copy : copy + QStringLiteral(".merged")), copyBytes);
    // Merged changes are in the file before the copy goes.
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), qsizetype(left == QLatin1String("merged") ? 11 : 10));
    qDeleteAll(saved);
    // Put off or kept, it is not asked again while the window is open.
    writeMeanwhile([](EventList &bills) { bills.append(weeklyBill(QStringLiteral("Boat"), QDate::currentDate())); });
    QTRY_COMPARE(billModel(*window)->rowCount(), rows + 1);
    QCOMPARE(texts->size(), answers.size());
}

void tst_MainWindowWriters::dataFolderMoves_data()
{
    QTest::addColumn<int>("billsThere");   // bills in the folder moved to; -1: no bill file there
    QTest::addColumn<bool>("damagedThere"); // that bill file is cut short
    QTest::addColumn<bool>("settingsThere"); // it holds a settings file
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("moved");       // the folder picked is in use afterwards
    QTest::addColumn<bool>("oldBillsKept");
    QTest::newRow("empty folder") << -1 << false << false << QStringList{"OK"} << 10 << true << false;
    QTest::newRow("other bills, merged")
        << 11 << false << false << QStringList{"Merge", "Keep Mine", "OK"} << 11 << true << true;
    QTest::newRow("other bills as they are")
        << 3 << false << false << QStringList{"Use As It Is", "OK"} << 3 << true << true;
    QTest::newRow("other bills, cancelled") << 3 << false << false << QStringList{"Cancel"} << 10 << false << true;
    QTest::newRow("other bills, damaged") << 3 << true << false << QStringList{"Merge", "OK"} << 10 << false << true;
    QTest::newRow("other settings file") << -1 << false << true << QStringList{"OK"} << 10 << false << true;
}

// The settings page's "Move…" with the folder picked: the list as shown
// moves, or meets the bills there, or nothing changes at all.
void tst_MainWindowWriters::dataFolderMoves()
{
    QFETCH(int, billsThere);
    QFETCH(bool, damagedThere);
    QFETCH(bool, settingsThere);
    QFETCH(QStringList, answers);
    QFETCH(int, rows);
    QFETCH(bool, moved);
    QFETCH(bool, oldBillsKept);
    QTemporaryDir target;
    const QString targetBills = QDir(target.path()).filePath(QStringLiteral("events.evt"));
    if (billsThere >= 0)
        writeBills(targetBills, someBills(billsThere));
    if (damagedThere)
        QVERIFY(QFile::resize(targetBills, QFileInfo(targetBills).size() - 5));
    if (settingsThere) {
        QFile settings(QDir(target.path()).filePath(QStringLiteral("settings.ini")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
    }
    const QString oldBills = eventsFilePath();
    QFile oldSettings(settingsFilePath());
    QVERIFY(oldSettings.open(QIODevice::WriteOnly));
    oldSettings.close();
    openWindow();
    QVERIFY(window->markBillPaid(rowOf(*window, QStringLiteral("Gas"))));

    const auto texts = answerBoxes(answers);
    QCOMPARE(window->moveDataFolder(target.path()), moved);
    QCOMPARE(texts->size(), answers.size());
    QCOMPARE(billModel(*window)->rowCount(), rows);
    QCOMPARE(dataFolderPath(), moved ? QDir::cleanPath(target.path()) : defaultDataFolderPath());
    QCOMPARE(QFileInfo::exists(oldBills), oldBillsKept);
    QCOMPARE(QFileInfo::exists(oldSettings.fileName()), oldBillsKept);
    QCOMPARE(QFileInfo::exists(targetBills), moved || billsThere >= 0);

    QVERIFY(window->close());
    const EventList saved = loadEvents(eventsFilePath());
    QCOMPARE(saved.size(), qsizetype(rows));
    // The payment made before the move stays wherever the list came from.
    if (rows != 3)
        QVERIFY(billNamed(saved, QStringLiteral("Gas"))->payments.isTracking());
    qDeleteAll(saved);
}

QTEST_MAIN(tst_MainWindowWriters)
#include "tst_mainwindowwriters.moc"
