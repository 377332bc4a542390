#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/form1.h"
#include "shell/icons_form.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

namespace {

QString memoLine(int min, int hour, int day, int month, int year, const QString &text, int sound = 0, int week = 0)
{
    return QStringLiteral("%1,%2,%3,%4,%5,\"%6\",%7,%8")
        .arg(min)
        .arg(hour)
        .arg(day)
        .arg(month)
        .arg(year)
        .arg(text)
        .arg(sound)
        .arg(week);
}

QByteArray dataFile(const QStringList &memos)
{
    return cp932Lines(QStringList {QString::number(memos.size())} + memos);
}

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

QString row(std::initializer_list<QLabel *> labels)
{
    QStringList texts;
    for (QLabel *label : labels)
        texts << label->text();
    return texts.join(u' ');
}

QColor backgroundOf(QWidget *widget)
{
    return widget->palette().color(QPalette::Window);
}

} // namespace

class TestAlarm : public QObject
{
    Q_OBJECT
private slots:
    void windowAsDesigned();
    void presentedMemoFillsBothRowsAndTextAtOnce();
    void scheduledRowArrangedByKind_data();
    void scheduledRowArrangedByKind();
    void minuteTimerTurnsWindowRed();
    void dismissal_data();
    void dismissal();
    void failedRewriteKeepsProgramRunning();
    void doubleClicks_data();
    void doubleClicks();
};

void TestAlarm::windowAsDesigned()
{
    TestProgram program;
    program.writeDataFile(dataFile(kFive));
    QVERIFY(program.start());
    program.tick();

    QVERIFY(forms().Display.loaded());
    DisplayForm &d = display();
    QVERIFY(!d.isVisible());
    QCOMPARE(d.windowTitle(), QStringLiteral("Form3"));
    QVERIFY(d.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(d.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(d.size(), QSize(298, 201));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(d.pos(), QPoint((screen.width() - 298) / 2, (screen.height() - 201) / 2));

    QCOMPARE(d.Label1->geometry(), Form::twipRect(120, 480, 4215, 2415));
    QCOMPARE(d.Label17->geometry(), Form::twipRect(1080, 0, 1575, 255));
    QCOMPARE(row({d.Label6[1], d.Label6[0], d.Label7[0], d.Label8[0], d.Label9[0], d.Label10[0]}),
        QStringLiteral("実行日時 年 月 日 時 分"));
    QCOMPARE(row({d.Label6[2], d.Label6[3], d.Label7[1], d.Label8[1], d.Label9[1], d.Label10[1]}),
        QStringLiteral("現在時刻 年 月 日 時 分"));

    QCOMPARE(d.background(), QColor(255, 255, 128));
    QCOMPARE(backgroundOf(d.Label1), QColor(255, 255, 128));
    QCOMPARE(backgroundOf(d.Label11), QColor(192, 192, 255));
    QCOMPARE(backgroundOf(d.Label12), QColor(192, 255, 192));
    QCOMPARE(d.Label1->font().pointSizeF(), 12.0);
    QVERIFY(d.Label1->wordWrap());

    // Both timers run from creation, hidden or not.
    QCOMPARE(d.Timer1->interval(), 60000);
    QVERIFY(d.Timer1->isActive());
    QCOMPARE(d.Timer2->interval(), 1000);
    QVERIFY(d.Timer2->isActive());
}

void TestAlarm::presentedMemoFillsBothRowsAndTextAtOnce()
{
    TestProgram program;
    program.writeDataFile(dataFile(kFive));
    program.clock->set(2026, 12, 25, 14, 29, 59);
    QVERIFY(program.start());
    // A hidden window has filled its cells from slot 0 and keeps refreshing.
    program.tick();
    QTRY_COMPARE(display().Label1->text(), QStringLiteral("毎朝"));

    program.clock->set(2026, 12, 25, 14, 30, 1);
    program.tick();
    DisplayForm &d = display();
    QVERIFY(d.isVisible());
    QCOMPARE(form1().DispNo, qint16(2));
    QCOMPARE(d.Label1->text(), QStringLiteral("会議\n資料"));
    QCOMPARE(row({d.Label11, d.Label5, d.Label4, d.Label3, d.Label2}), QStringLiteral("2026 12 25 14 30"));
    QCOMPARE(row({d.Label12, d.Label13, d.Label14, d.Label15, d.Label16}), QStringLiteral("2026 12 25 14 30"));

    // The second tick follows the clock, with no leading zeros.
    program.clock->set(2027, 1, 2, 3, 4, 5);
    QTRY_COMPARE(row({d.Label12, d.Label13, d.Label14, d.Label15, d.Label16}), QStringLiteral("2027 1 2 3 4"));
    QVERIFY(d.isVisible());
}

void TestAlarm::scheduledRowArrangedByKind_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("overlay");
    QTest::addColumn<QString>("scheduled");

    // 2026-12-30 is a Wednesday.
    QTest::newRow("one-off") << memoLine(5, 9, 30, 12, 2026, QStringLiteral("x"))
                             << QStringList {"Label11", "Label6(0)", "Label5", "Label7(0)", "Label4", "Label8(0)",
                                    "Label3", "Label2"}
                             << ""
                             << "2026 12 30 9 5";
    QTest::newRow("weekly shows today's weekday") << memoLine(5, 9, 0, 0, 0, QStringLiteral("x"), 0, 8)
                                                  << QStringList {"Label3", "Label2", "Label17", "Label18"} << "(水)"
                                                  << "0 0 0 9 5";
    QTest::newRow("every day") << memoLine(5, 9, 0, 0, 0, QStringLiteral("x"))
                               << QStringList {"Label3", "Label2", "Label17", "Label18"} << "毎日"
                               << "0 0 0 9 5";
    QTest::newRow("every month keeps its day")
        << memoLine(5, 9, 30, 0, 0, QStringLiteral("x"))
        << QStringList {"Label4", "Label8(0)", "Label3", "Label2", "Label17"} << "毎月"
        << "0 0 30 9 5";
}

void TestAlarm::scheduledRowArrangedByKind()
{
    QFETCH(QString, memo);
    QFETCH(QStringList, shown);
    QFETCH(QString, overlay);
    QFETCH(QString, scheduled);

    TestProgram program;
    program.writeDataFile(dataFile({memo}));
    program.clock->set(2026, 12, 30, 9, 5, 0);
    QVERIFY(program.start());
    program.tick();

    DisplayForm &d = display();
    QVERIFY(d.isVisible());
    QCOMPARE(shownCells(), shown);
    if (!overlay.isEmpty())
        QCOMPARE(d.Label17->text(), overlay);
    QCOMPARE(row({d.Label11, d.Label5, d.Label4, d.Label3, d.Label2}), scheduled);
}

void TestAlarm::minuteTimerTurnsWindowRed()
{
    TestProgram program;
    program.writeDataFile(dataFile(kFive));
    program.clock->set(2026, 12, 25, 14, 29, 59);
    QVERIFY(program.start());
    program.tick();
    DisplayForm &d = display();
    QTest::qWait(1500);

    program.clock->set(2026, 12, 25, 14, 30, 0);
    program.tick();
    QVERIFY(d.isVisible());
    QCOMPARE(d.background(), DisplayForm::dueColour());
    // A full minute from being shown, however long the window waited hidden.
    QVERIFY(d.Timer1->remainingTime() > 59500);

    d.Timer1_Timer();
    QCOMPARE(d.background(), QColor(255, 128, 128));
    QCOMPARE(backgroundOf(d.Label1), QColor(255, 128, 128));
    QVERIFY(d.isVisible());
}

void TestAlarm::dismissal_data()
{
    QTest::addColumn<QStringList>("memos");
    QTest::addColumn<QString>("dueAt");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("remaining"); // empty: the file is gone

    QTest::newRow("one-off in the middle of five")
        << kFive << "2026-12-25 14:30:10"
        << "会議\n資料" << QStringList {kFive[0], kFive[1], kFive[3], kFive[4]};
    QTest::newRow("one-off in the last slot") << QStringList {kFive[0], kFive[1], kFive[4]} << "2027-01-05 10:00:10"
                                              << "初出" << kFive.mid(0, 2);
    QTest::newRow("the only memo") << QStringList {kFive[4]} << "2027-01-05 10:00:10"
                                   << "初出" << QStringList {};
    QTest::newRow("every day stays") << kFive << "2026-12-24 07:00:01"
                                     << "毎朝" << kFive;
    QTest::newRow("weekly stays") << kFive << "2026-12-25 08:15:02"
                                  << "月金" << kFive;
    QTest::newRow("every month stays") << QStringList {memoLine(0, 12, 24, 0, 0, QStringLiteral("家賃"))}
                                       << "2026-12-24 12:00:00"
                                       << "家賃" << QStringList {memoLine(0, 12, 24, 0, 0, QStringLiteral("家賃"))};
}

void TestAlarm::dismissal()
{
    QFETCH(QStringList, memos);
    QFETCH(QString, dueAt);
    QFETCH(QString, text);
    QFETCH(QStringList, remaining);

    TestProgram program;
    const QByteArray before = dataFile(memos);
    program.writeDataFile(before);
    program.clock->set(QDateTime::fromString(dueAt, QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    QVERIFY(program.start());
    program.tick();
    QVERIFY(display().isVisible());
    QCOMPARE(display().Label1->text(), text);
    const int writesBefore = program.files->writes;

    QTest::mouseDClick(display().Label1, Qt::LeftButton);

    QVERIFY(!forms().Display.loaded());
    QCOMPARE(program.messages->shown, QStringList {});
    QCOMPARE(program.terminations, 0);
    if (remaining.isEmpty()) {
        QVERIFY(!program.dataFileExists());
        QCOMPARE(form1().DataMaxNumber, qint16(0));
        QCOMPARE(form1().SetFlg, qint16(0));
        QVERIFY(!icons().memoedit->isVisible());
    } else {
        QCOMPARE(program.dataFile(), dataFile(remaining));
        QCOMPARE(form1().DataMaxNumber, qint16(remaining.size()));
        QCOMPARE(form1().SetFlg, qint16(1));
        QVERIFY(icons().memoedit->isVisible());
        if (remaining == memos)
            QCOMPARE(program.files->writes, writesBefore);
    }

    // The next use gets a fresh window in its design state.
    QCOMPARE(display().background(), DisplayForm::dueColour());
    QVERIFY(!display().isVisible());
}

void TestAlarm::failedRewriteKeepsProgramRunning()
{
    TestProgram program;
    program.writeDataFile(dataFile(kFive));
    program.clock->set(2026, 12, 25, 14, 30, 0);
    QVERIFY(program.start());
    program.tick();
    program.files->failWrites = true;

    QTest::mouseDClick(display().Label1, Qt::LeftButton);

    QCOMPARE(program.messages->shown.size(), 1);
    QCOMPARE(program.terminations, 0);
    QCOMPARE(program.dataFile(), dataFile(kFive));
    QCOMPARE(form1().DataMaxNumber, qint16(4));
    // Still reminding: the next memo falls due as usual.
    program.files->failWrites = false;
    program.clock->set(2026, 12, 26, 9, 0, 0);
    program.tick();
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

    TestProgram program;
    program.writeDataFile(dataFile(kFive));
    program.clock->set(2026, 12, 24, 7, 0, 0);
    QVERIFY(program.start());
    program.tick();
    DisplayForm &d = display();
    QVERIFY(d.isVisible());

    if (target == QLatin1String("margin"))
        QTest::mouseDClick(&d, Qt::LeftButton, {}, Form::twipRect(0, 480, 120, 2415).center());
    else
        QTest::mouseDClick(d.findChild<QLabel *>(target), Qt::LeftButton);

    QCOMPARE(program.terminations, terminations);
    QCOMPARE(forms().Display.loaded() && display().isVisible(), stillShown);
    QCOMPARE(program.dataFile(), dataFile(kFive));
}

QTEST_MAIN(TestAlarm)
#include "tst_alarm.moc"
