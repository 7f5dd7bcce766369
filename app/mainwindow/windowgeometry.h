#ifndef PAYVANE_WINDOWGEOMETRY_H
#define PAYVANE_WINDOWGEOMETRY_H

#include <QByteArray>
#include <QRect>

class QWidget;

// A window geometry `wanted` brought within the screen area `available`: no
// wider or taller than the area, and moved so that it lies inside it where
// it overlapped too little to be reached. An empty or inverted geometry
// gives an invalid rectangle: there is nothing to use.
[[nodiscard]] QRect geometryWithin(const QRect &wanted, const QRect &available);

// Restores a top-level window's geometry saved by QWidget::saveGeometry(),
// as read from the settings store, which a disk fault or another program may
// have damaged: the result always fits the available area of the screen it
// lands on, and a value that cannot be used leaves the window as it was.
// Returns whether the stored value was used.
bool restoreGeometryWithinScreen(QWidget *window, const QByteArray &geometry);

// A window not shown yet keeps its size where that fits the available area
// of its screen, and is made smaller where it does not (a small screen, or
// one magnified by a scale factor).
void fitWithinScreen(QWidget *window);

#endif // PAYVANE_WINDOWGEOMETRY_H
