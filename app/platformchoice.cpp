#include "platformchoice.h"

#include <cstring>

SessionEnvironment SessionEnvironment::current()
{
    return {qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY"),
            qgetenv("QT_QPA_PLATFORM")};
}

QByteArray automaticStartPlatform(const SessionEnvironment &session)
{
    // The user's own choice is kept, whatever it is.
    if (!session.qpaPlatform.isEmpty())
        return {};
    const bool wayland = !session.waylandDisplay.isEmpty() || session.sessionType == "wayland";
    // Under XWayland the tray window can slide into the screen's corner;
    // a Wayland client is placed by the compositor.
    if (wayland && !session.display.isEmpty())
        return QByteArrayLiteral("xcb");
    return {};
}

bool windowsPlaceThemselves(QStringView platformName)
{
    return !platformName.startsWith(u"wayland");
}

void chooseAutomaticStartPlatform(int argc, const char *const *argv)
{
    if (argc < 2 || std::strcmp(argv[1], "auto") != 0)
        return;
    const QByteArray platform = automaticStartPlatform(SessionEnvironment::current());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}
