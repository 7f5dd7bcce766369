#include "reminderitem.h"
#include "remindergroupboxstyle.h"

#include <billtext.h>
#include <reminderrules.h>
#include <daynumber.h>
#include <event.h>
#include <occurrence.h>
#include <paymentstatus.h>

#include <QCommandLinkButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// The options panel opens in steps of 6 pixels up to 99 and closes to 0.
constexpr int animationStep = 6;
constexpr int panelOpenHeight = 99;
constexpr int animationIntervalMs = 5;
constexpr int buttonMinimumHeight = 34;
constexpr int buttonMaximumWidth = 100;

// A QIcon made from a file decodes the whole image at once: the items share
// one copy of each image instead.
QIcon sharedIcon(const QString &path)
{
    static QHash<QString, QIcon> icons;
    auto found = icons.constFind(path);
    if (found == icons.cend())
        found = icons.insert(path, QIcon(path));
    return *found;
}

void keepRoomWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

int clampedToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

ReminderItem::ReminderItem(Event *shownEvent)
    : event(shownEvent)
{
    setObjectName(QStringLiteral("ReminderItem"));

    mainLayout = new QVBoxLayout;
    mainLayout->setObjectName(QStringLiteral("mainLayout"));
    groupBox = new QGroupBox(titleText(event->name));
    groupBox->setObjectName(QStringLiteral("groupBox"));
    groupBox->setStyle(ReminderGroupBoxStyle::instance());
    groupLayout = new QVBoxLayout(groupBox);
    groupLayout->setObjectName(QStringLiteral("groupLayout"));
    groupLayout->setContentsMargins(6, 6, 6, 6);
    mainLayout->addWidget(groupBox);

    buildSentence();
    buildButtons();
    buildOptions();
    showDueDate();
    groupLayout->addLayout(buttonLayout);
    setLayout(mainLayout);
    setTabOrderAsShown();

    animationTimer = new QTimer;
    animationTimer->setInterval(animationIntervalMs);
    connect(animationTimer, &QTimer::timeout, this, &ReminderItem::doAnimation);

    optionsOpen = false;
    optionsPanel->setMaximumHeight(0);
    cancelButton->setMaximumWidth(0);
    showClosedControls(false);
    acceptButton->setText(QStringLiteral("Options"));
    acceptButton->setIcon(sharedIcon(QStringLiteral(":resources/settings.png")));

    // Shown today: the bill comes again at the next check unless snoozed,
    // and each extra reminder whose day has come is done for its due date.
    const QDate today = QDate::currentDate();
    markRemindersFired(*event, today);
    event->lastNotified = today;
    event->notifyAgainDays = 0;

    QMetaObject::connectSlotsByName(this);
}

void ReminderItem::setTabOrderAsShown()
{
    // Top to bottom as the panel shows them, then the buttons; built in
    // another order.
    const QList<QWidget *> order{againRadioButton, againSpinBox, nextRadioButton, neverRadioButton,
                                 paidRadioButton, acceptButton, cancelButton};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void ReminderItem::showClosedControls(bool shown)
{
    // A closed panel and the narrowed "Cancel" are hidden as well, so that
    // neither Tab nor a screen reader finds them; they keep their (zero)
    // room in the layout all the same.
    if (!shown && (cancelButton->hasFocus() || optionsPanel->isAncestorOf(focusWidget())))
        acceptButton->setFocus();
    optionsPanel->setVisible(shown);
    cancelButton->setVisible(shown);
}

QString ReminderItem::titleText(const QString &name) const
{
    // A title does not wrap: a long name is cut short there (the sentence
    // below gives it whole), so it cannot make the window wider.
    return fontMetrics().elidedText(name, Qt::ElideRight, MaximumTitleWidth);
}

ReminderItem::~ReminderItem()
{
    delete animationTimer;
}

void ReminderItem::buildSentence()
{
    // The name is shown as typed, never as markup, and the sentence wraps
    // however long the name is.
    textLabel = new QLabel;
    textLabel->setObjectName(QStringLiteral("textLabel"));
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setWordWrap(true);
    // From the top: a label still short of its height shows its first line
    // whole, never half hidden under the box's title.
    textLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    groupLayout->addWidget(textLabel);

    optionsPanel = new QWidget;
    optionsPanel->setObjectName(QStringLiteral("optionsPanel"));
    keepRoomWhenHidden(optionsPanel);
    groupLayout->addWidget(optionsPanel);
    optionsLayout = new QVBoxLayout(optionsPanel);
    optionsLayout->setObjectName(QStringLiteral("optionsLayout"));
}

void ReminderItem::buildButtons()
{
    buttonLayout = new QHBoxLayout;
    buttonLayout->setObjectName(QStringLiteral("buttonLayout"));
    buttonSpacer = new QSpacerItem(1, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    buttonLayout->addItem(buttonSpacer);

    acceptButton = new QCommandLinkButton(QStringLiteral("Accept"));
    acceptButton->setObjectName(QStringLiteral("acceptButton"));
    acceptButton->setIcon(sharedIcon(QStringLiteral(":resources/ok.png")));
    acceptButton->setMinimumHeight(buttonMinimumHeight);
    acceptButton->setMaximumWidth(buttonMaximumWidth);
    buttonLayout->addWidget(acceptButton);

    cancelButton = new QCommandLinkButton(QStringLiteral("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setIcon(sharedIcon(QStringLiteral(":resources/remove.png")));
    cancelButton->setMinimumHeight(buttonMinimumHeight);
    cancelButton->setMaximumWidth(buttonMaximumWidth);
    keepRoomWhenHidden(cancelButton);
    buttonLayout->addWidget(cancelButton);
}

void ReminderItem::buildOptions()
{
    againLayout = new QHBoxLayout;
    againLayout->setObjectName(QStringLiteral("againLayout"));
    againRadioButton = new QRadioButton(QStringLiteral("Notify me again in "));
    againRadioButton->setObjectName(QStringLiteral("againRadioButton"));
    againRadioButton->setChecked(true);
    againLayout->addWidget(againRadioButton);

    againSpinBox = new QSpinBox;
    againSpinBox->setObjectName(QStringLiteral("againSpinBox"));
    // Its meaning is in the texts on both sides, which a screen reader
    // would not tell with it.
    againSpinBox->setAccessibleName(QStringLiteral("Notify me again in days"));
    againLayout->addWidget(againSpinBox);

    daysLabel = new QLabel(QStringLiteral(" days."));
    daysLabel->setObjectName(QStringLiteral("daysLabel"));
    againLayout->addWidget(daysLabel);
    againSpacer = new QSpacerItem(1, 1, QSizePolicy::Expanding, QSizePolicy::Minimum);
    againLayout->addItem(againSpacer);

    nextRadioButton = new QRadioButton(
        QStringLiteral("Don't notify me until the next occurrence of this bill."));
    nextRadioButton->setObjectName(QStringLiteral("nextRadioButton"));
    neverRadioButton = new QRadioButton(QStringLiteral("Never notify me of this bill again."));
    neverRadioButton->setObjectName(QStringLiteral("neverRadioButton"));
    paidRadioButton = new QRadioButton(QStringLiteral("Paid"));
    paidRadioButton->setObjectName(QStringLiteral("paidRadioButton"));

    // As siblings inside the panel the radio buttons exclude each other. The
    // four rows share the panel's fixed open height, so they stand closer
    // than a layout's default spacing.
    optionsLayout->setContentsMargins(0, 0, 0, 0);
    optionsLayout->setSpacing(2);
    againLayout->setContentsMargins(0, 0, 0, 0);
    optionsLayout->addLayout(againLayout);
    optionsLayout->addWidget(nextRadioButton);
    optionsLayout->addWidget(neverRadioButton);
    optionsLayout->addWidget(paidRadioButton);
}

QDate ReminderItem::reminderDate(QDate today) const
{
    const PaymentStatus status = paymentStatus(*event, today);
    if (status.state == PaymentStatus::Upcoming || status.state == PaymentStatus::Overdue)
        return status.unpaid.date;
    return nextOccurrence(*event, today);
}

void ReminderItem::showDueDate()
{
    const QDate today = QDate::currentDate();
    const QLocale locale;
    const PaymentStatus status = paymentStatus(*event, today);
    QString sentence;
    if (status.state == PaymentStatus::Finished)
        sentence = event->name + QStringLiteral(" - Finished: its last due date is paid.");
    else if (status.state == PaymentStatus::NoDueDate)
        sentence = event->name + QStringLiteral(": ") + paymentDetailsText(status, locale);
    else
        sentence = reminderSentence(*event, today, locale);
    textLabel->setText(breakableText(sentence));

    const qint64 days = daysBetween(today, reminderDate(today));
    if (days >= 0) {
        // Reminded again at the latest on the day it is due.
        againSpinBox->setRange(0, clampedToInt(days));
        againSpinBox->setValue(clampedToInt(days - 1));
    } else {
        // Already overdue: again tomorrow unless the user says otherwise.
        againSpinBox->setRange(0, OverdueAgainMaximum);
        againSpinBox->setValue(1);
    }

    const DueDate toPay = dueDateToPay(*event, today);
    paidRadioButton->setEnabled(toPay.date.isValid());
    paidRadioButton->setToolTip(toPay.date.isValid()
                                    ? QStringLiteral("Marks the due date of %1 paid.").arg(longDateText(toPay.date, locale))
                                    : QString());
}

qint64 ReminderItem::daysToNextOccurrence() const
{
    const QDate today = QDate::currentDate();
    // A tracking bill paid early is next due on its first unpaid date.
    const PaymentStatus status = paymentStatus(*event, today);
    if (status.state == PaymentStatus::Upcoming)
        return status.daysLeft;
    return daysBetween(today, nextOccurrence(*event, today));
}

void ReminderItem::payBill()
{
    if (markPaid(*event, QDate::currentDate()).date.isNull())
        return;
    // Paid, it is as if just reminded of; the sentence says what is next.
    event->notifyAgainDays = 0;
    showDueDate();
    // The panel shows the choice that the next press would store unchanged,
    // never "Paid" again.
    preselectChoice();
}

void ReminderItem::on_acceptButton_clicked()
{
    // The choice is stored on every press, the one that opens the panel too;
    // but a payment only with "Accept", on a choice the user can see.
    if (paidRadioButton->isChecked()) {
        if (optionsOpen)
            payBill();
    } else if (neverRadioButton->isChecked())
        event->notify = false;
    else if (nextRadioButton->isChecked())
        event->notifyAgainDays = qint32(std::clamp<qint64>(daysToNextOccurrence() + 1, 0,
                                                          std::numeric_limits<qint32>::max()));
    else
        event->notifyAgainDays = againSpinBox->value();
    toggleOptions();
}

void ReminderItem::on_cancelButton_clicked()
{
    toggleOptions();
}

void ReminderItem::toggleOptions()
{
    if (optionsOpen) {
        acceptButton->setText(QStringLiteral("Options"));
        acceptButton->setIcon(sharedIcon(QStringLiteral(":resources/settings.png")));
    } else {
        acceptButton->setText(QStringLiteral("Accept"));
        acceptButton->setIcon(sharedIcon(QStringLiteral(":resources/ok.png")));
        preselectChoice();
    }
    optionsOpen = !optionsOpen;
    if (optionsOpen)
        showClosedControls(true);
    lastPanelHeight = optionsPanel->height();
    // A running movement simply turns round from where it is.
    animationTimer->start(animationIntervalMs);
}

void ReminderItem::preselectChoice()
{
    if (!event->notify)
        neverRadioButton->setChecked(true);
    else if (event->notifyAgainDays > daysToNextOccurrence())
        nextRadioButton->setChecked(true);
    else {
        againRadioButton->setChecked(true);
        againSpinBox->setValue(event->notifyAgainDays);
    }
}

void ReminderItem::refreshSizes()
{
    // The window asks for the item's new height within this step, before a
    // layout request could travel up from the panel (and a window not yet
    // shown passes none up): every layout on the way learns it now.
    const QList<QLayout *> layouts{optionsLayout, buttonLayout, groupLayout, mainLayout};
    for (QLayout *layout : layouts)
        layout->invalidate();
    const QList<QWidget *> widgets{optionsPanel, cancelButton, groupBox, this};
    for (QWidget *widget : widgets)
        widget->updateGeometry();
}

void ReminderItem::doAnimation()
{
    int height = optionsPanel->maximumHeight();
    if (optionsOpen) {
        height += animationStep;
        if (height > panelOpenHeight - 1) {
            animationTimer->stop();
            height = panelOpenHeight;
        }
    } else {
        height -= animationStep;
        if (height <= 0) {
            animationTimer->stop();
            height = 0;
        }
    }
    optionsPanel->setMaximumHeight(height);
    cancelButton->setMaximumWidth(height);
    if (height == 0)
        showClosedControls(false);
    refreshSizes();

    optionsPanel->updateGeometry();
    optionsPanel->adjustSize();
    updateGeometry();
    adjustSize();

    // The window may delete this item meanwhile ("OK" in separate mode),
    // while events are processed or in answer to the signal.
    const QPointer<ReminderItem> alive(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!alive)
        return;

    if (!animationTimer->isActive())
        emit resized();
    else
        emit resized(optionsPanel->height() - lastPanelHeight);
    if (!alive)
        return;
    lastPanelHeight = optionsPanel->height();
}

QWidget *ReminderItem::lastInTabOrder() const
{
    return cancelButton;
}
