#ifndef PAYVANE_EXTRAREMINDERLIST_H
#define PAYVANE_EXTRAREMINDERLIST_H

#include "extrareminder.h"

#include <QList>
#include <QWidget>

class QPushButton;
class QVBoxLayout;

// The editor's list of a bill's extra reminders, under its own reminder:
// one line each ("Also [N] [days before the bill is due.] Remove") and a
// button that adds one, up to ExtraReminder::MaximumCount. Every control
// takes the focus, in the order shown.
class ExtraReminderList : public QWidget
{
    Q_OBJECT

public:
    explicit ExtraReminderList(QWidget *parent = nullptr);

    // Shows these reminders, one line each (their "fired for" dates are
    // not shown and not kept).
    void setReminders(const QList<ExtraReminder> &reminders);
    // The lines as reminders, in the order shown, none fired yet.
    [[nodiscard]] QList<ExtraReminder> reminders() const;

    // Puts the list's controls into the window's Tab order after `previous`.
    void placeInTabOrderAfter(QWidget *previous);

private:
    void addLine(const ExtraReminder &reminder);
    void removeLine(QWidget *line);
    void lineCountChanged();

    QVBoxLayout *linesLayout;
    QPushButton *addButton;
    QList<QWidget *> lines;
    QWidget *tabPredecessor = nullptr;
};

#endif // PAYVANE_EXTRAREMINDERLIST_H
