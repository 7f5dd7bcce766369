// Publishing to a real CalDAV server (radicale on 127.0.0.1): what reaches
// the calendar, what a change there does to the next publish, and a server
// that stops in the middle.
#include "../common/radicaleserver.h"
#include "../update/fakewebserver.h"

#include "caldavaccount.h"
#include "caldavpublisher.h"
#include "calendarobject.h"
#include "sentcalendarrecord.h"
#include "billmerge.h"
#include "calendaruids.h"

#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QDate Today(2027, 1, 13);

Event *monthlyBill(const QString &name, int day)
{
    auto *event = new Event;
    event->name = name;
    event->schedule = Event::ScheduleMonthly;
    event->byDay = true;
    event->ordinal = day;
    event->months.fill(true);
    event->notify = true;
    event->notifyDays = 3;
    return event;
}

Event *singularBill(const QString &name, QDate date)
{
    auto *event = new Event;
    event->name = name;
    event->eventDate = date;
    return event;
}

// A list that deletes its bills, also when a check fails.
struct Bills : EventList
{
    using EventList::EventList;
    ~Bills() { qDeleteAll(*this); }
};

struct Outcome
{
    bool finished = false;
    CalDavPublisher::Counts counts;
    QString sentence;
};

// Runs one publish (or replacement) to its end.
Outcome publishAndWait(CalDavPublisher &publisher, const QUrl &collection, const QString &password,
                       const EventList &bills, bool replace = false)
{
    Outcome outcome;
    QEventLoop loop;
    const QMetaObject::Connection connection = QObject::connect(
        &publisher, &CalDavPublisher::finished, &loop,
        [&](const CalDavPublisher::Counts &counts, const QString &sentence) {
            outcome = {true, counts, sentence};
            loop.quit();
        });
    const bool started = replace
                             ? publisher.replaceCalendarVersions(collection, RadicaleServer::User, password, bills,
                                                                 Today)
                             : publisher.publish(collection, RadicaleServer::User, password, bills, Today);
    // Only a guard against a hang: nothing here depends on how long it takes.
    if (started) {
        QTimer::singleShot(300000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QObject::disconnect(connection);
    return outcome;
}

// counts as "created changed removed unchanged differing failed"
QString countsText(const CalDavPublisher::Counts &counts)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(counts.created)
        .arg(counts.changed)
        .arg(counts.removed)
        .arg(counts.unchanged)
        .arg(counts.differing)
        .arg(counts.failed);
}

// The objects the bills should be, by href path: their fingerprints.
QMap<QString, QByteArray> wantedObjects(const RadicaleServer &server, const EventList &bills)
{
    QMap<QString, QByteArray> wanted;
    for (const CalendarObject &object : calendarObjects(bills, Today, QDateTime::currentDateTimeUtc()))
        wanted.insert(server.objectPath(object.uid), object.fingerprint);
    return wanted;
}

QMap<QString, QByteArray> storedFingerprints(RadicaleServer &server)
{
    QMap<QString, QByteArray> stored;
    const auto objects = server.objects();
    for (auto it = objects.cbegin(); it != objects.cend(); ++it)
        stored.insert(it.key(), calendarFingerprint(it.value().data));
    return stored;
}

QMap<QString, QByteArray> storedEtags(RadicaleServer &server)
{
    QMap<QString, QByteArray> etags;
    const auto objects = server.objects();
    for (auto it = objects.cbegin(); it != objects.cend(); ++it)
        etags.insert(it.key(), it.value().etag);
    return etags;
}

} // namespace

class tst_CalDavPublisher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void publishesOnlyTheDifference();
    void refusedPublishSendsLater_data();
    void refusedPublishSendsLater();
    void changeInTheCalendarIsKept();
    void serverStoppedInTheMiddle();
    void unansweredTextIsRecognisedAfterAChange();
    void damagedRecordIsSetAside();
    void answersWithoutEtag();
    void billsAndPublisherMayGoAtOnce();

private:
    QTemporaryDir m_dir;
    QString recordPath() const { return m_dir.filePath(QStringLiteral("calendar-sent.dat")); }
};

void tst_CalDavPublisher::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    if (!RadicaleServer::available())
        QSKIP("radicale (Debian's package) is not installed");
}

void tst_CalDavPublisher::init()
{
    QFile::remove(recordPath());
}

void tst_CalDavPublisher::publishesOnlyTheDifference()
{
    RadicaleServer server;
    QVERIFY(server.start());
    QVERIFY(server.makeCalendar());
    Bills bills{monthlyBill(QStringLiteral("Rent"), 1), monthlyBill(QStringLiteral("Gas & <power>"), 15),
                    singularBill(QStringLiteral("Water"), QDate(2027, 1, 20))};
    QVERIFY(assignCalendarUids(bills));
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath());

    Outcome outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
    QVERIFY(outcome.finished);
    QCOMPARE(countsText(outcome.counts), QStringLiteral("3 0 0 0 0 0"));
    const QString published = QStringLiteral("Published 3 bills to %1 at ").arg(server.collection().toString());
    QVERIFY2(outcome.sentence.startsWith(published), qPrintable(outcome.sentence));
    QCOMPARE(CalDavAccount::lastResult(), outcome.sentence);
    // One object per bill, named by its UID, holding the bill's event.
    QCOMPARE(storedFingerprints(server), wantedObjects(server, bills));
    const auto first = server.objects();
    QVERIFY(first.value(server.objectPath(bills.at(1)->calendarUid.toByteArray(QUuid::WithoutBraces)))
                .data.contains("SUMMARY:Gas & <power>"));

    // A changed bill, a removed one, a paid one (no dates ahead), a new one.
    bills.at(0)->amount = Money(120000, QStringLiteral("EUR"));
    delete bills.takeAt(1);
    bills.at(1)->payments = {QDate(2027, 1, 1), QDate(2027, 1, 20), QDate(2027, 1, 12)};
    bills.append(monthlyBill(QStringLiteral("Phone"), 28));
    bills.append(monthlyBill(QStringLiteral("Gym"), 3));
    QVERIFY(assignCalendarUids(bills));
    outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
    QCOMPARE(countsText(outcome.counts), QStringLiteral("2 1 2 0 0 0"));
    QCOMPARE(storedFingerprints(server), wantedObjects(server, bills));
    QVERIFY(server.objects().value(server.objectPath(bills.at(0)->calendarUid.toByteArray(QUuid::WithoutBraces)))
                .data.contains("Amount:"));

    // Nothing changed: nothing is sent (a PUT would give a new stamp, so a
    // new ETag).
    const auto etags = storedEtags(server);
    outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
    QCOMPARE(countsText(outcome.counts), QStringLiteral("0 0 0 3 0 0"));
    QCOMPARE(storedEtags(server), etags);
}

void tst_CalDavPublisher::refusedPublishSendsLater_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("calendar"); // the collection's last part
    QTest::addColumn<bool>("serverRuns");
    QTest::addColumn<QString>("sentence"); // %1: the collection

    QTest::newRow("wrong password") << QStringLiteral("wrong") << QStringLiteral("bills") << true
                                    << QStringLiteral("The calendar refused the user name or password.");
    QTest::newRow("no such calendar") << RadicaleServer::Password << QStringLiteral("elsewhere") << true
                                      << QStringLiteral("There is no calendar at %1.");
    QTest::newRow("not a web address") << RadicaleServer::Password << QStringLiteral("file") << true
                                       << QStringLiteral("The calendar's address must begin with https:// (or "
                                                         "http://) and name a server.");
    QTest::newRow("server not running") << RadicaleServer::Password << QStringLiteral("bills") << false
                                        << QStringLiteral("The calendar at %1 could not be reached: ");
}

void tst_CalDavPublisher::refusedPublishSendsLater()
{
    QFETCH(QString, password);
    QFETCH(QString, calendar);
    QFETCH(bool, serverRuns);
    QFETCH(QString, sentence);

    RadicaleServer server;
    QVERIFY(server.start());
    QVERIFY(server.makeCalendar());
    if (!serverRuns)
        server.stop();
    Bills bills{monthlyBill(QStringLiteral("Rent"), 1), monthlyBill(QStringLiteral("Gas"), 15)};
    QVERIFY(assignCalendarUids(bills));
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath());
    QUrl collection = server.collection().resolved(QUrl(QStringLiteral("../") + calendar + u'/'));
    if (calendar == QLatin1String("file"))
        collection = QUrl::fromLocalFile(m_dir.path() + u'/');
    Outcome outcome = publishAndWait(publisher, collection, password, bills);
    QVERIFY(outcome.finished);
    if (sentence.contains(QLatin1String("%1")))
        sentence = sentence.arg(collection.toString());
    QVERIFY2(outcome.sentence.startsWith(sentence), qPrintable(outcome.sentence));
    QCOMPARE(outcome.counts.created, 0);
    QCOMPARE(outcome.counts.failed, 2);
    QCOMPARE(CalDavAccount::lastResult(), outcome.sentence);

    // Put right, the next publish sends what did not go out.
    if (!serverRuns)
        QVERIFY(server.start());
    outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
    QCOMPARE(countsText(outcome.counts), QStringLiteral("2 0 0 0 0 0"));
    QCOMPARE(storedFingerprints(server), wantedObjects(server, bills));
}

void tst_CalDavPublisher::changeInTheCalendarIsKept()
{
    RadicaleServer server;
    QVERIFY(server.start());
    QVERIFY(server.makeCalendar());
    Bills bills{monthlyBill(QStringLiteral("Rent"), 1), monthlyBill(QStringLiteral("Gas"), 15)};
    QVERIFY(assignCalendarUids(bills));
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath());
    QVERIFY(publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills).finished);

    // Someone moves the rent in the calendar, then the bill changes here.
    const QString rentPath = server.objectPath(bills.at(0)->calendarUid.toByteArray(QUuid::WithoutBraces));
    QByteArray theirs = server.objects().value(rentPath).data;
    theirs.replace("SUMMARY:Rent", "SUMMARY:Rent (moved on the phone)");
    QUrl rentUrl = server.collection();
    rentUrl.setPath(rentPath);
    QCOMPARE(server.request("PUT", rentUrl, theirs, {{"Content-Type", "text/calendar"}}) / 100, 2);
    bills.at(0)->amount = Money(90000, QStringLiteral("EUR"));
    const Event rentBefore = *bills.at(0);

    for (int round = 0; round < 2; ++round) {
        const Outcome outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
        QCOMPARE(countsText(outcome.counts), QStringLiteral("0 0 0 1 1 0"));
        QCOMPARE(outcome.sentence, QStringLiteral("The bill \u201cRent\u201d was changed in the calendar; Payvane "
                                                  "kept its own version and left the calendar's."));
        QVERIFY(server.objects().value(rentPath).data.contains("Rent (moved on the phone)"));
        QCOMPARE(CalDavAccount::differingCount(), 1);
    }
    QVERIFY(sameBill(*bills.at(0), rentBefore)); // ours stays as it was

    // Asked to, the program's version replaces the calendar's.
    const Outcome outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills, true);
    QCOMPARE(countsText(outcome.counts), QStringLiteral("0 1 0 1 0 0"));
    QCOMPARE(storedFingerprints(server), wantedObjects(server, bills));
    QCOMPARE(CalDavAccount::differingCount(), 0);
}

void tst_CalDavPublisher::serverStoppedInTheMiddle()
{
    RadicaleServer server;
    QVERIFY(server.start());
    QVERIFY(server.makeCalendar());
    Bills bills;
    for (int i = 0; i < 150; ++i)
        bills.append(monthlyBill(QStringLiteral("Bill %1").arg(i), i % 28 + 1));
    QVERIFY(assignCalendarUids(bills));
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath());

    // The server goes away once part of the bills arrived.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (server.storedFileCount() >= 40) {
            server.stop();
            watch.stop();
        }
    });
    watch.start(2);
    Outcome outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
    QVERIFY(outcome.finished);
    QVERIFY2(outcome.sentence.startsWith(QStringLiteral("The calendar at %1 could not be reached: ")
                                             .arg(server.collection().toString())),
             qPrintable(outcome.sentence));
    QVERIFY(outcome.counts.created >= 1 && outcome.counts.created < bills.size());
    QCOMPARE(outcome.counts.created + outcome.counts.failed, bills.size());

    // Some bills change meanwhile; the next publish brings the calendar to
    // each bill's latest text, each exactly once.
    for (int i = 0; i < bills.size(); i += 10)
        bills.at(i)->name += QStringLiteral(" (new name)");
    QVERIFY(server.start());
    outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
    QVERIFY2(outcome.sentence.startsWith(QStringLiteral("Published 150 bills")), qPrintable(outcome.sentence));
    QCOMPARE(outcome.counts.failed, 0);
    QCOMPARE(storedFingerprints(server), wantedObjects(server, bills));
}

// A text sent without an answer (the server stopped) is in the calendar;
// the bill changes before the next publish, which finds that text there
// and takes it for its own rather than for a change made in the calendar.
void tst_CalDavPublisher::unansweredTextIsRecognisedAfterAChange()
{
    RadicaleServer server;
    QVERIFY(server.start());
    QVERIFY(server.makeCalendar());
    Bills bills{monthlyBill(QStringLiteral("Rent"), 1)};
    QVERIFY(assignCalendarUids(bills));
    const CalendarObject sent = calendarObjects(bills, Today, QDateTime::currentDateTimeUtc()).first();
    QCOMPARE(server.request("PUT", QUrl(server.collection().toString() + QString::fromLatin1(sent.uid) + ".ics"),
                            sent.text, {{"Content-Type", "text/calendar; charset=utf-8"}}),
             201);
    SentCalendarRecord record;
    QVERIFY(record.load(recordPath(), server.collection()));
    record.set(sent.uid, {QByteArray(), QByteArray(), sent.fingerprint, sent.name, false});
    QVERIFY(record.save(recordPath()));

    bills.at(0)->name = QStringLiteral("Rent (new name)");
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath());
    const Outcome outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
    QCOMPARE(countsText(outcome.counts), QStringLiteral("0 1 0 0 0 0"));
    QCOMPARE(storedFingerprints(server), wantedObjects(server, bills));
}

void tst_CalDavPublisher::damagedRecordIsSetAside()
{
    RadicaleServer server;
    QVERIFY(server.start());
    QVERIFY(server.makeCalendar());
    Bills bills{monthlyBill(QStringLiteral("Rent"), 1), monthlyBill(QStringLiteral("Gas"), 15)};
    QVERIFY(assignCalendarUids(bills));
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath());
    QVERIFY(publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills).finished);
    QFile record(recordPath());
    QVERIFY(record.open(QIODevice::ReadWrite));
    const QByteArray whole = record.readAll();
    QVERIFY(record.resize(whole.size() - 3));
    record.close();

    // Without a record, creating meets the objects already there: they are
    // recognised as this program's, not overwritten and not doubled.
    const auto etags = storedEtags(server);
    QTest::ignoreMessage(QtWarningMsg, "The record of the published calendar was set aside: its contents are damaged");
    const Outcome outcome = publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills);
    QCOMPARE(countsText(outcome.counts), QStringLiteral("2 0 0 0 0 0"));
    QCOMPARE(storedEtags(server), etags);
    QFile aside(recordPath() + QStringLiteral(".damaged"));
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), whole.chopped(3));
    QCOMPARE(countsText(publishAndWait(publisher, server.collection(), RadicaleServer::Password, bills).counts),
             QStringLiteral("0 0 0 2 0 0"));
}

void tst_CalDavPublisher::answersWithoutEtag()
{
    FakeWebServer server;
    server.setAnswer(FakeWebServer::httpAnswer("201 Created", {}));
    Bills bills{monthlyBill(QStringLiteral("Rent"), 1)};
    QVERIFY(assignCalendarUids(bills));
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath());
    const QUrl collection(QString::fromLatin1(server.url("/cal/")));
    const QByteArray object = "/cal/" + bills.first()->calendarUid.toByteArray(QUuid::WithoutBraces) + ".ics";

    // The ETag is asked for once; without one, a change still only replaces
    // an object that is there, and nothing more is asked.
    QCOMPARE(countsText(publishAndWait(publisher, collection, QString(), bills).counts),
             QStringLiteral("1 0 0 0 0 0"));
    bills.first()->notifyDays = 9;
    QCOMPARE(countsText(publishAndWait(publisher, collection, QString(), bills).counts),
             QStringLiteral("0 1 0 0 0 0"));
    QStringList sent;
    for (const QByteArray &request : std::as_const(server.requests)) {
        const QByteArray head = request.left(request.indexOf("\r\n\r\n"));
        QString line = QString::fromLatin1(head.left(head.indexOf("\r\n")));
        for (const QByteArray &header : head.split('\n')) {
            if (header.startsWith("If-"))
                line += QStringLiteral(" ") + QString::fromLatin1(header.trimmed());
        }
        sent << line;
    }
    const QString path = QString::fromLatin1(object);
    QCOMPARE(sent, QStringList({QStringLiteral("PUT %1 HTTP/1.1 If-None-Match: *").arg(path),
                                QStringLiteral("HEAD %1 HTTP/1.1").arg(path),
                                QStringLiteral("PUT %1 HTTP/1.1 If-Match: *").arg(path),
                                QStringLiteral("HEAD %1 HTTP/1.1").arg(path)}));
}

// publish() copies the bills and returns while a worker makes the objects:
// the caller may delete its bills at once, and a publisher deleted before
// the objects are made leaves the worker nothing of its own to touch
// (AddressSanitizer watches) and sends nothing.
void tst_CalDavPublisher::billsAndPublisherMayGoAtOnce()
{
    RadicaleServer server;
    QVERIFY(server.start());
    QVERIFY(server.makeCalendar());
    {
        Bills many;
        for (int i = 0; i < 3000; ++i)
            many.append(monthlyBill(QStringLiteral("Bill %1").arg(i), 1 + i % 28));
        auto *publisher = new CalDavPublisher;
        publisher->setRecordPath(recordPath());
        QVERIFY(publisher->publish(server.collection(), RadicaleServer::User, RadicaleServer::Password, many, Today));
        QVERIFY(publisher->isRunning());
        delete publisher;
    }

    Bills bills{monthlyBill(QStringLiteral("Rent"), 1), singularBill(QStringLiteral("Water"), QDate(2027, 1, 20))};
    QVERIFY(assignCalendarUids(bills));
    CalDavPublisher publisher;
    publisher.setRecordPath(recordPath());
    Outcome outcome;
    QEventLoop loop;
    connect(&publisher, &CalDavPublisher::finished, &loop,
            [&](const CalDavPublisher::Counts &counts, const QString &sentence) {
                outcome = {true, counts, sentence};
                loop.quit();
            });
    {
        Bills copies;
        for (const Event *bill : std::as_const(bills))
            copies.append(new Event(*bill));
        QVERIFY(publisher.publish(server.collection(), RadicaleServer::User, RadicaleServer::Password, copies,
                                  Today));
    }
    // Only a guard against a hang.
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    loop.exec();
    QVERIFY(outcome.finished);
    QCOMPARE(countsText(outcome.counts), QStringLiteral("2 0 0 0 0 0"));
    QCOMPARE(storedFingerprints(server), wantedObjects(server, bills));
}

QTEST_GUILESS_MAIN(tst_CalDavPublisher)
#include "tst_caldavpublisher.moc"
