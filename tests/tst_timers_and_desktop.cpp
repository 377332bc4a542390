// Real timers, signals and desktop services, which fakes stand in for elsewhere. Catches: a one-second tick that
// drifts from the clock's whole seconds or stalls when the clock is put forward or back; SIGTERM at logout ending
// without the handlers that put an edited memo back; a tray icon that opens its menu on the wrong click or loses its
// tip; without a notification area, no resident indicator in the screen's corner, or one whose click, right click or
// drag does the wrong thing, or no return to the tray when one appears; Wayland (which ignores stay-on-top) kept
// though XWayland is there, X11 forced over the user's choice, or its own choice handed to the programs it starts.
#include "fakes/fake_platform.h"

#include "platform/display_platform.h"
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

// A wall clock that runs in real time from a moment the test sets, and can be put forward or back.
struct SettableClock : Clock
{
    QDateTime now() const override { return base.addMSecs(running.elapsed()); }
    void pause(int) const override { }
    void set(const QDateTime &moment) { base = moment, running.restart(); }
    QDateTime base;
    QElapsedTimer running;
};

// Successive seconds, each read early in it: a tick armed off the whole second stays off it, a busy machine delays
// one by tens of milliseconds.
bool justAfterWholeSeconds(const QList<QDateTime> &readings)
{
    for (int i = 0; i < readings.size(); ++i)
        if (readings[i].time().msec() >= 250
            || (i > 0 && readings[i].toSecsSinceEpoch() - readings[i - 1].toSecsSinceEpoch() != 1))
            return false;
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
        // The tick pending at the change may land anywhere in a second; the ones after it follow the new clock.
        QTRY_COMPARE_WITH_TIMEOUT(readings.size(), 3, 4000);
        QVERIFY2(sinceJump.elapsed() < 3300, "the timer stalled after the clock was changed");
        readings.removeFirst();
        QVERIFY(justAfterWholeSeconds(readings));
        QVERIFY(readings.first() > jumped);
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

    void trayFallbackAndClicks()
    {
        bool trayThere = false;
        SystemTrayIcon tray;
        QSignalSpy released(&tray, &TrayIcon::leftButtonReleased);
        tray.trayAvailable = [&trayThere] { return trayThere; };
        tray.add(QIcon(IconsForm::programPicture()), QStringLiteral("rekuda31"));
        // No notification area: the indicator stands in, with the same tip, at the screen's lower right, not to be
        // closed. A left click opens the menu; a right click does not, nor does a drag, which moves it.
        ResidentIndicator *indicator = tray.indicator();
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center(), at = indicator->pos();
        QVERIFY(!tray.trayIcon() && !indicator->close() && indicator->isVisible() && at.x() > centre.x()
            && at.y() > centre.y());
        QCOMPARE(indicator->toolTip(), QStringLiteral("rekuda31"));
        QTest::mouseClick(indicator, Qt::RightButton);
        QTest::mouseClick(indicator, Qt::LeftButton);
        QTest::mousePress(indicator, Qt::LeftButton, {}, QPoint(4, 4));
        QTest::mouseMove(indicator, QPoint(40, 4));
        QTest::mouseRelease(indicator, Qt::LeftButton, {}, QPoint(40, 4));
        QCOMPARE(released.size(), 1);
        QCOMPARE(indicator->pos(), at + QPoint(36, 0));
        trayThere = true;
        tray.followTray();
        QVERIFY(tray.trayIcon() && tray.trayIcon()->isVisible() && !tray.indicator());
        QCOMPARE(tray.trayIcon()->toolTip(), QStringLiteral("rekuda31"));
        // A left click opens the menu, and so does a click soon after the last one (as after Escape); the
        // activation itself is the release. A right click does not.
        const std::pair<QSystemTrayIcon::ActivationReason, int> clicks[]
            = {{QSystemTrayIcon::Trigger, 2}, {QSystemTrayIcon::DoubleClick, 3}, {QSystemTrayIcon::Context, 3}};
        for (const auto &[reason, menus] : clicks) {
            emit tray.trayIcon()->activated(reason);
            QCOMPARE(released.size(), menus);
        }
        tray.remove();
        QVERIFY(!tray.trayIcon() && !tray.indicator());
    }

    void chooseDisplayPlatform() // the last test: it changes the environment
    {
        // A Wayland session: X11 for this program, the user's own setting for the programs it starts.
        qputenv("XDG_SESSION_TYPE", "wayland");
        qputenv("DISPLAY", ":0");
        qunsetenv("QT_QPA_PLATFORM");
        display_platform::preferStayOnTop(0, nullptr);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb;wayland"));
        QVERIFY(!display_platform::givenEnvironment().contains(QStringLiteral("QT_QPA_PLATFORM")));
        using display_platform::choose; // session type, Wayland display, X11 display, QT_QPA_PLATFORM, arguments
        QCOMPARE(choose({{}, "wayland-0", ":0", {}, {}}), "xcb;wayland"); // no session type
        QCOMPARE(choose({"wayland", "wayland-0", ":0", "wayland", {}}), ""); // the user chose
        QCOMPARE(choose({"wayland", "wayland-0", ":0", {}, {"-platform", "wayland"}}), "");
    }
};

QTEST_MAIN(TestTimersAndDesktop)
#include "tst_timers_and_desktop.moc"
