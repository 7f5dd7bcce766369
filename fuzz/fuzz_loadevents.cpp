// Feeds arbitrary bytes to the bill-file reader, records and extension block,
// and to the merge of two writers: an input holding the marker "PVMG" is also
// read as two bill files, the one both writers read (before the marker) and
// the one another writer left (after it), and merged with a changed copy of
// the first. Built as a libFuzzer target with clang (PAYVANE_FUZZ), and as a
// replay program that runs the committed corpus under CTest with any compiler.
#include "billmerge.h"
#include "eventstore.h"
#include "paymentstatus.h"

#include <QBuffer>
#include <QByteArray>
#include <QSet>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

const QDate Today(2026, 12, 5);

BillFileRead readBytes(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readBillFile(buffer);
}

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

void checkReader(const QByteArray &input)
{
    const BillFileRead read = readBytes(input);
    // Every record must be whole: each costs at least 59 bytes of the input.
    check(qsizetype(read.events.size()) * 59 <= input.size());
    // Only a file read completely may be called complete, and only damage
    // comes with a reason.
    check((read.state == BillFileState::Complete) == read.problem.isEmpty());

    // What the program would write back reads back completely, as the same
    // bills, and is written the same again.
    const QByteArray written = billFileBytes(read.events);
    const BillFileRead again = readBytes(written);
    check(again.state == BillFileState::Complete && again.events.size() == read.events.size()
          && billFileBytes(again.events) == written);
    // Every extension field read is written back.
    for (qsizetype i = 0; i < read.events.size(); ++i) {
        const Event &first = *read.events.at(i);
        const Event &second = *again.events.at(i);
        check(first.options == second.options && first.payments == second.payments && first.amount == second.amount
              && first.extraReminders == second.extraReminders && first.amountVaries == second.amountVaries
              && first.history == second.history && first.calendarUid == second.calendarUid
              && first.unknownFields == second.unknownFields);
    }

    // An amount read is always one of a currency code. Whatever dates a
    // file holds, paying moves a bill on: its first unpaid date afterwards
    // lies after the date just paid.
    for (const Event *event : std::as_const(read.events)) {
        check(event->amount.isNull() || Money::isCurrencyCode(event->amount.currency()));
        Event paid = *event;
        const DueDate marked = markPaid(paid, Today);
        const QDate following = paymentStatus(paid, Today).unpaid.date;
        check(!marked.date.isValid() || !following.isValid() || following > marked.date);
    }

    qDeleteAll(read.events);
    qDeleteAll(again.events);
}

// This writer's bills: the base changed bill by bill as the input says
// (kept, removed, reminded, paid, renamed, given an amount or a newer
// version's field), and perhaps one added.
EventList changedCopy(const QList<Event> &base, const QByteArray &choices, QList<qsizetype> *origins)
{
    EventList ours;
    for (qsizetype i = 0; i < base.size(); ++i) {
        const int choice = choices.isEmpty() ? 0 : uchar(choices.at(i % choices.size())) % 7;
        if (choice == 1)
            continue;
        auto *bill = new Event(base.at(i));
        switch (choice) {
        case 2:
            bill->lastNotified = Today;
            bill->notifyAgainDays = 3;
            break;
        case 3:
            bill->payments.trackedSince = Today.addYears(-1);
            bill->payments.paidThrough = Today;
            bill->payments.paidOn = Today;
            break;
        case 4:
            bill->name += QLatin1Char('*');
            break;
        case 5:
            bill->amount = Money(qint64(i) * 100, QStringLiteral("EUR"));
            break;
        case 6:
            bill->unknownFields.insert(QStringLiteral("x-fuzz"), choices.left(3));
            break;
        default:
            break;
        }
        ours.append(bill);
        origins->append(i);
    }
    if (!choices.isEmpty() && (uchar(choices.at(0)) & 0x80)) {
        auto *added = new Event;
        added->name = QStringLiteral("added here");
        ours.append(added);
        origins->append(-1);
    }
    return ours;
}

bool validIndices(const QList<qsizetype> &indices, qsizetype size)
{
    QSet<qsizetype> seen;
    for (qsizetype index : indices) {
        if (index < -1 || index >= size || (index >= 0 && seen.contains(index)))
            return false;
        seen.insert(index);
    }
    return true;
}

void checkMerge(const QByteArray &baseBytes, const QByteArray &theirsBytes)
{
    const BillFileRead baseRead = readBytes(baseBytes);
    const BillFileRead theirsRead = readBytes(theirsBytes);
    QList<Event> base;
    for (const Event *event : baseRead.events)
        base.append(*event);
    qDeleteAll(baseRead.events);
    const EventList &theirs = theirsRead.events;
    QList<qsizetype> origins;
    const EventList ours = changedCopy(base, theirsBytes.right(16), &origins);

    const BillMerge merge = mergeBills(base, theirs, ours, origins);
    const EventList &bills = merge.bills;
    check(merge.fromOurs.size() == ours.size() && validIndices(merge.fromOurs, bills.size()));
    check(merge.fromTheirs.size() == bills.size() && validIndices(merge.fromTheirs, theirs.size()));
    check(merge.conflicts <= base.size());

    // The merge is written and read back whole.
    const QByteArray written = billFileBytes(bills);
    const BillFileRead back = readBytes(written);
    check(back.state == BillFileState::Complete && back.events.size() == bills.size()
          && billFileBytes(back.events) == written);
    qDeleteAll(back.events);

    // No change lost: bills added on either side are there; a bill changed
    // on one side only is there as that side has it; one removed on one
    // side and unchanged on the other is gone.
    const QList<qsizetype> theirsMatch = matchBills(base, theirs);
    QList<qsizetype> theirsOf(base.size(), -1);
    for (qsizetype j = 0; j < theirs.size(); ++j) {
        if (theirsMatch.at(j) >= 0)
            theirsOf[theirsMatch.at(j)] = j;
        else
            check(std::any_of(bills.cbegin(), bills.cend(), [&](const Event *b) { return sameBill(*b, *theirs.at(j)); }));
    }
    for (qsizetype k = 0; k < ours.size(); ++k) {
        const qsizetype at = merge.fromOurs.at(k);
        const qsizetype i = origins.at(k);
        if (i < 0) {
            check(at >= 0 && sameBill(*bills.at(at), *ours.at(k)));
            continue;
        }
        const bool oursChanged = !sameBill(*ours.at(k), base.at(i));
        const Event *other = theirsOf.at(i) >= 0 ? theirs.at(theirsOf.at(i)) : nullptr;
        const bool theirsChanged = other && !sameBill(*other, base.at(i));
        if (!other && !oursChanged)
            check(at < 0);
        if (other && oursChanged && !theirsChanged)
            check(at >= 0 && sameBill(*bills.at(at), *ours.at(k)));
        if (other && !oursChanged)
            check(at >= 0 && sameBill(*bills.at(at), *other));
        if (other && oursChanged && theirsChanged && separateBillChanges(base.at(i), *ours.at(k), *other))
            check(at >= 0 && sameBill(*bills.at(at), mergedBillParts(base.at(i), *ours.at(k), *other)));
    }

    qDeleteAll(bills);
    qDeleteAll(ours);
    qDeleteAll(theirs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    checkReader(input);
    const qsizetype marker = input.indexOf("PVMG");
    if (marker >= 0)
        checkMerge(input.left(marker), input.mid(marker + 4));
    return 0;
}
