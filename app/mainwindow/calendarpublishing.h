#ifndef PAYVANE_CALENDARPUBLISHING_H
#define PAYVANE_CALENDARPUBLISHING_H

#include "event.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CalDavPublisher;
class QEventLoopLocker;
class QTimer;
class QWidget;

// The main window's bills published to the CalDAV calendar when publishing
// is on: a moment after the list changed (a run of changes is one publish),
// in the background. The password is obtained once per run (from the secret
// store, or asked); a bill gets its calendar UID before its first publish.
// A change while a publish runs is published after it. What could not be
// sent stays in the publisher's record and goes out with the next publish.
// Replacing the calendar's differing versions is such a publish too: asked
// for while one runs, it runs after it.
class CalendarPublishing : public QObject
{
    Q_OBJECT

public:
    using CurrentBills = std::function<EventList()>;
    using Today = std::function<QDate()>;

    static constexpr int QuietMs = 2000;

    CalendarPublishing(CurrentBills bills, Today today, QWidget *window);
    ~CalendarPublishing() override;

    // Publishes the bills as they are a moment from now.
    void publishSoon();
    // Publishes the bills now, putting this program's versions over the
    // objects that were changed in the calendar.
    void replaceCalendarVersions();
    // Keeps the program running until the publish under way (or due) has
    // ended: the window may close meanwhile.
    void finishBeforeQuitting();
    [[nodiscard]] bool isBusy() const;

signals:
    // A publish ended; its sentence is the settings page's last result.
    void published(const QString &sentence);

private:
    void publishNow();
    void publishWith(const QString &password);
    void ended(const QString &sentence);

    CurrentBills m_bills;
    Today m_today;
    QWidget *m_window;
    QTimer *m_quiet;
    CalDavPublisher *m_publisher;
    QString m_password; // this run's, once obtained
    bool m_asking = false;
    bool m_again = false; // the list changed during the publish
    bool m_replace = false; // the next publish replaces the calendar's versions
    std::unique_ptr<QEventLoopLocker> m_keepRunning;
};

#endif // PAYVANE_CALENDARPUBLISHING_H
