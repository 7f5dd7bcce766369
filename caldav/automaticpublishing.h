#ifndef PAYVANE_AUTOMATICPUBLISHING_H
#define PAYVANE_AUTOMATICPUBLISHING_H

#include "event.h"

#include <QDate>
#include <QObject>

class CalDavPublisher;

// The automatic start's publish to the CalDAV calendar, beside the
// reminders: the bill file as it is (read only; nothing is published from
// a file not read completely), the password from the secret store (no one
// is asked: the start may have no one at the screen). Only bills that have
// their calendar UID go out; the main window gives a new bill its UID.
class AutomaticPublishing : public QObject
{
    Q_OBJECT

public:
    static constexpr int LongestWaitMs = 120000;

    explicit AutomaticPublishing(QObject *parent = nullptr);
    ~AutomaticPublishing() override;

    // Starts when publishing is on; else there is nothing to wait for.
    void start(QDate today);
    // Runs the event loop until the publish has ended, at most LongestWaitMs.
    void waitUntilDone();

signals:
    void done();

private:
    void publishWith(const QString &password);
    void end(const QString &sentence);

    CalDavPublisher *m_publisher;
    QDate m_today;
    EventList m_bills;
    bool m_running = false;
};

#endif // PAYVANE_AUTOMATICPUBLISHING_H
