#include "automaticpublishing.h"

#include "caldavaccount.h"
#include "caldavpassword.h"
#include "caldavpublisher.h"
#include "eventstore.h"

#include <QEventLoop>
#include <QTimer>
#include <QUrl>

AutomaticPublishing::AutomaticPublishing(QObject *parent)
    : QObject(parent)
    , m_publisher(new CalDavPublisher(this))
{
    connect(m_publisher, &CalDavPublisher::finished, this,
            [this](const CalDavPublisher::Counts &, const QString &) { end(QString()); });
}

AutomaticPublishing::~AutomaticPublishing()
{
    qDeleteAll(m_bills);
}

void AutomaticPublishing::start(QDate today)
{
    const CalDavAccount account = CalDavAccount::stored();
    if (m_running || !account.isReady())
        return;
    m_running = true;
    m_today = today;
    auto *password = new CalDavPassword(account.passwordKey(), this);
    connect(password, &CalDavPassword::readFinished, this, [this, password](const QString &text) {
        password->deleteLater();
        if (text.isEmpty()) {
            end(QStringLiteral("Nothing was published at the automatic start: no secret store holds the "
                               "calendar's password."));
            return;
        }
        publishWith(text);
    });
    password->read();
}

void AutomaticPublishing::publishWith(const QString &password)
{
    BillFileRead read = readBillFile(eventsFilePath());
    if (read.state != BillFileState::Complete && read.state != BillFileState::Missing) {
        // A part of the list would pass for the whole: its missing bills
        // would be removed from the calendar.
        qDeleteAll(read.events);
        end(QStringLiteral("Nothing was published at the automatic start: the bill file could not be read "
                           "completely."));
        return;
    }
    for (Event *event : std::as_const(read.events)) {
        if (event->calendarUid.isNull())
            delete event;
        else
            m_bills.append(event);
    }
    const CalDavAccount account = CalDavAccount::stored();
    if (!m_publisher->publish(QUrl(account.url), account.user, password, m_bills, m_today))
        end(QString());
}

void AutomaticPublishing::end(const QString &sentence)
{
    if (!sentence.isEmpty())
        CalDavAccount::storeLastResult(sentence);
    qDeleteAll(m_bills);
    m_bills.clear();
    m_running = false;
    emit done();
}

void AutomaticPublishing::waitUntilDone()
{
    if (!m_running)
        return;
    QEventLoop loop;
    connect(this, &AutomaticPublishing::done, &loop, &QEventLoop::quit);
    QTimer::singleShot(LongestWaitMs, &loop, &QEventLoop::quit);
    loop.exec();
}
