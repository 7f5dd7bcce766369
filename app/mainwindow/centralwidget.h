#ifndef PAYVANE_CENTRALWIDGET_H
#define PAYVANE_CENTRALWIDGET_H

#include <QString>
#include <QWidget>

// The main window's central widget. Without a composing desktop there is no
// glass to show through, and it carries the opaque page colours from the
// moment it exists: set once its pages are built, the style sheet would
// restyle every widget of the window a second time.
class CentralWidget : public QWidget
{
    Q_OBJECT

public:
    explicit CentralWidget(QWidget *parent = nullptr);

    // The style sheet of the opaque colours.
    [[nodiscard]] static QString opaqueColours();
};

#endif // PAYVANE_CENTRALWIDGET_H
