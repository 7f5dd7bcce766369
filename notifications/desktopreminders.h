#ifndef PAYVANE_DESKTOPREMINDERS_H
#define PAYVANE_DESKTOPREMINDERS_H

#include <billfile.h>
#include <event.h>
#include <reminderrules.h>

#include <QDate>
#include <QHash>
#include <QObject>

class NotificationService;
class ReminderDigest;

// The automatic start's reminders as the desktop's notifications: one for
// each bill due for a reminder (the bills the reminder window would show),
// with the bill's sentence and its choices: "Paid" when the bill tracks
// payments, "Remind me tomorrow", and a click that opens the main window on
// the bill. An overdue bill's reminder is critical, the others normal; all
// stay on screen until answered, however long that takes.
//
// An answer marks the bill reminded that day as the reminder window does
// ("Paid" pays it, "Remind me tomorrow" snoozes it one day, a click or a
// dismissal leaves the default choice) and is written to the bill file at
// once, so no answer waits in memory for a later save. A reminder that went
// away without an answer (expired, closed by the service, or the service
// ended) writes nothing: the bill is reminded again at the next automatic
// start.
//
// More than three reminders at once are summed up, unless turned off, in one
// notification (reminderdigest.h), critical when a bill is overdue: its click
// asks for the reminder window with all of them, which marks them as it
// shows them; its dismissal marks them all reminded. It never pays a bill.
class DesktopReminders : public QObject
{
    Q_OBJECT

public:
    explicit DesktopReminders(NotificationService *service, QObject *parent = nullptr);
    ~DesktopReminders() override;

    // Reads the bill file and shows the reminders due on `today`. False, with
    // nothing shown, when no bill is due (or the service took none).
    bool showDueReminders(QDate today);

    // Whether more than three reminders are summed up in one (the default).
    void setSumUp(bool sumUp) { m_sumUp = sumUp; }

    // Whether some reminder is still on screen.
    [[nodiscard]] bool isShowing() const { return !m_shown.isEmpty(); }

    // The bill file the reminders were read from.
    [[nodiscard]] BillFile &billFile() { return m_billFile; }

    // Takes every reminder still shown off the screen, as not answered.
    void closeAll();

signals:
    // Every reminder was answered or went away.
    void finished();
    // The user clicked a reminder: the main window should open on this bill.
    void openRequested(const QString &billName);
    // The user clicked the summed-up reminder: the reminder window should
    // open with every due bill.
    void allRequested();
    // An answer could not be written to the bill file.
    void saveFailed(const QString &path, const QString &reason);

private:
    void onActionInvoked(uint id, const QString &action);
    void onNotificationClosed(uint id, uint reason);
    void onServiceGone();
    // Marks the bill reminded today with the default choice.
    static void markSeen(Event &event);
    void save();
    void forget(uint id);
    void showOne(Event *event, ReminderKind kind, QDate today);
    void showDigest(const ReminderDigest &digest, const QList<Event *> &due);

    NotificationService *m_service;
    BillFile m_billFile;
    EventList m_events;
    QHash<uint, QList<Event *>> m_shown; // the reminders on screen and their bills
    uint m_digestId = 0;                 // the summed-up reminder, when shown
    bool m_sumUp = true;
};

#endif // PAYVANE_DESKTOPREMINDERS_H
