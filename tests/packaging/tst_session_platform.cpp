// How the program picks its window-system platform on a desktop session. Catches: the program left on Wayland, which
// ignores its windows' stay-on-top, though XWayland is there; X11 forced where there is none, or over the user's
// choice; programs it starts, such as the date and time panel, handed its choice instead of making their own.
#include "platform/display_platform.h"

#include <QtTest>

using display_platform::Session;

class TestSessionPlatform : public QObject
{
    Q_OBJECT
private slots:
    void choose_data()
    {
        QTest::addColumn<Session>("session"); // type, Wayland display, X11 display, QT_QPA_PLATFORM, arguments
        QTest::addColumn<QByteArray>("platform");
        const auto row = [](const char *name, const Session &session, const char *platform = "") {
            QTest::newRow(name) << session << QByteArray(platform);
        };
        row("Wayland with XWayland", {"wayland", "wayland-0", ":0", {}, {}}, "xcb;wayland");
        row("Wayland display, no session type", {{}, "wayland-0", ":0", {}, {}}, "xcb;wayland");
        row("Wayland without XWayland", {"wayland", "wayland-0", {}, {}, {}});
        row("the user chose Wayland", {"wayland", "wayland-0", ":0", "wayland", {}});
        row("platform on the command line", {"wayland", "wayland-0", ":0", {}, {"-platform", "wayland"}});
        row("X11 session", {"x11", {}, ":0", {}, {}});
    }
    void choose()
    {
        QFETCH(Session, session);
        QFETCH(QByteArray, platform);
        QCOMPARE(display_platform::choose(session), platform);
    }

    void startedProgramsGetTheGivenEnvironment()
    {
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        qputenv("DISPLAY", ":0");
        qunsetenv("QT_QPA_PLATFORM");
        char name[] = "rekuda31", *argv[] = {name, nullptr};
        display_platform::preferStayOnTop(1, argv);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb;wayland"));
        QVERIFY(!display_platform::givenEnvironment().contains(QStringLiteral("QT_QPA_PLATFORM")));
    }
};

QTEST_GUILESS_MAIN(TestSessionPlatform)
#include "tst_session_platform.moc"
