#ifndef PAYVANE_HOLIDAYSSECTION_H
#define PAYVANE_HOLIDAYSSECTION_H

#include <QGroupBox>

class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The settings page's holidays: the picked calendar files, the days off
// added by hand, and how many holidays the date engine knows. A change
// takes effect at once (the calendars are files, not choices of the page).
class HolidaysSection : public QGroupBox
{
    Q_OBJECT

public:
    explicit HolidaysSection(QWidget *parent = nullptr);

    // Adds a calendar file as the file dialog would; false, with the user
    // told, when it cannot be read (it is not kept then).
    bool addCalendar(const QString &path);
    // Adds a day off by hand.
    void addDate(QDate date, const QString &name);
    // The section's widgets in the order Tab visits them.
    [[nodiscard]] QList<QWidget *> tabChain() const;

private:
    void pickCalendar();
    void removeCalendar();
    void removeDate();
    void showHolidays();
    void tell(const QStringList &sentences);

    QListWidget *m_calendars;
    QPushButton *m_addCalendar;
    QPushButton *m_removeCalendar;
    QListWidget *m_dates;
    QDateEdit *m_dateEdit;
    QLineEdit *m_nameEdit;
    QPushButton *m_addDate;
    QPushButton *m_removeDate;
    QLabel *m_summary;
};

#endif // PAYVANE_HOLIDAYSSECTION_H
