#ifndef PAYVANE_BILLDETAILSPAGE_H
#define PAYVANE_BILLDETAILSPAGE_H

#include <QDate>

struct Event;
class PaymentHistoryPanel;
class QLabel;
class QWidget;

namespace Ui {
class MainWindow;
}

// The details page: one bill told in sentences (its name, when it ends,
// when it is due next, its amount and payments with their history, its
// schedule, its reminders). A sentence that does not apply takes no room.
class BillDetailsPage
{
public:
    explicit BillDetailsPage(Ui::MainWindow *form);

    // The bill as of `today`.
    void showBill(const Event &event, QDate today);

    // The payments under the payment sentence, with their commands.
    [[nodiscard]] PaymentHistoryPanel *historyPanel() const { return paymentHistory; }

    // A hidden label takes no room in its line.
    static void setLineShown(QWidget *label, bool shown);

private:
    void showEnd(const Event &event, QDate today);
    void showNextDue(const Event &event, QDate today);
    void showPayments(const Event &event, QDate today);
    void hideScheduleLines();
    void showSchedule(const Event &event);
    void showReminders(const Event &event);

    Ui::MainWindow *ui;
    // "Reminders: ...", under the form's reminder lines; owned by the form.
    QLabel *remindersLabel;
    QLabel *movedLabel; // why the next due date is not the scheduled one
    PaymentHistoryPanel *paymentHistory; // owned by the form
};

#endif // PAYVANE_BILLDETAILSPAGE_H
