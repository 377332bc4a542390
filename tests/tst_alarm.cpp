// The alarm window: what it shows, its colours, and dismissal by double-click.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "entry/form1.h"
#include "shell/icons_form.h"

#include <QtTest>

namespace {

// Repeating memos sort first (year 0).
const QStringList kThree {
    memoLine(0, 7, 0, 0, 0, QStringLiteral("毎朝")),
    memoLine(30, 14, 25, 12, 2026, QStringLiteral("会議\r\n資料")),
    memoLine(0, 9, 26, 12, 2026, QStringLiteral("買物")),
};

QString texts(std::initializer_list<QLabel *> labels)
{
    QStringList all;
    for (QLabel *label : labels)
        all << (label->isVisible() ? label->text() : QStringLiteral("-"));
    return all.join(u' ');
}

} // namespace

class TestAlarm : public QObject
{
    Q_OBJECT
private slots:
    void init() { program.emplace(); }
    void cleanup() { program.reset(); }

    // Shown for the whole minute after it appears, however long it waited hidden.
    void showsTextAtOnceAndTurnsRedAMinuteAfterShown()
    {
        QVERIFY(program->start(kThree, QDateTime(QDate(2026, 12, 25), QTime(14, 0))));
        program->tick();
        QTest::qWait(1000);
        program->clock->set(2026, 12, 25, 14, 30, 1);
        program->tick();
        DisplayForm &d = forms().Display();
        QVERIFY(d.isVisible());
        QCOMPARE(d.Label1->text(), QStringLiteral("会議\n資料"));
        QCOMPARE(d.background(), DisplayForm::dueColour());
        QVERIFY(d.Timer1->remainingTime() > 59500);
        d.Timer1_Timer();
        QCOMPARE(d.background(), QColor(255, 128, 128));
        QCOMPARE(d.Label1->palette().color(QPalette::Window), QColor(255, 128, 128));
    }

    void scheduledRowArrangedByKind_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("shown"); // Label11 Label5 Label4 Label3 Label2 Label17 ("-": hidden)
        // 2026-12-30 is a Wednesday.
        QTest::newRow("one-off") << memoLine(5, 9, 30, 12, 2026, "x") << "2026 12 30 9 5 -";
        QTest::newRow("weekly shows today's weekday") << memoLine(5, 9, 0, 0, 0, "x", 0, 8) << "- - - 9 5 (水)";
        QTest::newRow("every day") << memoLine(5, 9, 0, 0, 0, "x") << "- - - 9 5 毎日";
        QTest::newRow("every month keeps its day") << memoLine(5, 9, 30, 0, 0, "x") << "- - 30 9 5 毎月";
    }
    void scheduledRowArrangedByKind()
    {
        QFETCH(QString, memo);
        QFETCH(QString, shown);
        QVERIFY(program->start({memo}, QDateTime(QDate(2026, 12, 30), QTime(9, 5))));
        program->tick();
        DisplayForm &d = forms().Display();
        QVERIFY(d.isVisible());
        QCOMPARE(texts({d.Label11, d.Label5, d.Label4, d.Label3, d.Label2, d.Label17}), shown);
    }

    void dismissal_data()
    {
        QTest::addColumn<QStringList>("memos");
        QTest::addColumn<QDateTime>("dueAt");
        QTest::addColumn<QStringList>("remaining"); // empty: the file is gone
        QTest::newRow("one-off in the middle")
            << kThree << QDateTime(QDate(2026, 12, 25), QTime(14, 30, 10)) << QStringList {kThree[0], kThree[2]};
        QTest::newRow("the only memo") << QStringList {kThree[2]} << QDateTime(QDate(2026, 12, 26), QTime(9, 0, 10))
                                       << QStringList {};
        QTest::newRow("repeating stays") << kThree << QDateTime(QDate(2026, 12, 24), QTime(7, 0, 1)) << kThree;
    }
    void dismissal()
    {
        QFETCH(QStringList, memos);
        QFETCH(QDateTime, dueAt);
        QFETCH(QStringList, remaining);
        QVERIFY(program->start(memos, dueAt));
        program->tick();
        QVERIFY(forms().Display().isVisible());
        QTest::mouseDClick(forms().Display().Label1, Qt::LeftButton);

        QVERIFY(!forms().Display.loaded());
        QCOMPARE(program->messages->shown, QStringList {});
        QCOMPARE(program->dataFileExists(), !remaining.isEmpty());
        if (!remaining.isEmpty())
            QCOMPARE(program->dataFile(), dataFileOf(remaining));
        if (remaining == memos)
            QCOMPARE(program->files->writes, 0);
        QCOMPARE(form1().DataMaxNumber, qint16(remaining.size()));
        QCOMPARE(form1().SetFlg, qint16(remaining.isEmpty() ? 0 : 1));
        QCOMPARE(icons().memoedit->isVisible(), !remaining.isEmpty());
    }

    void failedRewriteKeepsProgramRunning()
    {
        QVERIFY(program->start(kThree, QDateTime(QDate(2026, 12, 25), QTime(14, 30))));
        program->tick();
        program->files->failWrites = true;
        QTest::mouseDClick(forms().Display().Label1, Qt::LeftButton);
        QCOMPARE(program->messages->shown.size(), 1);
        QCOMPARE(program->terminations, 0);
        QCOMPARE(program->dataFile(), dataFileOf(kThree));
        // Still reminding: the next memo falls due as usual.
        program->files->failWrites = false;
        program->clock->set(2026, 12, 26, 9, 0, 0);
        program->tick();
        QVERIFY(forms().Display().isVisible());
        QCOMPARE(forms().Display().Label1->text(), QStringLiteral("買物"));
    }

    void doubleClicks_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("terminations");
        QTest::newRow("margin of the shown alarm ends the program") << QTime(7, 0) << 1;
        QTest::newRow("memo text of the hidden window does nothing") << QTime(6, 0) << 0;
    }
    void doubleClicks()
    {
        QFETCH(QTime, time);
        QFETCH(int, terminations);
        QVERIFY(program->start(kThree, QDateTime(QDate(2026, 12, 24), time)));
        program->tick();
        DisplayForm &d = forms().Display();
        QCOMPARE(d.isVisible(), terminations == 1);
        if (terminations)
            QTest::mouseDClick(&d, Qt::LeftButton, {}, Form::twipRect(0, 480, 120, 2415).center());
        else
            QTest::mouseDClick(d.Label1, Qt::LeftButton);
        QCOMPARE(program->terminations, terminations);
        QVERIFY(forms().Display.loaded());
        QCOMPARE(d.isVisible(), terminations == 1);
        QCOMPARE(program->dataFile(), dataFileOf(kThree));
        QCOMPARE(program->files->writes, 0);
    }

private:
    std::optional<TestProgram> program;
};

QTEST_MAIN(TestAlarm)
#include "tst_alarm.moc"
