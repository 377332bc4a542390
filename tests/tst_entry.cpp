#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "shell/icons_form.h"

#include <QtTest>

#include <memory>

namespace {

// Clicks a control the way the user would; false when the user could not.
bool click(const QString &name)
{
    auto *control = form1().findChild<QAbstractButton *>(name);
    if (!control || !control->isVisible() || !control->isEnabled())
        return false;
    // Check boxes are hit on their indicator, buttons in the middle.
    const QPoint where
        = qobject_cast<QCheckBox *>(control) ? QPoint(6, control->height() / 2) : control->rect().center();
    QTest::mouseClick(control, Qt::LeftButton, {}, where);
    return true;
}

bool clickAll(const QStringList &names)
{
    for (const QString &name : names) {
        if (!click(name)) {
            qWarning("cannot click %s", qPrintable(name));
            return false;
        }
    }
    return true;
}

// Execution date and time as the value labels show them.
QString shownDate()
{
    const Form1 &f = form1();
    return f.Label15->text() + u'/' + f.Label14->text() + u'/' + f.Label13->text() + u' ' + f.Label12->text() + u':'
        + f.Label11->text();
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

QString visibleButtons()
{
    QStringList shown;
    for (QPushButton *button : {form1().Command3, form1().Command2, form1().Command1}) {
        if (button->isVisible())
            shown << button->text();
    }
    return shown.join(u',');
}

// ASCII as key strokes; anything else as an input method would commit it.
void typeMemo(const QString &text)
{
    TextBox *box = MEMO().Text1;
    for (const QChar c : text) {
        if (c == u'\n') {
            QTest::keyClick(box, Qt::Key_Return);
        } else if (c.unicode() < 0x80) {
            QTest::keyClick(box, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(c);
            QCoreApplication::sendEvent(box, &commit);
        }
    }
}

} // namespace

class TestEntry : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void faceAsLaidOut();
    void focusOrderAndNoDefaultButton();
    void stepping_data();
    void stepping();
    void yearStopsAtItsLargestValue();
    void modes_data();
    void modes();
    void uncheckingBringsBackTheCurrentDate();
    void pastTimeCheck_data();
    void pastTimeCheck();
    void setEachKind_data();
    void setEachKind();
    void newMemoGoesInDateOrder();
    void openingResetsAfterWeeklyMemo();
    void openingRefusals();
    void openingWithTwentyMemosWarns();
    void cancelAndTitleBarClose();

private:
    std::unique_ptr<TestProgram> program;
    // Starts the program at the given time and opens "メモ設定".
    bool openAt(const QDateTime &when);
};

void TestEntry::init()
{
    program = std::make_unique<TestProgram>();
}

void TestEntry::cleanup()
{
    program.reset();
}

bool TestEntry::openAt(const QDateTime &when)
{
    program->clock->set(when);
    if (!program->app && !program->start())
        return false;
    program->tick();
    icons().memoset->trigger();
    return form1().isVisible();
}

void TestEntry::faceAsLaidOut()
{
    QVERIFY(openAt(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 58))));
    Form1 &f = form1();
    QCOMPARE(f.windowTitle(), QStringLiteral("rekuda31"));
    QCOMPARE(f.size(), QSize(396, 227));
    QCOMPARE(f.minimumSize(), f.maximumSize());
    QCOMPARE(f.background(), QColor(192, 192, 192));

    struct Row
    {
        QWidget *control;
        QWidget *container;
        QRect twips;
        QString caption;
    };
    const Row rows[] = {
        {f.Frame1, &f, {240, 240, 3495, 615}, QStringLiteral("現在時刻")},
        {f.Label1, f.Frame1, {120, 240, 615, 255}, QString()},
        {f.Label10[0], f.Frame1, {3120, 240, 255, 255}, QStringLiteral("分")},
        {f.Frame2, &f, {3960, 240, 1695, 615}, QStringLiteral("サウンド")},
        {f.Check1, f.Frame2, {240, 240, 1215, 300}, QStringLiteral("音を鳴らす")},
        {f.実行時間, &f, {240, 960, 5415, 855}, QStringLiteral("実行日時")},
        {f.Label15, f.実行時間, {600, 240, 735, 375}, QString()},
        {f.Command12, f.実行時間, {1320, 240, 255, 180}, QStringLiteral("+")},
        {f.Command13, f.実行時間, {1320, 480, 255, 180}, QStringLiteral("-")},
        {f.Label6[1], f.実行時間, {1560, 360, 255, 255}, QStringLiteral("年")},
        {f.Command8, f.実行時間, {3000, 240, 255, 180}, QStringLiteral("+")},
        {f.Command5, f.実行時間, {4680, 480, 255, 180}, QStringLiteral("-")},
        {f.Frame3, &f, {240, 1920, 1695, 615}, QString()},
        {f.Check3, f.Frame3, {840, 240, 735, 225}, QStringLiteral("毎日")},
        {f.Frame4, &f, {2040, 1920, 3615, 615}, QStringLiteral("毎週")},
        {f.Check4, f.Frame4, {120, 240, 495, 255}, QStringLiteral("日")},
        {f.Check10, f.Frame4, {3000, 240, 495, 255}, QStringLiteral("土")},
        {f.Command3, &f, {240, 2760, 1095, 495}, QStringLiteral("設定")},
        {f.Command2, &f, {1680, 2760, 1095, 495}, QStringLiteral("メモ")},
        {f.Command1, &f, {4680, 2760, 1095, 495}, QStringLiteral("キャンセル")},
    };
    for (const Row &row : rows) {
        const QByteArray name = row.control->objectName().toUtf8();
        QVERIFY2(row.control->parentWidget() == row.container, name);
        QVERIFY2(row.control->geometry()
                == Form::twipRect(row.twips.x(), row.twips.y(), row.twips.width(), row.twips.height()),
            name);
        QString caption = row.control->property("text").toString();
        if (auto *frame = qobject_cast<QGroupBox *>(row.control))
            caption = frame->title();
        if (!row.caption.isEmpty())
            QCOMPARE(caption, row.caption);
    }

    QCOMPARE(f.Label11->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(f.Label11->frameShape(), QFrame::Box);
    QCOMPARE(f.Label11->font().pointSizeF(), 12.0);
    QCOMPARE(f.Label1->palette().color(QPalette::Window), QColor(192, 192, 192));
    QCOMPARE(f.Label1->frameShape(), QFrame::NoFrame);
    QCOMPARE(f.Label6[0]->font().pointSizeF(), 11.25);
    QCOMPARE(f.Check4->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(f.Check10->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    QVERIFY(f.Label11->font().families().contains(QStringLiteral("ＭＳ Ｐゴシック")));
}

void TestEntry::focusOrderAndNoDefaultButton()
{
    QVERIFY(openAt(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 58))));
    QCOMPARE(visibleButtons(), QStringLiteral("メモ,キャンセル"));
    QVERIFY(click("Command2"));
    typeMemo(QStringLiteral("x"));
    QTest::mouseClick(MEMO().Command1, Qt::LeftButton);
    QCOMPARE(visibleButtons(), QStringLiteral("設定,メモ,キャンセル"));

    QStringList order;
    QWidget *widget = form1().Command1;
    do {
        if (widget->focusPolicy() & Qt::TabFocus && widget->isVisible())
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != form1().Command1);
    QCOMPARE(order.join(u' '),
        QStringLiteral("Command1 Command2 Command3 Command10 Command11 Command8 Command9 Command6 Command7 Command4 "
                       "Command5 Command12 Command13 Check1 Check4 Check5 Check6 Check7 Check8 Check9 Check10 "
                       "Check2 Check3"));

    for (QPushButton *button : form1().findChildren<QPushButton *>())
        QVERIFY2(!button->autoDefault() && !button->isDefault(), qPrintable(button->objectName()));
    // Enter and Esc do nothing to the window.
    form1().Command2->setFocus();
    QTest::keyClick(&form1(), Qt::Key_Escape);
    QTest::keyClick(form1().Command2, Qt::Key_Return);
    QVERIFY(form1().isVisible());
}

void TestEntry::stepping_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("expected");

    const auto at = [](int y, int mo, int d, int h, int mi) { return QDateTime(QDate(y, mo, d), QTime(h, mi, 30)); };
    QTest::newRow("minute 59 + gives 0, hour kept")
        << at(2026, 5, 10, 10, 59) << QStringList {"Command4"} << "2026/5/10 10:0";
    QTest::newRow("minute 0 - gives 59") << at(2026, 5, 10, 10, 0) << QStringList {"Command5"} << "2026/5/10 10:59";
    QTest::newRow("hour 23 + gives 0, day kept")
        << at(2026, 5, 10, 23, 15) << QStringList {"Command6"} << "2026/5/10 0:15";
    QTest::newRow("hour 0 - gives 23") << at(2026, 5, 10, 0, 15) << QStringList {"Command7"} << "2026/5/10 23:15";
    QTest::newRow("Feb 28 + gives 29 in a common year")
        << at(2026, 2, 28, 9, 0) << QStringList {"Command8"} << "2026/2/29 9:0";
    QTest::newRow("Feb 29 + gives 1") << at(2026, 2, 28, 9, 0) << QStringList {"Command8", "Command8"}
                                      << "2026/2/1 9:0";
    QTest::newRow("Feb 1 - gives 29") << at(2027, 2, 1, 9, 0) << QStringList {"Command9"} << "2027/2/29 9:0";
    QTest::newRow("Apr 30 + gives 1") << at(2026, 4, 30, 9, 0) << QStringList {"Command8"} << "2026/4/1 9:0";
    QTest::newRow("Nov 1 - gives 30") << at(2026, 11, 1, 9, 0) << QStringList {"Command9"} << "2026/11/30 9:0";
    QTest::newRow("Jan 31 + gives 1") << at(2026, 1, 31, 9, 0) << QStringList {"Command8"} << "2026/1/1 9:0";
    QTest::newRow("month 12 + gives 1, year and day kept")
        << at(2026, 12, 31, 9, 0) << QStringList {"Command10"} << "2026/1/31 9:0";
    QTest::newRow("month 1 - gives 12") << at(2026, 1, 15, 9, 0) << QStringList {"Command11"} << "2026/12/15 9:0";
    QTest::newRow("month + leaves 31 so 31 April can be set")
        << at(2026, 3, 31, 9, 0) << QStringList {"Command10"} << "2026/4/31 9:0";
    QTest::newRow("year - at the present year stays")
        << at(2026, 3, 1, 9, 0) << QStringList {"Command13"} << "2026/3/1 9:0";
    QTest::newRow("year - at present year + 2 goes down one")
        << at(2026, 3, 1, 9, 0) << QStringList {"Command12", "Command12", "Command13"} << "2027/3/1 9:0";
    QTest::newRow("every month: day 30 + gives 31 even in April")
        << at(2026, 4, 30, 9, 0) << QStringList {"Check2", "Command8"} << "0/0/31 9:0";
    QTest::newRow("every month: day 31 + gives 1")
        << at(2026, 4, 30, 9, 0) << QStringList {"Check2", "Command8", "Command8"} << "0/0/1 9:0";
    QTest::newRow("every month: day 1 - gives 31")
        << at(2026, 2, 1, 9, 0) << QStringList {"Check2", "Command9"} << "0/0/31 9:0";
}

void TestEntry::stepping()
{
    QFETCH(QDateTime, now);
    QFETCH(QStringList, clicks);
    QFETCH(QString, expected);
    QVERIFY(openAt(now));
    QVERIFY(clickAll(clicks));
    QCOMPARE(variables(), expected + QStringLiteral(" w0"));
    // Hidden labels keep the text they had; the shown ones follow the variables.
    if (!clicks.contains(QStringLiteral("Check2")))
        QCOMPARE(shownDate(), expected);
    else
        QCOMPARE(form1().Label13->text(), expected.section(u'/', 2).section(u' ', 0, 0));
}

void TestEntry::yearStopsAtItsLargestValue()
{
    QVERIFY(openAt(QDateTime(QDate(2026, 3, 1), QTime(9, 0))));
    form1().SetYear = 32766;
    QVERIFY(clickAll({"Command12", "Command12", "Command12"}));
    QCOMPARE(form1().SetYear, qint16(32767));
    QCOMPARE(form1().Label15->text(), QStringLiteral("32767"));
    QVERIFY(click("Command13"));
    QCOMPARE(form1().SetYear, qint16(32766));
}

void TestEntry::modes_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("week");

    QTest::newRow("nothing checked") << QStringList {} << "one-off" << 0;
    QTest::newRow("毎月") << QStringList {"Check2"} << "every month" << 0;
    QTest::newRow("毎日") << QStringList {"Check3"} << "every day" << 0;
    QTest::newRow("毎月 then 毎日") << QStringList {"Check2", "Check3"} << "every day, 毎月 kept" << 0;
    QTest::newRow("毎月, 毎日, 毎日 off") << QStringList {"Check2", "Check3", "Check3"} << "one-off" << 0;
    QTest::newRow("毎月 on and off") << QStringList {"Check2", "Check2"} << "one-off" << 0;
    QTest::newRow("土 then 日") << QStringList {"Check10", "Check4"} << "weekly" << 65;
    QTest::newRow("土, 日, 土 off") << QStringList {"Check10", "Check4", "Check10"} << "weekly" << 1;
    QTest::newRow("土, 日, both off") << QStringList {"Check10", "Check4", "Check10", "Check4"} << "one-off" << 0;
    QTest::newRow("毎月 then 月, 月 off") << QStringList {"Check2", "Check5", "Check5"} << "one-off" << 0;
    QTest::newRow("毎日 then 水, 水 off") << QStringList {"Check3", "Check7", "Check7"} << "one-off" << 0;
    QTest::newRow("毎月 then every weekday")
        << QStringList {"Check2", "Check4", "Check5", "Check6", "Check7", "Check8", "Check9", "Check10"}
        << "weekly, 毎月 kept" << 127;
}

// The mode table: which date fields show and which repetition boxes can be used.
void TestEntry::modes()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, mode);
    QFETCH(int, week);
    QVERIFY(openAt(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 58))));
    QVERIFY(clickAll(clicks));
    Form1 &f = form1();

    struct Expected
    {
        bool yearMonth, day, check2Enabled, check2, check3Enabled, check3;
        QString variables;
    };
    const QString time = QStringLiteral(" 14:29 w%1").arg(week);
    const QMap<QString, Expected> table {
        {"one-off", {true, true, true, false, true, false, "2026/12/25" + time}},
        {"every month", {false, true, true, true, true, false, "0/0/25" + time}},
        {"every day", {false, false, false, false, true, true, "0/0/0" + time}},
        {"every day, 毎月 kept", {false, false, false, true, true, true, "0/0/0" + time}},
        {"weekly", {false, false, false, false, false, false, "0/0/0" + time}},
        {"weekly, 毎月 kept", {false, false, false, true, false, false, "0/0/0" + time}},
    };
    const Expected e = table.value(mode);
    for (QWidget *w : std::initializer_list<QWidget *> {
             f.Label15, f.Command12, f.Command13, f.Label6[1], f.Label14, f.Command10, f.Command11, f.Label7[1]})
        QCOMPARE(w->isVisible(), e.yearMonth);
    for (QWidget *w : std::initializer_list<QWidget *> {f.Label13, f.Command8, f.Command9, f.Label8[1]})
        QCOMPARE(w->isVisible(), e.day);
    QVERIFY(f.Label12->isVisible() && f.Label11->isVisible());
    QCOMPARE(f.Check2->isEnabled(), e.check2Enabled);
    QCOMPARE(value(f.Check2), int(e.check2));
    QCOMPARE(f.Check3->isEnabled(), e.check3Enabled);
    QCOMPARE(value(f.Check3), int(e.check3));
    QCOMPARE(variables(), e.variables);
}

void TestEntry::uncheckingBringsBackTheCurrentDate()
{
    QVERIFY(openAt(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 30))));
    QVERIFY(clickAll({"Command12", "Command10", "Command9", "Check2"}));
    QCOMPARE(variables(), QStringLiteral("0/0/30 23:59 w0"));
    program->advance(40 * 1000);
    QVERIFY(click("Check2"));
    // Year and month from the clock, the chosen day kept.
    QCOMPARE(variables(), QStringLiteral("2027/1/30 23:59 w0"));
    QCOMPARE(shownDate(), QStringLiteral("2027/1/30 23:59"));

    QVERIFY(clickAll({"Check6", "Check6"}));
    QCOMPARE(shownDate(), QStringLiteral("2027/1/1 23:59"));
}

void TestEntry::pastTimeCheck_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("waitSeconds");
    QTest::addColumn<bool>("accepted");

    const QDateTime quarterPast(QDate(2026, 12, 25), QTime(10, 15, 0));
    const QDateTime lateInMinute(QDate(2026, 12, 25), QTime(10, 15, 59));
    QStringList nineFiftyNineNextDay {"Command8", "Command7"};
    for (int i = 0; i < 16; ++i)
        nineFiftyNineNextDay << "Command5";

    QTest::newRow("current minute, second 0") << quarterPast << QStringList {} << 0 << false;
    QTest::newRow("current minute, second 59") << lateInMinute << QStringList {} << 0 << false;
    QTest::newRow("next minute, second 59") << lateInMinute << QStringList {"Command4"} << 0 << true;
    QTest::newRow("previous minute") << quarterPast << QStringList {"Command5"} << 0 << false;
    QTest::newRow("next minute, then the clock reaches it") << quarterPast << QStringList {"Command4"} << 61 << false;
    QTest::newRow("9:59 next day: the day decides") << quarterPast << nineFiftyNineNextDay << 0 << true;
    QTest::newRow("earlier hour, later minute") << quarterPast << QStringList {"Command7", "Command4"} << 0 << false;
    QTest::newRow("month 1 of the same year") << quarterPast << QStringList {"Command10"} << 0 << false;
    QTest::newRow("later year, every other field earlier")
        << quarterPast << QStringList {"Command12", "Command11", "Command9", "Command7", "Command5"} << 0 << true;
    QTest::newRow("midnight: 0:00 on the 1st of next year")
        << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 50))
        << QStringList {"Command12", "Command10", "Command8", "Command6", "Command4"} << 0 << true;
    QTest::newRow("midnight: 23:59 of the day before")
        << QDateTime(QDate(2026, 12, 25), QTime(0, 0, 5)) << QStringList {"Command9", "Command7", "Command5"} << 0
        << false;
    QTest::newRow("midnight: 0:00 of the next day") << QDateTime(QDate(2026, 12, 24), QTime(23, 59, 50))
                                                    << QStringList {"Command8", "Command6", "Command4"} << 0 << true;
    QTest::newRow("midnight: 23:59 of the last day of the month before")
        << QDateTime(QDate(2027, 3, 1), QTime(0, 0, 5))
        << QStringList {"Command7", "Command5", "Command11", "Command9", "Command9"} << 0 << false;
}

void TestEntry::pastTimeCheck()
{
    QFETCH(QDateTime, now);
    QFETCH(QStringList, clicks);
    QFETCH(int, waitSeconds);
    QFETCH(bool, accepted);
    QVERIFY(openAt(now));
    QVERIFY(clickAll(clicks));
    QVERIFY(click("Command2"));
    typeMemo(QStringLiteral("x"));
    MEMO().Command1->click();
    program->advance(waitSeconds * 1000);
    const QString before = variables() + u' ' + shownDate();

    QVERIFY(click("Command3"));
    QVERIFY(!form1().isVisible());
    QCOMPARE(forms().keikoku1.loaded() && keikoku1().isVisible(), !accepted);
    QCOMPARE(program->dataFileExists(), accepted);
    if (accepted) {
        QCOMPARE(form1().DataMaxNumber, qint16(1));
        QCOMPARE(form1().SetFlg, qint16(1));
        QVERIFY(!MEMO().isVisible());
    } else {
        // Everything survives for the retry.
        QCOMPARE(variables() + u' ' + shownDate(), before);
        QCOMPARE(MEMO().Text1->text(), QStringLiteral("x"));
        QCOMPARE(form1().DataMaxNumber, qint16(0));
        QVERIFY(form1().Command3->isVisibleTo(&form1()));
    }
}

void TestEntry::setEachKind_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");

    QTest::newRow("one-off with sound") << QStringList {"Check1", "Command4"} << "歯医者、３時"
                                        << "30,14,25,12,2026,\"歯医者、３時\",1,0";
    QTest::newRow("every month on the 26th") << QStringList {"Check2", "Command8"} << "家賃"
                                             << "29,14,26,0,0,\"家賃\",0,0";
    QTest::newRow("every day, time already past today") << QStringList {"Check3", "Command7"} << "薬"
                                                        << "29,13,0,0,0,\"薬\",0,0";
    QTest::newRow("weekly Monday and Wednesday") << QStringList {"Check7", "Check5", "Check1"} << "ゴミ出し"
                                                 << "29,14,0,0,0,\"ゴミ出し\",1,10";
    QTest::newRow("two lines and a comma") << QStringList {"Command6"} << "a,b\nc"
                                           << "29,15,25,12,2026,\"a,b\r\nc\",0,0";
}

// From the tray menu to the bytes of the data file.
void TestEntry::setEachKind()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QVERIFY(openAt(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 58))));
    QVERIFY(!icons().memoedit->isVisible());
    QVERIFY(clickAll(clicks));
    QVERIFY(click("Command2"));
    QVERIFY(!form1().isVisible());
    QVERIFY(MEMO().isVisible() && MEMO().isEnabled());
    typeMemo(text);
    QTest::mouseClick(MEMO().Command1, Qt::LeftButton);
    QVERIFY(form1().isVisible());
    QVERIFY(click("Command3"));

    QCOMPARE(program->dataFile(), cp932Lines({"1", line}));
    QVERIFY(!form1().isVisible());
    QVERIFY(!MEMO().isVisible());
    QCOMPARE(form1().SetFlg, qint16(1));
    QVERIFY(icons().memoedit->isVisible());
}

void TestEntry::newMemoGoesInDateOrder()
{
    program->writeDataFile(cp932Lines({"2", "0,7,0,0,0,\"朝\",0,0", "0,9,1,1,2027,\"正月\",0,0"}));
    QVERIFY(openAt(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 58))));
    QVERIFY(clickAll({"Command4", "Command2"}));
    typeMemo(QStringLiteral("新"));
    MEMO().Command1->click();
    QVERIFY(click("Command3"));
    QCOMPARE(program->dataFile(),
        cp932Lines({"3", "0,7,0,0,0,\"朝\",0,0", "30,14,25,12,2026,\"新\",0,0", "0,9,1,1,2027,\"正月\",0,0"}));
}

void TestEntry::openingResetsAfterWeeklyMemo()
{
    QVERIFY(openAt(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 58))));
    QVERIFY(clickAll({"Check1", "Check10", "Check4", "Command6", "Command2"}));
    typeMemo(QStringLiteral("週末"));
    MEMO().Command1->click();
    QVERIFY(click("Command3"));
    QCOMPARE(program->dataFile(), cp932Lines({"1", "29,15,0,0,0,\"週末\",1,65"}));

    program->advance(3 * 60 * 1000);
    icons().memoset->trigger();
    Form1 &f = form1();
    QVERIFY(f.isVisible());
    for (QCheckBox *box : {f.Check2, f.Check3, f.Check4, f.Check5, f.Check6, f.Check7, f.Check8, f.Check9, f.Check10}) {
        QCOMPARE(value(box), 0);
        QVERIFY(box->isEnabled());
    }
    QCOMPARE(variables(), QStringLiteral("2026/12/25 14:32 w0"));
    QCOMPARE(shownDate(), QStringLiteral("2026/12/25 14:32"));
    QVERIFY(f.Label15->isVisible() && f.Label13->isVisible());
    QCOMPARE(value(f.Check1), 1);
    QCOMPARE(MEMO().Text1->text(), QString());
    QVERIFY(!MEMO().Command1->isVisibleTo(&MEMO()));
    QCOMPARE(visibleButtons(), QStringLiteral("メモ,キャンセル"));
}

void TestEntry::openingRefusals()
{
    QVERIFY(program->start());
    program->tick();
    forms().Display().show();
    icons().memoset->trigger();
    QVERIFY(!form1().isVisible());
    QVERIFY(!forms().MEMO.loaded());
    forms().Display().hide();

    Edit().show();
    icons().memoset->trigger();
    QVERIFY(!form1().isVisible());
    Edit().hide();

    icons().memoset->trigger();
    QVERIFY(form1().isVisible());
}

void TestEntry::openingWithTwentyMemosWarns()
{
    QStringList lines {"20"};
    for (int i = 0; i < 20; ++i)
        lines << QStringLiteral("%1,8,0,0,0,\"m\",0,0").arg(i);
    program->writeDataFile(cp932Lines(lines));
    QVERIFY(program->start());
    form1().show();
    icons().memoset->trigger();
    QVERIFY(!form1().isVisible());
    QVERIFY(keikoku2().isVisible());
    QVERIFY(!forms().MEMO.loaded());
}

void TestEntry::cancelAndTitleBarClose()
{
    QVERIFY(openAt(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 58))));
    QVERIFY(clickAll({"Check5", "Command4", "Command2"}));
    typeMemo(QStringLiteral("t"));
    MEMO().Command1->click();
    QVERIFY(click("Command1"));
    QVERIFY(!form1().isVisible());
    QCOMPARE(form1().WeekFlag, qint16(2));

    program->advance(60 * 1000);
    icons().memoset->trigger();
    QCOMPARE(variables(), QStringLiteral("2026/12/25 14:30 w0"));
    QCOMPARE(MEMO().Text1->text(), QString());

    QVERIFY(!form1().close());
    QVERIFY(!form1().isVisible());
    QVERIFY(forms().form1.loaded());
    QCOMPARE(program->quits, 0);
    QVERIFY(!program->dataFileExists());
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
