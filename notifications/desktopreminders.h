#ifndef PAYVANE_DESKTOPREMINDERS_H
#define PAYVANE_DESKTOPREMINDERS_H

#include <billfile.h>
#include <event.h>

#include <QDate>
#include <QHash>
#include <QObject>

class NotificationService;

// The automatic start's reminders as the desktop's notifications: one for
// each bill due for a reminder (the bills the reminder window would show),
// with the bill's sentence and its choices: "Paid" when the bill tracks
// payments, "Remind me tomorrow", and a click that opens the main window on
// the bill. Showing a notification marks the bill shown today, and every
// choice is written into the bill as the reminder window writes it. The
// bills are read when the reminders are shown and written back by save().
class DesktopReminders : public QObject
{
    Q_OBJECT

public:
    explicit DesktopReminders(NotificationService *service, QObject *parent = nullptr);
    ~DesktopReminders() override;

    // Reads the bill file and shows the reminders due on `today`. False, with
    // nothing shown, when no bill is due (or the service took none).
    bool showDueReminders(QDate today);

    // Writes the bills back; the file's damage, if any, is kept aside first
    // (BillFile). False with the reason on failure.
    bool save(QString *reason);

    // The bill file the reminders were read from.
    [[nodiscard]] BillFile &billFile() { return m_billFile; }

    // Takes every reminder still shown off the screen.
    void closeAll();

signals:
    // Every reminder was answered or went away.
    void finished();
    // The user clicked a reminder: the main window should open on this bill.
    void openRequested(const QString &billName);

private:
    void onActionInvoked(uint id, const QString &action);
    void onNotificationClosed(uint id);
    void forget(uint id);

    NotificationService *m_service;
    BillFile m_billFile;
    EventList m_events;
    QHash<uint, Event *> m_shown; // the reminders on screen and their bills
    QDate m_today;
};

#endif // PAYVANE_DESKTOPREMINDERS_H
