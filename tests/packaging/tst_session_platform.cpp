#include "platform/display_platform.h"

#include <QtTest>

using display_platform::Session;

class TestSessionPlatform : public QObject
{
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
    void preferStayOnTopSetsTheEnvironment();
};

void TestSessionPlatform::choose_data()
{
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("x11Display");
    QTest::addColumn<QByteArray>("chosenPlatform");
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArray>("expected");

    // Empty is unset, as qgetenv() gives it.
    const auto row = [](const char *name, const char *type, const char *wayland, const char *x11, const char *chosen,
                         const QByteArrayList &arguments, const char *expected) {
        const auto value = [](const char *text) { return *text ? QByteArray(text) : QByteArray(); };
        QTest::newRow(name) << value(type) << value(wayland) << value(x11) << value(chosen) << arguments
                            << value(expected);
    };
    const char *xcb = "xcb;wayland";
    row("wayland_session_with_xwayland", "wayland", "wayland-0", ":0", "", {}, xcb);
    row("session_type_only", "wayland", "", ":1", "", {}, xcb);
    row("session_type_in_capitals", "Wayland", "", ":1", "", {}, xcb);
    row("wayland_display_without_session_type", "", "wayland-1", ":0", "", {}, xcb);
    row("nested_wayland_in_x11_session", "x11", "wayland-1", ":0", "", {}, xcb);
    row("wayland_without_xwayland", "wayland", "wayland-0", "", "", {}, "");
    row("user_chose_wayland", "wayland", "wayland-0", ":0", "wayland", {}, "");
    row("user_chose_xcb", "wayland", "wayland-0", ":0", "xcb", {}, "");
    row("platform_on_command_line", "wayland", "wayland-0", ":0", "", {"-platform", "wayland"}, "");
    row("platform_with_two_dashes", "wayland", "wayland-0", ":0", "", {"--platform", "wayland"}, "");
    row("other_arguments", "wayland", "wayland-0", ":0", "", {"-style", "fusion"}, xcb);
    row("x11_session", "x11", "", ":0", "", {}, "");
    row("tty_without_display", "tty", "", "", "", {}, "");
}

void TestSessionPlatform::choose()
{
    QFETCH(QByteArray, sessionType);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, x11Display);
    QFETCH(QByteArray, chosenPlatform);
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArray, expected);

    const Session session {sessionType, waylandDisplay, x11Display, chosenPlatform, arguments};
    QCOMPARE(display_platform::choose(session), expected);
}

void TestSessionPlatform::preferStayOnTopSetsTheEnvironment()
{
    const QByteArray saved = qgetenv("QT_QPA_PLATFORM");
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    qputenv("DISPLAY", ":0");
    qunsetenv("QT_QPA_PLATFORM");
    char program[] = "rekuda31";
    char *argv[] = {program, nullptr};
    display_platform::preferStayOnTop(1, argv);
    const QByteArray onWayland = qgetenv("QT_QPA_PLATFORM");

    qputenv("QT_QPA_PLATFORM", "wayland");
    display_platform::preferStayOnTop(1, argv);
    const QByteArray chosenByUser = qgetenv("QT_QPA_PLATFORM");

    qputenv("QT_QPA_PLATFORM", saved);
    QCOMPARE(onWayland, QByteArray("xcb;wayland"));
    QCOMPARE(chosenByUser, QByteArray("wayland"));
}

QTEST_GUILESS_MAIN(TestSessionPlatform)
#include "tst_session_platform.moc"
