#include "glass.h"

#include "dwmapi_p.h"
#include "windownotifier.h"

#include <QFunctionPointer>
#include <QLibrary>
#include <QWidget>

namespace {

// Resolved once; the last two are looked up but not used.
DwmIsCompositionEnabledFunction dwmIsCompositionEnabled = nullptr;
DwmExtendFrameIntoClientAreaFunction dwmExtendFrameIntoClientArea = nullptr;
QFunctionPointer dwmEnableBlurBehindWindow = nullptr;
QFunctionPointer dwmGetColorizationColor = nullptr;

WindowNotifier *notifier = nullptr;

bool succeeded(DwmResult result)
{
    return result >= 0;
}

} // namespace

bool loadDwmApi()
{
    if (dwmIsCompositionEnabled)
        return true;

    // Stays loaded for the rest of the run: the QLibrary object is never unloaded.
    QLibrary library(QStringLiteral("dwmapi"));
    dwmIsCompositionEnabled = reinterpret_cast<DwmIsCompositionEnabledFunction>(
        library.resolve("DwmIsCompositionEnabled"));
    dwmExtendFrameIntoClientArea = reinterpret_cast<DwmExtendFrameIntoClientAreaFunction>(
        library.resolve("DwmExtendFrameIntoClientArea"));
    dwmEnableBlurBehindWindow = library.resolve("DwmEnableBlurBehindWindow");
    dwmGetColorizationColor = library.resolve("DwmGetColorizationColor");
    return dwmIsCompositionEnabled != nullptr;
}

bool compositionActive()
{
    if (!loadDwmApi())
        return false;
    DwmBool enabled = 0;
    if (!succeeded(dwmIsCompositionEnabled(&enabled)))
        return false;
    return enabled != 0;
}

bool extendGlassFrame(QWidget *widget, int leftWidth, int rightWidth, int topHeight,
                      int bottomHeight)
{
    if (!loadDwmApi())
        return false;

    bool result = false;
    if (widget && dwmExtendFrameIntoClientArea) {
        const DwmMargins margins = {leftWidth, rightWidth, topHeight, bottomHeight};
        // A native window gets an alpha channel only when it is created
        // translucent; winId() below creates it.
        if (!widget->testAttribute(Qt::WA_WState_Created))
            widget->setAttribute(Qt::WA_TranslucentBackground, true);
        const auto window = reinterpret_cast<DwmWindow>(widget->winId());
        result = succeeded(dwmExtendFrameIntoClientArea(window, &margins));
        if (result)
            notifierInstance()->glassWidgets.append(widget);
    }
    if (widget)
        widget->setAttribute(Qt::WA_TranslucentBackground, result);
    return result;
}

WindowNotifier *notifierInstance()
{
    // Lives until the process ends, like the window manager's broadcasts.
    if (!notifier)
        notifier = new WindowNotifier;
    return notifier;
}
