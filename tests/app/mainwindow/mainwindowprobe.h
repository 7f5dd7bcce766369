#ifndef PAYVANE_TESTS_MAINWINDOWPROBE_H
#define PAYVANE_TESTS_MAINWINDOWPROBE_H

#include "event.h"
#include "mainwindow.h"

#include <QLabel>
#include <QStandardItemModel>
#include <QStringList>
#include <QTreeView>

// What the main-window tests read back from the window, by the object names
// of its form. A missing child ends the test run at once: the form changed.
namespace MainWindowProbe {

template<typename T>
T *child(const QWidget &window, const char *name)
{
    T *widget = window.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

inline QStandardItemModel *billModel(const MainWindow &window)
{
    return qobject_cast<QStandardItemModel *>(child<QTreeView>(window, "eventTreeView")->model());
}

// The row the bill called `name` stands in, or -1.
inline int rowOf(const MainWindow &window, const QString &name)
{
    for (int row = 0; row < billModel(window)->rowCount(); ++row) {
        if (window.eventAtRow(row)->name == name)
            return row;
    }
    return -1;
}

// The bills' names in the list's order.
inline QStringList listedNames(const MainWindow &window)
{
    QStringList names;
    for (int row = 0; row < billModel(window)->rowCount(); ++row)
        names << window.eventAtRow(row)->name;
    return names;
}

// A details line is shown when it is visible and not collapsed to nothing.
inline bool lineShown(const MainWindow &window, const char *label)
{
    const QLabel *widget = child<QLabel>(window, label);
    return widget->isVisibleTo(&window) && widget->maximumHeight() > 1;
}

} // namespace MainWindowProbe

#endif // PAYVANE_TESTS_MAINWINDOWPROBE_H
