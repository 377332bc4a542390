// The memo text window: when OK appears, and what OK, cancel and closing keep.
#include "fakes/fake_platform.h"

#include "entry/form1.h"
#include "entry/memo_form.h"
#include "shell/icons_form.h"

#include <QtTest>

#include <memory>

namespace {

bool okShown()
{
    return MEMO().Command1->isVisibleTo(&MEMO());
}

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestMemo : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { program.reset(); }

    void okWaitsForARealChange();
    void okKeepsTheTextAndCancelDiscardsIt_data();
    void okKeepsTheTextAndCancelDiscardsIt();

private:
    std::unique_ptr<TestProgram> program;
};

void TestMemo::init()
{
    program = std::make_unique<TestProgram>();
    QVERIFY(program->start({}, QDateTime(QDate(2026, 12, 25), QTime(14, 29, 10))));
    program->tick();
}

void TestMemo::okWaitsForARealChange()
{
    QVERIFY(!forms().MEMO.loaded());
    icons().memoset->trigger();
    // The first opening shows the text window beside the setting window.
    QVERIFY(form1().isVisible());
    QVERIFY(MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), QString());
    // Japanese is typed through an input method.
    QVERIFY(MEMO().Text1->inputMethodQuery(Qt::ImEnabled).toBool());
    click(form1().Command4);
    click(form1().Command2);
    MEMO().Text1->setText(QString());
    QTest::keyClick(MEMO().Text1, Qt::Key_Backspace);
    QVERIFY(!okShown());
    // Typed and deleted is a change: an empty memo may be confirmed.
    QTest::keyClick(MEMO().Text1, 'a');
    QVERIFY(okShown());
    QTest::keyClick(MEMO().Text1, Qt::Key_Backspace);
    QVERIFY(okShown());
    click(MEMO().Command1);
    QVERIFY(form1().Command3->isVisible());
    click(form1().Command3);
    QCOMPARE(program->dataFile(), dataFileOf({"30,14,25,12,2026,\"\",0,0"}));

    // "メモ設定" clears the text and hides OK again; setting the same text is no change.
    icons().memoset->trigger();
    QVERIFY(!MEMO().isVisible());
    QVERIFY(!okShown());
    MEMO().Text1->setText(QString());
    QVERIFY(!okShown());
}

void TestMemo::okKeepsTheTextAndCancelDiscardsIt_data()
{
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("cancel button") << false;
    QTest::newRow("title bar") << true;
}

void TestMemo::okKeepsTheTextAndCancelDiscardsIt()
{
    QFETCH(bool, byTitleBar);
    icons().memoset->trigger();
    click(form1().Command4);
    click(form1().Command2);
    QVERIFY(!form1().isVisible());
    QTest::keyClicks(MEMO().Text1, "call home");
    click(MEMO().Command1);
    QVERIFY(!MEMO().isVisible());
    QVERIFY(form1().isVisible());
    QVERIFY(form1().Command3->isVisible());

    click(form1().Command2);
    QVERIFY(MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), QStringLiteral("call home"));
    QVERIFY(okShown());
    QTest::keyClicks(MEMO().Text1, " now");
    const MemoForm *before = &MEMO();
    if (byTitleBar)
        QVERIFY(!MEMO().close());
    else
        click(MEMO().Command2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A fresh window, hidden, empty, OK hidden; "設定" stays from the earlier OK.
    QVERIFY(&MEMO() != before);
    QVERIFY(!MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), QString());
    QVERIFY(!okShown());
    QVERIFY(form1().isVisible());
    QCOMPARE(program->quits, 0);
    click(form1().Command3);
    QCOMPARE(program->dataFile(), dataFileOf({"30,14,25,12,2026,\"\",0,0"}));
}

QTEST_MAIN(TestMemo)
#include "tst_memo.moc"
