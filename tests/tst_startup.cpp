// Start-up, the single-instance rule and the orderly exit.
#include "fakes/fake_platform.h"

#include "entry/form1.h"
#include "shell/icons_form.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWithoutDataFile();
    void startWithMemos();
    void secondInstanceDoesNothing();
    void exitRemovesIconFirstAndTouchesNoFile();
    void realSecondProcessEndsAtOnce();
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
    QVERIFY(program.start());
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
    icons().memofin->trigger();
    QVERIFY(windowsLoadedAtRemoval);
    QCOMPARE(beepsAtRemoval, 0);
    QCOMPARE(program.beeper->beeps, 1);
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

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
