#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QProcessEnvironment>

namespace display_platform {

// What decides the window-system platform, as the process finds it.
struct Session
{
    QByteArray sessionType; // XDG_SESSION_TYPE
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray x11Display; // DISPLAY
    QByteArray chosenPlatform; // QT_QPA_PLATFORM
    QByteArrayList arguments; // the command line, for Qt's -platform
};

// The platform to put in QT_QPA_PLATFORM, or empty to leave Qt's choice.
// Wayland compositors ignore the stay-on-top hint of the alarm window, so on
// a Wayland session with XWayland the program runs as an X11 client, unless
// the user has chosen a platform.
QByteArray choose(const Session &session);

// Reads the session from the environment and the command line and applies
// the choice; call before the application object is built.
void preferStayOnTop(int argc, char **argv);

// The environment the program was started with, before preferStayOnTop():
// programs it starts choose their own platform.
QProcessEnvironment givenEnvironment();

} // namespace display_platform
