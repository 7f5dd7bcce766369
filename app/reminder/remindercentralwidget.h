#ifndef PAYVANE_REMINDERCENTRALWIDGET_H
#define PAYVANE_REMINDERCENTRALWIDGET_H

#include <QString>
#include <QWidget>

// The reminder window's central widget. It carries the look of the items'
// group boxes and, without a composing desktop, the window's opaque colour,
// both from the moment it exists: a style sheet changed after the form has
// built its children is not applied before the window is first shown, and
// the window would stay the toolkit's grey.
class ReminderCentralWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ReminderCentralWidget(QWidget *parent = nullptr);

    // The group boxes of the reminder items.
    [[nodiscard]] static QString groupBoxLook();
    // The rule added when there is no glass to show through.
    [[nodiscard]] static QString opaqueColour();
};

#endif // PAYVANE_REMINDERCENTRALWIDGET_H
