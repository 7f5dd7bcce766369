#ifndef PAYVANE_CALDAVPUBLISHER_H
#define PAYVANE_CALDAVPUBLISHER_H

#include "calendarobject.h"
#include "sentcalendarrecord.h"

#include "event.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;
template <typename T>
class QFutureWatcher;

// Publishes the bills to a CalDAV collection, one calendar object per bill
// (calendarObjects), in the background: publish() returns at once and
// finished() tells the outcome. It copies the bills and returns; a worker
// thread makes the objects, reads the record and plans the requests (for
// thousands of bills that takes a noticeable part of a second), and the
// requests go out from the publisher's own thread when the plan is there.
// The worker works on its copies alone, so a publisher deleted in the
// meantime leaves it nothing to touch.
//
// Only the difference to what was last sent (SentCalendarRecord) goes out:
// a new object with PUT and If-None-Match: *, a changed one with PUT and
// If-Match its ETag, the object of a removed bill with DELETE and If-Match.
// An object changed in the calendar since (412) is never overwritten: the
// bill file is left as it is, the object is marked as differing and left
// alone until replaceCalendarVersions(). A server error, a timeout or no
// network stops the publish; what was not sent stays in the difference and
// goes out with the next one. A few requests run at a time; each has a
// transfer timeout, answers are read bounded, redirects never go from https
// to http.
class CalDavPublisher : public QObject
{
    Q_OBJECT

public:
    struct Counts
    {
        int created = 0;
        int changed = 0;
        int removed = 0;
        int unchanged = 0;
        int differing = 0; // left alone: changed in the calendar
        int failed = 0;    // not sent (stopped, or refused one by one)
    };

    static constexpr int DefaultRequestsAtOnce = 6;
    static constexpr int DefaultTransferTimeoutMs = 30000;
    static constexpr qint64 MaximumAnswerSize = 64 * 1024;

    explicit CalDavPublisher(QObject *parent = nullptr);
    ~CalDavPublisher() override;

    // Where the record of what was sent lives (beside the bill file unless set).
    void setRecordPath(const QString &path) { m_recordPath = path; }
    void setRequestsAtOnce(int count) { m_requestsAtOnce = qMax(1, count); }
    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }

    // Starts publishing `bills` as they are on `today` (the caller may
    // change or delete them at once: they are copied before this returns).
    // False, doing nothing, while a publish runs.
    bool publish(const QUrl &collection, const QString &user, const QString &password, const EventList &bills,
                 QDate today);
    // The same, but the objects marked as differing are replaced with this
    // program's versions (or removed, for bills that are gone).
    bool replaceCalendarVersions(const QUrl &collection, const QString &user, const QString &password,
                                 const EventList &bills, QDate today);
    [[nodiscard]] bool isRunning() const { return m_running; }


signals:
    void finished(const CalDavPublisher::Counts &counts, const QString &sentence);

private:
    enum class Kind { Create, Change, Remove, Look, ReadTag };
    struct Step
    {
        Kind kind = Kind::Create;
        QByteArray uid;
        bool force = false; // replace the calendar's version
        Kind after = Kind::Create; // Look and ReadTag: the step they follow
        bool retried = false; // sent again after a look: never looked at twice
        // The text an earlier publish sent without an answer, before this
        // request took its place in the record: the calendar may hold it.
        QByteArray earlierPending = QByteArray();
    };

    struct Input;
    struct Preparation;

    bool start(const QUrl &collection, const QString &user, const QString &password, const EventList &bills,
               QDate today, bool replace);
    // On the worker thread: only its input and its result, never the publisher.
    [[nodiscard]] static Preparation prepare(Input input);
    static void planSteps(Preparation &preparation, const QList<QByteArray> &order, bool replace);
    void prepared();
    void sendMore();
    void send(const Step &step);
    void notePending(const QByteArray &uid);
    void answered(QNetworkReply *reply);
    void onAnswer(const Step &step, QNetworkReply *reply, int status, const QByteArray &body);
    void stored(const Step &step, const QByteArray &etag);
    void lookedAt(const Step &step, int status, const QByteArray &etag, const QByteArray &body);
    void markDiffering(const Step &step);
    void stop(const QString &sentence);
    void finish();
    void authenticate(QNetworkReply *reply, QAuthenticator *authenticator);
    [[nodiscard]] QUrl objectUrl(const QByteArray &uid) const;
    [[nodiscard]] QString sentence() const;
    [[nodiscard]] int differingInRecord() const;

    QNetworkAccessManager *m_network = nullptr;
    QFutureWatcher<Preparation> *m_preparing = nullptr;
    QString m_recordPath;
    int m_requestsAtOnce = DefaultRequestsAtOnce;
    int m_transferTimeoutMs = DefaultTransferTimeoutMs;

    bool m_running = false;
    QUrl m_collection;
    QString m_user;
    QString m_password;
    QHash<QByteArray, CalendarObject> m_wanted;
    SentCalendarRecord m_record;
    bool m_recordLoaded = false; // the record belongs to this publish's collection
    QList<Step> m_steps;
    qsizetype m_nextStep = 0;
    int m_answers = 0;
    QHash<QNetworkReply *, Step> m_inFlight;
    QHash<QNetworkReply *, QByteArray> m_bodies;
    QSet<QNetworkReply *> m_askedForPassword;
    Counts m_counts;
    QString m_stopSentence;   // why the publish stopped; empty while it goes on
    QString m_refusedReason;  // the server's last refusal of one object
    QStringList m_differingNames;
};

Q_DECLARE_METATYPE(CalDavPublisher::Counts)

#endif // PAYVANE_CALDAVPUBLISHER_H
