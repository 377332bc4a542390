#include "platform/display_platform.h"

#include <QtGlobal>

#include <optional>

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

namespace {
// QT_QPA_PLATFORM as the program was started, when it changed it.
struct Original
{
    bool replaced = false;
    std::optional<QByteArray> value;
};
Original g_original;
} // namespace

void preferStayOnTop(int argc, char **argv)
{
    Session session {
        qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM"), {}};
    for (int i = 1; i < argc; ++i)
        session.arguments << QByteArray(argv[i]);
    const QByteArray platform = choose(session);
    if (platform.isEmpty())
        return;
    g_original.replaced = true;
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        g_original.value = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform);
}

QProcessEnvironment givenEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (g_original.replaced && g_original.value)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLocal8Bit(*g_original.value));
    else if (g_original.replaced)
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

} // namespace display_platform
