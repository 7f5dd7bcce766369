#ifndef PAYVANE_PAYMENTCOMMANDS_H
#define PAYVANE_PAYMENTCOMMANDS_H

#include "event.h"

#include <QDate>
#include <QObject>

#include <functional>

class QWidget;

// The commands on a bill's payments beyond "Paid": "Paid…" (another
// amount, day or note), taking the last payment back, changing or removing
// one of the history, and the CSV of the history. Each acts on the list's
// current bill and then tells the list, which shows the bill's new state.
class PaymentCommands : public QObject
{
    Q_OBJECT

public:
    using CurrentBill = std::function<Event *()>;
    using Today = std::function<QDate()>;
    using Changed = std::function<void()>;

    PaymentCommands(CurrentBill current, Today today, Changed changed, QWidget *dialogParent,
                    QObject *parent = nullptr);

    // Whether the current bill has a payment to take back.
    [[nodiscard]] bool canTakeBack() const;

    // "Paid…": the dialog, then the payment; false when cancelled or there
    // is nothing to pay.
    bool payOther();
    // Asks, then takes back the current bill's last payment.
    bool takeBackLast();
    // The dialog, then the changed payment at `index` of the history.
    bool changePayment(qsizetype index);
    // Asks, then removes the payment at `index` of the history.
    bool removePayment(qsizetype index);

    // The question before payments are forgotten ("Remove "Rent" and forget
    // its 14 payments?"): `start` begins the sentence, `count` ends it. True
    // for Yes; true without asking when `count` is 0.
    [[nodiscard]] static bool confirmForgetting(QWidget *parent, const QString &title, const QString &start,
                                                qsizetype count);
    // The payments the bills hold together.
    [[nodiscard]] static qsizetype paymentCount(const EventList &events);

    // The history of `events` as CSV into a file; false when that fails.
    [[nodiscard]] static bool exportHistory(const EventList &events, const QString &path,
                                            QString *errorString = nullptr);

private:
    CurrentBill currentBill;
    Today today;
    Changed changed;
    QWidget *window;
};

#endif // PAYVANE_PAYMENTCOMMANDS_H
