// A stand-in for the window manager's "dwmapi" library: reports composition
// as the test sets it and records the frame calls. Built as libdwmapi.so.
// Without FAKE_DWMAPI_COMPLETE it lacks DwmIsCompositionEnabled, like a
// library of that name that is not the real one.

#include <QtGlobal>

#include <cstdint>

namespace {

std::int32_t compositionEnabled = 0;
std::int32_t compositionResult = 0;
std::int32_t extendResult = 0;
int extendCalls = 0;
void *lastWindow = nullptr;
int lastMargins[4] = {};

} // namespace

extern "C" {

#ifdef FAKE_DWMAPI_COMPLETE
Q_DECL_EXPORT std::int32_t DwmIsCompositionEnabled(std::int32_t *enabled)
{
    if (compositionResult >= 0)
        *enabled = compositionEnabled;
    return compositionResult;
}
#endif

Q_DECL_EXPORT std::int32_t DwmExtendFrameIntoClientArea(void *window, const int *margins)
{
    ++extendCalls;
    lastWindow = window;
    for (int i = 0; i < 4; ++i)
        lastMargins[i] = margins[i];
    return extendResult;
}

Q_DECL_EXPORT std::int32_t DwmEnableBlurBehindWindow(void *, const void *)
{
    return 0;
}

Q_DECL_EXPORT std::int32_t DwmGetColorizationColor(std::uint32_t *, std::int32_t *)
{
    return 0;
}

// The test's controls.
Q_DECL_EXPORT void fakeDwmSetComposition(std::int32_t enabled, std::int32_t result)
{
    compositionEnabled = enabled;
    compositionResult = result;
}

Q_DECL_EXPORT void fakeDwmSetExtendResult(std::int32_t result)
{
    extendResult = result;
}

Q_DECL_EXPORT int fakeDwmExtendCalls(void **window, int *margins)
{
    *window = lastWindow;
    for (int i = 0; i < 4; ++i)
        margins[i] = lastMargins[i];
    return extendCalls;
}

} // extern "C"
