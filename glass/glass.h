#ifndef PAYVANE_GLASS_H
#define PAYVANE_GLASS_H

class QWidget;
class WindowNotifier;

// The window manager's library "dwmapi" is loaded by name at run time, so the
// program runs unchanged where it is missing (everywhere but Windows): there
// composition is off and the windows use their opaque colours.

// Loads "dwmapi" and resolves its entry points once; whether
// DwmIsCompositionEnabled was found. Tries again on every call while missing.
bool loadDwmApi();

// Whether the desktop composes windows.
[[nodiscard]] bool compositionActive();

// Extends the glass frame into the widget's client area (-1 everywhere: the
// whole window is glass). On success the widget is remembered by the
// composition notifier. Sets WA_TranslucentBackground to the result; returns
// false without touching the widget when the library is missing.
bool extendGlassFrame(QWidget *widget, int leftWidth, int rightWidth, int topHeight,
                      int bottomHeight);

// The process's one composition notifier, created on first use.
WindowNotifier *notifierInstance();

#endif // PAYVANE_GLASS_H
