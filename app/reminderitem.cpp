#include "reminderitem.h"

#include <billtext.h>
#include <reminderrules.h>
#include <daynumber.h>
#include <event.h>
#include <occurrence.h>

#include <QCommandLinkButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
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

int clampedToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

ReminderItem::ReminderItem(Event *shownEvent)
    : event(shownEvent)
{
    setObjectName(QStringLiteral("ReminderItem"));
    const QDate today = QDate::currentDate();
    const QDate next = nextOccurrence(*event, today);
    const qint64 days = daysBetween(today, next);

    mainLayout = new QVBoxLayout;
    mainLayout->setObjectName(QStringLiteral("mainLayout"));
    groupBox = new QGroupBox(titleText(event->name));
    groupBox->setObjectName(QStringLiteral("groupBox"));
    groupLayout = new QVBoxLayout(groupBox);
    groupLayout->setObjectName(QStringLiteral("groupLayout"));
    groupLayout->setContentsMargins(6, 6, 6, 6);
    mainLayout->addWidget(groupBox);

    buildSentence(next, days);
    buildButtons();
    buildOptions(days);
    groupLayout->addLayout(buttonLayout);
    setLayout(mainLayout);

    animationTimer = new QTimer;
    animationTimer->setInterval(animationIntervalMs);
    connect(animationTimer, &QTimer::timeout, this, &ReminderItem::doAnimation);

    optionsOpen = false;
    optionsPanel->setMaximumHeight(0);
    cancelButton->setMaximumWidth(0);
    acceptButton->setText(QStringLiteral("Options"));
    acceptButton->setIcon(QIcon(QStringLiteral(":resources/settings.png")));

    // Shown today: the bill comes again at the next check unless snoozed.
    event->lastNotified = QDate::currentDate();
    event->notifyAgainDays = 0;

    QMetaObject::connectSlotsByName(this);
}

void ReminderItem::resizeEvent(QResizeEvent *resize)
{
    QWidget::resizeEvent(resize);
    // The sentence wraps at the width the window gives it; its lines must
    // then have the height they need, which the layouts learn only from the
    // label's minimum.
    const int needed = textLabel->heightForWidth(textLabel->width());
    if (needed > 0 && needed != textLabel->minimumHeight())
        textLabel->setMinimumHeight(needed);
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

void ReminderItem::buildSentence(QDate next, qint64 days)
{
    const QString sentence = upcomingSentence(*event, next, days, QLocale::system());
    // The name is shown as typed, never as markup, and the sentence wraps
    // however long the name is.
    textLabel = new QLabel(breakableText(sentence));
    textLabel->setObjectName(QStringLiteral("textLabel"));
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setWordWrap(true);
    groupLayout->addWidget(textLabel);

    optionsPanel = new QWidget;
    optionsPanel->setObjectName(QStringLiteral("optionsPanel"));
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
    acceptButton->setIcon(QIcon(QStringLiteral(":resources/ok.png")));
    acceptButton->setMinimumHeight(buttonMinimumHeight);
    acceptButton->setMaximumWidth(buttonMaximumWidth);
    buttonLayout->addWidget(acceptButton);

    cancelButton = new QCommandLinkButton(QStringLiteral("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setIcon(QIcon(QStringLiteral(":resources/remove.png")));
    cancelButton->setMinimumHeight(buttonMinimumHeight);
    cancelButton->setMaximumWidth(buttonMaximumWidth);
    buttonLayout->addWidget(cancelButton);
}

void ReminderItem::buildOptions(qint64 days)
{
    againLayout = new QHBoxLayout;
    againLayout->setObjectName(QStringLiteral("againLayout"));
    againRadioButton = new QRadioButton(QStringLiteral("Notify me again in "));
    againRadioButton->setObjectName(QStringLiteral("againRadioButton"));
    againRadioButton->setChecked(true);
    againLayout->addWidget(againRadioButton);

    againSpinBox = new QSpinBox;
    againSpinBox->setObjectName(QStringLiteral("againSpinBox"));
    againSpinBox->setMinimum(0);
    againSpinBox->setMaximum(clampedToInt(days));
    againSpinBox->setValue(clampedToInt(days - 1));
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

    // As siblings inside the panel the three radio buttons exclude each other.
    optionsLayout->addLayout(againLayout);
    optionsLayout->addWidget(nextRadioButton);
    optionsLayout->addWidget(neverRadioButton);
}

qint64 ReminderItem::daysToNextOccurrence() const
{
    const QDate today = QDate::currentDate();
    return daysBetween(today, nextOccurrence(*event, today));
}

void ReminderItem::on_acceptButton_clicked()
{
    // The choice is stored on every press, the one that opens the panel too.
    if (neverRadioButton->isChecked())
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
        acceptButton->setIcon(QIcon(QStringLiteral(":resources/settings.png")));
    } else {
        acceptButton->setText(QStringLiteral("Accept"));
        acceptButton->setIcon(QIcon(QStringLiteral(":resources/ok.png")));
        preselectChoice();
    }
    optionsOpen = !optionsOpen;
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
