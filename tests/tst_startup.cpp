// Start-up, the single-instance rule and the orderly exit.
#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "alarm/wave_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "notices/title_form.h"
#include "notices/ver_form.h"
#include "platform/qt_services.h"
#include "platform/termination_signals.h"
#include "shell/icons_form.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWithoutDataFile();
    void startWithMemos();
    void secondInstanceDoesNothing();
    void exitRemovesIconFirstAndTouchesNoFile();
    void realSecondProcessEndsAtOnce();
    void lockFileOfAnotherUserIsNotOurs();
    void terminationSignalEndsTheEventLoopInOrder();
};

void TestStartup::firstStartWithoutDataFile()
{
    TestProgram program;
    QVERIFY(program.start());
    QCOMPARE(form1().DataMax, qint16(20));
    QCOMPARE(form1().SetFlg, qint16(0));
    QCOMPARE(form1().DataMaxNumber, qint16(0));
    QVERIFY(!icons().memoedit->isVisible());
    QVERIFY(!form1().isVisible());
    QCOMPARE(program.tray->adds, 1);
    QCOMPARE(program.tray->tip, QStringLiteral("日時指定メモソフト rekuda31") + QString(14, QLatin1Char(' ')));
    QCOMPARE(program.tray->tip.size(), 32);
    QCOMPARE(form1().FileName, program.folder.path() + QLatin1String("/rekuda31.dat"));
    QCOMPARE(form1().SundFile, program.folder.path() + QLatin1String("/rekuda31.wav"));
    QVERIFY(!program.dataFileExists());
}

void TestStartup::startWithMemos()
{
    TestProgram program;
    program.writeDataFile(cp932Lines({"3", "0,7,0,0,0,\"a\",0,0", "0,8,0,0,0,\"b\",0,2", "0,9,1,1,2027,\"c\",1,0"}));
    // The icon comes after the menu host and the paths, before the sound
    // window, the data file and the splash.
    QStringList atAdd;
    program.tray->onAdd = [&] {
        const Forms &f = program.app->forms;
        atAdd << QStringLiteral("icons %1").arg(f.icons.loaded() && !icons().isVisible())
              << QStringLiteral("paths %1").arg(!form1().FileName.isEmpty() && !form1().SundFile.isEmpty())
              << QStringLiteral("frmWave %1").arg(f.frmWave.loaded())
              << QStringLiteral("memos %1").arg(form1().DataMaxNumber)
              << QStringLiteral("Title %1").arg(f.Title.loaded());
    };
    QVERIFY(program.start());
    QCOMPARE(atAdd, QStringList({"icons 1", "paths 1", "frmWave 0", "memos 0", "Title 0"}));
    QVERIFY(forms().frmWave.loaded());
    QVERIFY(Title().isVisible());
    QVERIFY(!form1().isVisible());
    QVERIFY(!icons().isVisible());
    QCOMPARE(form1().DataMaxNumber, qint16(3));
    QCOMPARE(form1().SetFlg, qint16(1));
    QVERIFY(icons().memoedit->isVisible());
    QCOMPARE(program.app->table.MemoText[2], QStringLiteral("c"));
    QCOMPARE(program.app->table.MemoWeek[1], qint16(2));
}

void TestStartup::secondInstanceDoesNothing()
{
    TestProgram program;
    program.lock->otherInstanceRuns = true;
    program.writeDataFile(cp932Lines({"1", "0,7,0,0,0,\"a\",0,0"}));
    QVERIFY(!program.start());
    QCOMPARE(program.tray->adds, 0);
    QVERIFY(!program.app->forms.form1.loaded());
    QVERIFY(!program.app->forms.Title.loaded());
    QCOMPARE(program.files->writes, 0);
}

void TestStartup::exitRemovesIconFirstAndTouchesNoFile()
{
    TestProgram program;
    const QByteArray bytes = cp932Lines({"1", "0,7,0,0,0,\"a\",0,0"});
    program.writeDataFile(bytes);
    QVERIFY(program.start());
    bool windowsLoadedAtRemoval = false;
    int beepsAtRemoval = -1;
    program.tray->onRemove = [&] {
        windowsLoadedAtRemoval = program.app->forms.form1.loaded() && program.app->forms.icons.loaded();
        beepsAtRemoval = program.beeper->beeps;
    };
    QStringList closed;
    const auto watch = [&closed](QWidget &window) {
        QObject::connect(&window, &QObject::destroyed, [&closed, name = window.objectName()] { closed << name; });
    };
    watch(forms().Display());
    watch(Edit());
    watch(keikoku1());
    watch(keikoku2());
    watch(MEMO());
    watch(Ver());
    watch(frmWave());
    watch(Title());
    watch(form1());
    watch(icons());
    icons().memofin->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(windowsLoadedAtRemoval);
    QCOMPARE(beepsAtRemoval, 0);
    QCOMPARE(program.beeper->beeps, 1);
    QCOMPARE(closed,
        QStringList({"Display", "Edit", "frmWave", "keikoku1", "keikoku2", "MEMO", "Title", "Ver", "form1", "icons"}));
    QVERIFY(!program.tray->present);
    QVERIFY(!program.app->forms.form1.loaded());
    QVERIFY(!program.app->forms.icons.loaded());
    QCOMPARE(program.quits, 1);
    QCOMPARE(program.files->writes, 0);
    QCOMPARE(program.dataFile(), bytes);
}

void TestStartup::realSecondProcessEndsAtOnce()
{
    QTemporaryDir dir;
    const QString binary = dir.filePath(QStringLiteral("rekuda31"));
    QVERIFY(QFile::copy(QStringLiteral(REKUDA31_BINARY), binary));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QByteArray bytes = cp932Lines({"1", "0,7,0,0,0,\"a\",0,0"});

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(binary, {});
    QVERIFY(first.waitForStarted());
    // Give the first instance time to take its lock.
    QTest::qWait(700);
    QCOMPARE(first.state(), QProcess::Running);

    {
        QFile data(dir.filePath(QStringLiteral("rekuda31.dat")));
        QVERIFY(data.open(QIODevice::WriteOnly));
        data.write(bytes);
    }
    QProcess second;
    second.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    second.start(binary, {});
    QVERIFY(second.waitForFinished(2000));
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"rekuda31", "rekuda31.dat"}));

    // A killed instance leaves no lock behind.
    first.kill();
    QVERIFY(first.waitForFinished(2000));
    QProcess third;
    third.setProcessEnvironment(env);
    third.start(binary, {});
    QVERIFY(third.waitForStarted());
    QVERIFY(!third.waitForFinished(1000));
    QCOMPARE(third.state(), QProcess::Running);
    third.kill();
    third.waitForFinished(2000);
    QFile data(dir.filePath(QStringLiteral("rekuda31.dat")));
    QVERIFY(data.open(QIODevice::ReadOnly));
    QCOMPARE(data.readAll(), bytes);
}

void TestStartup::lockFileOfAnotherUserIsNotOurs()
{
    if (::geteuid() != 0)
        QSKIP("needs root to hand the lock file to another user");
    // A shared folder such as /tmp, where the lock lives without a runtime folder.
    QTemporaryDir shared;
    QVERIFY(QFile::setPermissions(shared.path(),
        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther | QFileDevice::ReadOwner
            | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", shared.path().toUtf8());
    const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", savedRuntime); });
    QTemporaryDir program;

    {
        FileLock first(program.path());
        QVERIFY(first.acquire());
        FileLock second(program.path());
        QVERIFY(!second.acquire());
    }
    const QStringList made = QDir(shared.path()).entryList(QDir::Files);
    QCOMPARE(made.size(), 1);

    // Another user takes the name first and holds it: our program still starts.
    const QByteArray name = QFile::encodeName(QDir(shared.path()).filePath(made.first()));
    QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(name.constData(), 0666), 0);
    const int held = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(held >= 0);
    const auto release = qScopeGuard([held] { ::close(held); });
    QCOMPARE(::flock(held, LOCK_EX | LOCK_NB), 0);
    FileLock ours(program.path());
    QVERIFY(ours.acquire());
}

void TestStartup::terminationSignalEndsTheEventLoopInOrder()
{
    // SIGTERM at logout ends the loop normally, so aboutToQuit handlers (which
    // put back a memo out for editing) run, even with a window that vetoes closing.
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

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
