#include "extrareminderlist.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const char *const DaysName = "extraReminderDaysSpinBox";
const char *const WhenName = "extraReminderWhenComboBox";
const char *const RemoveName = "removeExtraReminderButton";

// The combo box's entries, in the order of ExtraReminder::When.
QStringList whenTexts()
{
    return {QStringLiteral("days before the bill is due."), QStringLiteral("days after it is due, if unpaid.")};
}

} // namespace

ExtraReminderList::ExtraReminderList(QWidget *parent)
    : QWidget(parent)
    , linesLayout(new QVBoxLayout)
    , addButton(new QPushButton(QStringLiteral("Add a reminder"), this))
{
    setObjectName(QStringLiteral("extraReminderList"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    linesLayout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(linesLayout);
    auto *buttonLine = new QHBoxLayout;
    addButton->setObjectName(QStringLiteral("addExtraReminderButton"));
    buttonLine->addWidget(addButton);
    buttonLine->addStretch();
    layout->addLayout(buttonLine);
    connect(addButton, &QPushButton::clicked, this, [this] {
        addLine(ExtraReminder());
        lineCountChanged();
        lines.last()->findChild<QSpinBox *>(QLatin1String(DaysName))->setFocus(Qt::TabFocusReason);
    });
}

void ExtraReminderList::setReminders(const QList<ExtraReminder> &reminders)
{
    while (!lines.isEmpty())
        delete lines.takeLast();
    for (const ExtraReminder &reminder : reminders.mid(0, ExtraReminder::MaximumCount))
        addLine(reminder);
    lineCountChanged();
}

QList<ExtraReminder> ExtraReminderList::reminders() const
{
    QList<ExtraReminder> all;
    for (const QWidget *line : lines) {
        ExtraReminder reminder;
        reminder.days = line->findChild<QSpinBox *>(QLatin1String(DaysName))->value();
        reminder.when = line->findChild<QComboBox *>(QLatin1String(WhenName))->currentIndex() == 1
                            ? ExtraReminder::AfterUnpaid
                            : ExtraReminder::Before;
        all.append(reminder);
    }
    return all;
}

void ExtraReminderList::placeInTabOrderAfter(QWidget *previous)
{
    tabPredecessor = previous;
    QWidget *last = previous;
    for (const QWidget *line : std::as_const(lines)) {
        for (const char *name : {DaysName, WhenName, RemoveName}) {
            QWidget *control = line->findChild<QWidget *>(QLatin1String(name));
            QWidget::setTabOrder(last, control);
            last = control;
        }
    }
    QWidget::setTabOrder(last, addButton);
}

void ExtraReminderList::addLine(const ExtraReminder &reminder)
{
    auto *line = new QWidget(this);
    line->setObjectName(QStringLiteral("extraReminderLine"));
    auto *layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *also = new QLabel(QStringLiteral("Also "), line);
    auto *days = new QSpinBox(line);
    days->setObjectName(QLatin1String(DaysName));
    days->setAccessibleName(QStringLiteral("Days of this reminder"));
    days->setRange(0, ExtraReminder::MaximumDays);
    days->setValue(reminder.days);
    auto *when = new QComboBox(line);
    when->setObjectName(QLatin1String(WhenName));
    when->setAccessibleName(QStringLiteral("Before or after the bill is due"));
    when->addItems(whenTexts());
    when->setCurrentIndex(reminder.isAfter() ? 1 : 0);
    auto *remove = new QPushButton(QStringLiteral("Remove"), line);
    remove->setObjectName(QLatin1String(RemoveName));
    connect(remove, &QPushButton::clicked, this, [this, line] { removeLine(line); });
    also->setBuddy(days);
    layout->addWidget(also);
    layout->addWidget(days);
    layout->addWidget(when);
    layout->addWidget(remove);
    layout->addStretch();
    linesLayout->addWidget(line);
    lines.append(line);
}

void ExtraReminderList::removeLine(QWidget *line)
{
    const qsizetype index = lines.indexOf(line);
    if (index < 0)
        return;
    lines.removeAt(index);
    line->hide();
    line->deleteLater(); // its own button's click is still on the stack
    lineCountChanged();
    // The focus goes to the next line's days, else to the add button.
    if (index < lines.size())
        lines.at(index)->findChild<QSpinBox *>(QLatin1String(DaysName))->setFocus(Qt::TabFocusReason);
    else
        addButton->setFocus(Qt::TabFocusReason);
}

void ExtraReminderList::lineCountChanged()
{
    addButton->setEnabled(lines.size() < ExtraReminder::MaximumCount);
    if (tabPredecessor)
        placeInTabOrderAfter(tabPredecessor);
}
