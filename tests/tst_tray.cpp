#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "platform/qt_launcher.h"
#include "platform/qt_tray_icon.h"
#include "platform/resident_indicator.h"
#include "shell/icons_form.h"

#include <QFile>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {
const QByteArray threeMemos = cp932Lines({QStringLiteral("3"), QStringLiteral("0,9,1,2,2027,\"歯医者\",0,0"),
    QStringLiteral("30,12,0,0,0,\"昼休み\",0,0"), QStringLiteral("0,18,15,0,0,\"家賃\",1,0")});

// The menu as the user sees it: visible items by caption, separators as "-".
QStringList shownMenu()
{
    QStringList shown;
    for (const QAction *action : icons().menuup->actions()) {
        if (action->isVisible())
            shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return shown;
}

int shownWindows(const QString &name)
{
    int count = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        count += widget->objectName() == name && widget->isVisible();
    return count;
}

QSet<QRgb> coloursOf(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours;
}

// Runs the launcher with only the given programs on PATH; each records how it was started.
class FakePanels
{
public:
    FakePanels(const QStringList &installed, const QString &desktop)
        : m_path(qgetenv("PATH"))
        , m_desktop(qgetenv("XDG_CURRENT_DESKTOP"))
    {
        for (const QString &program : installed) {
            QFile script(m_dir.filePath(program));
            script.open(QIODevice::WriteOnly);
            script.write("#!/bin/sh\necho \"" + program.toUtf8() + " $*\" >> '" + record().toUtf8() + "'\n");
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toUtf8());
        if (desktop.isEmpty())
            qunsetenv("XDG_CURRENT_DESKTOP");
        else
            qputenv("XDG_CURRENT_DESKTOP", desktop.toUtf8());
    }
    ~FakePanels()
    {
        qputenv("PATH", m_path);
        if (m_desktop.isEmpty())
            qunsetenv("XDG_CURRENT_DESKTOP");
        else
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
    QByteArray m_path;
    QByteArray m_desktop;
};
} // namespace

class TestTray : public QObject
{
    Q_OBJECT
private slots:
    void menuFollowsMemoCount_data();
    void menuFollowsMemoCount();
    void firstMemoShowsMemoEdit();
    void iconAndTip();
    void leftReleaseOpensMenuAtPointer();
    void trayActivation_data();
    void trayActivation();
    void memoEdit_data();
    void memoEdit();
    void dateTimeSettingsLeaveProgramRunning();
    void exitRemovesIconAndKeepsDataFile();
    void indicatorStandsInWithoutTray();
    void launcherStartsDesktopPanel_data();
    void launcherStartsDesktopPanel();
};

void TestTray::menuFollowsMemoCount_data()
{
    QTest::addColumn<QByteArray>("dataFile");
    QTest::addColumn<QStringList>("shown");
    const QStringList withoutEdit {QStringLiteral("メモ設定"), QStringLiteral("-"), QStringLiteral("バージョン情報"),
        QStringLiteral("日時の設定"), QStringLiteral("-"), QStringLiteral("終了")};
    QStringList withEdit = withoutEdit;
    withEdit.insert(1, QStringLiteral("メモ編集"));
    QTest::newRow("noDataFile") << QByteArray() << withoutEdit;
    QTest::newRow("threeMemos") << threeMemos << withEdit;
    QTest::newRow("damagedFile") << QByteArray("3\r\n0,9,zz\r\n") << withoutEdit;
}

void TestTray::menuFollowsMemoCount()
{
    QFETCH(QByteArray, dataFile);
    QFETCH(QStringList, shown);
    TestProgram program;
    if (!dataFile.isEmpty())
        program.writeDataFile(dataFile);
    QVERIFY(program.start());
    QCOMPARE(shownMenu(), shown);
}

void TestTray::firstMemoShowsMemoEdit()
{
    TestProgram program;
    QVERIFY(program.start());
    QVERIFY(!shownMenu().contains(QStringLiteral("メモ編集")));
    Form1 &main = form1();
    main.SetYear = 2027;
    main.SetMonth = 1;
    main.SetDays = 5;
    main.SetHure = 8;
    main.SetMin = 0;
    MEMO().Text1->setText(QStringLiteral("初詣"));
    main.FileWrite();
    QCOMPARE(main.DataMaxNumber, qint16(1));
    QCOMPARE(shownMenu().mid(0, 3),
        QStringList({QStringLiteral("メモ設定"), QStringLiteral("メモ編集"), QStringLiteral("-")}));
}

void TestTray::iconAndTip()
{
    TestProgram program;
    QVERIFY(program.start());
    QCOMPARE(program.tray->adds, 1);
    QCOMPARE(program.tray->tip, QStringLiteral("日時指定メモソフト rekuda31              "));
    QCOMPARE(program.tray->tip.size(), 32);

    const QImage picture = icons().Image1->pixmap().toImage();
    QCOMPARE(picture.size(), QSize(32, 32));
    QVERIFY(coloursOf(picture).size() <= 16);
    QCOMPARE(program.tray->icon.pixmap(32).toImage().convertToFormat(picture.format()), picture);
    QCOMPARE(form1().windowIcon().pixmap(32).toImage().convertToFormat(picture.format()), picture);
    // The sheet is yellow in the middle.
    QCOMPARE(QColor(picture.pixel(16, 28)), QColor(255, 255, 0));
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
    QTest::newRow("leftClick") << int(QSystemTrayIcon::Trigger) << true;
    // A click soon after the last one, as after closing the menu with Escape.
    QTest::newRow("quickSecondClick") << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("rightClick") << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("middleClick") << int(QSystemTrayIcon::MiddleClick) << false;
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
    QTest::newRow("memosSet") << threeMemos << false << true;
    QTest::newRow("emptyTable") << cp932Lines({QStringLiteral("0")}) << false << false;
    QTest::newRow("alarmOnScreen") << threeMemos << true << false;
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

void TestTray::dateTimeSettingsLeaveProgramRunning()
{
    TestProgram program;
    QVERIFY(program.start());
    icons().timadjst->trigger();
    QCOMPARE(program.launcher->launches, 1);
    QCOMPARE(program.quits, 0);
    QVERIFY(program.tray->present);
}

void TestTray::exitRemovesIconAndKeepsDataFile()
{
    TestProgram program;
    program.writeDataFile(threeMemos);
    QVERIFY(program.start());
    icons().dspver->trigger();
    icons().memofin->trigger();
    QVERIFY(!program.tray->present);
    QCOMPARE(program.beeper->beeps, 1);
    QCOMPARE(program.quits, 1);
    QCOMPARE(program.terminations, 0);
    QVERIFY(!forms().form1.loaded());
    QVERIFY(!forms().icons.loaded());
    QVERIFY(!forms().Ver.loaded());
    QVERIFY(!forms().Title.loaded());
    QCOMPARE(program.dataFile(), threeMemos);
}

void TestTray::indicatorStandsInWithoutTray()
{
    TestProgram program;
    QVERIFY(program.start());
    // The offscreen desktop has no notification area, like a bare window manager.
    SystemTrayIcon tray;
    connect(&tray, &TrayIcon::leftButtonReleased, &form1(), [](const QPoint &pos) { form1().trayButtonReleased(pos); });
    tray.add(icons().programIcon(), program.tray->tip);
    QVERIFY(!tray.inTray());
    ResidentIndicator *indicator = tray.indicator();
    QVERIFY(indicator);
    QVERIFY(indicator->isVisible());
    QVERIFY(indicator->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(indicator->toolTip(), program.tray->tip);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(screen.contains(indicator->frameGeometry()));
    QVERIFY(indicator->x() > screen.center().x());
    QVERIFY(indicator->y() > screen.center().y());

    QTest::mouseClick(indicator, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseMove(indicator, QPoint(20, 20));
    QCoreApplication::processEvents();
    QVERIFY(!icons().menuup->isVisible());

    QTest::mouseClick(indicator, Qt::LeftButton, {}, QPoint(10, 10));
    QTRY_VERIFY(icons().menuup->isVisible());
    // Near the screen corner the menu opens upwards and leftwards, still touching the pointer.
    QVERIFY(icons().menuup->geometry().adjusted(-1, -1, 1, 1).contains(indicator->mapToGlobal(QPoint(10, 10))));
    icons().menuup->hide();

    tray.remove();
    QVERIFY(!tray.indicator());
    QCOMPARE(shownWindows(QStringLiteral("residentIndicator")), 0);
}

void TestTray::launcherStartsDesktopPanel_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("started");
    const QStringList all {QStringLiteral("gnome-control-center"), QStringLiteral("systemsettings"),
        QStringLiteral("kcmshell6"), QStringLiteral("kcmshell5"), QStringLiteral("xfce4-datetime-settings"),
        QStringLiteral("time-admin"), QStringLiteral("cinnamon-settings"), QStringLiteral("mate-time-admin")};
    QTest::newRow("gnome") << "GNOME" << all << "gnome-control-center datetime";
    QTest::newRow("ubuntuSession") << "ubuntu:GNOME" << all << "gnome-control-center datetime";
    QTest::newRow("plasma") << "KDE" << all << "systemsettings kcm_clock";
    QTest::newRow("plasma6WithoutSystemSettings")
        << "KDE" << QStringList {"kcmshell5", "kcmshell6", "gnome-control-center"} << "kcmshell6 kcm_clock";
    QTest::newRow("plasma5") << "KDE" << QStringList {"gnome-control-center", "kcmshell5"} << "kcmshell5 clock";
    QTest::newRow("xfce") << "XFCE" << all << "xfce4-datetime-settings";
    QTest::newRow("xfceWithTimeAdmin") << "XFCE" << QStringList {"gnome-control-center", "time-admin"} << "time-admin";
    QTest::newRow("cinnamon") << "X-Cinnamon" << all << "cinnamon-settings calendar";
    QTest::newRow("mate") << "MATE" << all << "mate-time-admin";
    QTest::newRow("lowerCaseName") << "mate" << all << "mate-time-admin";
    QTest::newRow("otherDesktopTakesFirstInstalled")
        << "i3" << QStringList {"mate-time-admin", "cinnamon-settings"} << "cinnamon-settings calendar";
    QTest::newRow("noDesktopNamed") << "" << QStringList {"kcmshell5"} << "kcmshell5 clock";
    QTest::newRow("ownPanelMissing") << "GNOME" << QStringList {"mate-time-admin"} << "mate-time-admin";
}

void TestTray::launcherStartsDesktopPanel()
{
    QFETCH(QString, desktop);
    QFETCH(QStringList, installed);
    QFETCH(QString, started);
    FakePanels panels(installed, desktop);
    DesktopLauncher launcher;
    launcher.openDateTimeSettings();
    QTRY_COMPARE(panels.started(), started);
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
