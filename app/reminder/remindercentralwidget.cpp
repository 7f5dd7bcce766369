#include "remindercentralwidget.h"

#include "glass.h"

#include <QPalette>

ReminderCentralWidget::ReminderCentralWidget(QWidget *parent)
    : QWidget(parent)
{
    // Without glass to show through, the window's own colour around the
    // items rather than the toolkit's grey. A palette, not a style sheet:
    // a sheet here would give every widget below a style of its own.
    if (!compositionActive()) {
        QPalette colours = palette();
        colours.setColor(QPalette::Window, opaqueColour());
        setPalette(colours);
        setAutoFillBackground(true);
    }
}

QColor ReminderCentralWidget::opaqueColour()
{
    return QColor(232, 236, 246);
}
