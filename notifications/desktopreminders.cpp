#include "desktopreminders.h"

#include "notificationservice.h"

#include <paymentstatus.h>
#include <reminderdigest.h>
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
    connect(m_service, &NotificationService::notificationClosed, this, &DesktopReminders::onNotificationClosed);
    connect(m_service, &NotificationService::serviceGone, this, &DesktopReminders::onServiceGone);
}

DesktopReminders::~DesktopReminders()
{
    qDeleteAll(m_events);
}

bool DesktopReminders::showDueReminders(QDate today)
{
    qDeleteAll(m_events);
    m_events = m_billFile.load();
    // As with the reminder window: marks a clock that ran ahead left in the
    // future count from today and are written back so at once.
    if (settleFutureReminderMarks(m_events, today) && !m_billFile.needsKeeping())
        static_cast<void>(m_billFile.save(m_events));
    QList<Event *> due;
    QList<ReminderKind> kinds;
    ReminderDigest digest(today);
    for (Event *event : std::as_const(m_events)) {
        const ReminderKind kind = digest.add(*event);
        if (kind == ReminderKind::None)
            continue;
        due << event;
        kinds << kind;
    }
    if (m_sumUp && digest.sumsUp()) {
        showDigest(digest, due);
    } else {
        for (qsizetype i = 0; i < due.size(); ++i)
            showOne(due.at(i), kinds.at(i), today);
    }
    return !m_shown.isEmpty();
}

void DesktopReminders::showOne(Event *event, ReminderKind kind, QDate today)
{
    QStringList actions;
    if (event->payments.isTracking())
        actions << PaidAction << QStringLiteral("Paid");
    actions << TomorrowAction << QStringLiteral("Remind me tomorrow");
    actions << OpenAction << QStringLiteral("Open Payvane");
    const QString sentence = reminderSentence(*event, today, QLocale());
    const auto urgency = kind == ReminderKind::Overdue ? NotificationService::Urgency::Critical
                                                       : NotificationService::Urgency::Normal;
    const uint id = m_service->notify(event->name, sentence, actions, urgency);
    if (id != 0)
        m_shown.insert(id, {event});
}

void DesktopReminders::showDigest(const ReminderDigest &digest, const QList<Event *> &due)
{
    // The names go in the body, which reaches the service as text.
    const auto urgency = digest.overdueCount() > 0 ? NotificationService::Urgency::Critical
                                                   : NotificationService::Urgency::Normal;
    const uint id = m_service->notify(digest.sentence(), digest.nearestText(), {OpenAction, QStringLiteral("Open")},
                                      urgency);
    if (id == 0)
        return;
    m_digestId = id;
    m_shown.insert(id, due);
}

void DesktopReminders::closeAll()
{
    const QList<uint> ids = m_shown.keys();
    m_shown.clear();
    m_digestId = 0;
    for (const uint id : ids)
        m_service->close(id);
}

void DesktopReminders::onActionInvoked(uint id, const QString &action)
{
    const QList<Event *> bills = m_shown.value(id);
    if (bills.isEmpty())
        return; // another program's notification, or one already answered
    if (id == m_digestId) {
        // The reminder window shows them all and marks them as it does; a
        // mark here would hold back those reminded "once a day".
        if (action != OpenAction)
            return;
        emit allRequested();
        forget(id);
        return;
    }
    Event *event = bills.constFirst();
    // The day of the answer, which may come days after the reminder.
    const QDate today = QDate::currentDate();
    if (action == PaidAction) {
        markSeen(*event);
        markPaid(*event, today);
    } else if (action == TomorrowAction) {
        markSeen(*event);
        event->notifyAgainDays = 1; // "Notify me again in 1 days."
    } else if (action == OpenAction) {
        markSeen(*event);
    } else {
        return; // not one of ours: the reminder waits for an answer
    }
    // The window that opens reads the file: the answer is there first. It
    // opens before this reminder is forgotten, so the last answer that
    // opens it never ends the program first.
    save();
    if (action == OpenAction)
        emit openRequested(event->name);
    forget(id);
}

void DesktopReminders::onNotificationClosed(uint id, uint reason)
{
    const QList<Event *> bills = m_shown.value(id);
    if (bills.isEmpty())
        return;
    // Only the user's dismissal answers; an expired or withdrawn reminder
    // comes again at the next automatic start.
    if (reason == NotificationService::DismissedByUser) {
        for (Event *event : bills)
            markSeen(*event);
        save();
    }
    forget(id);
}

void DesktopReminders::onServiceGone()
{
    if (m_shown.isEmpty())
        return;
    m_shown.clear();
    m_digestId = 0;
    emit finished();
}

void DesktopReminders::markSeen(Event &event)
{
    // As the reminder window marks a bill it shows.
    const QDate today = QDate::currentDate();
    markRemindersFired(event, today);
    event.lastNotified = today;
    event.notifyAgainDays = 0;
}

void DesktopReminders::save()
{
    QString reason;
    if (!m_billFile.save(m_events, &reason))
        emit saveFailed(m_billFile.path(), reason);
}

void DesktopReminders::forget(uint id)
{
    if (m_shown.remove(id) == 0)
        return;
    if (id == m_digestId)
        m_digestId = 0;
    // Some services keep a notification after its action was chosen.
    m_service->close(id);
    if (m_shown.isEmpty())
        emit finished();
}
