#ifndef PAYVANE_REMINDERDIGEST_H
#define PAYVANE_REMINDERDIGEST_H

#include <QDate>
#include <QList>
#include <QString>

#include <reminderrules.h>

struct Event;

// The reminders of one automatic start summed up, for a start that has more
// of them than a user wants one by one: "5 bills due in the next 9 days, 1
// overdue", and the nearest three bills by name. Plain text, never markup;
// today's date is passed in.
class ReminderDigest
{
public:
    // Up to this many reminders are shown one by one; more are summed up.
    static constexpr int MostShownOneByOne = 3;
    // Names in the digest are cut to this many characters.
    static constexpr int NameLength = 40;

    explicit ReminderDigest(QDate today);

    // Takes the bill in when it is due for a reminder today; its
    // reminderKind(), None when it was not taken.
    ReminderKind add(const Event &event);

    [[nodiscard]] int count() const { return m_count; }
    [[nodiscard]] int overdueCount() const { return m_overdue; }
    // Whether there are too many reminders to show them one by one.
    [[nodiscard]] bool sumsUp() const { return count() > MostShownOneByOne; }

    // "5 bills due in the next 9 days, 1 overdue": the bills with a date to
    // come (N is the days to the furthest of them: "due today", "due by
    // tomorrow" for 0 and 1), then those overdue; "4 bills overdue" when no
    // date is to come.
    [[nodiscard]] QString sentence() const;
    // The nearest three, most overdue first, then by due date (the list's
    // order among equals): "Water (overdue), Rent (today), Gas (in 3 days)
    // and 2 more." Names stand on one line and are cut at NameLength.
    [[nodiscard]] QString nearestText() const;

private:
    struct Bill
    {
        QString name;
        QDate due;
        bool overdue = false;
    };
    [[nodiscard]] QString whenText(const Bill &bill) const;

    QDate m_today;
    int m_count = 0;
    int m_overdue = 0;
    QDate m_furthest;     // the furthest date to come
    QList<Bill> m_nearest; // at most MostShownOneByOne, nearest first
};

#endif // PAYVANE_REMINDERDIGEST_H
