#include "calendarpublishing.h"

#include "caldavaccount.h"
#include "caldavpasswordprompt.h"
#include "caldavpublisher.h"
#include "calendaruids.h"

#include <QEventLoopLocker>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <utility>

CalendarPublishing::CalendarPublishing(CurrentBills bills, Today today, QWidget *window)
    : QObject(window)
    , m_bills(std::move(bills))
    , m_today(std::move(today))
    , m_window(window)
    , m_quiet(new QTimer(this))
    , m_publisher(new CalDavPublisher(this))
{
    m_quiet->setSingleShot(true);
    m_quiet->setInterval(QuietMs);
    connect(m_quiet, &QTimer::timeout, this, &CalendarPublishing::publishNow);
    connect(m_publisher, &CalDavPublisher::finished, this,
            [this](const CalDavPublisher::Counts &, const QString &sentence) { ended(sentence); });
}

CalendarPublishing::~CalendarPublishing() = default;

void CalendarPublishing::publishSoon()
{
    if (!CalDavAccount::stored().isReady())
        return;
    if (m_publisher->isRunning() || m_asking) {
        m_again = true;
        return;
    }
    m_quiet->start();
}

void CalendarPublishing::replaceCalendarVersions()
{
    if (!CalDavAccount::stored().isReady()) {
        const QString sentence = QStringLiteral(
            "Nothing was replaced: publishing to the CalDAV calendar is off or its address cannot be used.");
        CalDavAccount::storeLastResult(sentence);
        emit published(sentence);
        return;
    }
    m_replace = true;
    // The publish under way, or the password being asked, ends in it.
    if (m_publisher->isRunning() || m_asking)
        return;
    // It publishes the latest changes as well.
    m_quiet->stop();
    publishNow();
}

bool CalendarPublishing::isBusy() const
{
    return m_quiet->isActive() || m_asking || m_publisher->isRunning();
}

void CalendarPublishing::finishBeforeQuitting()
{
    if (m_quiet->isActive()) {
        m_quiet->stop();
        publishNow();
    }
    if (isBusy() && !m_keepRunning)
        m_keepRunning = std::make_unique<QEventLoopLocker>();
}

void CalendarPublishing::publishNow()
{
    const CalDavAccount account = CalDavAccount::stored();
    if (!account.isReady())
        return;
    if (!m_password.isEmpty()) {
        publishWith(m_password);
        return;
    }
    m_asking = true;
    auto *prompt = new CalDavPasswordPrompt(account, m_window);
    connect(prompt, &CalDavPasswordPrompt::obtained, this, [this, prompt](const QString &password) {
        prompt->deleteLater();
        m_asking = false;
        m_password = password;
        publishWith(password);
    });
    connect(prompt, &CalDavPasswordPrompt::declined, this, [this, prompt] {
        prompt->deleteLater();
        m_asking = false;
        m_again = false;
        const QString sentence = std::exchange(m_replace, false)
            ? QStringLiteral("Nothing was replaced: the calendar's password was not given.")
            : QStringLiteral("Nothing was published: the calendar's password was not given.");
        CalDavAccount::storeLastResult(sentence);
        emit published(sentence);
        m_keepRunning.reset();
    });
    prompt->obtain();
}

void CalendarPublishing::publishWith(const QString &password)
{
    const CalDavAccount account = CalDavAccount::stored();
    const EventList bills = m_bills();
    // A new bill is its own calendar object from its first publish on; the
    // UID is saved with the bill file.
    static_cast<void>(assignCalendarUids(bills));
    const QUrl collection(account.url);
    if (m_replace) {
        if (m_publisher->replaceCalendarVersions(collection, account.user, password, bills, m_today()))
            m_replace = false;
        return;
    }
    if (!m_publisher->publish(collection, account.user, password, bills, m_today()))
        m_again = true;
}

void CalendarPublishing::ended(const QString &sentence)
{
    emit published(sentence);
    if (m_replace) {
        // The replace publishes the changes made meanwhile too.
        m_again = false;
        publishNow();
        return;
    }
    if (m_again) {
        m_again = false;
        m_keepRunning ? publishNow() : m_quiet->start();
        return;
    }
    m_keepRunning.reset();
}
