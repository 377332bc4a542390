// A whole year on the fake clock: the first five seconds of every minute, with
// memos of every kind. Every occasion the rules define fires once, in the
// right colour, and nothing else fires.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "entry/form1.h"

#include <QtTest>

namespace {

struct Firing
{
    QDateTime at;
    QString text;
    bool late = false;

    bool operator==(const Firing &other) const { return at == other.at && text == other.text && late == other.late; }
};

QString describe(const Firing &f)
{
    return f.at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QLatin1Char(' ') + f.text + (f.late ? " late" : "");
}

} // namespace

class TestSimulatedYear : public QObject
{
    Q_OBJECT
private slots:
    void everyOccasionFiresOnce();
};

void TestSimulatedYear::everyOccasionFiresOnce()
{
    TestProgram program;
    const QDate first(2027, 1, 1);
    QVERIFY(
        program.start({"0,7,0,0,0,\"daily\",0,0", "15,8,0,0,0,\"mon-fri\",0,34", "30,18,0,0,0,\"weekend\",0,65",
                          "0,10,31,0,0,\"31st\",0,0", "59,23,15,0,0,\"15th\",0,0", "0,9,31,12,2026,\"last year\",0,0",
                          "0,9,14,3,2027,\"once\",0,0", "0,12,30,6,2027,\"held off\",0,0"},
            QDateTime(first, QTime(0, 0))));

    // The setting window is open from 11:58 to 12:05 on 30 June, so the memo
    // for 12:00 that day comes late, at the first tick after it closes.
    const QDateTime openAt(QDate(2027, 6, 30), QTime(11, 58));
    const QDateTime closeAt(QDate(2027, 6, 30), QTime(12, 5));

    QList<Firing> fired;
    for (QDate day = first; day.year() == 2027; day = day.addDays(1)) {
        for (int minute = 0; minute < 24 * 60; ++minute) {
            const QDateTime start(day, QTime(minute / 60, minute % 60));
            if (start == openAt)
                form1().show();
            if (start == closeAt)
                form1().hide();
            bool seen = false;
            for (int second = 0; second < 5; ++second) {
                program.clock->set(start.addSecs(second));
                program.tick();
                // The alarm stays up through its minute, holding the check off.
                DisplayForm &alarm = forms().Display();
                if (alarm.isVisible() && !seen) {
                    seen = true;
                    fired << Firing {program.clock->now(), program.app->table.MemoText[std::size_t(form1().DispNo)],
                        alarm.background() == DisplayForm::lateColour()};
                }
            }
            // The user dismisses the alarm once its minute's chances are over.
            if (alarmShown()) {
                forms().Display().Label1_DblClick();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
        }
    }

    QList<Firing> expected;
    for (QDate day = first; day.year() == 2027; day = day.addDays(1)) {
        expected << Firing {QDateTime(day, QTime(7, 0)), "daily", false};
        if (day.dayOfWeek() == Qt::Monday || day.dayOfWeek() == Qt::Friday)
            expected << Firing {QDateTime(day, QTime(8, 15)), "mon-fri", false};
        if (day == QDate(2027, 3, 14))
            expected << Firing {QDateTime(day, QTime(9, 0)), "once", false};
        if (day.day() == 31)
            expected << Firing {QDateTime(day, QTime(10, 0)), "31st", false};
        if (day == QDate(2027, 6, 30))
            expected << Firing {closeAt, "held off", true};
        if (day.dayOfWeek() == Qt::Saturday || day.dayOfWeek() == Qt::Sunday)
            expected << Firing {QDateTime(day, QTime(18, 30)), "weekend", false};
        if (day.day() == 15)
            expected << Firing {QDateTime(day, QTime(23, 59)), "15th", false};
    }

    const qsizetype n = std::min(fired.size(), expected.size());
    for (qsizetype i = 0; i < n; ++i)
        QVERIFY2(
            fired[i] == expected[i], qPrintable("fired " + describe(fired[i]) + ", expected " + describe(expected[i])));
    QCOMPARE(fired.size(), expected.size());
    // The one-off memos went with their dismissal; the past one stays, unfired.
    QCOMPARE(form1().DataMaxNumber, qint16(6));
}

QTEST_MAIN(TestSimulatedYear)
#include "tst_simulated_year.moc"
