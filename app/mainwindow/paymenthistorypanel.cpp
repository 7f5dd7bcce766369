#include "paymenthistorypanel.h"

#include "event.h"
#include "longdatetexts.h"
#include "paymentstatus.h"
#include "paymenttexts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace {

constexpr int IndexRole = Qt::UserRole;

QLabel *plainLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

PaymentHistoryPanel::PaymentHistoryPanel(QWidget *parent)
    : QWidget(parent)
    , openLabel(plainLabel(this, QStringLiteral("openAmountLabel")))
    , paymentList(new QTreeWidget(this))
    , lastYearLabel(plainLabel(this, QStringLiteral("lastYearLabel")))
    , payOtherButton(new QPushButton(QStringLiteral("Paid\u2026"), this))
    , takeBackButton(new QPushButton(QStringLiteral("Take Back Last Payment"), this))
    , changeButton(new QPushButton(QStringLiteral("Change\u2026"), this))
    , removeButton(new QPushButton(QStringLiteral("Remove Payment"), this))
{
    setObjectName(QStringLiteral("paymentHistoryPanel"));
    paymentList->setObjectName(QStringLiteral("paymentList"));
    paymentList->setHeaderLabels({QStringLiteral("Due Date"), QStringLiteral("Paid On"), QStringLiteral("Amount"),
                                  QStringLiteral("Note")});
    paymentList->setRootIsDecorated(false);
    paymentList->setAccessibleName(QStringLiteral("Payments"));
    paymentList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    paymentList->header()->setStretchLastSection(true);
    paymentList->setMinimumHeight(120);
    payOtherButton->setObjectName(QStringLiteral("payOtherButton"));
    takeBackButton->setObjectName(QStringLiteral("takeBackButton"));
    changeButton->setObjectName(QStringLiteral("changePaymentButton"));
    removeButton->setObjectName(QStringLiteral("removePaymentButton"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(openLabel);
    layout->addWidget(paymentList);
    layout->addWidget(lastYearLabel);
    auto *commands = new QHBoxLayout;
    for (QPushButton *button : {payOtherButton, takeBackButton, changeButton, removeButton})
        commands->addWidget(button);
    commands->addStretch();
    layout->addLayout(commands);

    connect(payOtherButton, &QPushButton::clicked, this, &PaymentHistoryPanel::payOtherRequested);
    connect(takeBackButton, &QPushButton::clicked, this, &PaymentHistoryPanel::takeBackRequested);
    connect(changeButton, &QPushButton::clicked, this, [this] { emit changeRequested(chosenPayment()); });
    connect(removeButton, &QPushButton::clicked, this, [this] { emit removeRequested(chosenPayment()); });
    connect(paymentList, &QTreeWidget::itemActivated, this, [this] { emit changeRequested(chosenPayment()); });
    connect(paymentList, &QTreeWidget::currentItemChanged, this, &PaymentHistoryPanel::updateCommands);
}

void PaymentHistoryPanel::showBill(const Event &event, QDate today)
{
    const QLocale locale;
    const PaymentStatus status = paymentStatus(event, today);
    const QString open = openAmountText(event, status, locale);
    openLabel->setText(open.isEmpty() ? QString()
                                      : QStringLiteral("%1 for the due date of %2.")
                                            .arg(open, longDateText(status.unpaid.date, locale)));
    openLabel->setVisible(!open.isEmpty());

    // Newest first: by the day paid, the later recorded first on one day.
    QList<qsizetype> order(event.history.size());
    std::iota(order.rbegin(), order.rend(), 0);
    std::stable_sort(order.begin(), order.end(), [&event](qsizetype a, qsizetype b) {
        return event.history.at(a).paidOn > event.history.at(b).paidOn;
    });
    paymentList->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(order.size());
    for (const qsizetype index : std::as_const(order)) {
        const PaymentRecord &payment = event.history.at(index);
        // Short dates: the note keeps room beside them.
        auto *item = new QTreeWidgetItem({locale.toString(payment.dueDate, QLocale::ShortFormat),
                                          locale.toString(payment.paidOn, QLocale::ShortFormat),
                                          payment.amount.isNull() ? QString() : payment.amount.toString(locale),
                                          payment.note});
        item->setData(0, IndexRole, QVariant::fromValue(index));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    paymentList->addTopLevelItems(items);
    const bool any = !event.history.isEmpty();
    paymentList->setVisible(any);
    lastYearLabel->setText(lastYearText(event, today, locale));
    lastYearLabel->setVisible(any);
    // A command that cannot apply to this bill takes no room; nothing to
    // show, no panel.
    const bool payable = dueDateToPay(event, today).date.isValid();
    payOtherButton->setVisible(payable);
    takeBackButton->setVisible(any);
    setVisible(payable || any);
    updateCommands();
}

QWidget *PaymentHistoryPanel::lastControl() const
{
    return removeButton;
}

qsizetype PaymentHistoryPanel::chosenPayment() const
{
    const QTreeWidgetItem *item = paymentList->currentItem();
    return item ? item->data(0, IndexRole).value<qsizetype>() : -1;
}

void PaymentHistoryPanel::updateCommands()
{
    const bool chosen = chosenPayment() >= 0;
    changeButton->setEnabled(chosen);
    removeButton->setEnabled(chosen);
    changeButton->setVisible(paymentList->isVisibleTo(this));
    removeButton->setVisible(paymentList->isVisibleTo(this));
}
