#include "desktopreminders.h"

#include "notificationservice.h"

#include <paymentstatus.h>
#include <reminderrules.h>

#include <QLocale>

namespace {

const QString PaidAction = QStringLiteral("paid");
const QString TomorrowAction = QStringLiteral("tomorrow");
const QString OpenAction = QStringLiteral("default");

} // namespace

DesktopReminders::DesktopReminders(NotificationService *service, QObject *parent)
    : QObject(parent)
    , m_service(service)
{
    connect(m_service, &NotificationService::actionInvoked, this, &DesktopReminders::onActionInvoked);
    connect(m_service, &NotificationService::notificationClosed, this,
            [this](uint id, uint) { onNotificationClosed(id); });
}

DesktopReminders::~DesktopReminders()
{
    qDeleteAll(m_events);
}

bool DesktopReminders::showDueReminders(QDate today)
{
    m_today = today;
    qDeleteAll(m_events);
    m_events = m_billFile.load();
    // As with the reminder window: marks a clock that ran ahead left in the
    // future count from today and are written back so at once.
    if (settleFutureReminderMarks(m_events, today) && !m_billFile.needsKeeping())
        static_cast<void>(m_billFile.save(m_events));
    const QLocale locale;
    for (Event *event : std::as_const(m_events)) {
        if (reminderKind(*event, today) == ReminderKind::None)
            continue;
        QStringList actions;
        if (event->payments.isTracking())
            actions << PaidAction << QStringLiteral("Paid");
        actions << TomorrowAction << QStringLiteral("Remind me tomorrow");
        actions << OpenAction << QStringLiteral("Open Payvane");
        const QString sentence = reminderSentence(*event, today, locale);
        const uint id = m_service->notify(event->name, sentence, actions);
        if (id == 0)
            continue;
        // Shown today: the bill comes again at the next start unless snoozed,
        // as with the reminder window.
        event->lastNotified = today;
        event->notifyAgainDays = 0;
        m_shown.insert(id, event);
    }
    return !m_shown.isEmpty();
}

bool DesktopReminders::save(QString *reason)
{
    return m_billFile.save(m_events, reason);
}

void DesktopReminders::closeAll()
{
    const QList<uint> ids = m_shown.keys();
    m_shown.clear();
    for (const uint id : ids)
        m_service->close(id);
}

void DesktopReminders::onActionInvoked(uint id, const QString &action)
{
    Event *event = m_shown.value(id);
    if (!event)
        return; // another program's notification, or one already answered
    if (action == PaidAction)
        markPaid(*event, m_today);
    else if (action == TomorrowAction)
        event->notifyAgainDays = 1; // "Notify me again in 1 days."
    else if (action == OpenAction)
        emit openRequested(event->name);
    forget(id);
}

void DesktopReminders::onNotificationClosed(uint id)
{
    forget(id);
}

void DesktopReminders::forget(uint id)
{
    if (m_shown.remove(id) == 0)
        return;
    // Some services keep a notification after its action was chosen.
    m_service->close(id);
    if (m_shown.isEmpty())
        emit finished();
}
