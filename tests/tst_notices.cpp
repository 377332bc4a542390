// The splash, the two warnings and the version window.
#include "fakes/fake_platform.h"

#include "entry/form1.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "notices/title_form.h"
#include "notices/ver_form.h"
#include "shell/icons_form.h"

#include <QElapsedTimer>
#include <QtTest>

class TestNotices : public QObject
{
    Q_OBJECT
private slots:
    void splashClosesAfter800ms();
    void warnings_data();
    void warnings();
    void versionWindowOpensOnce();
};

void TestNotices::splashClosesAfter800ms()
{
    QElapsedTimer clock;
    clock.start();
    TestProgram program;
    QVERIFY(program.start());
    QVERIFY(Title().isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!forms().Title.loaded(), 3000);
    QVERIFY2(clock.elapsed() >= 800, qPrintable(QString::number(clock.elapsed())));
    // Gone for good: nothing brings it back during the run.
    program.advance(5000);
    QVERIFY(!forms().Title.loaded());
}

void TestNotices::warnings_data()
{
    QTest::addColumn<bool>("pastTime"); // else the table is full
    QTest::newRow("past time") << true;
    QTest::newRow("table full") << false;
}

// Only the past-time warning leads back to the setting window, as it was.
void TestNotices::warnings()
{
    QFETCH(bool, pastTime);
    TestProgram program;
    QVERIFY(program.start());
    Form1 &main = form1();
    setValue(main.Check1, 1);
    main.hide();
    Form &warning = pastTime ? static_cast<Form &>(keikoku1()) : keikoku2();
    warning.show();
    QTest::mouseClick(warning.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY(!forms().keikoku1.loaded() && !forms().keikoku2.loaded());
    QCOMPARE(main.isVisible(), pastTime);
    QCOMPARE(value(main.Check1), 1);
}

void TestNotices::versionWindowOpensOnce()
{
    TestProgram program;
    QVERIFY(program.start());
    icons().dspver->trigger();
    QVERIFY(Ver().isVisible());
    Ver().move(10, 20);
    // Choosing it again leaves the open window where the user put it.
    icons().dspver->trigger();
    QCOMPARE(Ver().pos(), QPoint(10, 20));
    QTest::mouseClick(Ver().Command1, Qt::LeftButton);
    QVERIFY(!forms().Ver.loaded());
}

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
