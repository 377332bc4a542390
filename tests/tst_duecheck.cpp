// The one-second due check over simulated minutes and days: which memo shows
// when, in which colour, and what holds the check off; and the tick itself on
// a wall clock that is put forward and back.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "scheduler/second_timer.h"

#include <QElapsedTimer>
#include <QtTest>

#include <functional>

namespace {

const QString kStamp = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QDateTime at(const QString &stamp)
{
    return QDateTime::fromString(stamp, kStamp);
}

QString colourName(const QColor &colour)
{
    if (colour == DisplayForm::dueColour())
        return QStringLiteral("due");
    if (colour == DisplayForm::lateColour())
        return QStringLiteral("late");
    return colour.name();
}

// "2026-12-25 14:30:00 text due" for the memo on screen.
QString onScreen(const QDateTime &when)
{
    DisplayForm &display = forms().Display();
    return when.toString(kStamp) + u' ' + display.Label1->text() + u' ' + colourName(display.background());
}

// Ticks at the given seconds of every minute from `from` until `to`, the way
// the wall-clock timer would; `beforeTick` may open or close windows. Records
// every memo as it appears and dismisses it at second 30 of the minute.
QStringList run(TestProgram &program, const QDateTime &from, const QDateTime &to, const QList<int> &seconds,
    const std::function<void(const QDateTime &)> &beforeTick = {})
{
    QStringList shown;
    for (QDateTime minute = from; minute < to; minute = minute.addSecs(60)) {
        for (const int s : seconds) {
            const QDateTime now = minute.addSecs(s);
            if (now < from || now >= to)
                continue;
            program.clock->set(now);
            if (beforeTick)
                beforeTick(now);
            const bool before = alarmShown();
            program.tick();
            if (!before && alarmShown())
                shown << onScreen(now);
            if (alarmShown() && s >= 30)
                dismissAlarm();
        }
    }
    return shown;
}

const QList<int> kEverySecond = [] {
    QList<int> all;
    for (int s = 0; s < 60; ++s)
        all << s;
    return all;
}();

// Enough to see every occasion of a repeating memo and a late one-off memo.
const QList<int> kSampled {0, 1, 2, 3, 30};

// A wall clock that runs in real time from a moment the test sets, and can be
// put forward or back like a user or a time service would.
class SettableClock : public Clock
{
public:
    QDateTime now() const override { return m_base.addMSecs(m_running.elapsed()); }
    void set(const QDateTime &moment)
    {
        m_base = moment;
        m_running.restart();
    }

private:
    QDateTime m_base;
    QElapsedTimer m_running;
};

// Successive seconds, each read within a few tens of milliseconds of its start.
bool justAfterWholeSeconds(const QList<QDateTime> &readings)
{
    for (int i = 0; i < readings.size(); ++i) {
        if (readings.at(i).time().msec() >= 60)
            return false;
        if (i > 0 && readings.at(i).toSecsSinceEpoch() - readings.at(i - 1).toSecsSinceEpoch() != 1)
            return false;
    }
    return true;
}

QString times(const QList<QDateTime> &readings)
{
    QStringList out;
    for (const QDateTime &reading : readings)
        out << reading.toString(QStringLiteral("hh:mm:ss.zzz"));
    return out.join(u' ');
}

} // namespace

class TestDueCheck : public QObject
{
    Q_OBJECT
private slots:
    void presentsMemosOverSimulatedDays_data();
    void presentsMemosOverSimulatedDays();
    void holdOffs_data();
    void holdOffs();
    void firstDueMemoShownOthersOnlyRepaint_data();
    void firstDueMemoShownOthersOnlyRepaint();
    void repeatingMemoDismissedInItsFirstSecondsReturns();
    void ticksJustAfterWholeSecondsAcrossClockChanges_data();
    void ticksJustAfterWholeSecondsAcrossClockChanges();
};

void TestDueCheck::presentsMemosOverSimulatedDays_data()
{
    QTest::addColumn<QStringList>("memos");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char *name, const QStringList &memos, const char *from, const char *to,
                         const QStringList &expected) { QTest::newRow(name) << memos << from << to << expected; };

    const QStringList meeting {memoLine(30, 14, 25, 12, 2026, "会議")};
    row("one-off in its own minute", meeting, "2026-12-24 00:00:00", "2026-12-27 00:00:00",
        {"2026-12-25 14:30:00 会議 due"});
    row("one-off missed while not running is late at start", meeting, "2026-12-31 09:00:17", "2027-01-02 00:00:00",
        {"2026-12-31 09:00:17 会議 late"});
    row("one-off of a past year never", meeting, "2027-01-01 00:00:00", "2027-01-03 00:00:00", {});
    row("one-off at new year", {memoLine(0, 0, 1, 1, 2027, "元日")}, "2026-12-31 23:58:00", "2027-01-01 00:05:00",
        {"2027-01-01 00:00:00 元日 due"});
    row("every day", {memoLine(0, 7, 0, 0, 0, "朝")}, "2026-12-24 00:00:00", "2026-12-27 00:00:00",
        {"2026-12-24 07:00:00 朝 due", "2026-12-25 07:00:00 朝 due", "2026-12-26 07:00:00 朝 due"});
    row("every month on the 31st skips February", {memoLine(59, 23, 31, 0, 0, "月末")}, "2027-01-30 00:00:00",
        "2027-03-03 00:00:00", {"2027-01-31 23:59:00 月末 due"});
    row("weekly on Monday and Friday", {memoLine(15, 8, 0, 0, 0, "週", 0, 34)}, "2026-12-24 00:00:00",
        "2027-01-01 12:00:00",
        {"2026-12-25 08:15:00 週 due", "2026-12-28 08:15:00 週 due", "2027-01-01 08:15:00 週 due"});
    row("weekly on Sunday and Saturday", {memoLine(0, 0, 0, 0, 0, "休", 0, 65)}, "2026-12-24 00:00:00",
        "2027-01-01 00:00:00", {"2026-12-26 00:00:00 休 due", "2026-12-27 00:00:00 休 due"});
    row("weekly mask above 127 uses its low seven bits", {memoLine(0, 12, 0, 0, 0, "壊", 0, 130)},
        "2026-12-24 00:00:00", "2026-12-31 00:00:00", {"2026-12-28 12:00:00 壊 due"});
    row("repeating memos come before one-off memos of the same minute",
        {memoLine(0, 9, 0, 0, 0, "毎日"), memoLine(0, 9, 25, 12, 2026, "一度")}, "2026-12-25 08:59:00",
        "2026-12-25 09:02:00", {"2026-12-25 09:00:00 毎日 due", "2026-12-25 09:01:00 一度 late"});
}

void TestDueCheck::presentsMemosOverSimulatedDays()
{
    QFETCH(QStringList, memos);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, expected);
    TestProgram program;
    QVERIFY(program.start(memos, at(from)));
    QCOMPARE(run(program, at(from), at(to), kSampled), expected);
}

void TestDueCheck::holdOffs_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("hold");
    QTest::addColumn<QString>("heldFrom");
    QTest::addColumn<QString>("heldUntil");
    QTest::addColumn<QStringList>("expected");
    const auto row
        = [](const char *name, const QString &memo, const char *hold, const char *from, const char *until,
              const QStringList &expected) { QTest::newRow(name) << memo << hold << from << until << expected; };

    const QString oneOff = memoLine(30, 14, 25, 12, 2026, "会議");
    const QString everyDay = memoLine(30, 14, 0, 0, 0, "毎日");
    row("setting window open over a one-off minute: late after", oneOff, "form1", "14:29:00", "14:35:00",
        {"2026-12-25 14:35:00 会議 late"});
    row("setting window closed in its minute: still due", oneOff, "form1", "14:29:50", "14:30:40",
        {"2026-12-25 14:30:40 会議 due"});
    row("list editor open over a one-off minute: late after", oneOff, "Edit", "14:29:00", "14:31:10",
        {"2026-12-25 14:31:10 会議 late"});
    row("disarmed over a one-off minute: late after", oneOff, "SetFlg", "14:29:00", "14:32:00",
        {"2026-12-25 14:32:00 会議 late"});
    row("setting window open over an every-day occasion: skipped", everyDay, "form1", "14:29:50", "14:30:05", {});
    row("list editor closed in the third second: still caught", everyDay, "Edit", "14:29:50", "14:30:02",
        {"2026-12-25 14:30:02 毎日 due"});
    row("disarmed over an every-day occasion: skipped", everyDay, "SetFlg", "14:29:50", "14:30:03", {});
}

void TestDueCheck::holdOffs()
{
    QFETCH(QString, memo);
    QFETCH(QString, hold);
    QFETCH(QString, heldFrom);
    QFETCH(QString, heldUntil);
    QFETCH(QStringList, expected);

    TestProgram program;
    const QDateTime from = at(QStringLiteral("2026-12-25 14:28:00"));
    QVERIFY(program.start({memo}, from));
    const QDateTime holdStart = at(QStringLiteral("2026-12-25 ") + heldFrom);
    const QDateTime holdEnd = at(QStringLiteral("2026-12-25 ") + heldUntil);
    const auto setHeld = [&hold](bool held) {
        if (hold == QLatin1String("form1"))
            form1().setVisible(held);
        else if (hold == QLatin1String("Edit"))
            Edit().setVisible(held);
        else
            form1().SetFlg = held ? 0 : 1;
    };
    QStringList staleClock;
    const QStringList shown = run(program, from, from.addSecs(10 * 60), kEverySecond, [&](const QDateTime &now) {
        if (now == holdStart)
            setHeld(true);
        if (now == holdEnd)
            setHeld(false);
        // The clock labels of the previous tick must be there, held off or not.
        const Form1 &f = form1();
        const QString labels
            = QStringList {f.Label1->text(), f.Label2->text(), f.Label3->text(), f.Label4->text(), f.Label5->text()}
                  .join(u' ');
        if (now != from && labels != now.addSecs(-1).toString(QStringLiteral("yyyy M d H m")))
            staleClock << now.toString(kStamp) + QStringLiteral(": ") + labels;
    });
    QCOMPARE(shown, expected);
    QCOMPARE(staleClock, QStringList {});
}

void TestDueCheck::firstDueMemoShownOthersOnlyRepaint_data()
{
    QTest::addColumn<QString>("firstDismissedAt");
    QTest::addColumn<QString>("secondShown");
    QTest::newRow("first dismissed within the minute") << "09:00:01"
                                                       << "09:00:02 二 due";
    QTest::newRow("first dismissed after the minute") << "09:01:05"
                                                      << "09:01:06 二 late";
}

void TestDueCheck::firstDueMemoShownOthersOnlyRepaint()
{
    QFETCH(QString, firstDismissedAt);
    QFETCH(QString, secondShown);

    TestProgram program;
    QVERIFY(program.start({memoLine(59, 8, 25, 12, 2026, "一"), memoLine(0, 9, 25, 12, 2026, "二", 1)},
        at(QStringLiteral("2026-12-25 09:00:00"))));

    // The late first memo is shown; the second, due, only lends its colour.
    program.tick();
    QVERIFY(alarmShown());
    QCOMPARE(onScreen(program.clock->now()), QStringLiteral("2026-12-25 09:00:00 一 due"));
    QCOMPARE(form1().DispNo, qint16(0));
    QCOMPARE(program.sound->calls, QStringList {});
    QCOMPARE(program.beeper->beeps, 0);

    const QDateTime dismissal = at(QStringLiteral("2026-12-25 ") + firstDismissedAt);
    program.advance(program.clock->now().msecsTo(dismissal));
    QCOMPARE(forms().Display().Label1->text(), QStringLiteral("一"));
    QCOMPARE(program.sound->calls, QStringList {});
    dismissAlarm();
    QVERIFY(!alarmShown());

    program.advance(1000);
    QVERIFY(alarmShown());
    QCOMPARE(onScreen(program.clock->now()).mid(11), secondShown);
    QCOMPARE(program.sound->calls, QStringList({QStringLiteral("close"), QStringLiteral("play ") + form1().SundFile}));
    QCOMPARE(program.beeper->beeps, 1);
}

void TestDueCheck::repeatingMemoDismissedInItsFirstSecondsReturns()
{
    TestProgram program;
    QVERIFY(program.start({memoLine(0, 7, 0, 0, 0, "朝")}, at(QStringLiteral("2026-12-25 06:59:59"))));
    QStringList shown;
    for (int s = 0; s < 5; ++s) {
        program.clock->set(2026, 12, 25, 7, 0, s);
        program.tick();
        if (alarmShown()) {
            shown << onScreen(program.clock->now());
            dismissAlarm();
        }
    }
    QCOMPARE(
        shown, QStringList({"2026-12-25 07:00:00 朝 due", "2026-12-25 07:00:01 朝 due", "2026-12-25 07:00:02 朝 due"}));
    QCOMPARE(form1().DataMaxNumber, qint16(1));
}

void TestDueCheck::ticksJustAfterWholeSecondsAcrossClockChanges_data()
{
    QTest::addColumn<qint64>("jumpMs");

    QTest::newRow("clock put forward three hours and a bit") << qint64(3 * 3600 * 1000 + 437);
    QTest::newRow("clock put back a day and a bit") << qint64(-(24 * 3600 * 1000 + 611));
    QTest::newRow("clock put back less than a second") << qint64(-700);
}

void TestDueCheck::ticksJustAfterWholeSecondsAcrossClockChanges()
{
    QFETCH(qint64, jumpMs);

    SettableClock clock;
    clock.set(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 57, 370)));
    SecondTimer timer(clock);
    QList<QDateTime> readings;
    connect(&timer, &SecondTimer::timeout, this, [&] { readings << clock.now(); });
    timer.start();

    QTRY_COMPARE_WITH_TIMEOUT(readings.size(), 1, 2000);
    QVERIFY2(justAfterWholeSeconds(readings), qPrintable(times(readings)));

    const QDateTime jumped = clock.now().addMSecs(jumpMs);
    clock.set(jumped);
    readings.clear();
    QElapsedTimer sinceJump;
    sinceJump.start();
    // The tick pending at the change may land anywhere in a second; the ones
    // after it are re-armed from the changed clock.
    QTRY_COMPARE_WITH_TIMEOUT(readings.size(), 3, 4000);
    QVERIFY2(sinceJump.elapsed() < 3300, "the timer stalled after the clock was changed");
    readings.removeFirst();
    QVERIFY2(justAfterWholeSeconds(readings), qPrintable(times(readings)));
    QVERIFY(readings.first() > jumped);
}

QTEST_MAIN(TestDueCheck)
#include "tst_duecheck.moc"
