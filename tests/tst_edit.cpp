// The list editor "memo編集": the line format, deleting, and taking each kind
// of memo out for editing with the setting window arranged for it. Put-backs
// and the list staying in step are the random action tester's.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

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

void selectLine(int row)
{
    QListWidget *list = Edit().List1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QStringList listLines()
{
    QStringList lines;
    for (int i = 0; i < Edit().List1->count(); ++i)
        lines << Edit().List1->item(i)->text();
    return lines;
}

int lineOf(const QString &text)
{
    const QList<QListWidgetItem *> found = Edit().List1->findItems(text, Qt::MatchEndsWith);
    return found.isEmpty() ? -1 : Edit().List1->row(found.first());
}

} // namespace

class TestEdit : public QObject
{
    Q_OBJECT
private slots:
    void init() { program = std::make_unique<TestProgram>(); }
    void cleanup() { program.reset(); }

    void lineFormat_data();
    void lineFormat();
    void deleteTheOnlyMemo();
    void editEachKind_data();
    void editEachKind();

private:
    std::unique_ptr<TestProgram> program;
    bool startWith(const QStringList &memos)
    {
        if (!program->start(memos, QDateTime(QDate(2026, 12, 25), QTime(14, 29, 10))))
            return false;
        program->tick();
        return form1().DataMaxNumber == memos.size();
    }
};

void TestEdit::lineFormat_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("line");
    const auto row = [](const char *name, const char *memo, const char *line) {
        QTest::newRow(name) << QString::fromUtf8(memo) << QString::fromUtf8(line);
    };
    row("one date", "45,13,15,1,2000,\"ABC\",0,0", "2000年1月15日13時45分　ABC");
    row("every month", "0,10,25,0,0,\"ABC\",0,0", "毎月　25日10時0分　ABC");
    row("Monday alone", "5,9,0,0,0,\"ABC\",0,2", "(月)9時5分　ABC");
    row("Saturday alone", "5,9,0,0,0,\"ABC\",0,64", "(土) 9時5分　ABC");
    row("Sunday and Saturday", "30,18,0,0,0,\"ABC\",0,65", "(日)(土) 18時30分　ABC");
    row("every weekday", "0,0,0,0,0,\"\",0,127", "(日)(月)(火)(水)(木)(金)(土) 0時0分　");
}

void TestEdit::lineFormat()
{
    QFETCH(QString, memo);
    QFETCH(QString, line);
    QVERIFY(startWith({memo}));
    icons().memoedit->trigger();
    QCOMPARE(listLines(), QStringList {line});
}

// The last memo deleted leaves a zero-byte file and nothing to edit.
void TestEdit::deleteTheOnlyMemo()
{
    QVERIFY(startWith({kMemos[1]}));
    icons().memoedit->trigger();
    selectLine(0);
    QTest::mouseClick(Edit().Command2, Qt::LeftButton);
    QVERIFY(program->dataFileExists());
    QCOMPARE(program->dataFile(), QByteArray());
    QCOMPARE(form1().DataMaxNumber, qint16(0));
    QCOMPARE(listLines().size(), 0);
    QVERIFY(!icons().memoedit->isVisible());
    form1().SetFlg = 0;
    QVERIFY(!Edit().close());
    QVERIFY(!Edit().isVisible());
    QCOMPARE(form1().SetFlg, qint16(0));
}

void TestEdit::editEachKind_data()
{
    QTest::addColumn<QStringList>("earlier");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("vars");
    QTest::addColumn<QString>("window");
    const auto row
        = [](const char *name, const QStringList &earlier, const char *text, const char *vars, const char *window) {
              QTest::newRow(name) << earlier << QString::fromUtf8(text) << QString::fromUtf8(vars)
                                  << QString::fromUtf8(window) + " 設定 メモ";
          };
    row("weekly", {}, "ゴミ", "0/0/0 9:5 w10", "-/-/- 9:5 1 1x 1x ・月・水・・・");
    row("every day", {}, "昼", "0/0/0 12:0 w0", "-/-/- 12:0 0 1x 1 ・・・・・・・");
    row("every month", {}, "家賃", "0/0/25 18:30 w0", "-/-/25 18:30 0 1 0 ・・・・・・・");
    row("one date", {}, "歯医者", "2027/1/15 13:45 w0", "2027/1/15 13:45 1 0 0 ・・・・・・・");
    // Boxes stay ticked after a memo is set; they must not leak into the memo taken back.
    row("two weekdays left ticked, one date", {"Check10", "Check4"}, "歯医者", "2027/1/15 13:45 w0",
        "2027/1/15 13:45 1 0 0 ・・・・・・・");
    row("毎日 left ticked, every month", {"Check3"}, "家賃", "0/0/25 18:30 w0", "-/-/25 18:30 0 1 0 ・・・・・・・");
    row("weekdays left ticked, weekly", {"Check4", "Check8"}, "ゴミ", "0/0/0 9:5 w10",
        "-/-/- 9:5 1 1x 1x ・月・水・・・");
}

// Taken out and set again unchanged: the file comes back byte for byte.
void TestEdit::editEachKind()
{
    QFETCH(QStringList, earlier);
    QFETCH(QString, text);
    QFETCH(QString, vars);
    QFETCH(QString, window);
    QVERIFY(startWith(kMemos));
    if (!earlier.isEmpty()) {
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
    }
    const QByteArray before = program->dataFile();
    icons().memoedit->trigger();
    selectLine(lineOf(text));
    QTest::mouseClick(Edit().Command1, Qt::LeftButton);
    QCOMPARE(settingVariables(), vars);
    QCOMPARE(settingWindow(), window);
    // The text window shows beside it only when first used here.
    QCOMPARE(MEMO().isVisible(), earlier.isEmpty());
    QCOMPARE(MEMO().Text1->text(), text);
    // The memo must be set again: the setting window cannot be closed meanwhile.
    QVERIFY(!form1().close());
    QVERIFY(form1().isVisible());

    QTest::mouseClick(form1().Command3, Qt::LeftButton);
    QCOMPARE(program->dataFile(), before);
    QVERIFY(!form1().isVisible());
    // Nothing left pending: ending the program adds nothing.
    icons().memofin->trigger();
    QCOMPARE(program->dataFile(), before);
}

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"
