#include "windowgeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// How much of a window must stay on the screen for the user to reach it.
constexpr int MinimumVisible = 50;

QRect availableAreaFor(const QRect &geometry)
{
    const QScreen *screen = QGuiApplication::screenAt(geometry.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

QRect geometryWithin(const QRect &wanted, const QRect &available)
{
    if (wanted.width() <= 0 || wanted.height() <= 0 || !available.isValid())
        return QRect();
    QRect fitted(wanted.topLeft(), QSize(std::min(wanted.width(), available.width()),
                                         std::min(wanted.height(), available.height())));
    const QRect visible = fitted.intersected(available);
    const int needWidth = std::min(MinimumVisible, fitted.width());
    const int needHeight = std::min(MinimumVisible, fitted.height());
    if (visible.width() < needWidth || visible.height() < needHeight || fitted.top() < available.top()) {
        // Off the screen, or its title bar above the top edge: into the area.
        const int x = std::clamp(fitted.x(), available.left(), available.right() + 1 - fitted.width());
        const int y = std::clamp(fitted.y(), available.top(), available.bottom() + 1 - fitted.height());
        fitted.moveTo(x, y);
    }
    return fitted;
}

bool restoreGeometryWithinScreen(QWidget *window, const QByteArray &geometry)
{
    if (geometry.isEmpty())
        return false;
    const QRect before = window->geometry();
    const Qt::WindowStates stateBefore = window->windowState();
    // The window is not shown yet, so a wild size costs nothing until it is
    // checked here; only a checked one ever reaches the screen.
    if (!window->restoreGeometry(geometry)) {
        window->setWindowState(stateBefore);
        window->setGeometry(before);
        return false;
    }
    const QRect restored = window->geometry();
    const QRect fitted = geometryWithin(restored, availableAreaFor(restored));
    if (!fitted.isValid()) {
        window->setWindowState(stateBefore);
        window->setGeometry(before);
        return false;
    }
    if (fitted != restored)
        window->setGeometry(fitted);
    return true;
}

void fitWithinScreen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    const QSize available = screen->availableGeometry().size();
    const QSize size = window->size();
    if (size.width() > available.width() || size.height() > available.height())
        window->resize(size.boundedTo(available));
}
