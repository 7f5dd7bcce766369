#ifndef PAYVANE_REMINDERITEM_H
#define PAYVANE_REMINDERITEM_H

#include <QWidget>

struct Event;
class QCommandLinkButton;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QRadioButton;
class QSpacerItem;
class QSpinBox;
class QTimer;
class QVBoxLayout;

// The panel for one due bill in the reminder window: a sentence saying when
// it is due (or since when it is unpaid) and an options panel, sliding open
// and shut, that decides when to remind again, or marks the due date paid.
// Building it marks the bill as shown today; the choices are written into
// the record at once (the window saves the list).
class ReminderItem : public QWidget
{
    Q_OBJECT

public:
    // The record stays owned by the window's list.
    explicit ReminderItem(Event *event);
    ~ReminderItem() override;

    // The item's last control in the Tab order, so the window can put its
    // own after it.
    [[nodiscard]] QWidget *lastInTabOrder() const;

signals:
    // The options panel came to rest, open or closed.
    void resized();
    // One animation step: the panel grew by change pixels (negative: shrank).
    void resized(int change);

private slots:
    void on_acceptButton_clicked();
    void on_cancelButton_clicked();
    void doAnimation();

private:
    void buildSentence();
    void buildButtons();
    void buildOptions();
    void setTabOrderAsShown();
    // Shows or hides what a closed panel hides: the choices and "Cancel".
    void showClosedControls(bool shown);
    void refreshSizes();
    // The sentence, the range of "again in" and the Paid choice for the
    // bill's state today; again after it was paid here.
    void showDueDate();
    void payBill();
    void toggleOptions();
    void preselectChoice();
    // The due date the reminder speaks of: a tracking bill's first unpaid
    // one, else the next due date on or after today.
    [[nodiscard]] QDate reminderDate(QDate today) const;
    // Days to the next due date still to pay on or after today.
    [[nodiscard]] qint64 daysToNextOccurrence() const;
    [[nodiscard]] QString titleText(const QString &name) const;

    static constexpr int MaximumTitleWidth = 260; // pixels
    // "Notify me again in" for a bill already overdue: up to this many days.
    static constexpr int OverdueAgainMaximum = 99;

    Event *event;
    QVBoxLayout *mainLayout;
    QGroupBox *groupBox;
    QVBoxLayout *groupLayout;
    QLabel *textLabel;
    QHBoxLayout *buttonLayout;
    QSpacerItem *buttonSpacer;
    QCommandLinkButton *acceptButton;
    QCommandLinkButton *cancelButton;
    QHBoxLayout *againLayout;
    QRadioButton *againRadioButton;
    QSpinBox *againSpinBox;
    QLabel *daysLabel;
    QSpacerItem *againSpacer;
    QRadioButton *nextRadioButton;
    QRadioButton *neverRadioButton;
    QRadioButton *paidRadioButton;
    QTimer *animationTimer;
    QWidget *optionsPanel;
    QVBoxLayout *optionsLayout;
    int lastPanelHeight = 0;
    bool optionsOpen = false;
};

#endif // PAYVANE_REMINDERITEM_H
