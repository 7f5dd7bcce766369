#include "holidayssection.h"

#include "holidaycalendars.h"
#include "plainmessage.h"

#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

QListWidget *compactList(QWidget *parent, const QString &objectName)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(objectName);
    // A few rows; the page scrolls, not this list.
    list->setMaximumHeight(list->fontMetrics().height() * 5 + 2 * list->frameWidth());
    return list;
}

QPushButton *button(QWidget *parent, const QString &objectName, const QString &text)
{
    auto *made = new QPushButton(text, parent);
    made->setObjectName(objectName);
    return made;
}

} // namespace

HolidaysSection::HolidaysSection(QWidget *parent)
    : QGroupBox(QStringLiteral("Holidays"), parent)
    , m_calendars(compactList(this, QStringLiteral("holidayCalendarList")))
    , m_addCalendar(button(this, QStringLiteral("addCalendarButton"), QStringLiteral("Add Calendar...")))
    , m_removeCalendar(button(this, QStringLiteral("removeCalendarButton"), QStringLiteral("Remove Calendar")))
    , m_dates(compactList(this, QStringLiteral("holidayDateList")))
    , m_dateEdit(new QDateEdit(QDate::currentDate(), this))
    , m_nameEdit(new QLineEdit(this))
    , m_addDate(button(this, QStringLiteral("addHolidayButton"), QStringLiteral("Add Day Off")))
    , m_removeDate(button(this, QStringLiteral("removeHolidayButton"), QStringLiteral("Remove Day Off")))
    , m_summary(new QLabel(this))
{
    setObjectName(QStringLiteral("holidaysGroupBox"));
    m_dateEdit->setObjectName(QStringLiteral("holidayDateEdit"));
    m_dateEdit->setCalendarPopup(true);
    m_dateEdit->setDateRange(QDate(1900, 1, 1), QDate(2299, 12, 31));
    m_nameEdit->setObjectName(QStringLiteral("holidayNameEdit"));
    m_nameEdit->setPlaceholderText(QStringLiteral("Name"));
    m_nameEdit->setMaxLength(HolidayFile::MaximumNameLength);
    m_summary->setObjectName(QStringLiteral("holidaySummaryLabel"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);

    auto *calendarsLabel = new QLabel(QStringLiteral("&Calendars (.ics files):"), this);
    calendarsLabel->setBuddy(m_calendars);
    auto *datesLabel = new QLabel(QStringLiteral("&Days off added by hand:"), this);
    datesLabel->setBuddy(m_dates);

    auto *layout = new QGridLayout(this);
    layout->addWidget(calendarsLabel, 0, 0, 1, 2);
    layout->addWidget(m_calendars, 1, 0);
    auto *calendarButtons = new QVBoxLayout;
    calendarButtons->addWidget(m_addCalendar);
    calendarButtons->addWidget(m_removeCalendar);
    calendarButtons->addStretch();
    layout->addLayout(calendarButtons, 1, 1);
    layout->addWidget(datesLabel, 2, 0, 1, 2);
    layout->addWidget(m_dates, 3, 0);
    auto *dateButtons = new QVBoxLayout;
    dateButtons->addWidget(m_removeDate);
    dateButtons->addStretch();
    layout->addLayout(dateButtons, 3, 1);
    auto *newDate = new QHBoxLayout;
    newDate->addWidget(m_dateEdit);
    newDate->addWidget(m_nameEdit, 1);
    layout->addLayout(newDate, 4, 0);
    layout->addWidget(m_addDate, 4, 1);
    layout->addWidget(m_summary, 5, 0, 1, 2);
    layout->setColumnStretch(0, 1);

    connect(m_addCalendar, &QPushButton::clicked, this, &HolidaysSection::pickCalendar);
    connect(m_removeCalendar, &QPushButton::clicked, this, &HolidaysSection::removeCalendar);
    connect(m_addDate, &QPushButton::clicked, this, [this] { addDate(m_dateEdit->date(), m_nameEdit->text()); });
    connect(m_nameEdit, &QLineEdit::returnPressed, m_addDate, &QPushButton::click);
    connect(m_removeDate, &QPushButton::clicked, this, &HolidaysSection::removeDate);
    showHolidays();
}

QList<QWidget *> HolidaysSection::tabChain() const
{
    return {m_calendars, m_addCalendar, m_removeCalendar, m_dates, m_removeDate, m_dateEdit, m_nameEdit, m_addDate};
}

void HolidaysSection::pickCalendar()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Add Holiday Calendar"), QString(),
                                                      QStringLiteral("iCalendar files (*.ics)"));
    if (!path.isEmpty())
        addCalendar(path);
}

bool HolidaysSection::addCalendar(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList paths = HolidayCalendars::calendarPaths();
    const bool known = paths.contains(absolute);
    if (!known) {
        paths.append(absolute);
        HolidayCalendars::setCalendarPaths(paths);
    }
    const QStringList failures = HolidayCalendars::update(absolute);
    const bool failed = std::any_of(failures.cbegin(), failures.cend(), [&](const QString &sentence) {
        return sentence.contains(QDir::toNativeSeparators(absolute));
    });
    if (failed && !known) {
        // A new calendar that cannot be read is not kept.
        paths.removeAll(absolute);
        HolidayCalendars::setCalendarPaths(paths);
        static_cast<void>(HolidayCalendars::update());
    }
    tell(failures);
    showHolidays();
    return !failed;
}

void HolidaysSection::removeCalendar()
{
    QListWidgetItem *item = m_calendars->currentItem();
    if (!item)
        return;
    QStringList paths = HolidayCalendars::calendarPaths();
    paths.removeAll(item->data(Qt::UserRole).toString());
    HolidayCalendars::setCalendarPaths(paths);
    tell(HolidayCalendars::update());
    showHolidays();
}

void HolidaysSection::addDate(QDate date, const QString &name)
{
    if (!date.isValid())
        return;
    QList<HolidaySet::Holiday> dates = HolidayCalendars::handAddedDates();
    dates.removeIf([&](const HolidaySet::Holiday &holiday) { return holiday.day == date.toJulianDay(); });
    dates.append({date.toJulianDay(), name.simplified().isEmpty() ? QStringLiteral("Day off") : name.simplified()});
    HolidayCalendars::setHandAddedDates(dates);
    m_nameEdit->clear();
    tell(HolidayCalendars::update());
    showHolidays();
}

void HolidaysSection::removeDate()
{
    QListWidgetItem *item = m_dates->currentItem();
    if (!item)
        return;
    const qint64 day = item->data(Qt::UserRole).toLongLong();
    QList<HolidaySet::Holiday> dates = HolidayCalendars::handAddedDates();
    dates.removeIf([&](const HolidaySet::Holiday &holiday) { return holiday.day == day; });
    HolidayCalendars::setHandAddedDates(dates);
    tell(HolidayCalendars::update());
    showHolidays();
}

void HolidaysSection::showHolidays()
{
    m_calendars->clear();
    for (const QString &path : HolidayCalendars::calendarPaths()) {
        auto *item = new QListWidgetItem(QDir::toNativeSeparators(path), m_calendars);
        item->setData(Qt::UserRole, path);
    }
    m_dates->clear();
    const QLocale locale;
    for (const HolidaySet::Holiday &holiday : HolidayCalendars::handAddedDates()) {
        const QDate date = QDate::fromJulianDay(holiday.day);
        auto *item = new QListWidgetItem(locale.toString(date, QLocale::ShortFormat) + QStringLiteral(": ")
                                             + holiday.name,
                                         m_dates);
        item->setData(Qt::UserRole, holiday.day);
    }
    m_removeCalendar->setEnabled(m_calendars->count() > 0);
    m_removeDate->setEnabled(m_dates->count() > 0);
    const std::shared_ptr<const HolidaySet> holidays = HolidaySet::active();
    if (!holidays || holidays->isEmpty()) {
        m_summary->setText(QStringLiteral("No holidays known: due dates move off weekends only."));
        return;
    }
    const int first = QDate::fromJulianDay(holidays->firstHoliday()).year();
    const int last = QDate::fromJulianDay(holidays->lastHoliday()).year();
    const QString years = first == last ? QString::number(first) : QStringLiteral("%1 to %2").arg(first).arg(last);
    m_summary->setText(holidays->size() == 1 ? QStringLiteral("1 holiday known, in %1.").arg(years)
                                             : QStringLiteral("%L1 holidays known, %2.").arg(holidays->size()).arg(years));
}

void HolidaysSection::tell(const QStringList &sentences)
{
    if (!sentences.isEmpty())
        showPlainMessage(QMessageBox::Warning, QStringLiteral("Holidays"), sentences.join(QLatin1Char(' ')));
}
