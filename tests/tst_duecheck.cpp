#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"

#include <QtTest>

#include <functional>

namespace {

const QString kStamp = QStringLiteral("yyyy-MM-dd hh:mm:ss");

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

bool alarmShown()
{
    return forms().Display.loaded() && forms().Display().isVisible();
}

// "2026-12-25 14:30:00 text due" for the memo on screen.
QString onScreen(const QDateTime &when)
{
    DisplayForm &display = forms().Display();
    return when.toString(kStamp) + u' ' + display.Label1->text() + u' ' + colourName(display.background());
}

void dismiss()
{
    QTest::mouseDClick(forms().Display().Label1, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
                dismiss();
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
};

void TestDueCheck::presentsMemosOverSimulatedDays_data()
{
    QTest::addColumn<QStringList>("memos");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("one-off in its own minute")
        << QStringList {memoLine(30, 14, 25, 12, 2026, QStringLiteral("会議"))} << "2026-12-24 00:00:00"
        << "2026-12-27 00:00:00" << QStringList {QStringLiteral("2026-12-25 14:30:00 会議 due")};
    QTest::newRow("one-off missed while not running is late at start")
        << QStringList {memoLine(30, 14, 25, 12, 2026, QStringLiteral("会議"))} << "2026-12-31 09:00:17"
        << "2027-01-02 00:00:00" << QStringList {QStringLiteral("2026-12-31 09:00:17 会議 late")};
    QTest::newRow("one-off of a past year never")
        << QStringList {memoLine(30, 14, 25, 12, 2026, QStringLiteral("会議"))} << "2027-01-01 00:00:00"
        << "2027-01-03 00:00:00" << QStringList {};
    QTest::newRow("one-off at new year") << QStringList {memoLine(0, 0, 1, 1, 2027, QStringLiteral("元日"))}
                                         << "2026-12-31 23:58:00"
                                         << "2027-01-01 00:05:00"
                                         << QStringList {QStringLiteral("2027-01-01 00:00:00 元日 due")};
    QTest::newRow("every day") << QStringList {memoLine(0, 7, 0, 0, 0, QStringLiteral("朝"))} << "2026-12-24 00:00:00"
                               << "2026-12-27 00:00:00"
                               << QStringList {QStringLiteral("2026-12-24 07:00:00 朝 due"),
                                      QStringLiteral("2026-12-25 07:00:00 朝 due"),
                                      QStringLiteral("2026-12-26 07:00:00 朝 due")};
    QTest::newRow("every month on the 31st skips February")
        << QStringList {memoLine(59, 23, 31, 0, 0, QStringLiteral("月末"))} << "2027-01-30 00:00:00"
        << "2027-03-03 00:00:00" << QStringList {QStringLiteral("2027-01-31 23:59:00 月末 due")};
    QTest::newRow("weekly on Monday and Friday")
        << QStringList {memoLine(15, 8, 0, 0, 0, QStringLiteral("週"), 0, 34)} << "2026-12-24 00:00:00"
        << "2027-01-01 12:00:00"
        << QStringList {QStringLiteral("2026-12-25 08:15:00 週 due"), QStringLiteral("2026-12-28 08:15:00 週 due"),
               QStringLiteral("2027-01-01 08:15:00 週 due")};
    QTest::newRow("weekly on Sunday and Saturday")
        << QStringList {memoLine(0, 0, 0, 0, 0, QStringLiteral("休"), 0, 65)} << "2026-12-24 00:00:00"
        << "2027-01-01 00:00:00"
        << QStringList {QStringLiteral("2026-12-26 00:00:00 休 due"), QStringLiteral("2026-12-27 00:00:00 休 due")};
    QTest::newRow("weekly mask above 127 uses its low seven bits")
        << QStringList {memoLine(0, 12, 0, 0, 0, QStringLiteral("壊"), 0, 130)} << "2026-12-24 00:00:00"
        << "2026-12-31 00:00:00" << QStringList {QStringLiteral("2026-12-28 12:00:00 壊 due")};
    QTest::newRow("repeating memos come before one-off memos of the same minute")
        << QStringList {memoLine(0, 9, 0, 0, 0, QStringLiteral("毎日")),
               memoLine(0, 9, 25, 12, 2026, QStringLiteral("一度"))}
        << "2026-12-25 08:59:00"
        << "2026-12-25 09:02:00"
        << QStringList {
               QStringLiteral("2026-12-25 09:00:00 毎日 due"), QStringLiteral("2026-12-25 09:01:00 一度 late")};
}

void TestDueCheck::presentsMemosOverSimulatedDays()
{
    QFETCH(QStringList, memos);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, expected);

    TestProgram program;
    program.writeDataFile(dataFile(memos));
    program.clock->set(at(from));
    QVERIFY(program.start());

    QCOMPARE(run(program, at(from), at(to), kSampled), expected);
}

void TestDueCheck::holdOffs_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("hold");
    QTest::addColumn<QString>("heldFrom");
    QTest::addColumn<QString>("heldUntil");
    QTest::addColumn<QStringList>("expected");

    const QString oneOff = memoLine(30, 14, 25, 12, 2026, QStringLiteral("会議"));
    const QString everyDay = memoLine(30, 14, 0, 0, 0, QStringLiteral("毎日"));
    QTest::newRow("setting window open over a one-off minute: late after")
        << oneOff << "form1"
        << "14:29:00"
        << "14:35:00" << QStringList {QStringLiteral("2026-12-25 14:35:00 会議 late")};
    QTest::newRow("setting window closed in its minute: still due")
        << oneOff << "form1"
        << "14:29:50"
        << "14:30:40" << QStringList {QStringLiteral("2026-12-25 14:30:40 会議 due")};
    QTest::newRow("list editor open over a one-off minute: late after")
        << oneOff << "Edit"
        << "14:29:00"
        << "14:31:10" << QStringList {QStringLiteral("2026-12-25 14:31:10 会議 late")};
    QTest::newRow("disarmed over a one-off minute: late after")
        << oneOff << "SetFlg"
        << "14:29:00"
        << "14:32:00" << QStringList {QStringLiteral("2026-12-25 14:32:00 会議 late")};
    QTest::newRow("setting window open over an every-day occasion: skipped") << everyDay << "form1"
                                                                             << "14:29:50"
                                                                             << "14:30:05" << QStringList {};
    QTest::newRow("list editor closed in the third second: still caught")
        << everyDay << "Edit"
        << "14:29:50"
        << "14:30:02" << QStringList {QStringLiteral("2026-12-25 14:30:02 毎日 due")};
    QTest::newRow("disarmed over an every-day occasion: skipped") << everyDay << "SetFlg"
                                                                  << "14:29:50"
                                                                  << "14:30:03" << QStringList {};
}

void TestDueCheck::holdOffs()
{
    QFETCH(QString, memo);
    QFETCH(QString, hold);
    QFETCH(QString, heldFrom);
    QFETCH(QString, heldUntil);
    QFETCH(QStringList, expected);

    TestProgram program;
    program.writeDataFile(dataFile({memo}));
    const QDateTime from = at(QStringLiteral("2026-12-25 14:28:00"));
    program.clock->set(from);
    QVERIFY(program.start());

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
        const QDateTime previous = now.addSecs(-1);
        Form1 &main = form1();
        const QString labels = QStringList {main.Label1->text(), main.Label2->text(), main.Label3->text(),
            main.Label4->text(), main.Label5->text()}
                                   .join(u' ');
        const QString expected = QStringLiteral("%1 %2 %3 %4 %5")
                                     .arg(previous.date().year())
                                     .arg(previous.date().month())
                                     .arg(previous.date().day())
                                     .arg(previous.time().hour())
                                     .arg(previous.time().minute());
        if (now != from && labels != expected)
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
    program.writeDataFile(dataFile(
        {memoLine(59, 8, 25, 12, 2026, QStringLiteral("一")), memoLine(0, 9, 25, 12, 2026, QStringLiteral("二"), 1)}));
    program.clock->set(2026, 12, 25, 9, 0, 0);
    QVERIFY(program.start());

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
    dismiss();
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
    program.writeDataFile(dataFile({memoLine(0, 7, 0, 0, 0, QStringLiteral("朝"))}));
    program.clock->set(2026, 12, 25, 6, 59, 59);
    QVERIFY(program.start());

    QStringList shown;
    for (int s = 0; s < 5; ++s) {
        program.clock->set(2026, 12, 25, 7, 0, s);
        program.tick();
        if (alarmShown()) {
            shown << onScreen(program.clock->now());
            dismiss();
        }
    }
    QCOMPARE(shown,
        QStringList({QStringLiteral("2026-12-25 07:00:00 朝 due"), QStringLiteral("2026-12-25 07:00:01 朝 due"),
            QStringLiteral("2026-12-25 07:00:02 朝 due")}));
    QCOMPARE(form1().DataMaxNumber, qint16(1));
}

QTEST_MAIN(TestDueCheck)
#include "tst_duecheck.moc"
