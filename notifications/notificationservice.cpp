#include "notificationservice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// A service that does not answer in this time is taken for none: the
// automatic start must not hang on a broken bus.
constexpr int CallTimeoutMs = 3000;

// Reminders stay on screen until the user answers them.
constexpr int NeverExpires = 0;

const QString DesktopEntry = QStringLiteral("example.tervona.Payvane");

QDBusMessage call(const QString &method, const QList<QVariant> &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, Interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, CallTimeoutMs);
}

} // namespace

NotificationService::NotificationService(QObject *parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                SLOT(onNotificationClosed(uint, uint)));
    // A service that ends (or is replaced) takes its notifications along and
    // never says so for each of them.
    auto *watcher = new QDBusServiceWatcher(Service, bus,
                                            QDBusServiceWatcher::WatchForUnregistration
                                                | QDBusServiceWatcher::WatchForOwnerChange,
                                            this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &) {
                if (!oldOwner.isEmpty())
                    emit serviceGone();
            });
}

bool NotificationService::isAvailable()
{
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    const QDBusMessage reply = call(QStringLiteral("GetCapabilities"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QStringList capabilities = reply.arguments().constFirst().toStringList();
    m_bodyMarkup = capabilities.contains(QStringLiteral("body-markup"));
    return capabilities.contains(QStringLiteral("actions"));
}

uint NotificationService::notify(const QString &summary, const QString &body, const QStringList &actions,
                                 Urgency urgency)
{
    QVariantMap hints;
    // The desktop entry lets the desktop show the program's name and icon.
    hints.insert(QStringLiteral("desktop-entry"), DesktopEntry);
    hints.insert(QStringLiteral("category"), QStringLiteral("x-payvane.reminder"));
    // A byte on the bus, as the protocol has it.
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(urgency)));
    const QDBusMessage reply = call(QStringLiteral("Notify"),
                                    {QCoreApplication::applicationName(), uint(0), DesktopEntry, summary,
                                     m_bodyMarkup ? body.toHtmlEscaped() : body, actions, hints,
                                     int(NeverExpires)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    return reply.arguments().constFirst().toUInt();
}

void NotificationService::close(uint id)
{
    call(QStringLiteral("CloseNotification"), {id});
}

void NotificationService::onActionInvoked(uint id, const QString &action)
{
    emit actionInvoked(id, action);
}

void NotificationService::onNotificationClosed(uint id, uint reason)
{
    emit notificationClosed(id, reason);
}
