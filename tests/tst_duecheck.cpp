// The one-second due check: what holds it off, which memo shows when two fall
// due together, repeating memos in their first seconds, and the tick itself on
// a wall clock that is put forward and back. tst_simulated_year covers the
// due rules over a whole year.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "scheduler/second_timer.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

QDateTime at(int h, int mi, int s)
{
    return QDateTime(QDate(2026, 12, 25), QTime(h, mi, s));
}

// "会議 due" for the memo on screen.
QString onScreen()
{
    DisplayForm &display = forms().Display();
    const QColor colour = display.background();
    if (colour == DisplayForm::dueColour() || colour == DisplayForm::lateColour())
        return display.Label1->text() + (colour == DisplayForm::dueColour() ? " due" : " late");
    return display.Label1->text() + u' ' + colour.name();
}

// A wall clock that runs in real time from a moment the test sets, and can be
// put forward or back like a user or a time service would.
class SettableClock : public Clock
{
public:
    QDateTime now() const override { return m_base.addMSecs(m_running.elapsed()); }
    void set(const QDateTime &moment) { m_base = moment, m_running.restart(); }

private:
    QDateTime m_base;
    QElapsedTimer m_running;
};

// Successive seconds, each read within a few tens of milliseconds of its start.
bool justAfterWholeSeconds(const QList<QDateTime> &readings)
{
    for (int i = 0; i < readings.size(); ++i) {
        if (readings[i].time().msec() >= 60
            || (i > 0 && readings[i].toSecsSinceEpoch() - readings[i - 1].toSecsSinceEpoch() != 1))
            return false;
    }
    return true;
}

} // namespace

class TestDueCheck : public QObject
{
    Q_OBJECT
private slots:
    void holdOffs_data();
    void holdOffs();
    void repeatingMemoDismissedInItsFirstSecondsReturns();
    void ticksJustAfterWholeSecondsAcrossClockChanges_data();
    void ticksJustAfterWholeSecondsAcrossClockChanges();
};

void TestDueCheck::holdOffs_data()
{
    QTest::addColumn<QString>("hold");
    for (const char *hold : {"alarm", "form1", "Edit", "SetFlg"})
        QTest::newRow(hold) << QString::fromLatin1(hold);
}

// Held over the whole minute of a one-off memo: the clock labels keep up,
// nothing is presented, and the memo comes late once the hold ends.
void TestDueCheck::holdOffs()
{
    QFETCH(QString, hold);
    TestProgram program;
    const bool shown = hold == QLatin1String("alarm");
    QStringList memos {memoLine(30, 14, 25, 12, 2026, "会議", 1)};
    if (shown)
        memos.prepend(memoLine(29, 14, 25, 12, 2026, "前"));
    QVERIFY(program.start(memos, shown ? at(14, 30, 0) : at(14, 29, 58)));
    program.tick();
    // Of two memos due in one tick the first is shown; the second only lends its colour.
    QCOMPARE(alarmShown(), shown);
    if (shown)
        QCOMPARE(onScreen(), QStringLiteral("前 due"));
    const auto setHeld = [&hold](bool held) {
        if (hold == QLatin1String("form1"))
            form1().setVisible(held);
        else if (hold == QLatin1String("Edit"))
            Edit().setVisible(held);
        else if (hold == QLatin1String("SetFlg"))
            form1().SetFlg = held ? 0 : 1;
        else if (!held)
            dismissAlarm();
    };
    setHeld(true);
    const QString screen = onScreen();

    while (program.clock->now() < at(14, 31, 5)) {
        program.advance(1000);
        const Form1 &f = form1();
        QCOMPARE(QStringList({f.Label1->text(), f.Label2->text(), f.Label3->text(), f.Label4->text(), f.Label5->text()})
                     .join(u' '),
            program.clock->now().toString(QStringLiteral("yyyy M d H m")));
        QCOMPARE(alarmShown(), shown);
        QCOMPARE(onScreen(), screen);
        QCOMPARE(program.sound->calls, QStringList {});
        QCOMPARE(program.beeper->beeps, 0);
    }
    setHeld(false);
    program.advance(1000);
    QVERIFY(alarmShown());
    QCOMPARE(onScreen(), QStringLiteral("会議 late"));
    QCOMPARE(program.sound->calls, QStringList({QStringLiteral("close"), QStringLiteral("play ") + form1().SundFile}));
    QCOMPARE(program.beeper->beeps, 1);
}

void TestDueCheck::repeatingMemoDismissedInItsFirstSecondsReturns()
{
    TestProgram program;
    QVERIFY(program.start({memoLine(0, 7, 0, 0, 0, "朝")}, at(6, 59, 59)));
    QStringList shown;
    for (int s = 0; s < 5; ++s) {
        program.advance(1000);
        shown << (alarmShown() ? onScreen() : QString());
        if (alarmShown())
            dismissAlarm();
    }
    QCOMPARE(shown, QStringList({"朝 due", "朝 due", "朝 due", "", ""}));
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
    QVERIFY(justAfterWholeSeconds(readings));

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
    QVERIFY(justAfterWholeSeconds(readings));
    QVERIFY(readings.first() > jumped);
}

QTEST_MAIN(TestDueCheck)
#include "tst_duecheck.moc"
