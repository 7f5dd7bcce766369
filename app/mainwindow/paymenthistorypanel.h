#ifndef PAYVANE_PAYMENTHISTORYPANEL_H
#define PAYVANE_PAYMENTHISTORYPANEL_H

#include <QDate>
#include <QWidget>

struct Event;
class QLabel;
class QPushButton;
class QTreeWidget;

// The details page's payments: what is still open of a partly paid date,
// the bill's payments newest first (due date, paid on, amount, note) with
// the sum of the last 12 months, and the commands on them. The panel only
// shows; it signals the commands, and the window changes the bill and shows
// it again.
class PaymentHistoryPanel : public QWidget
{
    Q_OBJECT

public:
    explicit PaymentHistoryPanel(QWidget *parent = nullptr);

    void showBill(const Event &event, QDate today);
    // Its last control in the Tab order (its controls go in the order shown).
    [[nodiscard]] QWidget *lastControl() const;
    // The history index of the chosen payment; -1 when none is chosen.
    [[nodiscard]] qsizetype chosenPayment() const;

signals:
    void payOtherRequested();
    void takeBackRequested();
    void changeRequested(qsizetype index);
    void removeRequested(qsizetype index);

private:
    void updateCommands();

    QLabel *openLabel;
    QTreeWidget *paymentList;
    QLabel *lastYearLabel;
    QPushButton *payOtherButton;
    QPushButton *takeBackButton;
    QPushButton *changeButton;
    QPushButton *removeButton;
};

#endif // PAYVANE_PAYMENTHISTORYPANEL_H
