#ifndef PAYVANE_REMINDERCENTRALWIDGET_H
#define PAYVANE_REMINDERCENTRALWIDGET_H

#include <QColor>
#include <QWidget>

// The reminder window's central widget. Without a composing desktop it
// paints the window's opaque colour behind the list.
class ReminderCentralWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ReminderCentralWidget(QWidget *parent = nullptr);

    // The colour when there is no glass to show through.
    [[nodiscard]] static QColor opaqueColour();
};

#endif // PAYVANE_REMINDERCENTRALWIDGET_H
