// The main window's payments and amounts: the Paid button and the row menu,
// how overdue rows look and sort, the amount column, the totals under the
// list, the editor's amount and payment tracking, and the details page.
// Amounts are written in the default locale, which each case sets.
#include "mainwindow.h"

#include "billtext.h"
#include "event.h"
#include "eventstore.h"
#include "mainwindowprobe.h"
#include "paymentstatus.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>

namespace {

const QColor OverdueColour(176, 0, 0);
constexpr int AmountColumn = 4;

// ---- bills

Event *singularBill(const QString &name, QDate date, const Money &amount = Money())
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleSingular;
    event->endMode = Event::EndAfterTimes;
    event->eventDate = event->endDate = date;
    event->notify = true;
    event->notifyDays = 3;
    event->amount = amount;
    return event;
}

// Due every week on the weekday of `dueOn`, without end.
Event *weeklyBill(const QString &name, QDate dueOn, const Money &amount = Money())
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleWeekly;
    event->weekdays[std::size_t(dueOn.dayOfWeek() - 1)] = true;
    event->endMode = Event::EndNever;
    event->endDate = dueOn;
    event->notify = true;
    event->notifyDays = 3;
    event->amount = amount;
    return event;
}

// Tracking payments since `since`, nothing paid yet.
Event *tracked(Event *event, QDate since)
{
    event->payments.trackedSince = since;
    return event;
}

Money dollars(qint64 cents)
{
    return Money(cents, QStringLiteral("USD"));
}

void writeBills(const QString &path, EventList bills)
{
    QVERIFY(saveEvents(bills, path));
    qDeleteAll(bills);
}

// ---- modal boxes and menus

// Answers the next modal message box with a standard button once it shows,
// and keeps what it said. cancel() stops waiting for a box that should not
// come.
struct BoxAnswer
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool seen = false;
    QPointer<QTimer> timer;

    void cancel() const { delete timer.data(); }
};

std::shared_ptr<BoxAnswer> answerBox(QMessageBox::StandardButton button)
{
    auto answer = std::make_shared<BoxAnswer>();
    auto *timer = new QTimer;
    answer->timer = timer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, button] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer->seen = true;
        answer->text = box->text();
        answer->title = box->windowTitle();
        answer->icon = box->icon();
        if (QAbstractButton *target = box->button(button))
            target->click();
        else
            box->reject();
        timer->deleteLater();
    });
    timer->start();
    return answer;
}

// Chooses an entry of the next popup menu as a user would (keyboard), or
// closes it when `text` is empty; keeps the entries' texts and states.
struct MenuAnswer
{
    QStringList texts;
    QList<bool> enabled;
    bool seen = false;
};

std::shared_ptr<MenuAnswer> answerMenu(const QString &text)
{
    auto answer = std::make_shared<MenuAnswer>();
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, text] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        answer->seen = true;
        QAction *chosen = nullptr;
        const QList<QAction *> actions = menu->actions();
        for (QAction *action : actions) {
            answer->texts << action->text();
            answer->enabled << action->isEnabled();
            if (!text.isEmpty() && action->text() == text)
                chosen = action;
        }
        if (chosen && chosen->isEnabled()) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
        timer->deleteLater();
    });
    timer->start();
    return answer;
}

// Fills in the next "Paid…" dialog once it shows and presses OK; a box that
// refuses the amount is answered and then the dialog cancelled, keeping
// what the box said.
struct DialogAnswer
{
    bool seen = false;
    QString refusal;
};

std::shared_ptr<DialogAnswer> answerPaymentDialog(const QString &amount, const QString &note)
{
    auto answer = std::make_shared<DialogAnswer>();
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, amount, note] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            answer->refusal = box->text();
            box->accept();
            return;
        }
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (!dialog || dialog->objectName() != QLatin1String("paymentDialog"))
            return;
        if (answer->seen) { // back after a refusal
            dialog->reject();
            return;
        }
        answer->seen = true;
        QObject::connect(dialog, &QDialog::finished, timer, &QObject::deleteLater);
        dialog->findChild<QLineEdit *>(QStringLiteral("paymentAmountEdit"))->setText(amount);
        auto *noteEdit = dialog->findChild<QLineEdit *>(QStringLiteral("paymentNoteEdit"));
        QTest::keyClicks(noteEdit, note);
        // Enter presses the default button, OK, as a keyboard user would;
        // queued, so that this timer answers a box that refuses the amount.
        QMetaObject::invokeMethod(
            noteEdit, [noteEdit] { QTest::keyClick(noteEdit, Qt::Key_Return); }, Qt::QueuedConnection);
    });
    timer->start();
    return answer;
}

} // namespace

class tst_MainWindowPayments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void payFromTheList_data();
    void payFromTheList();
    void paymentNeedsConfirmation();
    void overdueRowsStandOut();
    void daysColumnOrder_data();
    void daysColumnOrder();
    void rowMenu();
    void paidWithAnotherAmount_data();
    void paidWithAnotherAmount();
    void takeBackAndRemoval();
    void amountColumnComesAndGoes();
    void storedAmountSortNeedsAmounts();
    void totalsFollowTheList();
    void editorAmount_data();
    void editorAmount();
    void editorRefusesAmount_data();
    void editorRefusesAmount();
    void trackingOnAndOff();
    void detailsPaymentLines();
    void paymentsSurviveClosing();

private:
    void openWindow();
    template<typename T>
    T *child(const char *name) const { return MainWindowProbe::child<T>(*window, name); }
    void click(const char *buttonName) { child<QAbstractButton>(buttonName)->click(); }
    [[nodiscard]] QStandardItemModel *billModel() const { return MainWindowProbe::billModel(*window); }
    [[nodiscard]] QTreeView *list() const { return child<QTreeView>("eventTreeView"); }
    [[nodiscard]] int rowOf(const QString &name) const { return MainWindowProbe::rowOf(*window, name); }
    [[nodiscard]] QStringList listedNames() const { return MainWindowProbe::listedNames(*window); }
    [[nodiscard]] QVariant shown(const QString &name, int column) const;
    void makeCurrent(const QString &name);
    // Selects the bill and presses Paid, answering the question with Yes.
    void pay(const QString &name);
    // Adds a weekly bill through the editor.
    void addBill(const QString &name, const QString &amount, bool trackPayments = false);
    [[nodiscard]] bool lineShown(const char *label) const { return MainWindowProbe::lineShown(*window, label); }

    std::unique_ptr<MainWindow> window;
    QDate today;
};

void tst_MainWindowPayments::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Tervona"));
    QCoreApplication::setApplicationName(QStringLiteral("Payvane-tst_mainwindowpayments"));
    QVERIFY(eventsFilePath().contains(QLatin1String(".qttest")));
}

void tst_MainWindowPayments::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    today = QDate::currentDate();
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
    QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
    settings.remove(QStringLiteral("geometryMainWindow"));
    settings.remove(QStringLiteral("sortOrder"));
    settings.remove(QStringLiteral("sortSection"));
}

void tst_MainWindowPayments::cleanup()
{
    window.reset();
    QDir(QFileInfo(eventsFilePath()).absolutePath()).removeRecursively();
    QLocale::setDefault(QLocale::system());
}

void tst_MainWindowPayments::openWindow()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

QVariant tst_MainWindowPayments::shown(const QString &name, int column) const
{
    return billModel()->index(rowOf(name), column).data(Qt::DisplayRole);
}

void tst_MainWindowPayments::makeCurrent(const QString &name)
{
    list()->selectionModel()->setCurrentIndex(billModel()->index(rowOf(name), 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void tst_MainWindowPayments::pay(const QString &name)
{
    makeCurrent(name);
    QVERIFY(child<QWidget>("paidButton")->isEnabled());
    const auto answer = answerBox(QMessageBox::Yes);
    click("paidButton");
    QVERIFY(answer->seen);
}

void tst_MainWindowPayments::addBill(const QString &name, const QString &amount, bool trackPayments)
{
    click("addButton");
    child<QLineEdit>("eventName")->setText(name);
    auto *weekly = qobject_cast<QStandardItemModel *>(child<QAbstractItemView>("weeklyListView")->model());
    weekly->item(today.dayOfWeek() - 1)->setCheckState(Qt::Checked);
    child<QLineEdit>("amountEdit")->setText(amount);
    child<QCheckBox>("trackPaymentsCheckBox")->setChecked(trackPayments);
    click("saveButton");
}

// ---- paying from the list

void tst_MainWindowPayments::payFromTheList_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QDate>("dueDate");
    QTest::addColumn<QVariant>("days");
    QTest::addColumn<bool>("paidEnabled"); // something is left to pay
    QTest::addColumn<QString>("details");

    today = QDate::currentDate();
    std::unique_ptr<Event> early(weeklyBill(QStringLiteral("Cleaner"), today.addDays(3)));
    QTest::newRow("untracked, paid early: its following date")
        << *early << 1 << today.addDays(10) << QVariant(10) << true << QStringLiteral("Cleaner");
    // Due today and the two weeks before, since tracking began 14 days ago.
    std::unique_ptr<Event> late(tracked(weeklyBill(QStringLiteral("Rent"), today), today.addDays(-14)));
    QTest::newRow("two dates unpaid, one paid: the next one is late")
        << *late << 1 << today.addDays(-7) << QVariant(QStringLiteral("7 days overdue")) << true
        << QStringLiteral("Rent");
    QTest::newRow("two dates unpaid, both paid: due today")
        << *late << 2 << today << QVariant(0) << true << QStringLiteral("Rent");
    QTest::newRow("today paid too: next week")
        << *late << 3 << today.addDays(7) << QVariant(7) << true << QStringLiteral("Rent");
    std::unique_ptr<Event> oneOff(singularBill(QStringLiteral("Passport"), today.addDays(-3)));
    QTest::newRow("passed one-off: finished")
        << *oneOff << 1 << today.addDays(-3) << QVariant(QStringLiteral("N/A")) << false
        << QStringLiteral("Passport - Finished: its last due date is paid");
}

void tst_MainWindowPayments::payFromTheList()
{
    QFETCH(Event, bill);
    QFETCH(int, presses);
    QFETCH(QDate, dueDate);
    QFETCH(QVariant, days);
    QFETCH(bool, paidEnabled);
    QFETCH(QString, details);

    writeBills(eventsFilePath(), {new Event(bill)});
    openWindow();
    for (int press = 0; press < presses; ++press)
        pay(bill.name);

    QVERIFY(window->eventAtRow(0)->payments.isTracking());
    QCOMPARE(shown(bill.name, 0).toDate(), dueDate);
    QCOMPARE(shown(bill.name, 1), days);
    QCOMPARE(shown(bill.name, 2).toString(), details);
    QCOMPARE(child<QWidget>("paidButton")->isEnabled(), paidEnabled);
    // The one remaining bill stays current and selected after the re-sort.
    QCOMPARE(list()->currentIndex().row(), 0);
}

void tst_MainWindowPayments::paymentNeedsConfirmation()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("Gas"), today.addDays(2))});
    openWindow();
    list()->setCurrentIndex(QModelIndex());
    QVERIFY(!child<QWidget>("paidButton")->isEnabled()); // no bill chosen

    makeCurrent(QStringLiteral("Gas"));
    const auto answer = answerBox(QMessageBox::No);
    click("paidButton");
    QVERIFY(answer->seen);
    QCOMPARE(answer->title, QStringLiteral("Confirm Payment"));
    QCOMPARE(answer->icon, QMessageBox::Question);
    QCOMPARE(answer->text, QStringLiteral("Mark Gas paid for its due date of %1?").arg(longDateText(today.addDays(2), QLocale())));
    QVERIFY(!window->eventAtRow(0)->payments.isTracking());
    QCOMPARE(shown(QStringLiteral("Gas"), 0).toDate(), today.addDays(2));
}

void tst_MainWindowPayments::overdueRowsStandOut()
{
    writeBills(eventsFilePath(), {tracked(weeklyBill(QStringLiteral("Rent"), today, dollars(50000)), today.addDays(-14)),
                                  weeklyBill(QStringLiteral("Gas"), today.addDays(2), dollars(4000))});
    openWindow();
    QCOMPARE(shown(QStringLiteral("Rent"), 0).toDate(), today.addDays(-14));
    QCOMPARE(shown(QStringLiteral("Rent"), 1), QVariant(QStringLiteral("14 days overdue")));
    const auto looksOverdue = [this](const QString &name) {
        bool red = true;
        bool bold = true;
        for (int column : {0, 1, 2, AmountColumn}) {
            const QModelIndex cell = billModel()->index(rowOf(name), column);
            red = red && cell.data(Qt::ForegroundRole).value<QColor>() == OverdueColour;
            bold = bold && cell.data(Qt::FontRole).value<QFont>().bold();
        }
        return red && bold;
    };
    QVERIFY(looksOverdue(QStringLiteral("Rent")));
    for (int column : {0, 1, 2, AmountColumn}) {
        const QModelIndex cell = billModel()->index(rowOf(QStringLiteral("Gas")), column);
        QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        QVERIFY(!cell.data(Qt::FontRole).isValid());
    }
    // Whole in its column: the bold text is not cut short.
    const QAbstractItemView *items = list();
    QVERIFY2(list()->columnWidth(1) >= items->sizeHintForColumn(1),
             qPrintable(QStringLiteral("%1 < %2").arg(list()->columnWidth(1)).arg(items->sizeHintForColumn(1))));

    pay(QStringLiteral("Rent"));
    QCOMPARE(shown(QStringLiteral("Rent"), 1), QVariant(QStringLiteral("7 days overdue")));
    QVERIFY(looksOverdue(QStringLiteral("Rent")));
    pay(QStringLiteral("Rent"));
    QCOMPARE(shown(QStringLiteral("Rent"), 1), QVariant(0));
    for (int column : {0, 1, 2, AmountColumn}) {
        const QModelIndex cell = billModel()->index(rowOf(QStringLiteral("Rent")), column);
        QVERIFY(!cell.data(Qt::ForegroundRole).isValid());
        QVERIFY(!cell.data(Qt::FontRole).isValid());
    }
}

void tst_MainWindowPayments::daysColumnOrder_data()
{
    QTest::addColumn<int>("order");
    QTest::addColumn<QVariantList>("days");
    const QVariant na(QStringLiteral("N/A"));
    const QVariant overdue14(QStringLiteral("14 days overdue"));
    const QVariant overdue7(QStringLiteral("7 days overdue"));
    QTest::newRow("ascending: most overdue first, N/A last")
        << int(Qt::AscendingOrder) << QVariantList{overdue14, overdue7, 0, 3, na};
    QTest::newRow("descending: N/A first, most overdue last")
        << int(Qt::DescendingOrder) << QVariantList{na, 3, 0, overdue7, overdue14};
}

void tst_MainWindowPayments::daysColumnOrder()
{
    QFETCH(int, order);
    QFETCH(QVariantList, days);
    const QDate lastWeek = today.addDays(-7);
    Event *ended = weeklyBill(QStringLiteral("ended"), lastWeek);
    ended->endMode = Event::EndOnDate;
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("in 3"), today.addDays(3)), ended,
                                  tracked(weeklyBill(QStringLiteral("7 late"), today), today.addDays(-7)),
                                  weeklyBill(QStringLiteral("today"), today),
                                  tracked(weeklyBill(QStringLiteral("14 late"), today), today.addDays(-14))});
    {
        QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
        settings.setValue(QStringLiteral("sortSection"), 1);
        settings.setValue(QStringLiteral("sortOrder"), order);
    }
    openWindow();
    const auto shownDays = [this] {
        QVariantList values;
        for (int row = 0; row < billModel()->rowCount(); ++row)
            values << billModel()->index(row, 1).data(Qt::DisplayRole);
        return values;
    };
    QCOMPARE(shownDays(), days);
    // Sorting by another column and back gives the same order.
    list()->sortByColumn(2, Qt::AscendingOrder);
    list()->sortByColumn(1, Qt::SortOrder(order));
    QCOMPARE(shownDays(), days);
}

void tst_MainWindowPayments::rowMenu()
{
    Event *done = singularBill(QStringLiteral("Done"), today.addDays(-5));
    markPaid(*done, today);
    writeBills(eventsFilePath(), {done, tracked(weeklyBill(QStringLiteral("Rent"), today), today.addDays(-7))});
    openWindow();
    const auto openMenuOn = [this](const QString &name) {
        const QRect cell = list()->visualRect(billModel()->index(rowOf(name), 2));
        emit list()->customContextMenuRequested(cell.center());
    };

    // A finished bill: nothing to pay.
    list()->setCurrentIndex(QModelIndex());
    auto menu = answerMenu(QString());
    openMenuOn(QStringLiteral("Done"));
    QVERIFY(menu->seen);
    QCOMPARE(menu->texts, (QStringList{"Paid", "Paid\u2026", "Take Back Last Payment", "Export Payments\u2026", "",
                                       "Edit Bill", "View Bill", "Remove Bill"}));
    QCOMPARE(menu->enabled.first(), false);
    QCOMPARE(window->eventAtRow(list()->currentIndex().row())->name, QStringLiteral("Done"));

    // The menu's row becomes the current one, and "Paid" pays it.
    menu = answerMenu(QStringLiteral("Paid"));
    const auto confirm = answerBox(QMessageBox::Yes);
    openMenuOn(QStringLiteral("Rent"));
    QVERIFY(menu->seen);
    QCOMPARE(menu->enabled.first(), true);
    QVERIFY(confirm->seen);
    QCOMPARE(shown(QStringLiteral("Rent"), 1), QVariant(0));

    menu = answerMenu(QStringLiteral("View Bill"));
    openMenuOn(QStringLiteral("Done"));
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 2);
    QCOMPARE(child<QLabel>("eventNameLabel")->text(), QStringLiteral("Done"));
    click("viewOKButton");

    // Below the rows there is no menu.
    const QPoint empty(5, list()->viewport()->height() - 5);
    QCOMPARE(list()->indexAt(empty), QModelIndex());
    emit list()->customContextMenuRequested(empty);
    QVERIFY(!QApplication::activePopupWidget());
}

void tst_MainWindowPayments::paidWithAnotherAmount_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("amountCell");
    QTest::addColumn<int>("daysLeft"); // the list's days after the payment
    QTest::addColumn<QString>("refusal");

    QTest::newRow("a part leaves the date open") << "40.00" << "$80.00 of $120.00 open" << 2 << "";
    QTest::newRow("the whole amount pays the date") << "120" << "$120.00" << 9 << "";
    QTest::newRow("nothing paid is refused") << "0" << "$120.00" << 2 << "Please enter an amount above zero.";
}

void tst_MainWindowPayments::paidWithAnotherAmount()
{
    QFETCH(QString, amount);
    QFETCH(QString, amountCell);
    QFETCH(int, daysLeft);
    QFETCH(QString, refusal);
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("Rent"), today.addDays(2), dollars(12000))});
    openWindow();
    const QRect cell = list()->visualRect(billModel()->index(rowOf(QStringLiteral("Rent")), 2));
    const auto menu = answerMenu(QStringLiteral("Paid\u2026"));
    const auto dialog = answerPaymentDialog(amount, QStringLiteral("by card"));
    emit list()->customContextMenuRequested(cell.center());
    QVERIFY(menu->seen);
    QVERIFY(dialog->seen);
    QCOMPARE(dialog->refusal, refusal);
    QCOMPARE(shown(QStringLiteral("Rent"), AmountColumn).toString(), amountCell);
    QCOMPARE(shown(QStringLiteral("Rent"), 1), QVariant(daysLeft));
    const Event *rent = window->eventAtRow(rowOf(QStringLiteral("Rent")));
    QCOMPARE(rent->history.size(), refusal.isEmpty() ? 1 : 0);
    if (refusal.isEmpty())
        QCOMPARE(rent->history.first().note, QStringLiteral("by card"));
}

void tst_MainWindowPayments::takeBackAndRemoval()
{
    Event *rent = weeklyBill(QStringLiteral("Rent"), today.addDays(2), dollars(12000));
    markPaid(*rent, today);
    markPaid(*rent, today);
    writeBills(eventsFilePath(), {rent});
    openWindow();
    QCOMPARE(shown(QStringLiteral("Rent"), 0).toDate(), today.addDays(16));

    // Taken back from the details page: the date is owed again, and the
    // page lists what is left.
    makeCurrent(QStringLiteral("Rent"));
    click("viewButton");
    QCOMPARE(child<QTreeWidget>("paymentList")->topLevelItemCount(), 2);
    auto confirm = answerBox(QMessageBox::Yes);
    click("takeBackButton");
    QVERIFY(confirm->seen);
    QCOMPARE(child<QTreeWidget>("paymentList")->topLevelItemCount(), 1);
    QCOMPARE(shown(QStringLiteral("Rent"), 0).toDate(), today.addDays(9));
    click("viewOKButton");

    // Removing it names what would be forgotten; No keeps it.
    confirm = answerBox(QMessageBox::No);
    click("removeButton");
    QVERIFY(confirm->seen);
    QCOMPARE(confirm->text, QStringLiteral("Remove \"Rent\" and forget its payment?"));
    QCOMPARE(listedNames(), QStringList{QStringLiteral("Rent")});
}

// ---- amounts and totals

void tst_MainWindowPayments::amountColumnComesAndGoes()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("Gas"), today.addDays(1))});
    openWindow();
    QCOMPARE(billModel()->headerData(AmountColumn, Qt::Horizontal).toString(), QStringLiteral("Amount"));
    QVERIFY(list()->isColumnHidden(AmountColumn));
    // The written columns keep their places.
    QCOMPARE(billModel()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Days Remaining"));
    QVERIFY(list()->isColumnHidden(3));

    addBill(QStringLiteral("Rent"), QStringLiteral("1,250.50"));
    QVERIFY(!list()->isColumnHidden(AmountColumn));
    QCOMPARE(shown(QStringLiteral("Rent"), AmountColumn).toString(), QStringLiteral("$1,250.50"));
    QVERIFY(!shown(QStringLiteral("Gas"), AmountColumn).isValid());
    addBill(QStringLiteral("Water"), QStringLiteral("99.99"));

    // By value, not by text ("$1,250.50" reads before "$99.99"); none last.
    list()->sortByColumn(AmountColumn, Qt::AscendingOrder);
    QCOMPARE(listedNames(), (QStringList{"Water", "Rent", "Gas"}));
    list()->sortByColumn(AmountColumn, Qt::DescendingOrder);
    QCOMPARE(listedNames(), (QStringList{"Gas", "Rent", "Water"}));

    // The last amount gone, the column goes, and the list is by due date again.
    list()->sortByColumn(AmountColumn, Qt::AscendingOrder);
    window->removeBillRow(rowOf(QStringLiteral("Water")));
    QVERIFY(!list()->isColumnHidden(AmountColumn));
    window->removeBillRow(rowOf(QStringLiteral("Rent")));
    QVERIFY(list()->isColumnHidden(AmountColumn));
    QCOMPARE(list()->header()->sortIndicatorSection(), 0);
}

void tst_MainWindowPayments::storedAmountSortNeedsAmounts()
{
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("Dear"), today.addDays(1), dollars(9000)),
                                  weeklyBill(QStringLiteral("Cheap"), today.addDays(2), dollars(100))});
    {
        QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
        settings.setValue(QStringLiteral("sortSection"), AmountColumn);
        settings.setValue(QStringLiteral("sortOrder"), int(Qt::AscendingOrder));
    }
    openWindow();
    QCOMPARE(list()->header()->sortIndicatorSection(), AmountColumn);
    QCOMPARE(listedNames(), (QStringList{"Cheap", "Dear"}));
    window.reset();

    // Without amounts the stored column is not shown: by due date instead.
    writeBills(eventsFilePath(), {weeklyBill(QStringLiteral("b"), today.addDays(2)), weeklyBill(QStringLiteral("a"), today.addDays(1))});
    {
        QSettings settings(QStringLiteral("Tervona"), QStringLiteral("Payvane"));
        settings.setValue(QStringLiteral("sortSection"), AmountColumn);
    }
    openWindow();
    QCOMPARE(list()->header()->sortIndicatorSection(), 0);
    QCOMPARE(listedNames(), (QStringList{"a", "b"}));
}

void tst_MainWindowPayments::totalsFollowTheList()
{
    writeBills(eventsFilePath(),
               {singularBill(QStringLiteral("Rent"), today.addDays(5), dollars(10000)),
                singularBill(QStringLiteral("Far"), today.addDays(40), dollars(5000)),
                tracked(singularBill(QStringLiteral("Late"), today.addDays(-3), dollars(2000)), today.addDays(-3))});
    openWindow();
    auto *dueSoon = child<QLabel>("dueSoonLabel");
    auto *overdue = child<QLabel>("overdueLabel");
    QCOMPARE(dueSoon->text(), QStringLiteral("Due in the next 30 days: $100.00 (1 bill)."));
    QCOMPARE(overdue->text(), QStringLiteral("Overdue: $20.00 (1 bill)."));
    QVERIFY(overdue->styleSheet().contains(OverdueColour.name()));

    click("addButton");
    child<QLineEdit>("eventName")->setText(QStringLiteral("Phone"));
    child<QRadioButton>("singularRadioButton")->setChecked(true);
    child<QDateEdit>("eventDate")->setDate(today.addDays(10));
    child<QLineEdit>("amountEdit")->setText(QStringLiteral("30"));
    click("saveButton");
    QCOMPARE(dueSoon->text(), QStringLiteral("Due in the next 30 days: $130.00 (2 bills)."));

    window->removeBillRow(rowOf(QStringLiteral("Rent")));
    QCOMPARE(dueSoon->text(), QStringLiteral("Due in the next 30 days: $30.00 (1 bill)."));

    pay(QStringLiteral("Late"));
    QCOMPARE(overdue->text(), QStringLiteral("Nothing is overdue."));
    QVERIFY(overdue->styleSheet().isEmpty());

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("more.evt"));
    writeBills(file, {singularBill(QStringLiteral("Water"), today.addDays(1), Money(1234, QStringLiteral("EUR"))),
                      singularBill(QStringLiteral("Dues"), today.addDays(2))});
    QCOMPARE(window->importBills(file), 2);
    QCOMPARE(dueSoon->text(),
             QStringLiteral("Due in the next 30 days: $30.00 (1 bill), EUR\u00a012.34 (1 bill), 1 bill without an amount."));

    // Edited to lie further ahead, the phone bill leaves the window.
    makeCurrent(QStringLiteral("Phone"));
    click("editButton");
    child<QDateEdit>("eventDate")->setDate(today.addDays(31));
    click("saveButton");
    QCOMPARE(dueSoon->text(), QStringLiteral("Due in the next 30 days: EUR\u00a012.34 (1 bill), 1 bill without an amount."));
}

// ---- the editor

void tst_MainWindowPayments::editorAmount_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("currency"); // the editor's choice for a new bill
    QTest::addColumn<qint64>("minorUnits"); // -1: no amount
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("editText");

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("en_US, grouped") << us << "1,250.50" << "USD" << qint64(125050) << "$1,250.50" << "1250.50";
    QTest::newRow("en_US, symbol typed") << us << " $7 " << "USD" << qint64(700) << "$7.00" << "7.00";
    QTest::newRow("de_DE, grouped") << german << "1.250,50" << "EUR" << qint64(125050) << "1.250,50\u00a0€"
                                    << "1250,50";
    QTest::newRow("de_DE, plain") << german << "0,5" << "EUR" << qint64(50) << "0,50\u00a0€" << "0,50";
    QTest::newRow("de_DE, empty: no amount") << german << "" << "EUR" << qint64(-1) << "" << "";
}

void tst_MainWindowPayments::editorAmount()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, typed);
    QFETCH(QString, currency);
    QFETCH(qint64, minorUnits);
    QFETCH(QString, listed);
    QFETCH(QString, editText);

    QLocale::setDefault(locale);
    openWindow();
    click("addButton");
    QCOMPARE(child<QComboBox>("currencyComboBox")->currentText(), currency);
    QVERIFY(child<QLineEdit>("amountEdit")->text().isEmpty());
    addBill(QStringLiteral("Rent"), typed);
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 0);

    const Event *saved = window->eventAtRow(0);
    if (minorUnits < 0) {
        QVERIFY(saved->amount.isNull());
        QVERIFY(list()->isColumnHidden(AmountColumn));
    } else {
        QCOMPARE(saved->amount, Money(minorUnits, currency));
        QVERIFY(!list()->isColumnHidden(AmountColumn));
    }
    QCOMPARE(billModel()->index(0, AmountColumn).data().toString(), listed);

    // Reopened, the editor shows the number as one would type it.
    makeCurrent(QStringLiteral("Rent"));
    click("editButton");
    QCOMPARE(child<QLineEdit>("amountEdit")->text(), editText);
    QCOMPARE(child<QComboBox>("currencyComboBox")->currentText(), currency);

    // Another currency, kept as chosen.
    child<QComboBox>("currencyComboBox")->setCurrentText(QStringLiteral("JPY"));
    child<QLineEdit>("amountEdit")->setText(QStringLiteral("1250"));
    click("saveButton");
    QCOMPARE(window->eventAtRow(0)->amount, Money(1250, QStringLiteral("JPY")));
}

void tst_MainWindowPayments::editorRefusesAmount_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("de_DE, a point for decimals")
        << german << "Rent" << "12.50" << "Please enter the amount as a number, such as 1.250,00." << "amountEdit";
    QTest::newRow("en_US, words") << us << "Rent" << "twelve"
                                  << "Please enter the amount as a number, such as 1,250.00." << "amountEdit";
    QTest::newRow("en_US, tenths of a cent") << us << "Rent" << "12.345" << "Amounts in USD have at most 2 decimals."
                                             << "amountEdit";
    QTest::newRow("en_US, below zero") << us << "Rent" << "-5" << "Please enter an amount of zero or more."
                                       << "amountEdit";
    QTest::newRow("no description comes first") << us << "" << "-5" << "Please enter a description of the bill."
                                                 << "eventName";
}

void tst_MainWindowPayments::editorRefusesAmount()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    QLocale::setDefault(locale);
    openWindow();
    QApplication::setActiveWindow(window.get());
    const auto answer = answerBox(QMessageBox::Ok);
    addBill(name, typed);
    QVERIFY(answer->seen);
    QCOMPARE(answer->title, QStringLiteral("Enter Details"));
    QCOMPARE(answer->icon, QMessageBox::Information);
    QCOMPARE(answer->text, message);
    QVERIFY(window->focusWidget());
    QCOMPARE(window->focusWidget()->objectName(), focus);
    QCOMPARE(child<QTabWidget>("tabWidget")->currentIndex(), 1); // stays, nothing stored
    QCOMPARE(billModel()->rowCount(), 0);
    QCOMPARE(child<QLineEdit>("amountEdit")->text(), typed);
}

void tst_MainWindowPayments::trackingOnAndOff()
{
    Event *paid = tracked(weeklyBill(QStringLiteral("Paid"), today), today.addDays(-14));
    paid->payments.paidThrough = today.addDays(-14);
    paid->payments.paidOn = today.addDays(-13);
    paid->unknownFields.insert(QStringLiteral("later"), QByteArray("kept"));
    const PaymentState paidState = paid->payments;
    writeBills(eventsFilePath(), {paid, tracked(weeklyBill(QStringLiteral("Fresh"), today.addDays(1)), today)});
    openWindow();

    addBill(QStringLiteral("Tracked"), QString(), true);
    QCOMPARE(window->eventAtRow(rowOf(QStringLiteral("Tracked")))->payments.trackedSince, today);
    addBill(QStringLiteral("Plain"), QString(), false);
    QVERIFY(!window->eventAtRow(rowOf(QStringLiteral("Plain")))->payments.isTracking());

    auto *box = child<QCheckBox>("trackPaymentsCheckBox");
    // Turning it off asks first when something was paid; "No" keeps it on.
    makeCurrent(QStringLiteral("Paid"));
    click("editButton");
    QVERIFY(box->isChecked());
    auto answer = answerBox(QMessageBox::No);
    box->click();
    QVERIFY(answer->seen);
    QCOMPARE(answer->title, QStringLiteral("Track Payments"));
    QCOMPARE(answer->text, QStringLiteral("Stop tracking the payments of Paid and forget what was marked paid?"));
    QVERIFY(box->isChecked());
    click("saveButton");
    const Event *kept = window->eventAtRow(rowOf(QStringLiteral("Paid")));
    QCOMPARE(kept->payments, paidState);
    QCOMPARE(kept->unknownFields.value(QStringLiteral("later")), QByteArray("kept"));

    // "Yes" turns it off, which the save carries out.
    makeCurrent(QStringLiteral("Paid"));
    click("editButton");
    answer = answerBox(QMessageBox::Yes);
    box->click();
    QVERIFY(answer->seen);
    QVERIFY(!box->isChecked());
    click("saveButton");
    QCOMPARE(window->eventAtRow(rowOf(QStringLiteral("Paid")))->payments, PaymentState());

    // Nothing paid yet: nothing to lose, no question.
    makeCurrent(QStringLiteral("Fresh"));
    click("editButton");
    answer = answerBox(QMessageBox::Yes);
    box->click();
    QTest::qWait(50);
    QVERIFY(!answer->seen);
    answer->cancel();
    QVERIFY(!box->isChecked());
    // Cancel stores nothing.
    click("cancelButton");
    QVERIFY(window->eventAtRow(rowOf(QStringLiteral("Fresh")))->payments.isTracking());
}

// ---- the details page and the file

void tst_MainWindowPayments::detailsPaymentLines()
{
    openWindow();
    std::unique_ptr<Event> rent(tracked(weeklyBill(QStringLiteral("Rent"), today, dollars(4000)), today.addDays(-14)));
    window->showBillDetails(*rent);
    child<QTabWidget>("tabWidget")->setCurrentIndex(2);
    QVERIFY(lineShown("amountDetailsLabelA"));
    QVERIFY(lineShown("amountDetailsLabel"));
    QCOMPARE(child<QLabel>("amountDetailsLabel")->text(), QStringLiteral("$40.00"));
    QVERIFY(lineShown("paymentDetailsLabel"));
    QCOMPARE(child<QLabel>("paymentDetailsLabel")->text(),
             QStringLiteral("Unpaid since %1: 2 due dates, the oldest 14 days overdue.")
                 .arg(longDateText(today.addDays(-14), QLocale())));

    // A bill that uses neither shows neither line.
    std::unique_ptr<Event> plain(weeklyBill(QStringLiteral("Plain"), today));
    window->showBillDetails(*plain);
    for (const char *label : {"amountDetailsLabelA", "amountDetailsLabel", "paymentDetailsLabel"})
        QVERIFY2(!lineShown(label), label);
}

void tst_MainWindowPayments::paymentsSurviveClosing()
{
    writeBills(eventsFilePath(), {tracked(weeklyBill(QStringLiteral("Rent"), today, dollars(80000)), today.addDays(-7))});
    openWindow();
    pay(QStringLiteral("Rent"));
    const PaymentState paid = window->eventAtRow(0)->payments;
    QCOMPARE(paid.paidThrough, today.addDays(-7));
    QCOMPARE(paid.paidOn, today);
    QVERIFY(window->close());
    window.reset();

    openWindow();
    QCOMPARE(window->eventAtRow(0)->payments, paid);
    QCOMPARE(window->eventAtRow(0)->amount, dollars(80000));
    QCOMPARE(shown(QStringLiteral("Rent"), 1), QVariant(0));
}

QTEST_MAIN(tst_MainWindowPayments)
#include "tst_mainwindowpayments.moc"
