// The memo text window: when OK appears, and what OK and cancel keep.
#include "fakes/fake_platform.h"

#include "entry/form1.h"
#include "entry/memo_form.h"
#include "shell/icons_form.h"

#include <QtTest>

class TestMemo : public QObject
{
    Q_OBJECT
private slots:
    void okWaitsForARealChangeAndCancelDiscardsTheText();
};

void TestMemo::okWaitsForARealChangeAndCancelDiscardsTheText()
{
    TestProgram program;
    QVERIFY(program.start({}, QDateTime(QDate(2026, 12, 25), QTime(14, 29, 10))));
    program.tick();
    const auto okShown = [] { return MEMO().Command1->isVisibleTo(&MEMO()); };
    icons().memoset->trigger();
    QTest::mouseClick(form1().Command4, Qt::LeftButton);
    QTest::mouseClick(form1().Command2, Qt::LeftButton);
    MEMO().Text1->setText(QString());
    QTest::keyClick(MEMO().Text1, Qt::Key_Backspace);
    QVERIFY(!okShown());
    // Typed and deleted is a change: an empty memo may be confirmed.
    QTest::keyClick(MEMO().Text1, 'a');
    QVERIFY(okShown());
    QTest::keyClick(MEMO().Text1, Qt::Key_Backspace);
    QVERIFY(okShown());
    QTest::mouseClick(MEMO().Command1, Qt::LeftButton);
    QVERIFY(form1().Command3->isVisible());

    // Cancel drops the new text in a fresh window; "設定" stays from the earlier OK.
    QTest::mouseClick(form1().Command2, Qt::LeftButton);
    QTest::keyClicks(MEMO().Text1, "call home");
    const MemoForm *before = &MEMO();
    QTest::mouseClick(MEMO().Command2, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(&MEMO() != before);
    QVERIFY(!MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), QString());
    QVERIFY(!okShown());
    QVERIFY(form1().isVisible());
    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(program.dataFile(), dataFileOf({"30,14,25,12,2026,\"\",0,0"}));
}

QTEST_MAIN(TestMemo)
#include "tst_memo.moc"
