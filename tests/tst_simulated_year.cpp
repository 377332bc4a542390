// A whole year on the fake clock, the first five seconds of every minute, with memos of every kind. Catches a
// memo that fires on the wrong day, minute or weekday (month ends, leap rules, weekday masks), fires twice, shows
// as late on time, or comes back after its dismissal.
#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/form1.h"

#include <QtTest>

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
    program.writeDataFile(dataFileOf({"0,7,0,0,0,\"daily\",0,0", "15,8,0,0,0,\"mon-fri\",0,34",
        "30,18,0,0,0,\"weekend\",0,65", "0,10,31,0,0,\"31st\",0,0", "59,23,15,0,0,\"15th\",0,0",
        "0,9,31,12,2026,\"last year\",0,0", "0,9,14,3,2027,\"once\",0,0"}));
    program.clock->set(QDateTime(first, QTime(0, 0)));
    QVERIFY(program.start());
    const auto firing = [](const QDateTime &at, const QString &text) {
        return at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) + text;
    };
    const auto alarmShown = [] { return forms().Display.loaded() && forms().Display().isVisible(); };
    QStringList fired;
    for (QDate day = first; day.year() == 2027; day = day.addDays(1)) {
        for (int minute = 0; minute < 24 * 60; ++minute) {
            const QDateTime start(day, QTime(minute / 60, minute % 60));
            // The alarm stays up through its minute, holding the check off;
            // the user dismisses it once the minute's chances are over.
            QString seen;
            for (int second = 0; second < 5; ++second) {
                program.clock->set(start.addSecs(second));
                program.tick();
                if (alarmShown() && seen.isEmpty())
                    seen = firing(program.clock->now(), program.app->table.MemoText[std::size_t(form1().DispNo)])
                        + (forms().Display().background() == DisplayForm::lateColour() ? " late" : "");
            }
            if (!seen.isEmpty()) {
                fired << seen;
                forms().Display().Label1_DblClick();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
        }
    }

    QStringList expected;
    for (QDate day = first; day.year() == 2027; day = day.addDays(1)) {
        const int weekday = day.dayOfWeek();
        expected << firing(QDateTime(day, QTime(7, 0)), QStringLiteral("daily"));
        if (weekday == Qt::Monday || weekday == Qt::Friday)
            expected << firing(QDateTime(day, QTime(8, 15)), QStringLiteral("mon-fri"));
        if (day == QDate(2027, 3, 14))
            expected << firing(QDateTime(day, QTime(9, 0)), QStringLiteral("once"));
        if (day.day() == 31)
            expected << firing(QDateTime(day, QTime(10, 0)), QStringLiteral("31st"));
        if (weekday == Qt::Saturday || weekday == Qt::Sunday)
            expected << firing(QDateTime(day, QTime(18, 30)), QStringLiteral("weekend"));
        if (day.day() == 15)
            expected << firing(QDateTime(day, QTime(23, 59)), QStringLiteral("15th"));
    }
    QCOMPARE(fired, expected);
    // The one-off memos went with their dismissal; the past one stays, unfired.
    QCOMPARE(form1().DataMaxNumber, qint16(6));
}

QTEST_MAIN(TestSimulatedYear)
#include "tst_simulated_year.moc"
