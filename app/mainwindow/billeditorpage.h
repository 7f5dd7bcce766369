#ifndef PAYVANE_BILLEDITORPAGE_H
#define PAYVANE_BILLEDITORPAGE_H

#include "event.h"

#include <QDate>
#include <QObject>

#include <functional>
#include <memory>

class ExtraReminderList;
class Money;
class QCheckBox;
class QStandardItemModel;

namespace Ui {
class MainWindow;
}

// The bill editor page: loads a bill into the form's fields and reads one
// back (the schedule, its options, the end, the reminders and the amount),
// and sends the user to the field a check found wanting.
class BillEditorPage : public QObject
{
    Q_OBJECT

public:
    using Today = std::function<QDate()>;
    // The bill being edited (null when adding one): what the editor does not
    // show is kept from it.
    using EditedBill = std::function<const Event *()>;

    BillEditorPage(Ui::MainWindow *form, Today todaySource, EditedBill edited, QObject *parent = nullptr);

    // Checkable one-column models for the editor's list views.
    [[nodiscard]] static QStandardItemModel *createWeekdayModel(QObject *parent);
    [[nodiscard]] static QStandardItemModel *createDayOrWeekdayModel(QObject *parent);
    [[nodiscard]] static QStandardItemModel *createYearOrMonthModel(QObject *parent);

    // The empty form for a new bill, or the form showing `event`.
    void startNewBill();
    void startEditing(const Event &event);
    [[nodiscard]] bool isAdding() const;

    // The form as a bill, ready to store; null when a check failed (the user
    // was told why, and the focus is on the field to correct). `edited` is
    // the bill it replaces, or null.
    [[nodiscard]] std::unique_ptr<Event> takeBill(const Event *edited);

    // 0 when the bill may be stored; otherwise shows why (a modal message)
    // and returns the reason's code (1 description, 2 monthly limit,
    // 3 yearly limit, 4 no schedule).
    static int validateEvent(const Event &event);

    // The form's own switches.
    void enableNotifyDays(bool notify);
    void enableRepeating(bool repeating);
    void enableSingularDate(bool singular);

private:
    void setUpEditorModels();
    void alignScheduleSentences();
    void connectScheduleOptions();
    void clearEditor();
    void loadEditor(const Event &event);
    void loadSchedule(const Event &event);
    void readEditor(Event &event) const;
    void readSchedule(Event &event) const;
    void loadScheduleOptions(const Event &event);
    void readScheduleOptions(Event &event) const;
    void moveFocusTo(int validationCode);
    void loadAmount(const Money &amount);
    void selectCurrency(const QString &code);
    // The amount field into the record; tells the user (and returns false)
    // when it holds no amount it can read.
    bool readAmount(Event &event);
    void confirmStopTracking(bool tracking);

    Ui::MainWindow *ui;
    Today today;
    EditedBill editedBill;
    // Under the form's reminder lines; owned by the form.
    ExtraReminderList *extraReminderList;
    QCheckBox *variesCheckBox; // "Varies", after the currency; owned by the form
};

#endif // PAYVANE_BILLEDITORPAGE_H
