#ifndef PAYVANE_DWMAPI_P_H
#define PAYVANE_DWMAPI_P_H

// The few window-manager types the glass code passes through "dwmapi", with
// the platform's own definitions on Windows and same-shaped ones elsewhere
// (where only a test library of that name can provide the entry points).

#ifdef Q_OS_WIN
#  include <qt_windows.h>
#  define PAYVANE_DWMAPI WINAPI
using DwmResult = HRESULT;
using DwmBool = BOOL;
using DwmWindow = HWND;
using DwmMargins = MARGINS;
#else
#  include <cstdint>
#  define PAYVANE_DWMAPI
using DwmResult = std::int32_t;
using DwmBool = std::int32_t;
using DwmWindow = void *;
struct DwmMargins
{
    int cxLeftWidth;
    int cxRightWidth;
    int cyTopHeight;
    int cyBottomHeight;
};
#endif

using DwmIsCompositionEnabledFunction = DwmResult(PAYVANE_DWMAPI *)(DwmBool *);
using DwmExtendFrameIntoClientAreaFunction = DwmResult(PAYVANE_DWMAPI *)(DwmWindow,
                                                                          const DwmMargins *);

// The broadcast message of a composition change.
constexpr unsigned int WmDwmCompositionChanged = 0x031E;

#endif // PAYVANE_DWMAPI_P_H
