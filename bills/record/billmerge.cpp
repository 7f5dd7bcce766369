#include "billmerge.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

// One independently changing part of a bill: whether two bills agree on it,
// and how it is taken from one into another.
struct BillPart
{
    bool (*same)(const Event &a, const Event &b);
    void (*take)(Event &to, const Event &from);
};

// The record keeps a null name and an empty one apart; so does the merge.
bool sameName(const Event &a, const Event &b)
{
    return a.name == b.name && a.name.isNull() == b.name.isNull();
}

bool sameSchedule(const Event &a, const Event &b)
{
    return a.endMode == b.endMode && a.endDate == b.endDate && a.schedule == b.schedule && a.eventDate == b.eventDate
           && a.weekdays == b.weekdays && a.byDay == b.byDay && a.ordinal == b.ordinal && a.months == b.months
           && a.byYear == b.byYear && a.options == b.options;
}

void takeSchedule(Event &to, const Event &from)
{
    to.endMode = from.endMode;
    to.endDate = from.endDate;
    to.schedule = from.schedule;
    to.eventDate = from.eventDate;
    to.weekdays = from.weekdays;
    to.byDay = from.byDay;
    to.ordinal = from.ordinal;
    to.months = from.months;
    to.byYear = from.byYear;
    to.options = from.options;
}

const BillPart BillParts[] = {
    {sameName, [](Event &to, const Event &from) { to.name = from.name; }},
    {sameSchedule, takeSchedule},
    {[](const Event &a, const Event &b) {
         return a.notify == b.notify && a.notifyDays == b.notifyDays && a.showOnce == b.showOnce;
     },
     [](Event &to, const Event &from) {
         to.notify = from.notify;
         to.notifyDays = from.notifyDays;
         to.showOnce = from.showOnce;
     }},
    {[](const Event &a, const Event &b) {
         return a.lastNotified == b.lastNotified && a.notifyAgainDays == b.notifyAgainDays;
     },
     [](Event &to, const Event &from) {
         to.lastNotified = from.lastNotified;
         to.notifyAgainDays = from.notifyAgainDays;
     }},
    {[](const Event &a, const Event &b) { return a.payments == b.payments; },
     [](Event &to, const Event &from) { to.payments = from.payments; }},
    {[](const Event &a, const Event &b) { return a.amount == b.amount; },
     [](Event &to, const Event &from) { to.amount = from.amount; }},
    {[](const Event &a, const Event &b) { return a.extraReminders == b.extraReminders; },
     [](Event &to, const Event &from) { to.extraReminders = from.extraReminders; }},
    {[](const Event &a, const Event &b) { return a.amountVaries == b.amountVaries; },
     [](Event &to, const Event &from) { to.amountVaries = from.amountVaries; }},
    {[](const Event &a, const Event &b) { return a.calendarUid == b.calendarUid; },
     [](Event &to, const Event &from) { to.calendarUid = from.calendarUid; }},
};

QByteArray paymentKey(const PaymentRecord &payment)
{
    QByteArray key;
    QDataStream stream(&key, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_2);
    stream << payment.dueDate << payment.paidOn << payment.amount.minorUnits() << payment.amount.currency()
           << payment.note;
    return key;
}

// The payment history is a list that both sides may add to and take from:
// ours without the payments theirs took back, then the payments theirs
// added that ours did not add as well (the same payment recorded on both
// sides is one payment). Counted per equal payment, so two equal payments
// stay two.
QList<PaymentRecord> mergedHistory(const Event &base, const Event &ours, const Event &theirs)
{
    if (ours.history == base.history)
        return theirs.history;
    if (theirs.history == base.history)
        return ours.history;
    QHash<QByteArray, qsizetype> inBase;
    QHash<QByteArray, qsizetype> inOurs;
    QHash<QByteArray, qsizetype> inTheirs;
    for (const PaymentRecord &payment : base.history)
        ++inBase[paymentKey(payment)];
    for (const PaymentRecord &payment : ours.history)
        ++inOurs[paymentKey(payment)];
    for (const PaymentRecord &payment : theirs.history)
        ++inTheirs[paymentKey(payment)];
    QHash<QByteArray, qsizetype> takenBackThere;
    for (auto it = inBase.cbegin(); it != inBase.cend(); ++it)
        takenBackThere[it.key()] = std::max<qsizetype>(0, it.value() - inTheirs.value(it.key()));
    QList<PaymentRecord> merged;
    for (const PaymentRecord &payment : ours.history) {
        qsizetype &takenBack = takenBackThere[paymentKey(payment)];
        if (takenBack > 0)
            --takenBack;
        else
            merged.append(payment);
    }
    for (const PaymentRecord &payment : theirs.history) {
        const QByteArray key = paymentKey(payment);
        const qsizetype addedThere = inTheirs.value(key) - inBase.value(key);
        const qsizetype addedHere = std::max<qsizetype>(0, inOurs.value(key) - inBase.value(key));
        if (addedThere - addedHere <= 0)
            continue;
        merged.append(payment);
        --inTheirs[key]; // one fewer left to add
    }
    return merged;
}

// A field of a newer version: absent, or its bytes.
std::optional<QByteArray> unknownField(const Event &event, const QString &name)
{
    const auto it = event.unknownFields.constFind(name);
    return it == event.unknownFields.cend() ? std::nullopt : std::optional<QByteArray>(it.value());
}

QSet<QString> unknownFieldNames(const Event &base, const Event &ours, const Event &theirs)
{
    QSet<QString> names;
    for (const Event *event : {&base, &ours, &theirs}) {
        for (auto it = event->unknownFields.cbegin(); it != event->unknownFields.cend(); ++it)
            names.insert(it.key());
    }
    return names;
}

// How one base bill ends up in the merge.
enum class Outcome { Removed, Ours, Theirs, Merged };

struct Decision
{
    Outcome outcome = Outcome::Removed;
    Event merged; // Merged only
};

Decision decide(const Event &base, const Event *ours, const Event *theirs, const BillConflictResolver &resolve,
                int *conflicts)
{
    const bool oursChanged = ours && !sameBill(*ours, base);
    const bool theirsChanged = theirs && !sameBill(*theirs, base);
    if (!ours && !theirs)
        return {};
    // One side removed it: the other side's changes are a conflict, else it goes.
    if (!ours || !theirs) {
        if (!(ours ? oursChanged : theirsChanged))
            return {};
        ++*conflicts;
        const BillChoice choice = resolve(BillConflict{&base, ours, theirs, false});
        const bool keepOurs = choice != BillChoice::Theirs;
        if (keepOurs == bool(ours))
            return {ours ? Outcome::Ours : Outcome::Theirs, {}};
        return {};
    }
    if (!oursChanged)
        return {Outcome::Theirs, {}};
    if (!theirsChanged || sameBill(*ours, *theirs))
        return {Outcome::Ours, {}};
    ++*conflicts;
    const bool separate = separateBillChanges(base, *ours, *theirs);
    switch (resolve(BillConflict{&base, ours, theirs, separate})) {
    case BillChoice::Ours:
        return {Outcome::Ours, {}};
    case BillChoice::Theirs:
        return {Outcome::Theirs, {}};
    case BillChoice::Both:
        break;
    }
    return {Outcome::Merged, mergedBillParts(base, *ours, *theirs)};
}

// Per bill of ours, its base bill: -1 for one added here, and for an index
// out of range or given before.
QList<qsizetype> checkedOrigins(const QList<qsizetype> &origins, qsizetype oursCount, qsizetype baseCount)
{
    QList<qsizetype> checked(oursCount, -1);
    QList<bool> taken(baseCount, false);
    for (qsizetype k = 0; k < oursCount && k < origins.size(); ++k) {
        const qsizetype i = origins.at(k);
        if (i >= 0 && i < baseCount && !taken.at(i)) {
            checked[k] = i;
            taken[i] = true;
        }
    }
    return checked;
}

} // namespace

BillChoice automaticBillChoice(const BillConflict &conflict)
{
    if (!conflict.ours)
        return BillChoice::Ours;
    if (!conflict.theirs)
        return BillChoice::Theirs;
    return BillChoice::Both;
}

Event mergedBillParts(const Event &base, const Event &ours, const Event &theirs)
{
    Event merged = ours;
    for (const BillPart &part : BillParts) {
        if (part.same(ours, base))
            part.take(merged, theirs);
    }
    merged.history = mergedHistory(base, ours, theirs);
    for (const QString &name : unknownFieldNames(base, ours, theirs)) {
        if (unknownField(ours, name) != unknownField(base, name))
            continue;
        if (const std::optional<QByteArray> value = unknownField(theirs, name))
            merged.unknownFields.insert(name, *value);
        else
            merged.unknownFields.remove(name);
    }
    return merged;
}

bool separateBillChanges(const Event &base, const Event &ours, const Event &theirs)
{
    for (const BillPart &part : BillParts) {
        if (!part.same(ours, base) && !part.same(theirs, base) && !part.same(ours, theirs))
            return false;
    }
    for (const QString &name : unknownFieldNames(base, ours, theirs)) {
        const std::optional<QByteArray> was = unknownField(base, name);
        const std::optional<QByteArray> mine = unknownField(ours, name);
        const std::optional<QByteArray> other = unknownField(theirs, name);
        if (mine != was && other != was && mine != other)
            return false;
    }
    return true;
}

bool sameBill(const Event &a, const Event &b)
{
    for (const BillPart &part : BillParts) {
        if (!part.same(a, b))
            return false;
    }
    return a.history == b.history && a.unknownFields == b.unknownFields;
}

QByteArray billKey(const Event &event)
{
    QByteArray key;
    QDataStream stream(&key, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_2);
    stream << event;
    const ScheduleOptions &options = event.options;
    stream << options.every << options.everyFrom << options.fromEnd << options.shortMonths << options.weekends
           << options.businessDay;
    stream << event.payments.trackedSince << event.payments.paidThrough << event.payments.paidOn;
    stream << event.amount.minorUnits() << event.amount.currency();
    stream << quint32(event.extraReminders.size());
    for (const ExtraReminder &reminder : event.extraReminders)
        stream << reminder.days << reminder.when << reminder.firedFor;
    stream << event.amountVaries << quint32(event.history.size());
    for (const PaymentRecord &payment : event.history)
        stream << paymentKey(payment);
    stream << event.calendarUid << event.unknownFields;
    return key;
}

QList<qsizetype> matchBills(const QList<Event> &base, const EventList &other)
{
    QList<qsizetype> match(other.size(), -1);
    QList<bool> used(base.size(), false);

    // Equal bills, in order: the first unused base bill of that key.
    QHash<QByteArray, QList<qsizetype>> byKey;
    for (qsizetype i = 0; i < base.size(); ++i)
        byKey[billKey(base.at(i))].append(i);
    for (qsizetype j = 0; j < other.size(); ++j) {
        const auto it = byKey.find(billKey(*other.at(j)));
        if (it == byKey.end() || it->isEmpty())
            continue;
        match[j] = it->takeFirst();
        used[match.at(j)] = true;
    }

    // A changed bill keeps its name.
    QHash<QString, QList<qsizetype>> byName;
    for (qsizetype i = 0; i < base.size(); ++i) {
        if (!used.at(i))
            byName[base.at(i).name].append(i);
    }
    for (qsizetype j = 0; j < other.size(); ++j) {
        if (match.at(j) >= 0)
            continue;
        const auto it = byName.find(other.at(j)->name);
        if (it == byName.end() || it->isEmpty())
            continue;
        match[j] = it->takeFirst();
    }
    return match;
}

BillMerge mergeBills(const QList<Event> &base, const EventList &theirs, const EventList &ours,
                     const QList<qsizetype> &oursOrigins, const BillConflictResolver &resolve)
{
    BillMerge merge;
    const QList<qsizetype> theirsMatch = matchBills(base, theirs);
    const QList<qsizetype> origins = checkedOrigins(oursOrigins, ours.size(), base.size());
    QList<qsizetype> theirsOf(base.size(), -1);
    for (qsizetype j = 0; j < theirs.size(); ++j) {
        if (theirsMatch.at(j) >= 0)
            theirsOf[theirsMatch.at(j)] = j;
    }
    QList<qsizetype> oursOf(base.size(), -1);
    for (qsizetype k = 0; k < ours.size(); ++k) {
        if (origins.at(k) >= 0)
            oursOf[origins.at(k)] = k;
    }

    QList<Decision> decisions;
    decisions.reserve(base.size());
    for (qsizetype i = 0; i < base.size(); ++i) {
        const Event *mine = oursOf.at(i) >= 0 ? ours.at(oursOf.at(i)) : nullptr;
        const Event *other = theirsOf.at(i) >= 0 ? theirs.at(theirsOf.at(i)) : nullptr;
        decisions.append(decide(base.at(i), mine, other, resolve, &merge.conflicts));
    }

    // A bill both sides added alike is kept once: the added bills of theirs
    // by key, taken by the first equal bill added here.
    QHash<QByteArray, QList<qsizetype>> addedThere;
    for (qsizetype j = 0; j < theirs.size(); ++j) {
        if (theirsMatch.at(j) < 0)
            addedThere[billKey(*theirs.at(j))].append(j);
    }

    // Ours in order first; position of each, and of the bills of theirs it holds.
    struct Placed
    {
        Event *bill;
        qsizetype theirsIndex;
    };
    QList<Placed> main;
    main.reserve(ours.size());
    QList<qsizetype> mainOfOurs(ours.size(), -1);
    QList<qsizetype> mainOfTheirs(theirs.size(), -1);
    QList<bool> placedBase(base.size(), false);
    for (qsizetype k = 0; k < ours.size(); ++k) {
        const qsizetype i = origins.at(k);
        Event *bill = nullptr;
        qsizetype j = -1;
        if (i < 0) {
            bill = new Event(*ours.at(k));
            const auto twin = addedThere.find(billKey(*bill));
            if (twin != addedThere.end() && !twin->isEmpty())
                j = twin->takeFirst();
        } else {
            const Decision &decision = decisions.at(i);
            placedBase[i] = true;
            j = theirsOf.at(i);
            if (decision.outcome == Outcome::Ours)
                bill = new Event(*ours.at(k));
            else if (decision.outcome == Outcome::Theirs)
                bill = new Event(*theirs.at(j));
            else if (decision.outcome == Outcome::Merged)
                bill = new Event(decision.merged);
            else
                continue; // removed
        }
        mainOfOurs[k] = main.size();
        if (j >= 0)
            mainOfTheirs[j] = main.size();
        main.append({bill, j});
    }

    // Then the bills only theirs holds, each after the bill it follows there.
    QList<QList<Placed>> after(main.size() + 1);
    qsizetype slot = 0;
    for (qsizetype j = 0; j < theirs.size(); ++j) {
        if (mainOfTheirs.at(j) >= 0) {
            slot = mainOfTheirs.at(j) + 1;
            continue;
        }
        const qsizetype i = theirsMatch.at(j);
        const bool addedThereOnly = i < 0 && addedThere.value(billKey(*theirs.at(j))).contains(j);
        const bool keptFromThere = i >= 0 && !placedBase.at(i) && decisions.at(i).outcome == Outcome::Theirs;
        if (addedThereOnly || keptFromThere)
            after[slot].append({new Event(*theirs.at(j)), j});
    }

    merge.fromOurs.fill(-1, ours.size());
    QList<qsizetype> finalOfMain(main.size(), -1);
    for (qsizetype s = 0; s <= main.size(); ++s) {
        for (const Placed &placed : std::as_const(after.at(s))) {
            merge.bills.append(placed.bill);
            merge.fromTheirs.append(placed.theirsIndex);
        }
        if (s == main.size())
            break;
        finalOfMain[s] = merge.bills.size();
        merge.bills.append(main.at(s).bill);
        merge.fromTheirs.append(main.at(s).theirsIndex);
    }
    for (qsizetype k = 0; k < ours.size(); ++k) {
        if (mainOfOurs.at(k) >= 0)
            merge.fromOurs[k] = finalOfMain.at(mainOfOurs.at(k));
    }
    return merge;
}
