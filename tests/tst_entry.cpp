// The setting window "メモ設定", driven by clicks from the tray menu to the data file.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "entry/form1.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
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
    return std::all_of(names.begin(), names.end(), click);
}

// Execution date and time as the value labels hold them, shown or not.
QString shownDate()
{
    const Form1 &f = form1();
    return f.Label15->text() + u'/' + f.Label14->text() + u'/' + f.Label13->text() + u' ' + f.Label12->text() + u':'
        + f.Label11->text();
}

// "メモ", the text as an input method commits it, OK: back in the setting window.
void writeMemo(const QString &text)
{
    QTest::mouseClick(form1().Command2, Qt::LeftButton);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(MEMO().Text1, Qt::Key_Return);
        QInputMethodEvent commit;
        commit.setCommitString(lines[i]);
        QCoreApplication::sendEvent(MEMO().Text1, &commit);
    }
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
    void setting_data();
    void setting();

private:
    std::unique_ptr<TestProgram> program;
    // Starts the program at the given time and opens "メモ設定".
    bool openAt(const QDateTime &when)
    {
        if (!program->start({}, when))
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
    row("Feb 29 + gives 1", at(2026, 2, 28, 9, 0), {"Command8", "Command8"}, "2026/2/1 9:0");
    row("year - at the present year stays", at(2026, 3, 1, 9, 0), {"Command13"}, "2026/3/1 9:0");
    row("year + stops at its largest value", at(32766, 3, 1, 9, 0), {"Command12", "Command12", "Command12"},
        "32767/3/1 9:0");
}

void TestEntry::stepping()
{
    QFETCH(QDateTime, now);
    QFETCH(QStringList, clicks);
    QFETCH(QString, expected);
    QVERIFY(openAt(now));
    QVERIFY(clickAll(clicks));
    QCOMPARE(settingVariables(), expected + QStringLiteral(" w0"));
    QCOMPARE(shownDate(), expected);
}

void TestEntry::setting_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    const auto row
        = [](const char *name, const QDateTime &now, const QStringList &clicks, const char *text, const char *stored) {
              QTest::newRow(name) << now << clicks << QString::fromUtf8(text) << QString::fromUtf8(stored);
          };
    const QDateTime lateInMinute = at(2026, 12, 25, 10, 15, 59);
    row("past: current minute, second 59", lateInMinute, {}, "x", "");
    row("past: 23:59 of the day before", at(2026, 12, 25, 0, 0, 5), {"Command9", "Command7", "Command5"}, "x", "");
    row("one-off with sound, next minute at second 59", lateInMinute, {"Check1", "Command4"}, "歯医者、３時",
        "16,10,25,12,2026,\"歯医者、３時\",1,0");
    row("one-off at 0:00 of the next day", at(2026, 12, 24, 23, 59, 50), {"Command8", "Command6", "Command4"}, "x",
        "0,0,25,12,2026,\"x\",0,0");
    row("one-off at 0:00 on the 1st of next year", at(2026, 12, 31, 23, 59, 50),
        {"Command12", "Command10", "Command8", "Command6", "Command4"}, "x", "0,0,1,1,2027,\"x\",0,0");
    row("every month on the 26th", kNow, {"Check2", "Command8"}, "家賃", "29,14,26,0,0,\"家賃\",0,0");
    row("every day, time already past today", kNow, {"Check3", "Command7"}, "薬", "29,13,0,0,0,\"薬\",0,0");
    row("weekly Monday and Wednesday", kNow, {"Check7", "Check5", "Check1"}, "ゴミ出し",
        "29,14,0,0,0,\"ゴミ出し\",1,10");
    row("two lines and a comma", kNow, {"Command6"}, "a,b\nc", "29,15,25,12,2026,\"a,b\r\nc\",0,0");
}

// From the tray menu to the bytes of the data file, or the past-time warning.
void TestEntry::setting()
{
    QFETCH(QDateTime, now);
    QFETCH(QStringList, clicks);
    QFETCH(QString, text);
    QFETCH(QString, stored);
    const bool accepted = !stored.isEmpty();
    QVERIFY(openAt(now));
    QVERIFY(clickAll(clicks));
    writeMemo(text);
    const QString before = settingVariables() + u' ' + shownDate();

    QVERIFY(click("Command3"));
    QVERIFY(!form1().isVisible());
    QCOMPARE(forms().keikoku1.loaded() && keikoku1().isVisible(), !accepted);
    QCOMPARE(form1().DataMaxNumber, qint16(accepted ? 1 : 0));
    if (accepted) {
        QCOMPARE(program->dataFile(), dataFileOf({stored}));
        QVERIFY(!MEMO().isVisible());
        QCOMPARE(form1().SetFlg, qint16(1));
        QVERIFY(icons().memoedit->isVisible());
    } else {
        QVERIFY(!program->dataFileExists());
        // Everything survives for the retry.
        QCOMPARE(settingVariables() + u' ' + shownDate(), before);
        QCOMPARE(MEMO().Text1->text(), text);
        QVERIFY(form1().Command3->isVisibleTo(&form1()));
    }
}

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
