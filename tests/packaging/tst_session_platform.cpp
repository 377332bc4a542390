#include "platform/display_platform.h"
#include "platform/qt_launcher.h"

#include <QtTest>

using display_platform::Session;

class TestSessionPlatform : public QObject
{
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
    void panelGetsTheGivenEnvironment();
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

// The program runs itself under XWayland; the date and time panel it starts
// chooses its own platform.
void TestSessionPlatform::panelGetsTheGivenEnvironment()
{
    QTemporaryDir dir;
    const QString seen = dir.filePath(QStringLiteral("environment"));
    const QString panel = dir.filePath(QStringLiteral("xfce4-datetime-settings"));
    QFile script(panel);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nenv > '%1.part' && mv '%1.part' '%1'\n").arg(seen).toUtf8());
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    qputenv("PATH", QFile::encodeName(dir.path()) + ":/usr/bin:/bin");
    qputenv("XDG_CURRENT_DESKTOP", "XFCE");
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    qputenv("DISPLAY", ":0");
    qunsetenv("QT_QPA_PLATFORM");
    char name[] = "rekuda31";
    char *argv[] = {name, nullptr};
    display_platform::preferStayOnTop(1, argv);
    QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb;wayland"));

    DesktopLauncher().openDateTimeSettings();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(seen), 10000);
    QFile environment(seen);
    QVERIFY(environment.open(QIODevice::ReadOnly));
    const QByteArray lines = environment.readAll();
    QVERIFY(lines.contains("XDG_CURRENT_DESKTOP=XFCE\n"));
    QVERIFY(!lines.contains("QT_QPA_PLATFORM"));
}

QTEST_GUILESS_MAIN(TestSessionPlatform)
#include "tst_session_platform.moc"
