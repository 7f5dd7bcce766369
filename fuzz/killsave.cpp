// Kills saves of a large bill file at random moments and counts the files
// left damaged. Not a test (it takes minutes): run by hand,
//
//     killsave <empty folder> [rounds = 500] [bills = 20000] [plain]
//
// Each round forks a process in which two writers of one bill file (as the
// main window and the automatic start) load it and then save in turn, each
// changing its bills first, so that every save finds the file changed by the
// other one and merges; the round's process is killed (SIGKILL) after a
// random wait of up to six plain saves once both have loaded it. Then the file is read as a start reads it:
// it must read completely, with every bill and every field of the extension
// block. Leftovers of interrupted saves are counted and removed, as a start
// removes them. With "plain", the round's process only writes the file
// again and again (saveEvents), so nearly every kill lands inside a write.
#include "billfile.h"
#include "eventstore.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A bill that uses every field the file keeps.
Event *fullBill(int i)
{
    auto *bill = new Event;
    bill->name = QStringLiteral("Bill %1 with a name of some length").arg(i);
    bill->endMode = Event::EndOnDate;
    bill->endDate = QDate(2030, 1, 1).addDays(i % 365);
    bill->schedule = Event::ScheduleMonthly;
    bill->eventDate = QDate(2026, 1, 1);
    bill->weekdays = {true, false, true, false, true, false, false};
    bill->byDay = i % 2 == 0;
    bill->ordinal = 1 + i % 4;
    bill->months = {true, false, false, true, false, false, true, false, false, true, false, false};
    bill->byYear = false;
    bill->notify = true;
    bill->notifyDays = i % 99;
    bill->showOnce = true;
    bill->lastNotified = QDate(2026, 12, 1);
    bill->notifyAgainDays = 2;
    bill->options.every = 2 + i % 5;
    bill->options.everyFrom = QDate(2026, 1, 1);
    bill->options.fromEnd = 1 + i % 3;
    bill->options.shortMonths = ScheduleOptions::LastDay;
    bill->options.weekends = ScheduleOptions::MondayAfter;
    bill->payments.trackedSince = QDate(2025, 1, 1);
    bill->payments.paidThrough = QDate(2026, 11, 1);
    bill->payments.paidOn = QDate(2026, 11, 3);
    bill->amount = Money(12345 + i, QStringLiteral("EUR"));
    bill->unknownFields.insert(QStringLiteral("x-newer"), QByteArray("a field of a newer version"));
    return bill;
}

bool usesEveryField(const Event &bill)
{
    return bill.options.every > 1 && bill.options.everyFrom.isValid() && bill.options.fromEnd > 0
           && bill.options.shortMonths == ScheduleOptions::LastDay && bill.options.weekends == ScheduleOptions::MondayAfter
           && bill.payments.trackedSince.isValid() && bill.payments.paidThrough.isValid() && bill.payments.paidOn.isValid()
           && !bill.amount.isNull() && bill.unknownFields.size() == 1;
}

// The round's process: two writers take turns for ever. Says on `ready`
// when the loads are done.
[[noreturn]] void saveForEver(const QString &path, int ready)
{
    BillFile first(path);
    BillFile second(path);
    EventList firstBills = first.load();
    EventList secondBills = second.load();
    if (::write(ready, "r", 1) != 1)
        std::_Exit(3);
    for (int turn = 0;; ++turn) {
        const bool firstTurn = turn % 2 == 0;
        EventList &bills = firstTurn ? firstBills : secondBills;
        // The first writer marks reminders, the second pays: different
        // parts, so the merges keep both.
        for (qsizetype i = turn % 7; i < bills.size(); i += 7) {
            if (firstTurn)
                bills[i]->notifyAgainDays = turn % 90;
            else
                bills[i]->payments.paidOn = QDate(2026, 11, 3).addDays(turn % 30);
        }
        if (!(firstTurn ? first : second).save(bills))
            std::_Exit(3);
    }
}

// The plain round: the same file written over and over.
[[noreturn]] void writeForEver(const QString &path, int ready, int count)
{
    EventList bills;
    for (int i = 0; i < count; ++i)
        bills.append(fullBill(i));
    if (::write(ready, "r", 1) != 1)
        std::_Exit(3);
    for (;;) {
        if (!saveEvents(bills, path))
            std::_Exit(3);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: killsave <empty folder> [rounds] [bills] [plain]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 500;
    const int count = argc > 3 ? std::atoi(argv[3]) : 20000;
    const bool plain = argc > 4 && qstrcmp(argv[4], "plain") == 0;
    if (!QDir().mkpath(folder))
        return 2;
    const QString path = QDir(folder).filePath(QStringLiteral("events.evt"));

    EventList bills;
    for (int i = 0; i < count; ++i)
        bills.append(fullBill(i));
    if (!saveEvents(bills, path))
        return 2;
    QElapsedTimer timer;
    timer.start();
    if (!saveEvents(bills, path))
        return 2;
    const qint64 saveMs = std::max<qint64>(1, timer.elapsed());
    qDeleteAll(bills);

    int damaged = 0;
    int leftovers = 0;
    int killed = 0;
    for (int round = 0; round < rounds; ++round) {
        int ready[2];
        if (::pipe(ready) != 0)
            return 2;
        const pid_t child = ::fork();
        if (child < 0)
            return 2;
        if (child == 0) {
            if (plain)
                writeForEver(path, ready[1], count);
            saveForEver(path, ready[1]);
        }
        char byte = 0;
        const bool loaded = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        ::close(ready[1]);
        // A save that merges reads, compares and merges before it writes,
        // about three plain saves' time: six cover two turns.
        if (loaded)
            ::usleep(useconds_t(QRandomGenerator::global()->bounded(saveMs * (plain ? 2 : 6) * 1000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            ++killed;
        else
            std::fprintf(stderr, "round %d: the writer ended by itself (status %d)\n", round, status);

        leftovers += BillFile::removeSaveLeftovers(path);
        const BillFileRead read = readBillFile(path);
        const bool whole = read.state == BillFileState::Complete && read.events.size() == count
                           && std::all_of(read.events.cbegin(), read.events.cend(),
                                          [](const Event *bill) { return usesEveryField(*bill); });
        if (!whole) {
            ++damaged;
            std::fprintf(stderr, "round %d: damaged (%s)\n", round, qPrintable(read.problem));
            const QString kept = BillFile::keptPathFor(path, QDateTime::currentDateTime());
            if (!BillFile::moveEntry(path, kept))
                return 2;
            QList<Event *> fresh;
            for (int i = 0; i < count; ++i)
                fresh.append(fullBill(i));
            if (!saveEvents(fresh, path))
                return 2;
            qDeleteAll(fresh);
        }
        qDeleteAll(read.events);
    }
    std::printf("%s: %d rounds, %d writers killed, %d bills per file, one save %lld ms: %d damaged files, "
                "%d leftovers of interrupted saves removed\n",
                plain ? "plain saves" : "merging saves", rounds, killed, count, static_cast<long long>(saveMs),
                damaged, leftovers);
    return damaged == 0 ? 0 : 1;
}
