#ifndef PAYVANE_REMINDERWINDOW_H
#define PAYVANE_REMINDERWINDOW_H

#include <billfile.h>
#include <event.h>

#include <QDate>
#include <QMainWindow>
#include <QMessageBox>

struct NotificationSettings;
class QLabel;
class QTimer;
class ReminderDigest;
class Ui_ReminderWindow;

// The window of the automatic start: one ReminderItem per bill that is due
// for a reminder, either all at once or one after the other, as a small
// window sliding up into the screen's corner (tray) or a centred dialog
// (popup). Owns the bill list it loads and writes it back when it closes.
// More than three due bills are summed up in a section above the items
// (unless turned off), which stays while the items step through them.
class ReminderWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit ReminderWindow(QWidget *parent = nullptr);
    ~ReminderWindow() override;

    // Whether a bill gets a reminder today: it is to be notified, and it was
    // neither shown today with "once a day" nor snoozed for longer; and
    // either its next due date is within its end and its reminder period,
    // or it tracks payments and a due date before today is unpaid
    // (reminderrules.h).
    [[nodiscard]] static bool isDue(const Event &event, QDate today);

    // Replaces the items by the next due bills from where the last search
    // ended: one in separate mode, all of them otherwise. Whether any was added.
    bool addDueItems();

    // The start position before showing: centred (popup) or sliding in (tray).
    void positionWindow();

    // Centred in the tray method too, where the platform lets no window
    // place itself (Wayland).
    void setCentredPlacement(bool centred) { centredPlacement = centred; }

    // The window follows an item: after it was added or its options panel
    // came to rest, and at every animation step (change pixels taller).
    // Plain functions, not slots, so the form's connect-by-name leaves them be.
    void on_itemResize();
    void on_itemResize(int change);

    // Builds the form first when it is not built yet.
    void setVisible(bool visible) override;

public slots:
    void on_okButton_clicked();
    void updateAnimation();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ensureForm();
    void fitToScreen();
    void refreshWindowLayout();
    [[nodiscard]] int frameHeight() const;
    void addItem(Event *event);
    void addDigest(const ReminderDigest &digest);
    void clearItems();
    void placeWindow();
    void keepOnScreen();
    void startSlideIn();
    void saveBills();
    void showMessage(QMessageBox::Icon icon, const QString &title, const QString &text);

    BillFile billFile; // the data file the list was read from and goes back to
    QList<Event *> *events;
    int nextIndex = 0;
    bool wholeListLooked = false; // the digest is made once, of the whole list
    QLabel *digestLabel = nullptr;
    NotificationSettings *notificationSettings;
    Ui_ReminderWindow *ui;
    QTimer *slideTimer;
    int slideStep = 0;
    bool centredPlacement = false;
};

#endif // PAYVANE_REMINDERWINDOW_H
