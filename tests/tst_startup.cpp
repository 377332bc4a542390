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
#include "platform/termination_signals.h"
#include "shell/icons_form.h"

#include <QDir>
#include <QtTest>

#include <csignal>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void startUp_data();
    void startUp();
    void secondInstanceDoesNothing();
    void exitRemovesIconFirstAndTouchesNoFile();
    void terminationSignalEndsTheEventLoopInOrder();
};

void TestStartup::startUp_data()
{
    QTest::addColumn<QByteArray>("dataFile");
    QTest::addColumn<int>("memos");
    QTest::newRow("no data file: a first start") << QByteArray() << 0;
    QTest::newRow("three memos") << dataFileOf({"0,7,0,0,0,\"a\",0,0", "0,8,0,0,0,\"b\",0,2", "0,9,1,1,2027,\"c\",1,0"})
                                 << 3;
}

void TestStartup::startUp()
{
    QFETCH(QByteArray, dataFile);
    QFETCH(int, memos);
    TestProgram program;
    if (!dataFile.isEmpty())
        program.writeDataFile(dataFile);
    // The icon comes right after the menu host, before the main window is
    // built, the sound window, the data file and the splash.
    QStringList atAdd;
    program.tray->onAdd = [&] {
        const Forms &f = program.app->forms;
        atAdd << QStringLiteral("icons %1").arg(f.icons.loaded() && !icons().isVisible())
              << QStringLiteral("form1 %1").arg(f.form1.loaded())
              << QStringLiteral("frmWave %1").arg(f.frmWave.loaded())
              << QStringLiteral("Title %1").arg(f.Title.loaded());
    };
    QVERIFY(program.start());
    QCOMPARE(atAdd, QStringList({"icons 1", "form1 0", "frmWave 0", "Title 0"}));
    QCOMPARE(form1().FileName, program.dataPath());
    QCOMPARE(form1().SundFile, program.folder.filePath("rekuda31.wav"));
    QCOMPARE(program.tray->adds, 1);
    QCOMPARE(form1().DataMaxNumber, qint16(memos));
    QCOMPARE(form1().SetFlg, qint16(memos ? 1 : 0));
    QCOMPARE(program.files->writes, 0);

    // The splash's third line and the menu's "メモ編集" tell whether memos are set.
    QVERIFY(Title().isVisible() && Title().Label2->isVisible());
    QCOMPARE(Title().Label3->isVisible(), memos > 0);
    QStringList menu {"メモ設定", "-", "バージョン情報", "日時の設定", "-", "終了"};
    if (memos)
        menu.insert(1, QStringLiteral("メモ編集"));
    QStringList shown;
    for (const QAction *action : icons().menuup->actions()) {
        if (action->isVisible())
            shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(shown, menu);
}

void TestStartup::secondInstanceDoesNothing()
{
    TestProgram program;
    program.lock->otherInstanceRuns = true;
    program.writeDataFile(cp932Lines({"1", "0,7,0,0,0,\"a\",0,0"}));
    QVERIFY(!program.start());
    QCOMPARE(program.tray->adds, 0);
    QVERIFY(!program.app->forms.form1.loaded());
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
    for (QWidget *window : std::initializer_list<QWidget *> {&forms().Display(), &Edit(), &keikoku1(), &keikoku2(),
             &MEMO(), &Ver(), &frmWave(), &Title(), &form1(), &icons()})
        connect(window, &QObject::destroyed, [&closed, name = window->objectName()] { closed << name; });
    icons().memofin->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(windowsLoadedAtRemoval);
    QCOMPARE(beepsAtRemoval, 0);
    QCOMPARE(program.beeper->beeps, 1);
    QCOMPARE(closed,
        QStringList({"Display", "Edit", "frmWave", "keikoku1", "keikoku2", "MEMO", "Title", "Ver", "form1", "icons"}));
    QVERIFY(!program.tray->present);
    QCOMPARE(program.quits, 1);
    QCOMPARE(program.terminations, 0);
    QCOMPARE(program.files->writes, 0);
    QCOMPARE(program.dataFile(), bytes);
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
