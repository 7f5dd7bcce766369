#include "reminderdigest.h"

#include "daynumber.h"
#include "event.h"
#include "occurrence.h"
#include "paymentstatus.h"

#include <algorithm>

namespace {

// One line of text: controls and line breaks in a name become spaces, and a
// long name is cut, never inside a surrogate pair.
QString shortName(const QString &name, int length)
{
    QString line = name;
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    line = line.simplified();
    if (line.size() <= length)
        return line;
    int cut = length - 1;
    if (QChar::isLowSurrogate(line.at(cut).unicode()))
        --cut;
    return line.left(cut) + QChar(0x2026);
}

QString billCount(int count)
{
    return count == 1 ? QStringLiteral("1 bill") : QStringLiteral("%1 bills").arg(count);
}

} // namespace

ReminderDigest::ReminderDigest(QDate today)
    : m_today(today)
{
}

ReminderKind ReminderDigest::add(const Event &event)
{
    const ReminderKind kind = reminderKind(event, m_today);
    if (kind == ReminderKind::None)
        return kind;
    // The date the bill's own reminder speaks of.
    Bill bill{event.name, QDate(), kind == ReminderKind::Overdue};
    if (event.payments.isTracking()) {
        const PaymentStatus status = paymentStatus(event, m_today);
        if (status.isOverdue() || status.state == PaymentStatus::Upcoming)
            bill.due = status.unpaid.date;
    }
    if (bill.due.isNull())
        bill.due = nextOccurrence(event, m_today);
    ++m_count;
    if (bill.overdue)
        ++m_overdue;
    else if (m_furthest.isNull() || bill.due > m_furthest)
        m_furthest = bill.due;
    // Only the nearest few are kept, so a long list costs no more than its
    // walk: most overdue first, then by date, the list's order among equals.
    const auto before = [](const Bill &a, const Bill &b) {
        if (a.overdue != b.overdue)
            return a.overdue;
        return a.due < b.due;
    };
    const auto at = std::upper_bound(m_nearest.begin(), m_nearest.end(), bill, before);
    if (at - m_nearest.begin() < MostShownOneByOne) {
        m_nearest.insert(at, bill);
        if (m_nearest.size() > MostShownOneByOne)
            m_nearest.removeLast();
    }
    return kind;
}

QString ReminderDigest::sentence() const
{
    const int overdue = m_overdue;
    const int upcoming = count() - overdue;
    if (upcoming == 0)
        return billCount(overdue) + QStringLiteral(" overdue");
    const qint64 days = qMax<qint64>(0, daysBetween(m_today, m_furthest));
    QString text = billCount(upcoming);
    if (days == 0)
        text += QStringLiteral(" due today");
    else if (days == 1)
        text += QStringLiteral(" due by tomorrow");
    else
        text += QStringLiteral(" due in the next %1 days").arg(days);
    if (overdue > 0)
        text += QStringLiteral(", %1 overdue").arg(overdue);
    return text;
}

QString ReminderDigest::whenText(const Bill &bill) const
{
    if (bill.overdue)
        return QStringLiteral("overdue");
    const qint64 days = daysBetween(m_today, bill.due);
    if (days <= 0)
        return QStringLiteral("today");
    if (days == 1)
        return QStringLiteral("tomorrow");
    return QStringLiteral("in %1 days").arg(days);
}

QString ReminderDigest::nearestText() const
{
    QStringList named;
    for (const Bill &bill : m_nearest)
        named << shortName(bill.name, NameLength) + QStringLiteral(" (") + whenText(bill) + QLatin1Char(')');
    QString text = named.join(QStringLiteral(", "));
    if (count() > MostShownOneByOne)
        text += QStringLiteral(" and %1 more").arg(count() - MostShownOneByOne);
    return text + QLatin1Char('.');
}
