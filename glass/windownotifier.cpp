#include "windownotifier.h"

#include "dwmapi_p.h"
#include "glass.h"

#ifdef Q_OS_WIN
#  include <qt_windows.h>
#endif

WindowNotifier::WindowNotifier()
{
    // A native window is what receives broadcast messages, shown or not.
    winId();
}

WindowNotifier::~WindowNotifier() = default;

void WindowNotifier::compositionChanged()
{
    const bool enabled = compositionActive();
    for (const QPointer<QWidget> &widget : std::as_const(glassWidgets)) {
        if (!widget)
            continue;
        widget->setAttribute(Qt::WA_NoSystemBackground, enabled);
        widget->update();
    }
}

void WindowNotifier::windowManagerMessage(unsigned int message)
{
    if (message == WmDwmCompositionChanged)
        compositionChanged();
}

bool WindowNotifier::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
#ifdef Q_OS_WIN
    const MSG *msg = static_cast<const MSG *>(message);
    if (msg)
        windowManagerMessage(msg->message);
#endif
    // Never consume the message.
    return QWidget::nativeEvent(eventType, message, result);
}
