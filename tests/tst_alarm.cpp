// The alarm window: what it shows, its colours, and dismissal by double-click.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "entry/form1.h"
#include "shell/icons_form.h"

#include <QtTest>

#include <memory>

namespace {

// Five memos in table order: repeating ones sort first (year 0).
const QStringList kFive {
    memoLine(0, 7, 0, 0, 0, QStringLiteral("毎朝")),
    memoLine(15, 8, 0, 0, 0, QStringLiteral("月金"), 0, 34),
    memoLine(30, 14, 25, 12, 2026, QStringLiteral("会議\r\n資料")),
    memoLine(0, 9, 26, 12, 2026, QStringLiteral("買物")),
    memoLine(0, 10, 5, 1, 2027, QStringLiteral("初出")),
};

DisplayForm &display()
{
    return forms().Display();
}

QStringList shownCells()
{
    DisplayForm &d = display();
    QStringList shown;
    const std::pair<const char *, QLabel *> cells[] = {{"Label11", d.Label11}, {"Label6(0)", d.Label6[0]},
        {"Label5", d.Label5}, {"Label7(0)", d.Label7[0]}, {"Label4", d.Label4}, {"Label8(0)", d.Label8[0]},
        {"Label3", d.Label3}, {"Label2", d.Label2}, {"Label17", d.Label17}, {"Label18", d.Label18}};
    for (const auto &[name, label] : cells) {
        if (label->isVisible())
            shown << QString::fromLatin1(name);
    }
    return shown;
}

QString texts(std::initializer_list<QLabel *> labels)
{
    QStringList all;
    for (QLabel *label : labels)
        all << label->text();
    return all.join(u' ');
}

QString scheduled()
{
    DisplayForm &d = display();
    return texts({d.Label11, d.Label5, d.Label4, d.Label3, d.Label2});
}

} // namespace

class TestAlarm : public QObject
{
    Q_OBJECT
private slots:
    void init() { program = std::make_unique<TestProgram>(); }
    void cleanup() { program.reset(); }

    void presentedMemoFillsBothRowsAndTextAtOnce();
    void scheduledRowArrangedByKind_data();
    void scheduledRowArrangedByKind();
    void dismissal_data();
    void dismissal();
    void failedRewriteKeepsProgramRunning();
    void doubleClicks_data();
    void doubleClicks();

private:
    std::unique_ptr<TestProgram> program;
    // Starts with these memos and delivers the first tick at `when`.
    bool startAt(const QStringList &memos, const QDateTime &when)
    {
        if (!program->start(memos, when))
            return false;
        program->tick();
        return true;
    }
};

// The window is made, hidden, at the first tick and keeps its cells up to date.
void TestAlarm::presentedMemoFillsBothRowsAndTextAtOnce()
{
    QVERIFY(startAt(kFive, QDateTime(QDate(2026, 12, 25), QTime(14, 29, 59))));
    DisplayForm &d = display();
    QVERIFY(!d.isVisible());
    QVERIFY(d.Timer1->isActive() && d.Timer2->isActive());
    QTRY_COMPARE(d.Label1->text(), QStringLiteral("毎朝"));
    QTest::qWait(1000);

    program->clock->set(2026, 12, 25, 14, 30, 1);
    program->tick();
    QVERIFY(d.isVisible());
    QCOMPARE(form1().DispNo, qint16(2));
    QCOMPARE(d.Label1->text(), QStringLiteral("会議\n資料"));
    QCOMPARE(scheduled(), QStringLiteral("2026 12 25 14 30"));
    QCOMPARE(texts({d.Label12, d.Label13, d.Label14, d.Label15, d.Label16}), QStringLiteral("2026 12 25 14 30"));
    QCOMPARE(d.background(), DisplayForm::dueColour());
    // A full minute from being shown, however long the window waited hidden.
    QVERIFY(d.Timer1->remainingTime() > 59500);
    d.Timer1_Timer();
    QCOMPARE(d.background(), QColor(255, 128, 128));
    QCOMPARE(d.Label1->palette().color(QPalette::Window), QColor(255, 128, 128));

    // The second tick follows the clock, with no leading zeros.
    program->clock->set(2027, 1, 2, 3, 4, 5);
    QTRY_COMPARE(texts({d.Label12, d.Label13, d.Label14, d.Label15, d.Label16}), QStringLiteral("2027 1 2 3 4"));
    QVERIFY(d.isVisible());
}

void TestAlarm::scheduledRowArrangedByKind_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("overlay");
    QTest::addColumn<QString>("scheduled");

    // 2026-12-30 is a Wednesday.
    const QStringList repeating {"Label3", "Label2", "Label17", "Label18"};
    QTest::newRow("one-off") << memoLine(5, 9, 30, 12, 2026,
        "x") << QStringList {"Label11", "Label6(0)", "Label5", "Label7(0)", "Label4", "Label8(0)", "Label3", "Label2"}
                             << ""
                             << "2026 12 30 9 5";
    QTest::newRow("weekly shows today's weekday") << memoLine(5, 9, 0, 0, 0, "x", 0, 8) << repeating << "(水)"
                                                  << "0 0 0 9 5";
    QTest::newRow("every day") << memoLine(5, 9, 0, 0, 0, "x") << repeating << "毎日"
                               << "0 0 0 9 5";
    QTest::newRow("every month keeps its day")
        << memoLine(5, 9, 30, 0, 0, "x") << QStringList {"Label4", "Label8(0)", "Label3", "Label2", "Label17"} << "毎月"
        << "0 0 30 9 5";
}

void TestAlarm::scheduledRowArrangedByKind()
{
    QFETCH(QString, memo);
    QFETCH(QStringList, shown);
    QFETCH(QString, overlay);
    QFETCH(QString, scheduled);
    QVERIFY(startAt({memo}, QDateTime(QDate(2026, 12, 30), QTime(9, 5))));
    QVERIFY(display().isVisible());
    QCOMPARE(shownCells(), shown);
    if (!overlay.isEmpty())
        QCOMPARE(display().Label17->text(), overlay);
    QCOMPARE(::scheduled(), scheduled);
}

void TestAlarm::dismissal_data()
{
    QTest::addColumn<QStringList>("memos");
    QTest::addColumn<QDateTime>("dueAt");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("remaining"); // empty: the file is gone

    const auto at
        = [](int y, int mo, int d, int h, int mi, int s) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s)); };
    const QString everyMonth = memoLine(0, 12, 24, 0, 0, QStringLiteral("家賃"));
    QTest::newRow("one-off in the middle of five") << kFive << at(2026, 12, 25, 14, 30, 10) << "会議\n資料"
                                                   << QStringList {kFive[0], kFive[1], kFive[3], kFive[4]};
    QTest::newRow("one-off in the last slot")
        << QStringList {kFive[0], kFive[1], kFive[4]} << at(2027, 1, 5, 10, 0, 10) << "初出" << kFive.mid(0, 2);
    QTest::newRow("the only memo") << QStringList {kFive[4]} << at(2027, 1, 5, 10, 0, 10) << "初出" << QStringList {};
    QTest::newRow("every day stays") << kFive << at(2026, 12, 24, 7, 0, 1) << "毎朝" << kFive;
    QTest::newRow("weekly stays") << kFive << at(2026, 12, 25, 8, 15, 2) << "月金" << kFive;
    QTest::newRow("every month stays") << QStringList {everyMonth} << at(2026, 12, 24, 12, 0, 0) << "家賃"
                                       << QStringList {everyMonth};
}

void TestAlarm::dismissal()
{
    QFETCH(QStringList, memos);
    QFETCH(QDateTime, dueAt);
    QFETCH(QString, text);
    QFETCH(QStringList, remaining);
    QVERIFY(startAt(memos, dueAt));
    QVERIFY(display().isVisible());
    QCOMPARE(display().Label1->text(), text);

    QTest::mouseDClick(display().Label1, Qt::LeftButton);

    QVERIFY(!forms().Display.loaded());
    QCOMPARE(program->messages->shown, QStringList {});
    QCOMPARE(program->terminations, 0);
    QCOMPARE(program->dataFileExists(), !remaining.isEmpty());
    if (!remaining.isEmpty())
        QCOMPARE(program->dataFile(), dataFileOf(remaining));
    // Repeating memos stay without the file being written at all.
    if (remaining == memos)
        QCOMPARE(program->files->writes, 0);
    QCOMPARE(form1().DataMaxNumber, qint16(remaining.size()));
    QCOMPARE(form1().SetFlg, qint16(remaining.isEmpty() ? 0 : 1));
    QCOMPARE(icons().memoedit->isVisible(), !remaining.isEmpty());

    // The next use gets a fresh window in its design state.
    QCOMPARE(display().background(), DisplayForm::dueColour());
    QVERIFY(!display().isVisible());
}

void TestAlarm::failedRewriteKeepsProgramRunning()
{
    QVERIFY(startAt(kFive, QDateTime(QDate(2026, 12, 25), QTime(14, 30))));
    program->files->failWrites = true;

    QTest::mouseDClick(display().Label1, Qt::LeftButton);

    QCOMPARE(program->messages->shown.size(), 1);
    QCOMPARE(program->terminations, 0);
    QCOMPARE(program->dataFile(), dataFileOf(kFive));
    QCOMPARE(form1().DataMaxNumber, qint16(4));
    // Still reminding: the next memo falls due as usual.
    program->files->failWrites = false;
    program->clock->set(2026, 12, 26, 9, 0, 0);
    program->tick();
    QVERIFY(display().isVisible());
    QCOMPARE(display().Label1->text(), QStringLiteral("買物"));
}

void TestAlarm::doubleClicks_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("terminations");
    QTest::addColumn<bool>("stillShown");
    QTest::newRow("memo text dismisses") << "Label1" << 0 << false;
    QTest::newRow("margin ends the program") << "margin" << 1 << true;
    QTest::newRow("caption does nothing") << "Label6(1)" << 0 << true;
    QTest::newRow("overlay does nothing") << "Label17" << 0 << true;
}

void TestAlarm::doubleClicks()
{
    QFETCH(QString, target);
    QFETCH(int, terminations);
    QFETCH(bool, stillShown);
    QVERIFY(startAt(kFive, QDateTime(QDate(2026, 12, 24), QTime(7, 0))));
    DisplayForm &d = display();
    QVERIFY(d.isVisible());

    if (target == QLatin1String("margin"))
        QTest::mouseDClick(&d, Qt::LeftButton, {}, Form::twipRect(0, 480, 120, 2415).center());
    else
        QTest::mouseDClick(d.findChild<QLabel *>(target), Qt::LeftButton);

    QCOMPARE(program->terminations, terminations);
    QCOMPARE(alarmShown(), stillShown);
    QCOMPARE(program->dataFile(), dataFileOf(kFive));
}

QTEST_MAIN(TestAlarm)
#include "tst_alarm.moc"
