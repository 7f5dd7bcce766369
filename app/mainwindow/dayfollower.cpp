#include "dayfollower.h"

#include <QGuiApplication>
#include <QTimeZone>
#include <QTimer>

#include <algorithm>

DayFollower::DayFollower(QObject *parent)
    : QObject(parent)
    , lastDay(clock().date())
{
}

void DayFollower::setClock(Clock source)
{
    clock = std::move(source);
    checkTheDate();
}

QDate DayFollower::today() const
{
    return clock().date();
}

qint64 DayFollower::msecsToNextDay(const QDateTime &now)
{
    const QDate tomorrow = now.date().addDays(1);
    const QDateTime next = now.timeSpec() == Qt::TimeZone ? tomorrow.startOfDay(now.timeZone())
                                                          : tomorrow.startOfDay(now.timeSpec(), now.offsetFromUtc());
    return now.msecsTo(next);
}

void DayFollower::start()
{
    midnightTimer = new QTimer(this);
    midnightTimer->setObjectName(QStringLiteral("midnightTimer"));
    midnightTimer->setSingleShot(true);
    midnightTimer->setTimerType(Qt::PreciseTimer);
    connect(midnightTimer, &QTimer::timeout, this, &DayFollower::checkTheDate);
    auto *minuteTimer = new QTimer(this);
    minuteTimer->setObjectName(QStringLiteral("dateCheckTimer"));
    connect(minuteTimer, &QTimer::timeout, this, &DayFollower::checkTheDate);
    minuteTimer->start(60 * 1000);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            checkTheDate();
    });
    checkTheDate();
}

void DayFollower::checkTheDate()
{
    const QDateTime now = clock();
    if (now.date() != lastDay) {
        lastDay = now.date();
        emit dayChanged(lastDay);
    }
    // At least a millisecond: a timer that fired a little early sets
    // itself again for what is left of the day.
    if (midnightTimer)
        midnightTimer->start(int(std::clamp<qint64>(msecsToNextDay(now), 1, 25 * 60 * 60 * 1000)));
}
