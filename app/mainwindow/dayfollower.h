#ifndef PAYVANE_DAYFOLLOWER_H
#define PAYVANE_DAYFOLLOWER_H

#include <QDate>
#include <QDateTime>
#include <QObject>

#include <functional>

class QTimer;

// Follows the day of a clock: tells when it is no longer the day last
// seen. A timer set to the next midnight; as a monotonic timer stands still
// while the machine sleeps, and the wall clock may be set or change its
// zone, a check every minute, and whenever the program is activated,
// catches the day wherever it moved.
class DayFollower : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit DayFollower(QObject *parent = nullptr);

    // The system's clock unless another is set; setting one checks at once.
    void setClock(Clock source);
    [[nodiscard]] QDate today() const;
    // Starts the timers and checks.
    void start();

    // Milliseconds from `now` to the start of the next day in now's time
    // zone (a day of 23 or 25 hours where the clocks change; the first
    // moment of the day where midnight is skipped).
    [[nodiscard]] static qint64 msecsToNextDay(const QDateTime &now);

signals:
    void dayChanged(QDate day);

private:
    void checkTheDate();

    Clock clock = [] { return QDateTime::currentDateTime(); };
    QDate lastDay;                   // the day last seen
    QTimer *midnightTimer = nullptr; // fires as the next day begins
};

#endif // PAYVANE_DAYFOLLOWER_H
