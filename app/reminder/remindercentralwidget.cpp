#include "remindercentralwidget.h"

#include "glass.h"

ReminderCentralWidget::ReminderCentralWidget(QWidget *parent)
    : QWidget(parent)
{
    QString sheet = groupBoxLook();
    if (!compositionActive()) {
        // The style sheet paints the background of plain QWidgets only; a
        // subclass asks for it.
        setAttribute(Qt::WA_StyledBackground, true);
        sheet += opaqueColour();
    }
    setStyleSheet(sheet);
}

QString ReminderCentralWidget::groupBoxLook()
{
    return QStringLiteral("QGroupBox {\n"
                          "\tbackground-color: rgba(228, 238, 249,200);\n"
                          "\tborder: 1px solid;\n"
                          "\tborder-radius: 5px;\n"
                          "\tmargin-top: 7px;\n"
                          "\tpadding-top: 7px;\n"
                          "\tborder-color: rgb(141, 178, 227);\n"
                          "}\n"
                          "\n"
                          "QGroupBox::title {\n"
                          "\tsubcontrol-origin: margin;\n"
                          "\tsubcontrol-position: top center;\n"
                          "\tpadding: 5px 3px;\n"
                          "}");
}

QString ReminderCentralWidget::opaqueColour()
{
    return QStringLiteral(" QWidget#centralwidget {background-color: rgb(232,236,246);} ");
}
