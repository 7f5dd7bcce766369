#include "centralwidget.h"

#include "glass.h"

CentralWidget::CentralWidget(QWidget *parent)
    : QWidget(parent)
{
    if (!compositionActive()) {
        // The style sheet paints the background of plain QWidgets only; a
        // subclass asks for it.
        setAttribute(Qt::WA_StyledBackground, true);
        setStyleSheet(opaqueColours());
    }
}

QString CentralWidget::opaqueColours()
{
    return QStringLiteral("QWidget#centralWidget {background-color: rgb(232,236,246);} ")
           + QStringLiteral("QWidget#viewTab {background-color: rgb(214,221,239);} ")
           + QStringLiteral("QWidget#editTab {background-color: rgb(214,221,239);} ")
           + QStringLiteral("QWidget#infoTab {background-color: rgb(214,221,239);} ")
           + QStringLiteral("QWidget#settingsTab {background-color: rgb(214,221,239);}");
}
