// Real timers, signals and desktop services, which fakes stand in for
// everywhere else. Catches: a one-second tick that drifts from the clock's
// whole seconds or stalls when the clock is put forward or back; a splash that
// goes before its 800 ms or stays; SIGTERM at logout ending the program
// without the end-of-loop handlers that put an edited memo back; a tray icon
// that opens its menu on the wrong click, loses its tip, or neither falls back
// to the resident indicator without a notification area nor returns to the
// tray when one appears; the program left on Wayland, which ignores its
// windows' stay-on-top, though XWayland is there, X11 forced where there is
// none or over the user's choice, and programs it starts, such as the date
// and time panel of the desktop, handed its choice instead of making their own.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "notices/title_form.h"
#include "platform/display_platform.h"
#include "platform/qt_launcher.h"
#include "platform/qt_tray_icon.h"
#include "platform/resident_indicator.h"
#include "platform/termination_signals.h"
#include "scheduler/second_timer.h"
#include "shell/icons_form.h"

#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QtTest>

#include <csignal>

namespace {

// A wall clock that runs in real time from a moment the test sets, and can be
// put forward or back like a user or a time service would.
class SettableClock : public Clock
{
public:
    QDateTime now() const override { return m_base.addMSecs(m_running.elapsed()); }
    void set(const QDateTime &moment) { m_base = moment, m_running.restart(); }

private:
    QDateTime m_base;
    QElapsedTimer m_running;
};

// Successive seconds, each read within a few tens of milliseconds of its start.
bool justAfterWholeSeconds(const QList<QDateTime> &readings)
{
    for (int i = 0; i < readings.size(); ++i) {
        if (readings[i].time().msec() >= 60
            || (i > 0 && readings[i].toSecsSinceEpoch() - readings[i - 1].toSecsSinceEpoch() != 1))
            return false;
    }
    return true;
}

} // namespace

class TestTimersAndDesktop : public QObject
{
    Q_OBJECT
private slots:
    void ticks_data()
    {
        QTest::addColumn<qint64>("jumpMs");
        QTest::newRow("clock put forward three hours and a bit") << qint64(3 * 3600 * 1000 + 437);
        QTest::newRow("clock put back a day and a bit") << qint64(-(24 * 3600 * 1000 + 611));
        QTest::newRow("clock put back less than a second") << qint64(-700);
    }
    void ticks()
    {
        QFETCH(qint64, jumpMs);
        SettableClock clock;
        clock.set(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 57, 370)));
        SecondTimer timer(clock);
        QList<QDateTime> readings;
        connect(&timer, &SecondTimer::timeout, this, [&] { readings << clock.now(); });
        timer.start();
        QTRY_COMPARE_WITH_TIMEOUT(readings.size(), 1, 2000);
        QVERIFY(justAfterWholeSeconds(readings));

        const QDateTime jumped = clock.now().addMSecs(jumpMs);
        clock.set(jumped);
        readings.clear();
        QElapsedTimer sinceJump;
        sinceJump.start();
        // The tick pending at the change may land anywhere in a second; the
        // ones after it are re-armed from the changed clock.
        QTRY_COMPARE_WITH_TIMEOUT(readings.size(), 3, 4000);
        QVERIFY2(sinceJump.elapsed() < 3300, "the timer stalled after the clock was changed");
        readings.removeFirst();
        QVERIFY(justAfterWholeSeconds(readings));
        QVERIFY(readings.first() > jumped);
    }

    void splashStays800ms()
    {
        QElapsedTimer clock;
        clock.start();
        TestProgram program;
        QVERIFY(program.start());
        QVERIFY(Title().isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!forms().Title.loaded(), 3000);
        QVERIFY2(clock.elapsed() >= 800, qPrintable(QString::number(clock.elapsed())));
    }

    void sigtermEndsTheEventLoop()
    {
        // Even with a window that refuses to close, aboutToQuit runs once.
        termination_signals::quitEventLoopOnSignals();
        struct Vetoing : QWidget
        {
            void closeEvent(QCloseEvent *event) override { event->ignore(); }
        } vetoing;
        vetoing.show();
        QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(50, [] { ::raise(SIGTERM); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(aboutToQuit.size(), 1);
    }

    void trayClicks_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("opens");
        QTest::newRow("left click") << int(QSystemTrayIcon::Trigger) << true;
        // A click soon after the last one, as after closing the menu with Escape.
        QTest::newRow("quick second click") << int(QSystemTrayIcon::DoubleClick) << true;
        QTest::newRow("right click") << int(QSystemTrayIcon::Context) << false;
    }
    void trayClicks()
    {
        QFETCH(int, reason);
        QFETCH(bool, opens);
        bool trayThere = false;
        SystemTrayIcon tray;
        tray.trayAvailable = [&trayThere] { return trayThere; };
        tray.add(QIcon(IconsForm::programPicture()), QStringLiteral("rekuda31"));
        // No notification area: the indicator stands in, with the same tip.
        QVERIFY(!tray.trayIcon() && tray.indicator() && tray.indicator()->isVisible());
        QCOMPARE(tray.indicator()->toolTip(), QStringLiteral("rekuda31"));
        trayThere = true;
        tray.followTray();
        QVERIFY(tray.trayIcon() && tray.trayIcon()->isVisible() && !tray.indicator());
        QCOMPARE(tray.trayIcon()->toolTip(), QStringLiteral("rekuda31"));

        QSignalSpy released(&tray, &TrayIcon::leftButtonReleased);
        // With no button held any more, the activation itself is the release.
        emit tray.trayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(released.size(), opens ? 1 : 0);
        tray.remove();
        QVERIFY(!tray.trayIcon() && !tray.indicator());
    }

    // Last: these change the environment.
    void choose_data()
    {
        QTest::addColumn<display_platform::Session>(
            "session"); // type, Wayland display, X11 display, QT_QPA_PLATFORM, arguments
        QTest::addColumn<QByteArray>("platform");
        const auto row = [](const char *name, const display_platform::Session &session, const char *platform = "") {
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
        QFETCH(display_platform::Session, session);
        QFETCH(QByteArray, platform);
        QCOMPARE(display_platform::choose(session), platform);
    }

    void startedProgramsGetTheGivenEnvironment()
    {
        // 日時の設定 on GNOME, with only a panel on PATH that records how it was started.
        QTemporaryDir bin;
        const QString record = bin.filePath(QStringLiteral("started"));
        QVERIFY(writeBytes(bin.filePath(QStringLiteral("gnome-control-center")),
            "#!/bin/sh\necho \"[$QT_QPA_PLATFORM] $*\" > '" + QFile::encodeName(record) + "'\n"));
        QFile(bin.filePath(QStringLiteral("gnome-control-center"))).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
        qputenv("PATH", QFile::encodeName(bin.path()));
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        qputenv("DISPLAY", ":0");
        qunsetenv("QT_QPA_PLATFORM");
        char name[] = "rekuda31", *argv[] = {name, nullptr};
        display_platform::preferStayOnTop(1, argv);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb;wayland"));
        QVERIFY(!display_platform::givenEnvironment().contains(QStringLiteral("QT_QPA_PLATFORM")));
        DesktopLauncher().openDateTimeSettings();
        QTRY_COMPARE(readBytes(record), QByteArray("[] datetime\n"));
    }
};

QTEST_MAIN(TestTimersAndDesktop)
#include "tst_timers_and_desktop.moc"
