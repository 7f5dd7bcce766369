#ifndef PAYVANE_TESTS_FAKENOTIFICATIONSERVICE_H
#define PAYVANE_TESTS_FAKENOTIFICATIONSERVICE_H

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A stand-in for the desktop's notification service on the test's own
// session bus: records what it is asked to show and close, and sends the
// user's answers back as the real service would.
class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        uint id;
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout;
    };

    static constexpr const char *Path = "/org/freedesktop/Notifications";
    static constexpr const char *Name = "org.freedesktop.Notifications";

    bool registerOnBus()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.registerObject(QLatin1String(Path), this, QDBusConnection::ExportAllSlots)
               && bus.registerService(QLatin1String(Name));
    }
    void unregisterFromBus()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QLatin1String(Name));
        bus.unregisterObject(QLatin1String(Path));
    }

    // What the user does with a notification.
    void invokeAction(uint id, const QString &action) { emitSignal("ActionInvoked", {id, action}); }
    void dismiss(uint id) { close(id, 2); }
    // The notification went away: 1 expired, 2 dismissed by the user, 3 closed
    // by a call, 4 undefined.
    void close(uint id, uint reason) { emitSignal("NotificationClosed", {id, reason}); }

    QList<Shown> shown;
    QList<uint> closed;
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};

public slots:
    QStringList GetCapabilities() { return capabilities; }
    QString GetServerInformation(QString &vendor, QString &version, QString &specVersion)
    {
        vendor = QStringLiteral("Payvane tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("fake");
    }
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int expireTimeout)
    {
        Q_UNUSED(replacesId);
        Q_UNUSED(appIcon);
        const uint id = uint(shown.size()) + 1;
        shown.append({id, appName, summary, body, actions, hints, expireTimeout});
        return id;
    }
    void CloseNotification(uint id)
    {
        closed.append(id);
        emitSignal("NotificationClosed", {id, uint(3)});
    }

private:
    void emitSignal(const char *name, const QList<QVariant> &arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(Path), QLatin1String(Name), QLatin1String(name));
        signal.setArguments(arguments);
        QDBusConnection::sessionBus().send(signal);
    }
};

#endif // PAYVANE_TESTS_FAKENOTIFICATIONSERVICE_H
