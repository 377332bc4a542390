#include "platform/display_platform.h"

#include <QtGlobal>

namespace display_platform {

QByteArray choose(const Session &session)
{
    if (!session.chosenPlatform.isEmpty())
        return {};
    for (const QByteArray &argument : session.arguments) {
        if (argument == "-platform" || argument == "--platform")
            return {};
    }
    const bool wayland
        = session.sessionType.compare("wayland", Qt::CaseInsensitive) == 0 || !session.waylandDisplay.isEmpty();
    if (!wayland || session.x11Display.isEmpty())
        return {};
    // Wayland after xcb: a missing X11 plugin or a dead XWayland still starts the program.
    return QByteArrayLiteral("xcb;wayland");
}

void preferStayOnTop(int argc, char **argv)
{
    Session session {
        qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM"), {}};
    for (int i = 1; i < argc; ++i)
        session.arguments << QByteArray(argv[i]);
    const QByteArray platform = choose(session);
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

} // namespace display_platform
