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

void clickOk()
{
    QTest::mouseClick(MEMO().Command1, Qt::LeftButton);
}

void clickCancel()
{
    QTest::mouseClick(MEMO().Command2, Qt::LeftButton);
}

void clickMemoButton()
{
    QTest::mouseClick(form1().Command2, Qt::LeftButton);
}

} // namespace

class TestMemo : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstOpeningShowsItBesideTheSettingWindow();
    void okWaitsForARealChange();
    void typedAndDeletedTextStillConfirms();
    void okKeepsTheText();
    void cancelAfterOkDiscardsTheText();
    void titleBarCloseCancels();
    void takesSeveralLinesAndInputMethods();

private:
    std::unique_ptr<TestProgram> program;
};

void TestMemo::init()
{
    program = std::make_unique<TestProgram>();
    QVERIFY(program->start());
    program->clock->set(2026, 12, 25, 14, 29, 10);
    program->tick();
}

void TestMemo::cleanup()
{
    program.reset();
}

void TestMemo::firstOpeningShowsItBesideTheSettingWindow()
{
    QVERIFY(!forms().MEMO.loaded());
    icons().memoset->trigger();
    QVERIFY(form1().isVisible());
    QVERIFY(MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), QString());
    QVERIFY(!okShown());

    clickMemoButton();
    clickOk();
    QVERIFY(!MEMO().isVisible());
    icons().memoset->trigger();
    QVERIFY(!MEMO().isVisible());
}

void TestMemo::okWaitsForARealChange()
{
    icons().memoset->trigger();
    MEMO().Text1->setText(QString());
    QVERIFY(!okShown());
    QTest::keyClick(MEMO().Text1, Qt::Key_Backspace);
    QVERIFY(!okShown());
    QTest::keyClick(MEMO().Text1, 'a');
    QVERIFY(okShown());

    // "メモ設定" clears the text and hides OK again; setting the same text is no change.
    icons().memoset->trigger();
    QVERIFY(!okShown());
    MEMO().Text1->setText(QString());
    QVERIFY(!okShown());
}

void TestMemo::typedAndDeletedTextStillConfirms()
{
    icons().memoset->trigger();
    QTest::mouseClick(form1().Command4, Qt::LeftButton);
    clickMemoButton();
    QTest::keyClick(MEMO().Text1, 'a');
    QTest::keyClick(MEMO().Text1, Qt::Key_Backspace);
    QVERIFY(okShown());
    QCOMPARE(MEMO().Text1->text(), QString());
    clickOk();
    QVERIFY(form1().Command3->isVisible());
    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(program->dataFile(), cp932Lines({"1", "30,14,25,12,2026,\"\",0,0"}));
}

void TestMemo::okKeepsTheText()
{
    icons().memoset->trigger();
    clickMemoButton();
    QVERIFY(!form1().isVisible());
    QTest::keyClicks(MEMO().Text1, "call home");
    clickOk();
    QVERIFY(!MEMO().isVisible());
    QVERIFY(form1().isVisible());
    QVERIFY(form1().Command3->isVisible());

    clickMemoButton();
    QVERIFY(MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), QStringLiteral("call home"));
    QVERIFY(okShown());
}

void TestMemo::cancelAfterOkDiscardsTheText()
{
    icons().memoset->trigger();
    QTest::mouseClick(form1().Command4, Qt::LeftButton);
    clickMemoButton();
    QTest::keyClicks(MEMO().Text1, "lost");
    clickOk();
    clickMemoButton();
    const MemoForm *before = &MEMO();
    clickCancel();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A fresh window, hidden, empty, OK hidden; "設定" stays from the earlier OK.
    QVERIFY(&MEMO() != before);
    QVERIFY(!MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), QString());
    QVERIFY(!okShown());
    QVERIFY(form1().isVisible());
    QVERIFY(form1().Command3->isVisible());
    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(program->dataFile(), cp932Lines({"1", "30,14,25,12,2026,\"\",0,0"}));
}

void TestMemo::titleBarCloseCancels()
{
    icons().memoset->trigger();
    clickMemoButton();
    QTest::keyClicks(MEMO().Text1, "gone");
    QVERIFY(!MEMO().close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form1().isVisible());
    QVERIFY(!MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), QString());
    QVERIFY(!form1().Command3->isVisible());
    QCOMPARE(program->quits, 0);
}

void TestMemo::takesSeveralLinesAndInputMethods()
{
    icons().memoset->trigger();
    clickMemoButton();
    TextBox *box = MEMO().Text1;
    QVERIFY(box->testAttribute(Qt::WA_InputMethodEnabled));
    QVERIFY(box->inputMethodQuery(Qt::ImEnabled).toBool());

    QInputMethodEvent preedit(QStringLiteral("かいぎ"), {});
    QCoreApplication::sendEvent(box, &preedit);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("会議"));
    QCoreApplication::sendEvent(box, &commit);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "10F");
    QCOMPARE(box->text(), QStringLiteral("会議\n10F"));

    clickOk();
    QTest::mouseClick(form1().Command6, Qt::LeftButton);
    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(program->dataFile(), cp932Lines({"1", "29,15,25,12,2026,\"会議\r\n10F\",0,0"}));
}

QTEST_MAIN(TestMemo)
#include "tst_memo.moc"
