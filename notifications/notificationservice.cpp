#include "notificationservice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

// A service that does not answer in this time is taken for none: the
// automatic start must not hang on a broken bus.
constexpr int CallTimeoutMs = 3000;

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
}

bool NotificationService::isAvailable()
{
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    const QDBusMessage reply = call(QStringLiteral("GetCapabilities"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    m_bodyMarkup = reply.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"));
    return true;
}

uint NotificationService::notify(const QString &summary, const QString &body, const QStringList &actions)
{
    QVariantMap hints;
    // The desktop entry lets the desktop show the program's name and icon.
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("example.tervona.Payvane"));
    hints.insert(QStringLiteral("category"), QStringLiteral("x-payvane.reminder"));
    const QDBusMessage reply = call(QStringLiteral("Notify"),
                                    {QCoreApplication::applicationName(), uint(0),
                                     QStringLiteral("example.tervona.Payvane"), summary,
                                     m_bodyMarkup ? body.toHtmlEscaped() : body, actions, hints,
                                     int(-1)});
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
