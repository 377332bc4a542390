#include "platform/clock.h"
#include "scheduler/second_timer.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

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

QString describe(const QList<QDateTime> &readings)
{
    QStringList out;
    for (const QDateTime &reading : readings)
        out << reading.toString(QStringLiteral("hh:mm:ss.zzz"));
    return out.join(u' ');
}

} // namespace

class TestSecondTimer : public QObject
{
    Q_OBJECT
private slots:
    void ticksJustAfterWholeSecondsAcrossClockChanges_data();
    void ticksJustAfterWholeSecondsAcrossClockChanges();
};

void TestSecondTimer::ticksJustAfterWholeSecondsAcrossClockChanges_data()
{
    QTest::addColumn<qint64>("jumpMs");

    QTest::newRow("clock put forward three hours and a bit") << qint64(3 * 3600 * 1000 + 437);
    QTest::newRow("clock put back a day and a bit") << qint64(-(24 * 3600 * 1000 + 611));
    QTest::newRow("clock put back less than a second") << qint64(-700);
}

void TestSecondTimer::ticksJustAfterWholeSecondsAcrossClockChanges()
{
    QFETCH(qint64, jumpMs);

    SettableClock clock;
    clock.set(QDateTime(QDate(2026, 12, 25), QTime(14, 29, 57, 370)));
    SecondTimer timer(clock);
    QList<QDateTime> readings;
    connect(&timer, &SecondTimer::timeout, this, [&] { readings << clock.now(); });
    timer.start();

    QTRY_COMPARE_WITH_TIMEOUT(readings.size(), 1, 2000);
    QVERIFY2(justAfterWholeSeconds(readings), qPrintable(describe(readings)));

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
    QVERIFY2(justAfterWholeSeconds(readings), qPrintable(describe(readings)));
    QVERIFY(readings.first() > jumped);
}

QTEST_MAIN(TestSecondTimer)
#include "tst_duecheck_timer.moc"
