#include "caldavpublisher.h"

#include "caldavaccount.h"
#include "calendarexport.h"

#include <QAuthenticator>
#include <QFutureWatcher>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTime>
#include <QtConcurrent/QtConcurrentRun>

#include <vector>

namespace {

constexpr int LongestNameInSentence = 60;
constexpr int RecordSaveInterval = 500;

int statusCode(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// An ETag as the server sent it, if it is one that can be sent back: printable
// ASCII of a bounded length. Anything else counts as none.
QByteArray takenEtag(const QNetworkReply *reply)
{
    const QByteArray etag = reply->rawHeader("ETag").trimmed();
    if (etag.size() > SentCalendarRecord::MaximumEtagLength)
        return {};
    for (const char c : etag) {
        if (c < 0x21 || c > 0x7e)
            return {};
    }
    return etag;
}

// A bill's name in a sentence: plain text on one line, not too long.
QString nameInSentence(const QString &name)
{
    QString plain;
    for (const QChar c : name)
        plain += c.isPrint() ? c : QChar(u' ');
    plain = plain.simplified();
    if (plain.size() > LongestNameInSentence)
        plain = plain.left(LongestNameInSentence - 1) + QChar(0x2026);
    return plain;
}

// The server's reason for an answer, as plain text of one line.
QString answerText(const QNetworkReply *reply)
{
    const QString reason =
        nameInSentence(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    return QStringLiteral("%1 %2").arg(statusCode(reply)).arg(reason).trimmed();
}

} // namespace

// What the worker needs, all of it its own.
struct CalDavPublisher::Input
{
    std::vector<Event> bills;
    QDate today;
    QDateTime stamp;
    QTime alarmTime;
    QString recordPath;
    QUrl collection;
    bool webAddress = false;
    bool replace = false;
};

// What the worker hands back: the objects, the record and the requests.
struct CalDavPublisher::Preparation
{
    QHash<QByteArray, CalendarObject> wanted;
    SentCalendarRecord record;
    bool recordLoaded = false;  // only for a web address
    bool recordSetAside = false; // its file could not be read (recordProblem says why)
    QString recordProblem;
    QList<Step> steps;
    Counts counts;
    QStringList differingNames;
};

CalDavPublisher::CalDavPublisher(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_preparing(new QFutureWatcher<Preparation>(this))
    , m_recordPath(SentCalendarRecord::defaultPath())
{
    connect(m_network, &QNetworkAccessManager::authenticationRequired, this, &CalDavPublisher::authenticate);
    connect(m_preparing, &QFutureWatcherBase::finished, this, &CalDavPublisher::prepared);
}

CalDavPublisher::~CalDavPublisher()
{
    // Ended in the middle (the program quits): what went through and what
    // may have is noted, so the next publish neither repeats nor mistakes it.
    if (m_running && m_recordLoaded)
        m_record.save(m_recordPath);
}

bool CalDavPublisher::publish(const QUrl &collection, const QString &user, const QString &password,
                              const EventList &bills, QDate today)
{
    return start(collection, user, password, bills, today, false);
}

bool CalDavPublisher::replaceCalendarVersions(const QUrl &collection, const QString &user, const QString &password,
                                              const EventList &bills, QDate today)
{
    return start(collection, user, password, bills, today, true);
}

bool CalDavPublisher::start(const QUrl &collection, const QString &user, const QString &password,
                            const EventList &bills, QDate today, bool replace)
{
    if (m_running)
        return false;
    m_running = true;
    m_counts = Counts();
    m_stopSentence.clear();
    m_refusedReason.clear();
    m_differingNames.clear();
    m_steps.clear();
    m_nextStep = 0;
    m_answers = 0;
    m_wanted.clear();
    // Nothing of this publish is noted until the worker's plan is here.
    m_record = SentCalendarRecord();
    m_recordLoaded = false;

    // The password goes only through the authenticator, never in the URL.
    m_collection = collection.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (!m_collection.path().endsWith(u'/'))
        m_collection.setPath(m_collection.path() + u'/');
    m_user = user;
    m_password = password;

    Input input;
    input.bills.reserve(size_t(bills.size()));
    for (const Event *bill : bills) {
        if (bill)
            input.bills.push_back(*bill);
    }
    input.today = today;
    input.stamp = QDateTime::currentDateTimeUtc();
    input.alarmTime = CalendarExport::savedAlarmTime();
    input.recordPath = m_recordPath;
    input.collection = m_collection;
    // Only a web address: a file: URL would let a PUT write local files.
    const QString scheme = m_collection.scheme();
    input.webAddress = (scheme == QLatin1String("https") || scheme == QLatin1String("http"))
                       && !m_collection.host().isEmpty();
    input.replace = replace;
    // Credentials of an earlier publish are not used for this one.
    m_network->clearAccessCache();
    // The outcome always comes after publish() returned: the plan arrives
    // through the event loop.
    m_preparing->setFuture(QtConcurrent::run(&CalDavPublisher::prepare, std::move(input)));
    return true;
}

CalDavPublisher::Preparation CalDavPublisher::prepare(Input input)
{
    Preparation preparation;
    EventList bills;
    bills.reserve(qsizetype(input.bills.size()));
    for (Event &bill : input.bills)
        bills.append(&bill);
    const QList<CalendarObject> objects = calendarObjects(bills, input.today, input.stamp, input.alarmTime);
    QList<QByteArray> order;
    order.reserve(objects.size());
    for (const CalendarObject &object : objects) {
        // Two bills of one UID would be one object: the first is published.
        if (!SentCalendarRecord::isSafeUid(object.uid) || preparation.wanted.contains(object.uid)) {
            ++preparation.counts.failed;
            continue;
        }
        preparation.wanted.insert(object.uid, object);
        order.append(object.uid);
    }
    if (!input.webAddress) {
        preparation.counts.failed += int(order.size());
        return preparation;
    }
    preparation.recordLoaded = true;
    preparation.recordSetAside =
        !preparation.record.load(input.recordPath, input.collection, &preparation.recordProblem);
    planSteps(preparation, order, input.replace);
    return preparation;
}

void CalDavPublisher::planSteps(Preparation &preparation, const QList<QByteArray> &order, bool replace)
{
    const SentCalendarRecord &record = preparation.record;
    Counts &counts = preparation.counts;
    for (const QByteArray &uid : order) {
        const CalendarObject &object = preparation.wanted[uid];
        const SentCalendarRecord::Entry *sent = record.entry(uid);
        if (!sent || (sent->fingerprint.isEmpty() && !sent->differs)) {
            preparation.steps.append({Kind::Create, uid});
        } else if (sent->differs && !replace) {
            ++counts.differing;
            preparation.differingNames.append(object.name);
        } else if (sent->differs) {
            preparation.steps.append({Kind::Change, uid, true});
        } else if (sent->fingerprint == object.fingerprint) {
            ++counts.unchanged;
        } else {
            preparation.steps.append({Kind::Change, uid});
        }
    }
    for (auto it = record.entries().cbegin(); it != record.entries().cend(); ++it) {
        if (preparation.wanted.contains(it.key()))
            continue;
        if (it.value().differs && !replace) {
            ++counts.differing;
            preparation.differingNames.append(it.value().name);
        } else {
            preparation.steps.append({Kind::Remove, it.key(), it.value().differs});
        }
    }
}

void CalDavPublisher::prepared()
{
    Preparation preparation = m_preparing->future().takeResult();
    m_wanted = std::move(preparation.wanted);
    m_steps = std::move(preparation.steps);
    m_counts = preparation.counts;
    m_differingNames = std::move(preparation.differingNames);
    m_recordLoaded = preparation.recordLoaded;
    if (m_recordLoaded) {
        m_record = std::move(preparation.record);
        if (preparation.recordSetAside)
            qWarning("The record of the published calendar was set aside: %s", qPrintable(preparation.recordProblem));
    } else {
        stop(QStringLiteral("The calendar's address must begin with https:// (or http://) and name a server."));
    }
    sendMore();
}

QUrl CalDavPublisher::objectUrl(const QByteArray &uid) const
{
    QUrl url = m_collection;
    url.setPath(m_collection.path() + QString::fromLatin1(uid) + QStringLiteral(".ics"));
    return url;
}

void CalDavPublisher::sendMore()
{
    while (m_inFlight.size() < m_requestsAtOnce && m_nextStep < m_steps.size() && m_stopSentence.isEmpty())
        send(m_steps.at(m_nextStep++));
    if (m_inFlight.isEmpty() && (m_nextStep >= m_steps.size() || !m_stopSentence.isEmpty()))
        finish();
}

void CalDavPublisher::send(const Step &step)
{
    QNetworkRequest request(objectUrl(step.uid));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(m_transferTimeoutMs);
    request.setRawHeader("User-Agent", "Payvane");
    const SentCalendarRecord::Entry *sent = m_record.entry(step.uid);
    // Without an ETag, "*" still keeps a change from creating an object
    // that was removed in the calendar.
    const QByteArray etag = sent && !sent->etag.isEmpty() ? sent->etag : QByteArrayLiteral("*");
    Step sentStep = step;
    QNetworkReply *reply = nullptr;
    switch (step.kind) {
    case Kind::Create:
    case Kind::Change:
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/calendar; charset=utf-8"));
        if (step.kind == Kind::Create)
            request.setRawHeader("If-None-Match", "*");
        else if (!step.force)
            request.setRawHeader("If-Match", etag);
        reply = m_network->put(request, m_wanted.value(step.uid).text);
        if (sent)
            sentStep.earlierPending = sent->pending;
        notePending(step.uid);
        break;
    case Kind::Remove:
        if (!step.force)
            request.setRawHeader("If-Match", etag);
        reply = m_network->deleteResource(request);
        break;
    case Kind::Look:
        reply = m_network->get(request);
        break;
    case Kind::ReadTag:
        reply = m_network->head(request);
        break;
    }
    // No answer worth taking is longer: the rest waits on the wire.
    reply->setReadBufferSize(MaximumAnswerSize + 1);
    m_inFlight.insert(reply, sentStep);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, step] {
        if (step.kind != Kind::Look) {
            reply->skip(reply->bytesAvailable());
            return;
        }
        QByteArray &body = m_bodies[reply];
        body += reply->read(MaximumAnswerSize + 1 - body.size());
        if (body.size() > MaximumAnswerSize)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { answered(reply); });
}

void CalDavPublisher::notePending(const QByteArray &uid)
{
    // Until its answer comes, the text may or may not be in the calendar: a
    // later look recognises it there.
    const CalendarObject &object = m_wanted[uid];
    SentCalendarRecord::Entry entry;
    if (const SentCalendarRecord::Entry *sent = m_record.entry(uid))
        entry = *sent;
    entry.pending = object.fingerprint;
    entry.name = object.name;
    m_record.set(uid, entry);
}

void CalDavPublisher::authenticate(QNetworkReply *reply, QAuthenticator *authenticator)
{
    // Once per request: a second question means the server refused them,
    // and the empty answer ends the request with its 401.
    if (m_askedForPassword.contains(reply))
        return;
    m_askedForPassword.insert(reply);
    authenticator->setUser(m_user);
    authenticator->setPassword(m_password);
}

void CalDavPublisher::answered(QNetworkReply *reply)
{
    const Step step = m_inFlight.take(reply);
    QByteArray body = m_bodies.take(reply);
    m_askedForPassword.remove(reply);
    reply->deleteLater();
    if (step.kind == Kind::Look && reply->error() == QNetworkReply::NoError)
        body += reply->read(MaximumAnswerSize + 1 - body.size());
    const int status = statusCode(reply);
    const QString where = m_collection.toDisplayString();
    if (body.size() > MaximumAnswerSize) {
        ++m_counts.failed;
        m_refusedReason = QStringLiteral("an answer was longer than %1 bytes").arg(MaximumAnswerSize);
    } else if (status == 401) {
        ++m_counts.failed;
        stop(QStringLiteral("The calendar refused the user name or password."));
    } else if (status == 0) {
        ++m_counts.failed;
        const QString why = reply->error() == QNetworkReply::OperationCanceledError
                                ? QStringLiteral("it did not answer in time")
                                : nameInSentence(reply->errorString());
        stop(QStringLiteral("The calendar at %1 could not be reached: %2.").arg(where, why));
    } else if (status >= 500 || (status >= 300 && status < 400)) {
        ++m_counts.failed;
        stop(QStringLiteral("The calendar at %1 answered with an error: %2.").arg(where, answerText(reply)));
    } else {
        onAnswer(step, reply, status, body);
    }
    // A long publish notes its progress now and then, not only at its end.
    if (++m_answers % RecordSaveInterval == 0 && m_recordLoaded)
        m_record.save(m_recordPath);
    sendMore();
}

void CalDavPublisher::onAnswer(const Step &step, QNetworkReply *reply, int status, const QByteArray &body)
{
    const bool success = status >= 200 && status < 300;
    switch (step.kind) {
    case Kind::Create:
    case Kind::Change:
        if (success) {
            stored(step, takenEtag(reply));
        } else if (status == 412) {
            // Changed in the calendar, or our own earlier request whose
            // answer never came: a look tells which.
            m_steps.append({Kind::Look, step.uid, false, step.kind, step.retried, step.earlierPending});
        } else if (status == 404 || status == 409) {
            ++m_counts.failed;
            stop(QStringLiteral("There is no calendar at %1.").arg(m_collection.toDisplayString()));
        } else {
            ++m_counts.failed;
            m_refusedReason = answerText(reply);
        }
        break;
    case Kind::Remove:
        if (success || status == 404 || status == 410) {
            m_record.remove(step.uid);
            ++m_counts.removed;
        } else if (status == 412) {
            markDiffering(step);
        } else {
            ++m_counts.failed;
            m_refusedReason = answerText(reply);
        }
        break;
    case Kind::Look:
        lookedAt(step, status, takenEtag(reply), body);
        break;
    case Kind::ReadTag:
        if (success) {
            if (const SentCalendarRecord::Entry *sent = m_record.entry(step.uid)) {
                SentCalendarRecord::Entry entry = *sent;
                entry.etag = takenEtag(reply);
                m_record.set(step.uid, entry);
            }
        }
        break;
    }
}

void CalDavPublisher::stored(const Step &step, const QByteArray &etag)
{
    const CalendarObject &object = m_wanted[step.uid];
    m_record.set(step.uid, {etag, object.fingerprint, {}, object.name, false});
    if (step.kind == Kind::Create)
        ++m_counts.created;
    else
        ++m_counts.changed;
    if (etag.isEmpty())
        m_steps.append({Kind::ReadTag, step.uid});
}

void CalDavPublisher::lookedAt(const Step &step, int status, const QByteArray &etag, const QByteArray &body)
{
    const QByteArray found = status == 200 ? calendarFingerprint(body) : QByteArray();
    if (!found.isEmpty() && found == m_wanted[step.uid].fingerprint) {
        // The calendar holds what we meant to send: only its ETag was missing.
        stored({step.after, step.uid}, etag);
        return;
    }
    const SentCalendarRecord::Entry *sent = m_record.entry(step.uid);
    if (!step.retried && !found.isEmpty() && !etag.isEmpty() && sent
        && (found == sent->pending || found == sent->fingerprint || found == step.earlierPending)) {
        // Our own earlier text, whose answer never came (or whose ETag the
        // server changed without changing it): changed with its new ETag.
        m_record.set(step.uid, {etag, found, {}, sent->name, false});
        m_steps.append({Kind::Change, step.uid, false, Kind::Change, true});
        return;
    }
    if (status == 200 || status == 404) {
        markDiffering(step);
        return;
    }
    ++m_counts.failed;
}

void CalDavPublisher::markDiffering(const Step &step)
{
    SentCalendarRecord::Entry entry;
    if (const SentCalendarRecord::Entry *sent = m_record.entry(step.uid))
        entry = *sent;
    const auto wanted = m_wanted.constFind(step.uid);
    if (wanted != m_wanted.cend()) {
        entry.name = wanted->name;
        if (entry.fingerprint.isEmpty())
            entry.fingerprint = wanted->fingerprint;
    }
    entry.differs = true;
    m_record.set(step.uid, entry);
    ++m_counts.differing;
    m_differingNames.append(entry.name);
}

void CalDavPublisher::stop(const QString &sentence)
{
    if (m_stopSentence.isEmpty())
        m_stopSentence = sentence;
}

int CalDavPublisher::differingInRecord() const
{
    // The record, not this run's count: a publish stopped early still
    // leaves the objects an earlier one found changed.
    int count = 0;
    for (const SentCalendarRecord::Entry &entry : m_record.entries()) {
        if (entry.differs)
            ++count;
    }
    return count;
}

QString CalDavPublisher::sentence() const
{
    if (!m_differingNames.isEmpty()) {
        const QString first = nameInSentence(m_differingNames.first());
        if (m_differingNames.size() == 1) {
            return QStringLiteral("The bill \u201c%1\u201d was changed in the calendar; Payvane kept its own "
                                  "version and left the calendar's.")
                .arg(first);
        }
        return QStringLiteral("%1 bills, \u201c%2\u201d and others, were changed in the calendar; Payvane kept its "
                              "own versions and left the calendar's.")
            .arg(m_differingNames.size())
            .arg(first);
    }
    const int published = m_counts.created + m_counts.changed + m_counts.unchanged;
    const QString bills = published == 1 ? QStringLiteral("1 bill") : QStringLiteral("%1 bills").arg(published);
    const QString where = m_collection.toDisplayString();
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm"));
    if (m_counts.failed > 0) {
        const QString why = m_refusedReason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(m_refusedReason);
        return QStringLiteral("Published %1 to %2 at %3; %4 could not be stored%5.")
            .arg(bills, where, time)
            .arg(m_counts.failed)
            .arg(why);
    }
    return QStringLiteral("Published %1 to %2 at %3.").arg(bills, where, time);
}

void CalDavPublisher::finish()
{
    if (!m_running)
        return;
    // An ETag that was not asked for leaves nothing unsent.
    for (qsizetype i = m_nextStep; i < m_steps.size(); ++i) {
        if (m_steps.at(i).kind != Kind::ReadTag)
            ++m_counts.failed;
    }
    QString result = m_stopSentence.isEmpty() ? sentence() : m_stopSentence;
    QString problem;
    if (m_recordLoaded && !m_record.save(m_recordPath, &problem))
        result += QStringLiteral(" What was sent could not be noted: %1.").arg(problem);
    m_running = false;
    m_wanted.clear();
    m_password.clear();
    if (m_recordLoaded)
        CalDavAccount::storeLastResult(result, differingInRecord());
    else
        CalDavAccount::storeLastResult(result);
    emit finished(m_counts, result);
}
