#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "shell/icons_form.h"

#include <QtTest>

#include <memory>

namespace {

// Four memos, one of each kind, in table order.
const QStringList kMemos {
    "5,9,0,0,0,\"ゴミ\",1,10",
    "0,12,0,0,0,\"昼\",0,0",
    "30,18,25,0,0,\"家賃\",0,0",
    "45,13,15,1,2027,\"歯医者\",1,0",
};

QByteArray dataFileOf(const QStringList &memos)
{
    return cp932Lines(QStringList {QString::number(memos.size())} + memos);
}

void selectLine(int row)
{
    QListWidget *list = Edit().List1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

int lineOf(const QString &text)
{
    const QListWidget *list = Edit().List1;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().endsWith(text))
            return i;
    }
    return -1;
}

QStringList listLines()
{
    QStringList lines;
    for (int i = 0; i < Edit().List1->count(); ++i)
        lines << Edit().List1->item(i)->text();
    return lines;
}

QString variables()
{
    const Form1 &f = form1();
    return QStringLiteral("%1/%2/%3 %4:%5 w%6")
        .arg(f.SetYear)
        .arg(f.SetMonth)
        .arg(f.SetDays)
        .arg(f.SetHure)
        .arg(f.SetMin)
        .arg(f.WeekFlag);
}

// The setting window as the user sees it: date fields shown, boxes
// (value, and "x" for disabled), weekdays ticked, buttons shown.
QString settingWindow()
{
    const Form1 &f = form1();
    QString s;
    s += f.Label15->isVisible() ? f.Label15->text() : QStringLiteral("-");
    s += u'/';
    s += f.Label14->isVisible() ? f.Label14->text() : QStringLiteral("-");
    s += u'/';
    s += f.Label13->isVisible() ? f.Label13->text() : QStringLiteral("-");
    s += u' ' + f.Label12->text() + u':' + f.Label11->text();
    for (const QCheckBox *box : {f.Check1, f.Check2, f.Check3})
        s += u' ' + QString::number(value(box)) + (box->isEnabled() ? QString() : QStringLiteral("x"));
    s += u' ';
    for (const QCheckBox *box : {f.Check4, f.Check5, f.Check6, f.Check7, f.Check8, f.Check9, f.Check10})
        s += value(box) ? box->text() : QStringLiteral("・");
    for (const QPushButton *button : {f.Command3, f.Command2, f.Command1}) {
        if (button->isVisible())
            s += u' ' + button->text();
    }
    return s;
}

} // namespace

class TestEdit : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void faceAsLaidOut();
    void lineFormat_data();
    void lineFormat();
    void openRefusals();
    void deleteLine_data();
    void deleteLine();
    void deleteTheOnlyMemo();
    void endEditingArmsOnlyWithMemosLeft();
    void editEachKind_data();
    void editEachKind();
    void editWithBoxesLeftFromEarlierUse_data();
    void editWithBoxesLeftFromEarlierUse();
    void exitDuringEditPutsTheMemoBack_data();
    void exitDuringEditPutsTheMemoBack();
    void sessionEndDuringEditPutsTheMemoBack();
    void menuDuringEditPutsTheMemoBack();
    void settingWindowCannotBeClosedDuringEdit();
    void refusedEditPutBackLeavesNoWayToAddItTwice();
    void setWhileTheListIsOpenKeepsLinesOnTheirSlots();

private:
    std::unique_ptr<TestProgram> program;
    bool startWith(const QStringList &memos);
};

void TestEdit::init()
{
    program = std::make_unique<TestProgram>();
}

void TestEdit::cleanup()
{
    program.reset();
}

bool TestEdit::startWith(const QStringList &memos)
{
    program->writeDataFile(dataFileOf(memos));
    program->clock->set(2026, 12, 25, 14, 29, 10);
    if (!program->start())
        return false;
    program->tick();
    return form1().DataMaxNumber == memos.size();
}

void TestEdit::faceAsLaidOut()
{
    QVERIFY(startWith(kMemos));
    form1().show();
    icons().memoedit->trigger();
    EditForm &e = Edit();
    QVERIFY(e.isVisible());
    QVERIFY(!form1().isVisible());
    QCOMPARE(e.windowTitle(), QStringLiteral("memo編集"));
    QCOMPARE(e.size(), QSize(399, 272));
    QVERIFY(e.minimumSize() != e.maximumSize());
    QCOMPARE(e.Frame1->title(), QStringLiteral("設定されたMemo"));
    QCOMPARE(e.Frame1->geometry(), Form::twipRect(240, 240, 5055, 3015));
    QCOMPARE(e.List1->parentWidget(), e.Frame1);
    QCOMPARE(e.List1->geometry(), Form::twipRect(240, 360, 4455, 2310));
    QCOMPARE(e.List1->font().pointSizeF(), 11.25);
    QCOMPARE(e.Command1->text(), QStringLiteral("編集"));
    QCOMPARE(e.Command2->text(), QStringLiteral("削除"));
    QCOMPARE(e.Command3->text(), QStringLiteral("編集終了"));
    QCOMPARE(e.Command2->geometry(), Form::twipRect(2040, 3480, 1215, 495));
    QCOMPARE(e.List1->count(), 4);
    QVERIFY(e.List1->item(3)->text().endsWith(QStringLiteral("歯医者")));
}

void TestEdit::lineFormat_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("line");

    QTest::newRow("one date") << "45,13,15,1,2000,\"ABC\",0,0"
                              << "2000年1月15日13時45分　ABC";
    QTest::newRow("every month") << "0,10,25,0,0,\"ABC\",0,0"
                                 << "毎月　25日10時0分　ABC";
    QTest::newRow("every day") << "0,7,0,0,0,\"ABC\",0,0"
                               << "毎日　7時0分　ABC";
    QTest::newRow("Monday and Wednesday") << "5,9,0,0,0,\"ABC\",0,10"
                                          << "(月)(水)9時5分　ABC";
    QTest::newRow("Sunday and Saturday") << "30,18,0,0,0,\"ABC\",0,65"
                                         << "(日)(土) 18時30分　ABC";
    QTest::newRow("Saturday alone") << "5,9,0,0,0,\"ABC\",0,64"
                                    << "(土) 9時5分　ABC";
    QTest::newRow("Monday alone") << "5,9,0,0,0,\"ABC\",0,2"
                                  << "(月)9時5分　ABC";
    QTest::newRow("Sunday alone") << "5,9,0,0,0,\"ABC\",0,1"
                                  << "(日)9時5分　ABC";
    QTest::newRow("Monday to Friday") << "0,8,0,0,0,\"ABC\",0,62"
                                      << "(月)(火)(水)(木)(金)8時0分　ABC";
    QTest::newRow("every weekday") << "0,0,0,0,0,\"\",0,127"
                                   << "(日)(月)(火)(水)(木)(金)(土) 0時0分　";
    QTest::newRow("two lines") << "0,23,0,0,0,\"a\r\nb\",0,0"
                               << "毎日　23時0分　a\nb";
}

void TestEdit::lineFormat()
{
    QFETCH(QString, memo);
    QFETCH(QString, line);
    QVERIFY(startWith({memo}));
    icons().memoedit->trigger();
    QCOMPARE(listLines(), QStringList {line});
}

void TestEdit::openRefusals()
{
    QVERIFY(startWith(kMemos));
    forms().Display().show();
    icons().memoedit->trigger();
    QVERIFY(!Edit().isVisible());
    forms().Display().hide();

    // With nothing selected the commands do nothing.
    icons().memoedit->trigger();
    QVERIFY(Edit().isVisible());
    const int writes = program->files->writes;
    QTest::mouseClick(Edit().Command2, Qt::LeftButton);
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    QVERIFY(Edit().isVisible());
    QCOMPARE(Edit().List1->count(), 4);
    QCOMPARE(program->files->writes, writes);
    QCOMPARE(program->dataFile(), dataFileOf(kMemos));

    // Opening again rebuilds the list from the table.
    Edit().List1->addItem(QStringLiteral("stale"));
    icons().memoedit->trigger();
    QCOMPARE(Edit().List1->count(), 4);
}

void TestEdit::deleteLine_data()
{
    QTest::addColumn<int>("line");
    QTest::newRow("first") << 0;
    QTest::newRow("middle") << 2;
    QTest::newRow("last") << 3;
}

void TestEdit::deleteLine()
{
    QFETCH(int, line);
    QVERIFY(startWith(kMemos));
    icons().memoedit->trigger();
    selectLine(line);
    QTest::mouseClick(Edit().Command2, Qt::LeftButton);

    QStringList left = kMemos;
    left.removeAt(line);
    QCOMPARE(program->dataFile(), dataFileOf(left));
    QCOMPARE(form1().DataMaxNumber, qint16(3));
    QCOMPARE(Edit().List1->count(), 3);
    QCOMPARE(Edit().List1->selectedItems().size(), 0);
    QVERIFY(Edit().isVisible());
    QVERIFY(icons().memoedit->isVisible());
}

void TestEdit::deleteTheOnlyMemo()
{
    QVERIFY(startWith({"0,7,0,0,0,\"朝\",0,0"}));
    icons().memoedit->trigger();
    selectLine(0);
    QTest::mouseClick(Edit().Command2, Qt::LeftButton);
    QVERIFY(program->dataFileExists());
    QCOMPARE(program->dataFile(), QByteArray());
    QCOMPARE(Edit().List1->count(), 0);
    QVERIFY(Edit().isVisible());
    QVERIFY(!icons().memoedit->isVisible());
    QCOMPARE(form1().SetFlg, qint16(1));

    // Started again, the program finds an empty table and moves nothing aside.
    const QByteArray empty = program->dataFile();
    program = std::make_unique<TestProgram>();
    program->writeDataFile(empty);
    QVERIFY(program->start());
    QCOMPARE(form1().DataMaxNumber, qint16(0));
    QCOMPARE(form1().SetFlg, qint16(0));
    QCOMPARE(QDir(program->folder.path()).entryList(QDir::Files), QStringList {"rekuda31.dat"});
    QCOMPARE(program->dataFile(), QByteArray());
}

void TestEdit::endEditingArmsOnlyWithMemosLeft()
{
    QVERIFY(startWith({"0,7,0,0,0,\"朝\",0,0", "0,8,0,0,0,\"朝2\",0,0"}));
    icons().memoedit->trigger();
    form1().SetFlg = 0;
    QTest::mouseClick(Edit().Command3, Qt::LeftButton);
    QVERIFY(!Edit().isVisible());
    QVERIFY(!form1().isVisible());
    QCOMPARE(form1().SetFlg, qint16(1));

    icons().memoedit->trigger();
    for (int i = 0; i < 2; ++i) {
        selectLine(0);
        QTest::mouseClick(Edit().Command2, Qt::LeftButton);
    }
    form1().SetFlg = 0;
    // Closing from the title bar is "編集終了".
    QVERIFY(!Edit().close());
    QVERIFY(!Edit().isVisible());
    QCOMPARE(form1().SetFlg, qint16(0));
}

void TestEdit::editEachKind_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("vars");
    QTest::addColumn<QString>("window");

    QTest::newRow("weekly") << 0 << "0/0/0 9:5 w10"
                            << "-/-/- 9:5 1 1x 1x ・月・水・・・ 設定 メモ";
    QTest::newRow("every day") << 1 << "0/0/0 12:0 w0"
                               << "-/-/- 12:0 0 1x 1 ・・・・・・・ 設定 メモ";
    QTest::newRow("every month") << 2 << "0/0/25 18:30 w0"
                                 << "-/-/25 18:30 0 1 0 ・・・・・・・ 設定 メモ";
    QTest::newRow("one date") << 3 << "2027/1/15 13:45 w0"
                              << "2027/1/15 13:45 1 0 0 ・・・・・・・ 設定 メモ";
}

void TestEdit::editEachKind()
{
    QFETCH(int, line);
    QFETCH(QString, vars);
    QFETCH(QString, window);
    QVERIFY(startWith(kMemos));
    const QByteArray before = program->dataFile();
    QVERIFY(!forms().MEMO.loaded());
    icons().memoedit->trigger();
    selectLine(line);
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);

    QVERIFY(!forms().Edit.loaded());
    QVERIFY(form1().isVisible());
    QCOMPARE(variables(), vars);
    QCOMPARE(settingWindow(), window);
    // The text window, first used here, shows the text with OK ready.
    const QString text = kMemos.at(line).section(u'"', 1, 1);
    QVERIFY(MEMO().isVisible());
    QCOMPARE(MEMO().Text1->text(), text);
    QVERIFY(MEMO().Command1->isVisible());
    QStringList left = kMemos;
    left.removeAt(line);
    QCOMPARE(program->dataFile(), dataFileOf(left));
    QCOMPARE(form1().DataMaxNumber, qint16(3));

    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(program->dataFile(), before);
    QVERIFY(!form1().isVisible());
    QVERIFY(!MEMO().isVisible());

    // Nothing left pending: ending the program adds nothing.
    icons().memofin->trigger();
    QCOMPARE(program->dataFile(), before);
}

void TestEdit::editWithBoxesLeftFromEarlierUse_data()
{
    QTest::addColumn<QStringList>("earlier");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("window");

    const QString oneDate = QStringLiteral("2027/1/15 13:45 1 0 0 ・・・・・・・ 設定 メモ");
    const QString everyMonth = QStringLiteral("-/-/25 18:30 0 1 0 ・・・・・・・ 設定 メモ");
    QTest::newRow("weekday ticked, one date") << QStringList {"Check5"} << "歯医者" << oneDate;
    QTest::newRow("two weekdays ticked, one date") << QStringList {"Check10", "Check4"} << "歯医者" << oneDate;
    QTest::newRow("weekday ticked, every month") << QStringList {"Check5"} << "家賃" << everyMonth;
    QTest::newRow("毎月 ticked, one date") << QStringList {"Check2"} << "歯医者" << oneDate;
    QTest::newRow("毎日 ticked, one date") << QStringList {"Check3"} << "歯医者" << oneDate;
    QTest::newRow("毎日 ticked, every month") << QStringList {"Check3"} << "家賃" << everyMonth;
    QTest::newRow("weekdays ticked, weekly") << QStringList {"Check4", "Check8"} << "ゴミ"
                                             << "-/-/- 9:5 1 1x 1x ・月・水・・・ 設定 メモ";
}

// Boxes stay ticked after a memo is set; taking a memo back must still show it
// as stored and set it again unchanged.
void TestEdit::editWithBoxesLeftFromEarlierUse()
{
    QFETCH(QStringList, earlier);
    QFETCH(QString, text);
    QFETCH(QString, window);
    QVERIFY(startWith(kMemos));
    program->clock->set(2026, 12, 28, 7, 40, 10);
    program->tick();
    icons().memoset->trigger();
    for (const QString &box : earlier)
        QTest::mouseClick(form1().findChild<QCheckBox *>(box), Qt::LeftButton, {}, QPoint(6, 8));
    QTest::mouseClick(form1().Command2, Qt::LeftButton);
    QTest::keyClicks(MEMO().Text1, "earlier");
    QTest::mouseClick(MEMO().Command1, Qt::LeftButton);
    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(form1().DataMaxNumber, qint16(5));
    const QByteArray before = program->dataFile();

    icons().memoedit->trigger();
    selectLine(lineOf(text));
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    QCOMPARE(settingWindow(), window);
    QCOMPARE(form1().WeekFlag, qint16(window.contains(u'月') ? 10 : 0));
    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(program->dataFile(), before);
}

void TestEdit::exitDuringEditPutsTheMemoBack_data()
{
    QTest::addColumn<QStringList>("memos");
    QTest::addColumn<int>("line");

    QTest::newRow("first") << kMemos << 0;
    QTest::newRow("middle") << kMemos << 1;
    QTest::newRow("last") << kMemos << 3;
    QTest::newRow("the only memo") << QStringList {kMemos.at(3)} << 0;
    QTest::newRow("first of two with the same time")
        << QStringList {"0,7,0,0,0,\"A\",0,0", "0,7,0,0,0,\"B\",1,0", "0,7,0,0,0,\"C\",0,4"} << 0;
}

void TestEdit::exitDuringEditPutsTheMemoBack()
{
    QFETCH(QStringList, memos);
    QFETCH(int, line);
    QVERIFY(startWith(memos));
    icons().memoedit->trigger();
    selectLine(line);
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    // Out of the table and the file meanwhile; the only memo leaves a zero-byte file.
    QStringList left = memos;
    left.removeAt(line);
    QCOMPARE(program->dataFile(), left.isEmpty() ? QByteArray() : dataFileOf(left));
    QVERIFY(icons().memoedit->isVisible());
    // The user changes the fields but never sets them.
    QTest::mouseClick(form1().Command4, Qt::LeftButton);

    icons().memofin->trigger();
    QCOMPARE(program->dataFile(), dataFileOf(memos));
    QCOMPARE(program->quits, 1);
    QVERIFY(!program->tray->present);
}

void TestEdit::sessionEndDuringEditPutsTheMemoBack()
{
    QVERIFY(startWith(kMemos));
    icons().memoedit->trigger();
    selectLine(2);
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    QTest::mouseClick(form1().Command2, Qt::LeftButton);
    QVERIFY(MEMO().isVisible());

    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    QCOMPARE(program->dataFile(), dataFileOf(kMemos));
    QVERIFY(!form1().isVisible());
    QVERIFY(!MEMO().isVisible());
    // Back in the table once only.
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    QCOMPARE(form1().DataMaxNumber, qint16(4));
}

void TestEdit::menuDuringEditPutsTheMemoBack()
{
    const QStringList memos {kMemos.at(2), kMemos.at(3)};
    QVERIFY(startWith(memos));
    icons().memoedit->trigger();
    selectLine(1);
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    QCOMPARE(program->dataFile(), dataFileOf({kMemos.at(2)}));

    // "メモ編集" finds the memo back in the list.
    icons().memoedit->trigger();
    QCOMPARE(listLines(), QStringList({"毎月　25日18時30分　家賃", "2027年1月15日13時45分　歯医者"}));
    QCOMPARE(program->dataFile(), dataFileOf(memos));
    QVERIFY(!form1().isVisible());

    // "メモ設定" starts a new memo without losing the one taken out.
    selectLine(1);
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    QCOMPARE(form1().DataMaxNumber, qint16(1));
    icons().memoset->trigger();
    QCOMPARE(form1().DataMaxNumber, qint16(2));
    QCOMPARE(program->dataFile(), dataFileOf(memos));
    QCOMPARE(variables(), QStringLiteral("2026/12/25 14:29 w0"));
    QCOMPARE(settingWindow(), QStringLiteral("2026/12/25 14:29 1 0 0 ・・・・・・・ メモ キャンセル"));
}

void TestEdit::settingWindowCannotBeClosedDuringEdit()
{
    QVERIFY(startWith(kMemos));
    icons().memoedit->trigger();
    selectLine(1);
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    QVERIFY(!form1().close());
    QVERIFY(form1().isVisible());
    QCOMPARE(form1().DataMaxNumber, qint16(3));
    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(program->dataFile(), dataFileOf(kMemos));
}

// A past time refused during an edit, then "メモ編集" puts the memo back: the
// warning's OK must not bring back a "設定" that adds it a second time.
void TestEdit::refusedEditPutBackLeavesNoWayToAddItTwice()
{
    QVERIFY(startWith(kMemos));
    icons().memoedit->trigger();
    selectLine(3);
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    for (QPushButton *button : {form1().Command13, form1().Command11, form1().Command3})
        QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(keikoku1().isVisible());

    icons().memoedit->trigger();
    QCOMPARE(Edit().List1->count(), 4);
    QTest::mouseClick(Edit().Command3, Qt::LeftButton);
    QTest::mouseClick(keikoku1().Command1, Qt::LeftButton);
    QVERIFY(form1().isVisible());
    QCOMPARE(settingWindow(), QStringLiteral("2026/12/15 13:45 1 0 0 ・・・・・・・ メモ キャンセル"));
    QCOMPARE(form1().DataMaxNumber, qint16(4));
    QCOMPARE(program->dataFile(), dataFileOf(kMemos));
}

// A memo set while the list editor is open: each line still names its slot.
void TestEdit::setWhileTheListIsOpenKeepsLinesOnTheirSlots()
{
    QVERIFY(startWith(kMemos));
    icons().memoset->trigger();
    for (int i = 0; i < 6; ++i)
        QTest::mouseClick(form1().Command7, Qt::LeftButton);
    QTest::mouseClick(form1().Check3, Qt::LeftButton, {}, QPoint(6, 8));
    QTest::mouseClick(form1().Command2, Qt::LeftButton);
    icons().memoedit->trigger();
    QVERIFY(Edit().isVisible());
    QTest::keyClicks(MEMO().Text1, "early");
    QTest::mouseClick(MEMO().Command1, Qt::LeftButton);
    QTest::mouseClick(form1().Command3, Qt::LeftButton);

    const QString early = QStringLiteral("29,8,0,0,0,\"early\",0,0");
    QCOMPARE(listLines().value(0), QStringLiteral("毎日　8時29分　early"));
    QCOMPARE(listLines().size(), 5);
    selectLine(lineOf(QStringLiteral("昼")));
    QTest::mouseClick(Edit().Command2, Qt::LeftButton);
    QCOMPARE(program->dataFile(), dataFileOf({early, kMemos.at(0), kMemos.at(2), kMemos.at(3)}));
}

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"
