// The tray icon's clicks, the memo-edit item and the date and time panel.
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

class TestTray : public QObject
{
    Q_OBJECT
private slots:
    void trayActivation_data();
    void trayActivation();
    void memoEdit_data();
    void memoEdit();
    void launcherStartsDesktopPanel_data();
    void launcherStartsDesktopPanel();
};

void TestTray::trayActivation_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("opens");
    QTest::newRow("left click") << int(QSystemTrayIcon::Trigger) << true;
    // A click soon after the last one, as after closing the menu with Escape.
    QTest::newRow("quick second click") << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("right click") << int(QSystemTrayIcon::Context) << false;
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
    const QByteArray threeMemos
        = dataFileOf({"0,9,1,2,2027,\"歯医者\",0,0", "30,12,0,0,0,\"昼休み\",0,0", "0,18,15,0,0,\"家賃\",1,0"});
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
    const QStringList all {"gnome-control-center", "systemsettings", "xfce4-datetime-settings", "mate-time-admin"};
    QTest::newRow("Ubuntu session") << QByteArray("ubuntu:GNOME") << all << "gnome-control-center datetime";
    QTest::newRow("Plasma") << QByteArray("KDE") << all << "systemsettings kcm_clock";
    QTest::newRow("own panel missing") << QByteArray("GNOME") << QStringList {"mate-time-admin"} << "mate-time-admin";
}

void TestTray::launcherStartsDesktopPanel()
{
    QFETCH(QByteArray, desktop);
    QFETCH(QStringList, installed);
    QFETCH(QString, started);
    // Only the given programs on PATH, each recording how it was started.
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("started"));
    for (const QString &program : installed) {
        QFile script(dir.filePath(program));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"" + program.toUtf8() + " $*\" >> '" + record.toUtf8() + "'\n");
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const QByteArray savedPath = qgetenv("PATH"), savedDesktop = qgetenv("XDG_CURRENT_DESKTOP");
    const auto restore = qScopeGuard([&] {
        qputenv("PATH", savedPath);
        qputenv("XDG_CURRENT_DESKTOP", savedDesktop);
    });
    qputenv("PATH", dir.path().toUtf8());
    qputenv("XDG_CURRENT_DESKTOP", desktop);
    DesktopLauncher launcher;
    launcher.openDateTimeSettings();
    const auto read = [&] {
        QFile file(record);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    };
    QTRY_COMPARE(read(), started);
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
