#ifndef PAYVANE_NOTIFICATIONSERVICE_H
#define PAYVANE_NOTIFICATIONSERVICE_H

#include <QObject>
#include <QString>
#include <QStringList>

// The desktop's notification service: org.freedesktop.Notifications on the
// session bus, which every Linux desktop provides. Thin: shows and closes
// notifications and passes on what the user did with them.
class NotificationService : public QObject
{
    Q_OBJECT

public:
    // The hint "urgency" of the notification protocol.
    enum class Urgency : uchar { Low = 0, Normal = 1, Critical = 2 };

    // Why a notification went away (NotificationClosed).
    enum CloseReason : uint { Expired = 1, DismissedByUser = 2, ClosedByCall = 3, Undefined = 4 };

    explicit NotificationService(QObject *parent = nullptr);

    // Whether a service answers on the session bus within a short time (a
    // service started on demand by the bus counts) and shows actions: without
    // them a reminder could not be answered. Also learns whether it reads
    // markup in a notification's body.
    [[nodiscard]] bool isAvailable();

    // Shows a notification with the program's name and icon that stays until
    // answered (no expiry); the texts are shown as they are, never as markup.
    // `actions` are pairs of key and label; the key "default" is the click on
    // the notification itself. The service's id for it, or 0 when the
    // service did not take it.
    uint notify(const QString &summary, const QString &body, const QStringList &actions,
                Urgency urgency = Urgency::Normal);

    // Takes a notification off the screen.
    void close(uint id);

signals:
    // The user chose an action of a notification.
    void actionInvoked(uint id, const QString &action);
    // A notification went away (expired, dismissed, closed): CloseReason.
    void notificationClosed(uint id, uint reason);
    // The service left the bus: every notification it showed is gone.
    void serviceGone();

private:
    bool m_bodyMarkup = false; // the service reads markup in bodies: ours is escaped

private slots:
    // The service's signals arrive here by their bus names.
    void onActionInvoked(uint id, const QString &action);
    void onNotificationClosed(uint id, uint reason);
};

#endif // PAYVANE_NOTIFICATIONSERVICE_H
