#ifndef PAYVANE_PLATFORMCHOICE_H
#define PAYVANE_PLATFORMCHOICE_H

#include <QByteArray>
#include <QStringView>

// The parts of the environment that decide how the automatic start reaches
// the screen.
struct SessionEnvironment
{
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray display;        // DISPLAY: an X server, XWayland in a Wayland session
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM: the user's own choice of platform

    // Read from this process's environment.
    static SessionEnvironment current();
};

// The platform plugin the automatic start asks Qt for: "xcb" in a Wayland
// session that offers XWayland, unless the user named a platform; empty
// where Qt's own choice stands.
[[nodiscard]] QByteArray automaticStartPlatform(const SessionEnvironment &session);

// Whether a top-level window can put itself where it wants on the platform
// of this name (QGuiApplication::platformName()). A Wayland client cannot.
[[nodiscard]] bool windowsPlaceThemselves(QStringView platformName);

// For main(), before the application object exists: in the automatic start
// ("auto" as the first argument) sets QT_QPA_PLATFORM to the choice above.
void chooseAutomaticStartPlatform(int argc, const char *const *argv);

#endif // PAYVANE_PLATFORMCHOICE_H
