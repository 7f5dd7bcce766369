// The reminder item: its sentence, the spin box range, the choices written
// into the bill, and the options panel's animation.

#include "reminderitem.h"

#include <daynumber.h>
#include <event.h>

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
    void sentenceAndRange_data();
    void sentenceAndRange();
    void buildingMarksBillShownToday();
    void choices_data();
    void choices();
    void animationOpensAndClosesInSeventeenSteps();
    void reversedAnimationRestsOnce();
};

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

    const QString dueDate = QLocale::system().toString(event.eventDate, QLocale::LongFormat);
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
    const ReminderItem item(&event);
    QCOMPARE(event.lastNotified, QDate::currentDate());
    QCOMPARE(event.notifyAgainDays, 0);
    QVERIFY(event.notify);
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

QTEST_MAIN(ReminderItemTest)
#include "tst_reminderitem.moc"
