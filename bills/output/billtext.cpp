#include "billtext.h"

#include "daynumber.h"
#include "event.h"
#include "holidayset.h"
#include "longdatetexts.h"
#include "occurrence.h"
#include "reminderrules.h"

#include <QLocale>

#include <algorithm>
#include <cstdlib>
#include <array>
#include <utility>

QString weekdayListText(const Event &event)
{
    static const std::array<const char *, 7> firstForms = {
        "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    static const std::array<const char *, 7> followingForms = {
        ", Monday", ", Tuesday", ", Wedneday", ", Thursday", ", Friday", ", Saturday", ", Sunday"};
    QString text;
    for (std::size_t day = 0; day < event.weekdays.size(); ++day) {
        if (!event.weekdays[day])
            continue;
        text += QLatin1String(text.isEmpty() ? firstForms[day] : followingForms[day]);
    }
    return text;
}

QString monthListText(const Event &event)
{
    static const std::array<const char *, 12> names = {
        "January", "February", "March", "April", "May", "June",
        "July", "August", "September", "October", "November", "December"};
    QString text;
    if (event.byYear)
        text += QLatin1String("the Year");
    for (std::size_t month = 0; month < event.months.size(); ++month) {
        if (!event.months[month])
            continue;
        if (!text.isEmpty())
            text += QLatin1String(", ");
        text += QLatin1String(names[month]);
    }
    return text;
}

QString periodText(const Event &event)
{
    if (isBusinessDaySchedule(event))
        return QStringLiteral("business day");
    const QString weekdays = weekdayListText(event);
    if (!event.byDay)
        return weekdays;
    if (weekdays.isEmpty())
        return QStringLiteral("Day");
    return QStringLiteral("Day, ") + weekdays;
}

BillRow billRow(const Event &event, QDate today, int remaining)
{
    LongDateTexts dateTexts;
    return billRow(event, today, nextDueDate(event, today), remaining, dateTexts);
}

BillRow billRow(const Event &event, QDate today, const DueDate &next, int remaining, LongDateTexts &dateTexts)
{
    BillRow row = billRowWithoutDetails(event, today, next);
    row.details = billRowDetails(event, row.payment.state == PaymentStatus::Finished, remaining, dateTexts);
    return row;
}

BillRow billRowWithoutDetails(const Event &event, QDate today, const DueDate &next)
{
    BillRow row;
    row.dueDate = next.date;
    row.daysLeft = daysBetween(today, row.dueDate);
    // A bill past its end shows the end date, and no days.
    if (next.endsAfter(event)) {
        row.dueDate = event.endDate;
        row.daysLeft = -1;
    }
    if (event.payments.isTracking()) {
        row.payment = paymentStatus(event, today);
        switch (row.payment.state) {
        case PaymentStatus::Upcoming:
            row.dueDate = row.payment.unpaid.date;
            row.daysLeft = row.payment.daysLeft;
            break;
        case PaymentStatus::Overdue:
            row.dueDate = row.payment.unpaid.date;
            row.daysLeft = -1;
            break;
        case PaymentStatus::Finished:
            if (row.payment.lastPaid.isValid())
                row.dueDate = row.payment.lastPaid;
            row.daysLeft = -1;
            break;
        default:
            break;
        }
    }
    return row;
}

QString billRowDetails(const Event &event, bool finished, int remaining, LongDateTexts &dateTexts)
{
    if (finished)
        return event.name + QStringLiteral(" - Finished: its last due date is paid");
    if (remaining < 0)
        return event.name;
    // Built in one piece: a long list writes thousands of these.
    const QString count = QString::number(remaining);
    const QString endText = dateTexts.text(event.endDate);
    const QLatin1String due(" - Due ");
    const QLatin1String more(remaining == 1 ? " more time, ending on " : " more times, ending on ");
    QString details;
    details.reserve(event.name.size() + due.size() + count.size() + more.size() + endText.size());
    details += event.name;
    details += due;
    details += count;
    details += more;
    details += endText;
    return details;
}

QString breakableText(const QString &text, int longestRun)
{
    constexpr QChar ZeroWidthSpace(0x200B);
    QString result;
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        const QStringView run = QStringView(text).mid(runStart, end - runStart);
        if (run.size() <= longestRun) {
            result += run;
            return;
        }
        for (const QChar c : run) {
            result += c;
            // Never between the halves of a surrogate pair.
            if (!c.isHighSurrogate())
                result += ZeroWidthSpace;
        }
    };
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isSpace() || c == QLatin1Char('-')) {
            flushRun(i);
            result += c;
            runStart = i + 1;
        }
    }
    flushRun(text.size());
    return result;
}

QString countText(const Event &event)
{
    if (isBusinessDaySchedule(event)) {
        const int n = event.options.businessDay;
        if (n > 0)
            return ordinalString(n) + QLatin1Char(' ');
        return n == -1 ? QStringLiteral("last ") : ordinalString(-n) + QStringLiteral(" last ");
    }
    const int fromEnd = event.options.fromEnd;
    if (fromEnd <= 0)
        return ordinalString(event.ordinal) + QLatin1Char(' ');
    if (fromEnd == 1)
        return QStringLiteral("last ");
    return ordinalString(fromEnd) + QStringLiteral(" last ");
}

QString everyText(const Event &event)
{
    const int every = event.options.effectiveEvery();
    if (every == 1)
        return QString();
    const QDate from = event.options.everyFrom;
    const QLocale locale = QLocale::system();
    switch (event.schedule) {
    case Event::ScheduleWeekly:
        return QStringLiteral("Every %1 weeks, counting from the week of %2.")
            .arg(every)
            .arg(longDateText(from.addDays(1 - from.dayOfWeek()), locale));
    case Event::ScheduleMonthly:
        return QStringLiteral("Every %1 months, counting from %2.")
            .arg(every)
            .arg(locale.toString(from, QStringLiteral("MMMM yyyy")));
    case Event::ScheduleYearly:
        return QStringLiteral("Every %1 years, counting from %2.").arg(every).arg(from.year());
    default:
        return QString();
    }
}

QString shortMonthsText(const Event &event)
{
    if (event.schedule != Event::ScheduleMonthly || !event.byDay || event.options.fromEnd > 0
        || event.options.shortMonths != ScheduleOptions::LastDay)
        return QString();
    return QStringLiteral("In months without that day, on the month's last day.");
}

QString weekendText(const Event &event)
{
    if (event.schedule < Event::ScheduleWeekly || event.schedule > Event::ScheduleYearly)
        return QString();
    if (isBusinessDaySchedule(event))
        return QString(); // always on a business day
    switch (event.options.weekends) {
    case ScheduleOptions::FridayBefore:
        return QStringLiteral("Moved to the business day before when it falls on a weekend or holiday.");
    case ScheduleOptions::MondayAfter:
        return QStringLiteral("Moved to the business day after when it falls on a weekend or holiday.");
    default:
        return QString();
    }
}

bool isBusinessDaySchedule(const Event &event)
{
    return event.schedule == Event::ScheduleMonthly && event.options.businessDay != 0
           && std::abs(event.options.businessDay) <= ScheduleOptions::MaximumBusinessDay;
}

QString businessDayText(const Event &event)
{
    if (!isBusinessDaySchedule(event))
        return QString();
    const int every = event.options.effectiveEvery();
    const QString months = every == 1 ? QStringLiteral("every month") : QStringLiteral("every %1 months").arg(every);
    return QStringLiteral("On the %1business day of %2.").arg(countText(event), months);
}

QString movedText(const DueDate &due, const QLocale &locale)
{
    const qint64 scheduled = dayNumber(due.scheduled);
    if (due.date.isNull() || scheduled == 0 || scheduled == dayNumber(due.date))
        return QString();
    QString reason = QStringLiteral("weekend");
    if (due.scheduled.dayOfWeek() < 6) {
        const std::shared_ptr<const HolidaySet> holidays = HolidaySet::active();
        const QString name = holidays ? holidays->nameOf(scheduled) : QString();
        reason = name.isEmpty() ? QStringLiteral("holiday") : name;
    }
    return QStringLiteral("Moved from %1: %2.").arg(longDateText(due.scheduled, locale), reason);
}

QString remindersText(const Event &event)
{
    if (!event.notify || event.extraReminders.isEmpty())
        return QString();
    const auto dayCount = [](qint64 days) {
        return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
    };
    QStringList parts;
    for (const ReminderOffset &reminder : reminderOffsets(event)) {
        const qint64 day = reminder.day;
        if (reminder.afterUnpaid)
            parts << (day == 0 ? QStringLiteral("when unpaid") : dayCount(day) + QStringLiteral(" after if unpaid"));
        else
            parts << (day == 0 ? QStringLiteral("on the day") : dayCount(-day) + QStringLiteral(" before"));
    }
    return QStringLiteral("Reminders: ") + parts.join(QStringLiteral(", ")) + QLatin1Char('.');
}

QString paymentDetailsText(const PaymentStatus &status, const QLocale &locale)
{
    const auto date = [&locale](QDate day) { return longDateText(day, locale); };
    switch (status.state) {
    case PaymentStatus::Overdue: {
        const QString overdue = status.daysOverdue == 1 ? QStringLiteral("1 day overdue")
                                                        : QStringLiteral("%1 days overdue").arg(status.daysOverdue);
        if (status.unpaidCount == 1)
            return QStringLiteral("Unpaid since %1: 1 due date, %2.").arg(date(status.unpaid.date), overdue);
        return QStringLiteral("Unpaid since %1: %2 due dates, the oldest %3.")
            .arg(date(status.unpaid.date))
            .arg(status.unpaidCount)
            .arg(overdue);
    }
    case PaymentStatus::Upcoming:
    case PaymentStatus::NoDueDate:
        if (status.lastPaid.isNull())
            return QStringLiteral("Payments are tracked; no due date is marked paid yet.");
        if (status.paidOn.isNull())
            return QStringLiteral("Paid through the due date of %1.").arg(date(status.lastPaid));
        return QStringLiteral("Paid through the due date of %1, marked paid on %2.")
            .arg(date(status.lastPaid), date(status.paidOn));
    case PaymentStatus::Finished:
        if (status.lastPaid.isNull())
            return QStringLiteral("Finished: no due date is left to pay.");
        if (status.paidOn.isNull())
            return QStringLiteral("Finished: its last due date, %1, is paid.").arg(date(status.lastPaid));
        return QStringLiteral("Finished: its last due date, %1, is paid (marked paid on %2).")
            .arg(date(status.lastPaid), date(status.paidOn));
    case PaymentStatus::NotTracked:
        break;
    }
    return QString();
}
