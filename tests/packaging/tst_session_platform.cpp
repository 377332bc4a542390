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

    const QByteArray xcb = "xcb;wayland";
    QTest::newRow("wayland_session_with_xwayland") << QByteArray("wayland") << QByteArray("wayland-0")
                                                   << QByteArray(":0") << QByteArray() << QByteArrayList() << xcb;
    QTest::newRow("session_type_only") << QByteArray("wayland") << QByteArray() << QByteArray(":1") << QByteArray()
                                       << QByteArrayList() << xcb;
    QTest::newRow("session_type_in_capitals")
        << QByteArray("Wayland") << QByteArray() << QByteArray(":1") << QByteArray() << QByteArrayList() << xcb;
    QTest::newRow("wayland_display_without_session_type")
        << QByteArray() << QByteArray("wayland-1") << QByteArray(":0") << QByteArray() << QByteArrayList() << xcb;
    QTest::newRow("nested_wayland_in_x11_session")
        << QByteArray("x11") << QByteArray("wayland-1") << QByteArray(":0") << QByteArray() << QByteArrayList() << xcb;
    QTest::newRow("wayland_without_xwayland") << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray()
                                              << QByteArray() << QByteArrayList() << QByteArray();
    QTest::newRow("user_chose_wayland") << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0")
                                        << QByteArray("wayland") << QByteArrayList() << QByteArray();
    QTest::newRow("user_chose_xcb") << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0")
                                    << QByteArray("xcb") << QByteArrayList() << QByteArray();
    QTest::newRow("platform_on_command_line")
        << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0") << QByteArray()
        << QByteArrayList {"-platform", "wayland"} << QByteArray();
    QTest::newRow("platform_with_two_dashes")
        << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0") << QByteArray()
        << QByteArrayList {"--platform", "wayland"} << QByteArray();
    QTest::newRow("other_arguments") << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0")
                                     << QByteArray() << QByteArrayList {"-style", "fusion"} << xcb;
    QTest::newRow("x11_session") << QByteArray("x11") << QByteArray() << QByteArray(":0") << QByteArray()
                                 << QByteArrayList() << QByteArray();
    QTest::newRow("tty_without_display") << QByteArray("tty") << QByteArray() << QByteArray() << QByteArray()
                                         << QByteArrayList() << QByteArray();
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
