// The tray icon and its menu, and the date and time panel.
#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "platform/qt_launcher.h"
#include "platform/qt_tray_icon.h"
#include "shell/icons_form.h"

#include <QFile>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {
const QByteArray threeMemos
    = dataFileOf({"0,9,1,2,2027,\"歯医者\",0,0", "30,12,0,0,0,\"昼休み\",0,0", "0,18,15,0,0,\"家賃\",1,0"});

// Only the given programs on PATH, each recording how it was started.
class FakePanels
{
public:
    FakePanels(const QStringList &installed, const QByteArray &desktop)
    {
        for (const QString &program : installed) {
            QFile script(m_dir.filePath(program));
            script.open(QIODevice::WriteOnly);
            script.write("#!/bin/sh\necho \"" + program.toUtf8() + " $*\" >> '" + record().toUtf8() + "'\n");
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", desktop);
    }
    ~FakePanels()
    {
        qputenv("PATH", m_path);
        qputenv("XDG_CURRENT_DESKTOP", m_desktop);
    }
    QString record() const { return m_dir.filePath(QStringLiteral("started")); }
    QString started() const
    {
        QFile file(record());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    }

private:
    QTemporaryDir m_dir;
    const QByteArray m_path = qgetenv("PATH");
    const QByteArray m_desktop = qgetenv("XDG_CURRENT_DESKTOP");
};
} // namespace

class TestTray : public QObject
{
    Q_OBJECT
private slots:
    void dateTimeSettingsLeaveProgramRunning();
    void leftReleaseOpensMenuAtPointer();
    void trayActivation_data();
    void trayActivation();
    void memoEdit_data();
    void memoEdit();
    void launcherStartsDesktopPanel_data();
    void launcherStartsDesktopPanel();
};

void TestTray::dateTimeSettingsLeaveProgramRunning()
{
    TestProgram program;
    QVERIFY(program.start());
    icons().timadjst->trigger();
    QCOMPARE(program.launcher->launches, 1);
    QCOMPARE(program.quits, 0);
    QVERIFY(program.tray->present);
}

void TestTray::leftReleaseOpensMenuAtPointer()
{
    TestProgram program;
    QVERIFY(program.start());
    QVERIFY(!icons().menuup->isVisible());
    program.tray->release(QPoint(120, 90));
    QTRY_VERIFY(icons().menuup->isVisible());
    QCOMPARE(icons().menuup->pos(), QPoint(120, 90));
    icons().menuup->hide();
}

void TestTray::trayActivation_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("opens");
    QTest::newRow("left click") << int(QSystemTrayIcon::Trigger) << true;
    // A click soon after the last one, as after closing the menu with Escape.
    QTest::newRow("quick second click") << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("right click") << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
}

void TestTray::trayActivation()
{
    QFETCH(int, reason);
    QFETCH(bool, opens);
    SystemTrayIcon tray;
    tray.trayAvailable = [] { return true; };
    tray.add(QIcon(IconsForm::programPicture()), QStringLiteral("tip"));
    QVERIFY(tray.trayIcon());
    QSignalSpy released(&tray, &TrayIcon::leftButtonReleased);
    // With no button held any more, the activation itself is the release.
    emit tray.trayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(released.size(), opens ? 1 : 0);
}

void TestTray::memoEdit_data()
{
    QTest::addColumn<QByteArray>("dataFile");
    QTest::addColumn<bool>("alarmShown");
    QTest::addColumn<bool>("opens");
    QTest::newRow("memos set") << threeMemos << false << true;
    QTest::newRow("empty table") << cp932Lines({"0"}) << false << false;
    QTest::newRow("alarm on screen") << threeMemos << true << false;
}

void TestTray::memoEdit()
{
    QFETCH(QByteArray, dataFile);
    QFETCH(bool, alarmShown);
    QFETCH(bool, opens);
    TestProgram program;
    program.writeDataFile(dataFile);
    QVERIFY(program.start());
    // As after the list editor deleted the last memo: the item is there but leads nowhere.
    icons().setMemoEditVisible(true);
    if (alarmShown)
        forms().Display().show();
    icons().memoedit->trigger();
    QCOMPARE(forms().Edit.loaded() && Edit().isVisible(), opens);
    QVERIFY(!form1().isVisible());
    QCOMPARE(program.dataFile(), dataFile);
}

void TestTray::launcherStartsDesktopPanel_data()
{
    QTest::addColumn<QByteArray>("desktop");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("started");
    const QStringList all {"gnome-control-center", "systemsettings", "kcmshell6", "kcmshell5",
        "xfce4-datetime-settings", "time-admin", "cinnamon-settings", "mate-time-admin"};
    const auto row = [](const char *name, const QByteArray &desktop, const QStringList &installed,
                         const char *started) { QTest::newRow(name) << desktop << installed << started; };
    row("GNOME", "GNOME", all, "gnome-control-center datetime");
    row("Ubuntu session", "ubuntu:GNOME", all, "gnome-control-center datetime");
    row("Plasma", "KDE", all, "systemsettings kcm_clock");
    row("Plasma 6 without System Settings", "KDE", {"kcmshell5", "kcmshell6", "gnome-control-center"},
        "kcmshell6 kcm_clock");
    row("Plasma 5", "KDE", {"gnome-control-center", "kcmshell5"}, "kcmshell5 clock");
    row("Xfce", "XFCE", all, "xfce4-datetime-settings");
    row("Xfce with time-admin only", "XFCE", {"gnome-control-center", "time-admin"}, "time-admin");
    row("Cinnamon", "X-Cinnamon", all, "cinnamon-settings calendar");
    row("MATE in lower case", "mate", all, "mate-time-admin");
    row("other desktop takes the first installed", "i3", {"mate-time-admin", "cinnamon-settings"},
        "cinnamon-settings calendar");
    row("no desktop named", "", {"kcmshell5"}, "kcmshell5 clock");
    row("own panel missing", "GNOME", {"mate-time-admin"}, "mate-time-admin");
}

void TestTray::launcherStartsDesktopPanel()
{
    QFETCH(QByteArray, desktop);
    QFETCH(QStringList, installed);
    QFETCH(QString, started);
    FakePanels panels(installed, desktop);
    DesktopLauncher launcher;
    launcher.openDateTimeSettings();
    QTRY_COMPARE(panels.started(), started);
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
