// The reminder item: its sentence, the spin box range, the choices written
// into the bill, and the options panel's animation.

#include "reminderitem.h"

#include <billtext.h>
#include <daynumber.h>
#include <event.h>
#include <paymentstatus.h>

#include <QAccessible>
#include <QCommandLinkButton>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

namespace {

// A singular bill due `days` days from today, reminded of from 10 days before.
Event billDueIn(int days)
{
    Event event;
    event.name = QStringLiteral("Water");
    event.schedule = Event::ScheduleSingular;
    event.eventDate = QDate::currentDate().addDays(days);
    event.endMode = Event::EndAfterTimes;
    event.endDate = event.eventDate;
    event.notify = true;
    event.notifyDays = 10;
    return event;
}

template<typename T>
T *child(const QWidget &item, const char *name)
{
    T *widget = item.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("child %s missing", name);
    return widget;
}

// A weekly bill due on today's weekday that tracks payments since `since`
// and has paid nothing: each week from then to before today is overdue.
Event overdueBill(int daysTracked)
{
    Event event;
    event.name = QStringLiteral("Rent");
    event.schedule = Event::ScheduleWeekly;
    event.weekdays[std::size_t(QDate::currentDate().dayOfWeek() - 1)] = true;
    event.endMode = Event::EndNever;
    event.notify = true;
    event.notifyDays = 3;
    event.amount = Money(5000, QStringLiteral("USD"));
    event.payments.trackedSince = QDate::currentDate().addDays(-daysTracked);
    return event;
}

QString longDate(int daysFromToday)
{
    return longDateText(QDate::currentDate().addDays(daysFromToday), QLocale());
}

// Presses a button and waits until the options panel has come to rest.
void pressAndSettle(ReminderItem &item, const char *button)
{
    QSignalSpy rest(&item, qOverload<>(&ReminderItem::resized));
    child<QCommandLinkButton>(item, button)->click();
    QVERIFY(rest.wait(5000));
}

} // namespace

class ReminderItemTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sentenceAndRange_data();
    void sentenceAndRange();
    void buildingMarksBillShownToday();
    void choices_data();
    void choices();
    void animationOpensAndClosesInSeventeenSteps();
    void reversedAnimationRestsOnce();
    void overdueSentenceAndRange_data();
    void overdueSentenceAndRange();
    void paidChoice_data();
    void paidChoice();
    void paidOnlyWithAccept();
    void fourChoicesFitTheOpenPanel();
    void controlsSayWhatTheyAre();
};

void ReminderItemTest::initTestCase()
{
    // Amounts in dollars, dates as the same locale writes them.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void ReminderItemTest::sentenceAndRange_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("spinMaximum");
    QTest::addColumn<int>("spinValue");

    QTest::newRow("due today") << 0 << " there are 0 days to go." << 0 << 0;
    QTest::newRow("due tomorrow") << 1 << " there is 1 day to go." << 1 << 0;
    QTest::newRow("due in 2 days") << 2 << " there are 2 days to go." << 2 << 1;
    QTest::newRow("due in 5 days") << 5 << " there are 5 days to go." << 5 << 4;
}

void ReminderItemTest::sentenceAndRange()
{
    QFETCH(int, days);
    QFETCH(QString, ending);
    QFETCH(int, spinMaximum);
    QFETCH(int, spinValue);

    Event event = billDueIn(days);
    const ReminderItem item(&event);

    const QString dueDate = QLocale().toString(event.eventDate, QLocale::LongFormat);
    QCOMPARE(child<QLabel>(item, "textLabel")->text(),
             QStringLiteral("Water is due on ") + dueDate + ending);
    QCOMPARE(child<QGroupBox>(item, "groupBox")->title(), QStringLiteral("Water"));
    const auto *spinBox = child<QSpinBox>(item, "againSpinBox");
    QCOMPARE(spinBox->minimum(), 0);
    QCOMPARE(spinBox->maximum(), spinMaximum);
    QCOMPARE(spinBox->value(), spinValue);
    QVERIFY(child<QRadioButton>(item, "againRadioButton")->isChecked());
    QCOMPARE(child<QCommandLinkButton>(item, "acceptButton")->text(), QStringLiteral("Options"));
    QCOMPARE(child<QCommandLinkButton>(item, "cancelButton")->maximumWidth(), 0);
    QCOMPARE(child<QWidget>(item, "optionsPanel")->maximumHeight(), 0);
}

void ReminderItemTest::buildingMarksBillShownToday()
{
    Event event = billDueIn(3);
    event.lastNotified = QDate(2020, 1, 1);
    event.notifyAgainDays = 7;
    // Of two more reminders, the one whose day has come is done.
    event.extraReminders.resize(2);
    event.extraReminders[0].days = 5;
    event.extraReminders[1].days = 1;
    const ReminderItem item(&event);
    QCOMPARE(event.lastNotified, QDate::currentDate());
    QCOMPARE(event.notifyAgainDays, 0);
    QVERIFY(event.notify);
    QCOMPARE(event.extraReminders.at(0).firedFor, event.eventDate);
    QVERIFY(event.extraReminders.at(1).firedFor.isNull());
}

// Each row is a path through the panel for a bill due in 5 days; "choose"
// picks the radio button before the second press, which is the named button.
void ReminderItemTest::choices_data()
{
    QTest::addColumn<QString>("choose");     // radio button, or "" for none
    QTest::addColumn<int>("spinValue");      // set before the second press; -1 keeps it
    QTest::addColumn<QString>("secondPress");
    QTest::addColumn<bool>("notify");
    QTest::addColumn<int>("notifyAgainDays");
    QTest::addColumn<QString>("preselected"); // when the panel opens again

    QTest::newRow("options then cancel keeps preselected")
        << "" << -1 << "cancelButton" << true << 4 << "againRadioButton";
    QTest::newRow("again in 2 days") << "againRadioButton" << 2 << "acceptButton" << true << 2
                                     << "againRadioButton";
    QTest::newRow("cancel drops the choice")
        << "neverRadioButton" << -1 << "cancelButton" << true << 4 << "againRadioButton";
    QTest::newRow("next occurrence") << "nextRadioButton" << -1 << "acceptButton" << true << 6
                                     << "nextRadioButton";
    QTest::newRow("never") << "neverRadioButton" << -1 << "acceptButton" << false << 4
                           << "neverRadioButton";
}

void ReminderItemTest::choices()
{
    QFETCH(QString, choose);
    QFETCH(int, spinValue);
    QFETCH(QString, secondPress);
    QFETCH(bool, notify);
    QFETCH(int, notifyAgainDays);
    QFETCH(QString, preselected);

    Event event = billDueIn(5);
    ReminderItem item(&event);
    item.show();

    pressAndSettle(item, "acceptButton"); // "Options": stores the preselected choice
    QCOMPARE(event.notifyAgainDays, 4);
    QCOMPARE(child<QCommandLinkButton>(item, "acceptButton")->text(), QStringLiteral("Accept"));
    if (!choose.isEmpty())
        child<QRadioButton>(item, choose.toLatin1().constData())->setChecked(true);
    if (spinValue >= 0)
        child<QSpinBox>(item, "againSpinBox")->setValue(spinValue);
    pressAndSettle(item, secondPress.toLatin1().constData());

    QCOMPARE(event.notify, notify);
    QCOMPARE(event.notifyAgainDays, notifyAgainDays);
    QCOMPARE(child<QCommandLinkButton>(item, "acceptButton")->text(), QStringLiteral("Options"));

    // Opening again shows what the bill now holds, whatever the panel showed
    // before. "Cancel" opens it here because it stores nothing.
    child<QRadioButton>(item, "againRadioButton")->setChecked(true);
    child<QSpinBox>(item, "againSpinBox")->setValue(0);
    pressAndSettle(item, "cancelButton");
    QVERIFY(child<QRadioButton>(item, preselected.toLatin1().constData())->isChecked());
    if (preselected == QLatin1String("againRadioButton"))
        QCOMPARE(child<QSpinBox>(item, "againSpinBox")->value(), notifyAgainDays);
}

void ReminderItemTest::animationOpensAndClosesInSeventeenSteps()
{
    Event event = billDueIn(5);
    ReminderItem item(&event);
    item.show();
    auto *panel = child<QWidget>(item, "optionsPanel");
    auto *cancel = child<QCommandLinkButton>(item, "cancelButton");

    QList<int> heights;
    QList<int> changes;
    connect(&item, qOverload<int>(&ReminderItem::resized), this, [&](int change) {
        heights.append(panel->maximumHeight());
        changes.append(change);
    });
    QSignalSpy rest(&item, qOverload<>(&ReminderItem::resized));

    pressAndSettle(item, "acceptButton");
    QList<int> opening;
    for (int h = 6; h <= 96; h += 6)
        opening.append(h);
    QCOMPARE(heights, opening); // 16 steps, then the 17th comes to rest
    QCOMPARE(rest.size(), 1);
    QCOMPARE(panel->maximumHeight(), 99);
    QCOMPARE(cancel->maximumWidth(), 99);
    // The changes add up to the panel's real growth.
    int grown = 0;
    for (const int change : std::as_const(changes))
        grown += change;
    QVERIFY(grown > 0);
    QVERIFY(grown <= panel->height());

    heights.clear();
    pressAndSettle(item, "cancelButton");
    QList<int> closing;
    for (int h = 93; h >= 3; h -= 6)
        closing.append(h);
    QCOMPARE(heights, closing);
    QCOMPARE(rest.size(), 2);
    QCOMPARE(panel->maximumHeight(), 0);
    QCOMPARE(cancel->maximumWidth(), 0);
}

void ReminderItemTest::reversedAnimationRestsOnce()
{
    Event event = billDueIn(5);
    ReminderItem item(&event);
    item.show();
    auto *panel = child<QWidget>(item, "optionsPanel");
    QSignalSpy rest(&item, qOverload<>(&ReminderItem::resized));

    child<QCommandLinkButton>(item, "acceptButton")->click();
    QTRY_VERIFY(panel->maximumHeight() >= 30);
    QCOMPARE(rest.size(), 0);
    child<QCommandLinkButton>(item, "cancelButton")->click();
    QVERIFY(rest.wait(5000));
    QTest::qWait(100);
    QCOMPARE(rest.size(), 1);
    QCOMPARE(panel->maximumHeight(), 0);
    QCOMPARE(child<QCommandLinkButton>(item, "acceptButton")->text(), QStringLiteral("Options"));
}

void ReminderItemTest::overdueSentenceAndRange_data()
{
    QTest::addColumn<int>("daysTracked");
    QTest::addColumn<QString>("sentence");

    QTest::newRow("one date unpaid") << 7 << QStringLiteral("Rent ($50.00) was due on %1, 7 days ago.").arg(longDate(-7));
    QTest::newRow("three dates unpaid")
        << 21
        << QStringLiteral("Rent ($50.00) was due on %1, 21 days ago. 3 due dates are unpaid, $150.00 in all.")
               .arg(longDate(-21));
}

void ReminderItemTest::overdueSentenceAndRange()
{
    QFETCH(int, daysTracked);
    QFETCH(QString, sentence);

    Event event = overdueBill(daysTracked);
    const ReminderItem item(&event);
    QCOMPARE(child<QLabel>(item, "textLabel")->text(), sentence);
    // Days to go make no sense any more: again tomorrow, or up to 99 days.
    const auto *spinBox = child<QSpinBox>(item, "againSpinBox");
    QCOMPARE(spinBox->minimum(), 0);
    QCOMPARE(spinBox->maximum(), 99);
    QCOMPARE(spinBox->value(), 1);
    const auto *paid = child<QRadioButton>(item, "paidRadioButton");
    QCOMPARE(paid->text(), QStringLiteral("Paid"));
    QVERIFY(paid->isEnabled());
    QCOMPARE(paid->toolTip(), QStringLiteral("Marks the due date of %1 paid.").arg(longDate(-daysTracked)));
    // Shown today, as every reminder.
    QCOMPARE(event.lastNotified, QDate::currentDate());
}

void ReminderItemTest::paidChoice_data()
{
    QTest::addColumn<Event>("bill");
    QTest::addColumn<QDate>("paidThrough");
    QTest::addColumn<QString>("sentence");  // after paying
    QTest::addColumn<bool>("paidEnabled");  // something left to pay

    const QDate today = QDate::currentDate();
    QTest::newRow("two weeks late, one paid: a week late")
        << overdueBill(14) << today.addDays(-14) << QStringLiteral("Rent ($50.00) was due on %1, 7 days ago.").arg(longDate(-7))
        << true;
    QTest::newRow("a week late, paid: due today")
        << overdueBill(7) << today.addDays(-7)
        << QStringLiteral("Rent ($50.00) is due on %1 there are 0 days to go.").arg(longDate(0)) << true;
    // A bill that did not track payments starts now and pays its date.
    QTest::newRow("one-off due in 5, untracked: finished")
        << billDueIn(5) << today.addDays(5) << QStringLiteral("Water - Finished: its last due date is paid.") << false;
}

void ReminderItemTest::paidChoice()
{
    QFETCH(Event, bill);
    QFETCH(QDate, paidThrough);
    QFETCH(QString, sentence);
    QFETCH(bool, paidEnabled);

    Event event = bill;
    ReminderItem item(&event);
    item.show();
    pressAndSettle(item, "acceptButton"); // opens the panel
    child<QRadioButton>(item, "paidRadioButton")->setChecked(true);
    pressAndSettle(item, "acceptButton"); // "Accept"

    QVERIFY(event.payments.isTracking());
    QCOMPARE(event.payments.paidThrough, paidThrough);
    QCOMPARE(event.payments.paidOn, QDate::currentDate());
    QCOMPARE(event.notifyAgainDays, 0);
    QVERIFY(event.notify);
    QCOMPARE(child<QLabel>(item, "textLabel")->text(), sentence);
    QCOMPARE(child<QRadioButton>(item, "paidRadioButton")->isEnabled(), paidEnabled);
    QVERIFY(!child<QRadioButton>(item, "paidRadioButton")->isChecked());

    // "Options" again stores the choice shown, which is not another payment.
    pressAndSettle(item, "acceptButton");
    QCOMPARE(event.payments.paidThrough, paidThrough);
    QCOMPARE(event.notifyAgainDays, 0);
}

void ReminderItemTest::paidOnlyWithAccept()
{
    Event event = overdueBill(7);
    ReminderItem item(&event);
    item.show();
    pressAndSettle(item, "acceptButton");
    child<QRadioButton>(item, "paidRadioButton")->setChecked(true);
    pressAndSettle(item, "cancelButton");
    QVERIFY(!event.payments.paidThrough.isValid());
    // The next "Options" opens the panel without paying what it last showed.
    pressAndSettle(item, "acceptButton");
    QVERIFY(!event.payments.paidThrough.isValid());
    QVERIFY(!child<QRadioButton>(item, "paidRadioButton")->isChecked());
}

void ReminderItemTest::fourChoicesFitTheOpenPanel()
{
    Event event = overdueBill(7);
    ReminderItem item(&event);
    item.show();
    pressAndSettle(item, "acceptButton");
    auto *panel = child<QWidget>(item, "optionsPanel");
    QCOMPARE(panel->maximumHeight(), 99);
    for (const char *name : {"againRadioButton", "nextRadioButton", "neverRadioButton", "paidRadioButton"}) {
        const auto *button = child<QRadioButton>(item, name);
        QVERIFY2(button->isVisible(), name);
        // Whole inside the panel, at the height its text needs.
        QVERIFY2(button->geometry().bottom() < panel->height(),
                 qPrintable(QStringLiteral("%1 ends at %2 of %3").arg(name).arg(button->geometry().bottom()).arg(panel->height())));
        QVERIFY2(button->height() >= button->minimumSizeHint().height(), name);
    }
    QVERIFY(child<QSpinBox>(item, "againSpinBox")->height() >= child<QSpinBox>(item, "againSpinBox")->minimumSizeHint().height());
}

void ReminderItemTest::controlsSayWhatTheyAre()
{
    // What a screen reader says for each control of the open panel: its own
    // text, or for the spin box between two texts a name of its own.
    Event event = billDueIn(5);
    ReminderItem item(&event);
    item.show();
    pressAndSettle(item, "acceptButton");
    const QList<QWidget *> widgets = item.findChildren<QWidget *>();
    int controls = 0;
    for (QWidget *widget : widgets) {
        if (widget->focusPolicy() == Qt::NoFocus || widget->focusProxy())
            continue;
        ++controls;
        const QString name = QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        QVERIFY2(!name.trimmed().isEmpty(), qPrintable(widget->objectName()));
    }
    QCOMPARE(controls, 7); // four choices, the spin box, two buttons
    QCOMPARE(QAccessible::queryAccessibleInterface(child<QSpinBox>(item, "againSpinBox"))->text(QAccessible::Name),
             QStringLiteral("Notify me again in days"));
}

QTEST_MAIN(ReminderItemTest)
#include "tst_reminderitem.moc"
