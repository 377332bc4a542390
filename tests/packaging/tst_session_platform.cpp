#include "platform/display_platform.h"

#include <QtTest>

using display_platform::Session;

class TestSessionPlatform : public QObject
{
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
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
    row("wayland_without_xwayland", "wayland", "wayland-0", "", "", {}, "");
    row("user_chose_wayland", "wayland", "wayland-0", ":0", "wayland", {}, "");
    row("platform_on_command_line", "wayland", "wayland-0", ":0", "", {"-platform", "wayland"}, "");
    row("x11_session", "x11", "", ":0", "", {}, "");
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

QTEST_GUILESS_MAIN(TestSessionPlatform)
#include "tst_session_platform.moc"
