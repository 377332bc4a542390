// The setting window "メモ設定", driven by clicks from the tray menu to the data file.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "shell/icons_form.h"

#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const QDateTime kNow(QDate(2026, 12, 25), QTime(14, 29, 58));

// Clicks a control the way the user would; false when the user could not.
bool click(const QString &name)
{
    auto *control = form1().findChild<QAbstractButton *>(name);
    if (!control || !control->isVisible() || !control->isEnabled()) {
        qWarning("cannot click %s", qPrintable(name));
        return false;
    }
    // Check boxes are hit on their indicator, buttons in the middle.
    const QPoint where
        = qobject_cast<QCheckBox *>(control) ? QPoint(6, control->height() / 2) : control->rect().center();
    QTest::mouseClick(control, Qt::LeftButton, {}, where);
    return true;
}

bool clickAll(const QStringList &names)
{
    return std::all_of(names.begin(), names.end(), click);
}

// Execution date and time as the value labels hold them, shown or not.
QString shownDate()
{
    const Form1 &f = form1();
    return f.Label15->text() + u'/' + f.Label14->text() + u'/' + f.Label13->text() + u' ' + f.Label12->text() + u':'
        + f.Label11->text();
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

// "メモ", the text, OK: back in the setting window.
void writeMemo(const QString &text)
{
    QTest::mouseClick(form1().Command2, Qt::LeftButton);
    typeMemo(text);
    QTest::mouseClick(MEMO().Command1, Qt::LeftButton);
}

QDateTime at(int y, int mo, int d, int h, int mi, int s = 30)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

} // namespace

class TestEntry : public QObject
{
    Q_OBJECT
private slots:
    void init() { program = std::make_unique<TestProgram>(); }
    void cleanup() { program.reset(); }

    void stepping_data();
    void stepping();
    void modes_data();
    void modes();
    void uncheckingBringsBackTheCurrentDate();
    void pastTimeCheck_data();
    void pastTimeCheck();
    void setEachKind_data();
    void setEachKind();
    void openingRefused_data();
    void openingRefused();
    void cancelAndTitleBarClose();

private:
    std::unique_ptr<TestProgram> program;
    // Starts the program at the given time and opens "メモ設定".
    bool openAt(const QDateTime &when, const QStringList &memos = {})
    {
        if (!program->start(memos, when))
            return false;
        program->tick();
        icons().memoset->trigger();
        return form1().isVisible();
    }
};

void TestEntry::stepping_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QDateTime &now, const QStringList &clicks, const char *expected) {
        QTest::newRow(name) << now << clicks << QString::fromUtf8(expected);
    };
    row("minute 59 + gives 0, hour kept", at(2026, 5, 10, 10, 59), {"Command4"}, "2026/5/10 10:0");
    row("minute 0 - gives 59", at(2026, 5, 10, 10, 0), {"Command5"}, "2026/5/10 10:59");
    row("hour 23 + gives 0, day kept", at(2026, 5, 10, 23, 15), {"Command6"}, "2026/5/10 0:15");
    row("hour 0 - gives 23", at(2026, 5, 10, 0, 15), {"Command7"}, "2026/5/10 23:15");
    row("Feb 28 + gives 29 in a common year", at(2026, 2, 28, 9, 0), {"Command8"}, "2026/2/29 9:0");
    row("Feb 29 + gives 1", at(2026, 2, 28, 9, 0), {"Command8", "Command8"}, "2026/2/1 9:0");
    row("Feb 1 - gives 29", at(2027, 2, 1, 9, 0), {"Command9"}, "2027/2/29 9:0");
    row("Apr 30 + gives 1", at(2026, 4, 30, 9, 0), {"Command8"}, "2026/4/1 9:0");
    row("Nov 1 - gives 30", at(2026, 11, 1, 9, 0), {"Command9"}, "2026/11/30 9:0");
    row("Jan 31 + gives 1", at(2026, 1, 31, 9, 0), {"Command8"}, "2026/1/1 9:0");
    row("month 12 + gives 1, year and day kept", at(2026, 12, 31, 9, 0), {"Command10"}, "2026/1/31 9:0");
    row("month 1 - gives 12", at(2026, 1, 15, 9, 0), {"Command11"}, "2026/12/15 9:0");
    row("month + leaves 31 so 31 April can be set", at(2026, 3, 31, 9, 0), {"Command10"}, "2026/4/31 9:0");
    row("year - at the present year stays", at(2026, 3, 1, 9, 0), {"Command13"}, "2026/3/1 9:0");
    row("year + stops at its largest value", at(32766, 3, 1, 9, 0), {"Command12", "Command12", "Command12"},
        "32767/3/1 9:0");
    row("year - at present year + 2 goes down one", at(2026, 3, 1, 9, 0), {"Command12", "Command12", "Command13"},
        "2027/3/1 9:0");
    row("every month: day 30 + gives 31 even in April", at(2026, 4, 30, 9, 0), {"Check2", "Command8"}, "0/0/31 9:0");
    row("every month: day 31 + gives 1", at(2026, 4, 30, 9, 0), {"Check2", "Command8", "Command8"}, "0/0/1 9:0");
    row("every month: day 1 - gives 31", at(2026, 2, 1, 9, 0), {"Check2", "Command9"}, "0/0/31 9:0");
}

void TestEntry::stepping()
{
    QFETCH(QDateTime, now);
    QFETCH(QStringList, clicks);
    QFETCH(QString, expected);
    QVERIFY(openAt(now));
    QVERIFY(clickAll(clicks));
    QCOMPARE(settingVariables(), expected + QStringLiteral(" w0"));
    // Hidden labels keep the text they had; the shown ones follow the variables.
    if (!clicks.contains(QStringLiteral("Check2")))
        QCOMPARE(shownDate(), expected);
    else
        QCOMPARE(form1().Label13->text(), expected.section(u'/', 2).section(u' ', 0, 0));
}

void TestEntry::modes_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("variables");
    const auto row = [](const char *name, const QStringList &clicks, const char *window, const char *variables) {
        QTest::newRow(name) << clicks << QString::fromUtf8(window) + " メモ キャンセル" << QString::fromUtf8(variables);
    };
    const char *oneOff = "2026/12/25 14:29 0 0 0 ・・・・・・・";
    row("nothing checked", {}, oneOff, "2026/12/25 14:29 w0");
    row("毎月", {"Check2"}, "-/-/25 14:29 0 1 0 ・・・・・・・", "0/0/25 14:29 w0");
    row("毎日", {"Check3"}, "-/-/- 14:29 0 0x 1 ・・・・・・・", "0/0/0 14:29 w0");
    row("毎月 then 毎日", {"Check2", "Check3"}, "-/-/- 14:29 0 1x 1 ・・・・・・・", "0/0/0 14:29 w0");
    row("毎月, 毎日, 毎日 off", {"Check2", "Check3", "Check3"}, oneOff, "2026/12/25 14:29 w0");
    row("土 then 日", {"Check10", "Check4"}, "-/-/- 14:29 0 0x 0x 日・・・・・土", "0/0/0 14:29 w65");
    row("土, 日, 土 off", {"Check10", "Check4", "Check10"}, "-/-/- 14:29 0 0x 0x 日・・・・・・", "0/0/0 14:29 w1");
    row("土, 日, both off", {"Check10", "Check4", "Check10", "Check4"}, oneOff, "2026/12/25 14:29 w0");
    row("毎月 then 月, 月 off", {"Check2", "Check5", "Check5"}, oneOff, "2026/12/25 14:29 w0");
    row("毎月 then every weekday", {"Check2", "Check4", "Check5", "Check6", "Check7", "Check8", "Check9", "Check10"},
        "-/-/- 14:29 0 1x 0x 日月火水木金土", "0/0/0 14:29 w127");
}

// Which date fields show and which repetition boxes can be used.
void TestEntry::modes()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, window);
    QFETCH(QString, variables);
    QVERIFY(openAt(kNow));
    QVERIFY(clickAll(clicks));
    QCOMPARE(settingWindow(), window);
    QCOMPARE(settingVariables(), variables);
}

void TestEntry::uncheckingBringsBackTheCurrentDate()
{
    QVERIFY(openAt(at(2026, 12, 31, 23, 59)));
    QVERIFY(clickAll({"Command12", "Command10", "Command9", "Check2"}));
    QCOMPARE(settingVariables(), QStringLiteral("0/0/30 23:59 w0"));
    program->advance(40 * 1000);
    QVERIFY(click("Check2"));
    // Year and month from the clock, the chosen day kept.
    QCOMPARE(settingVariables(), QStringLiteral("2027/1/30 23:59 w0"));
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
    const auto row = [](const char *name, const QDateTime &now, const QStringList &clicks, bool accepted,
                         int waitSeconds = 0) { QTest::newRow(name) << now << clicks << waitSeconds << accepted; };

    const QDateTime quarterPast = at(2026, 12, 25, 10, 15, 0);
    const QDateTime lateInMinute = at(2026, 12, 25, 10, 15, 59);
    QStringList nineFiftyNineNextDay {"Command8", "Command7"};
    for (int i = 0; i < 16; ++i)
        nineFiftyNineNextDay << "Command5";

    row("current minute, second 0", quarterPast, {}, false);
    row("current minute, second 59", lateInMinute, {}, false);
    row("next minute, second 59", lateInMinute, {"Command4"}, true);
    row("previous minute", quarterPast, {"Command5"}, false);
    row("next minute, then the clock reaches it", quarterPast, {"Command4"}, false, 61);
    row("9:59 next day: the day decides", quarterPast, nineFiftyNineNextDay, true);
    row("earlier hour, later minute", quarterPast, {"Command7", "Command4"}, false);
    row("month 1 of the same year", quarterPast, {"Command10"}, false);
    row("later year, every other field earlier", quarterPast,
        {"Command12", "Command11", "Command9", "Command7", "Command5"}, true);
    row("midnight: 0:00 on the 1st of next year", at(2026, 12, 31, 23, 59, 50),
        {"Command12", "Command10", "Command8", "Command6", "Command4"}, true);
    row("midnight: 23:59 of the day before", at(2026, 12, 25, 0, 0, 5), {"Command9", "Command7", "Command5"}, false);
    row("midnight: 0:00 of the next day", at(2026, 12, 24, 23, 59, 50), {"Command8", "Command6", "Command4"}, true);
    row("midnight: 23:59 of the last day of the month before", at(2027, 3, 1, 0, 0, 5),
        {"Command7", "Command5", "Command11", "Command9", "Command9"}, false);
}

void TestEntry::pastTimeCheck()
{
    QFETCH(QDateTime, now);
    QFETCH(QStringList, clicks);
    QFETCH(int, waitSeconds);
    QFETCH(bool, accepted);
    QVERIFY(openAt(now));
    QVERIFY(clickAll(clicks));
    writeMemo(QStringLiteral("x"));
    program->advance(waitSeconds * 1000);
    const QString before = settingVariables() + u' ' + shownDate();

    QVERIFY(click("Command3"));
    QVERIFY(!form1().isVisible());
    QCOMPARE(forms().keikoku1.loaded() && keikoku1().isVisible(), !accepted);
    QCOMPARE(program->dataFileExists(), accepted);
    QCOMPARE(form1().DataMaxNumber, qint16(accepted ? 1 : 0));
    if (accepted) {
        QCOMPARE(form1().SetFlg, qint16(1));
        QVERIFY(!MEMO().isVisible());
    } else {
        // Everything survives for the retry.
        QCOMPARE(settingVariables() + u' ' + shownDate(), before);
        QCOMPARE(MEMO().Text1->text(), QStringLiteral("x"));
        QVERIFY(form1().Command3->isVisibleTo(&form1()));
    }
}

void TestEntry::setEachKind_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("stored");
    const auto row = [](const char *name, const QStringList &clicks, const char *text, const QStringList &stored,
                         const QStringList &existing = {}) {
        QTest::newRow(name) << existing << clicks << QString::fromUtf8(text) << stored;
    };
    row("one-off with sound", {"Check1", "Command4"}, "歯医者、３時", {"30,14,25,12,2026,\"歯医者、３時\",1,0"});
    row("every month on the 26th", {"Check2", "Command8"}, "家賃", {"29,14,26,0,0,\"家賃\",0,0"});
    row("every day, time already past today", {"Check3", "Command7"}, "薬", {"29,13,0,0,0,\"薬\",0,0"});
    row("weekly Monday and Wednesday", {"Check7", "Check5", "Check1"}, "ゴミ出し", {"29,14,0,0,0,\"ゴミ出し\",1,10"});
    row("two lines and a comma", {"Command6"}, "a,b\nc", {"29,15,25,12,2026,\"a,b\r\nc\",0,0"});
    const QStringList existing {"0,7,0,0,0,\"朝\",0,0", "0,9,1,1,2027,\"正月\",0,0"};
    row("between the memos already set, in date order", {"Command4"}, "新",
        {existing[0], "30,14,25,12,2026,\"新\",0,0", existing[1]}, existing);
}

// From the tray menu to the bytes of the data file.
void TestEntry::setEachKind()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, clicks);
    QFETCH(QString, text);
    QFETCH(QStringList, stored);
    QVERIFY(openAt(kNow, existing));
    QCOMPARE(icons().memoedit->isVisible(), !existing.isEmpty());
    QVERIFY(clickAll(clicks));
    QVERIFY(click("Command2"));
    QVERIFY(!form1().isVisible());
    QVERIFY(MEMO().isVisible() && MEMO().isEnabled());
    typeMemo(text);
    QTest::mouseClick(MEMO().Command1, Qt::LeftButton);
    QVERIFY(form1().isVisible());
    QVERIFY(click("Command3"));

    QCOMPARE(program->dataFile(), dataFileOf(stored));
    QVERIFY(!form1().isVisible());
    QVERIFY(!MEMO().isVisible());
    QCOMPARE(form1().SetFlg, qint16(1));
    QVERIFY(icons().memoedit->isVisible());
}

void TestEntry::openingRefused_data()
{
    QTest::addColumn<QString>("blocking");
    QTest::addColumn<int>("memos");
    QTest::newRow("alarm on screen") << "Display" << 0;
    QTest::newRow("list editor open") << "Edit" << 0;
    QTest::newRow("twenty memos: the table-full warning") << "" << 20;
}

void TestEntry::openingRefused()
{
    QFETCH(QString, blocking);
    QFETCH(int, memos);
    QStringList lines;
    for (int i = 0; i < memos; ++i)
        lines << memoLine(i, 8, 0, 0, 0, QStringLiteral("m"));
    QVERIFY(program->start(lines, kNow));
    program->tick();
    QWidget *window = &form1();
    if (blocking == QLatin1String("Display"))
        window = &forms().Display();
    else if (blocking == QLatin1String("Edit"))
        window = &Edit();
    window->show();
    icons().memoset->trigger();
    QVERIFY(!form1().isVisible());
    QVERIFY(!forms().MEMO.loaded());
    QCOMPARE(forms().keikoku2.loaded() && keikoku2().isVisible(), memos == 20);
    // Refused only while the reason lasts.
    if (memos == 0) {
        window->hide();
        icons().memoset->trigger();
        QVERIFY(form1().isVisible());
    }
}

void TestEntry::cancelAndTitleBarClose()
{
    QVERIFY(openAt(kNow));
    // No default button: Enter and Esc do nothing to the window.
    for (QPushButton *button : form1().findChildren<QPushButton *>())
        QVERIFY2(!button->autoDefault() && !button->isDefault(), qPrintable(button->objectName()));
    form1().Command2->setFocus();
    QTest::keyClick(&form1(), Qt::Key_Escape);
    QTest::keyClick(form1().Command2, Qt::Key_Return);
    QVERIFY(form1().isVisible());

    QVERIFY(clickAll({"Check5", "Command4"}));
    writeMemo(QStringLiteral("t"));
    QVERIFY(click("Command1"));
    QVERIFY(!form1().isVisible());
    QCOMPARE(form1().WeekFlag, qint16(2));

    program->advance(60 * 1000);
    icons().memoset->trigger();
    QCOMPARE(settingVariables(), QStringLiteral("2026/12/25 14:30 w0"));
    QCOMPARE(MEMO().Text1->text(), QString());

    QVERIFY(!form1().close());
    QVERIFY(!form1().isVisible());
    QVERIFY(forms().form1.loaded());
    QCOMPARE(program->quits, 0);
    QVERIFY(!program->dataFileExists());
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
