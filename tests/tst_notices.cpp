// The splash, the two warnings and the version window.
#include "fakes/fake_platform.h"

#include "entry/form1.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "notices/title_form.h"
#include "notices/ver_form.h"
#include "shell/icons_form.h"

#include <QElapsedTimer>
#include <QScreen>
#include <QtTest>

namespace {
const QByteArray threeMemos
    = dataFileOf({"0,9,1,2,2027,\"歯医者\",0,0", "30,12,0,0,0,\"昼休み\",0,0", "0,18,15,0,0,\"家賃\",1,0"});

int offCentre(const QWidget &window)
{
    return (window.frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center()).manhattanLength();
}
} // namespace

class TestNotices : public QObject
{
    Q_OBJECT
private slots:
    void splashClosesAfter800ms();
    void warnings_data();
    void warnings();
    void versionWindowOpensOnceAndCloses();
};

void TestNotices::splashClosesAfter800ms()
{
    QElapsedTimer clock;
    clock.start();
    TestProgram program;
    program.writeDataFile(threeMemos);
    QVERIFY(program.start());
    QVERIFY(Title().isVisible());
    QVERIFY(Title().windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(Title().size(), QSize(268, 136));
    QVERIFY(offCentre(Title()) <= 2);
    QTRY_VERIFY_WITH_TIMEOUT(!forms().Title.loaded(), 3000);
    QVERIFY2(clock.elapsed() >= 800, qPrintable(QString::number(clock.elapsed())));
    // Gone for good: nothing brings it back during the run.
    program.advance(5000);
    QVERIFY(!forms().Title.loaded());
}

void TestNotices::warnings_data()
{
    QTest::addColumn<bool>("pastTime"); // else the table is full
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("past time, OK") << true << false;
    QTest::newRow("past time, title bar") << true << true;
    QTest::newRow("table full, OK") << false << false;
    QTest::newRow("table full, title bar") << false << true;
}

// Only the past-time warning leads back to the setting window, as it was.
void TestNotices::warnings()
{
    QFETCH(bool, pastTime);
    QFETCH(bool, byTitleBar);
    TestProgram program;
    QVERIFY(program.start());
    Form1 &main = form1();
    setValue(main.Check1, 1);
    main.hide();
    Form &warning = pastTime ? static_cast<Form &>(keikoku1()) : keikoku2();
    warning.show();
    QCOMPARE(warning.windowTitle(), QStringLiteral("警告"));
    QCOMPARE(warning.size(), pastTime ? QSize(246, 102) : QSize(242, 95));
    // Placed before the frame is known, so off by the frame's width at most.
    QVERIFY(offCentre(warning) <= 6);
    if (pastTime) {
        // The message needs its two lines, and gets them.
        const QLabel *message = keikoku1().Label2;
        const int line = message->fontMetrics().lineSpacing();
        const int needed = message->heightForWidth(message->width());
        QVERIFY2(needed > line && needed <= 2 * line + 2, qPrintable(QString::number(needed)));
    }

    if (byTitleBar)
        warning.close();
    else
        QTest::mouseClick(warning.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY(!forms().keikoku1.loaded() && !forms().keikoku2.loaded());
    QCOMPARE(main.isVisible(), pastTime);
    QCOMPARE(value(main.Check1), 1);
}

void TestNotices::versionWindowOpensOnceAndCloses()
{
    TestProgram program;
    QVERIFY(program.start());
    icons().dspver->trigger();
    QVERIFY(Ver().isVisible());
    Ver().move(10, 20);
    // Choosing it again leaves the open window where the user put it.
    icons().dspver->trigger();
    QCOMPARE(Ver().pos(), QPoint(10, 20));

    QTest::mouseClick(Ver().Command1, Qt::LeftButton);
    QVERIFY(!forms().Ver.loaded());
    // The next choice opens a fresh window.
    icons().dspver->trigger();
    QVERIFY(Ver().isVisible());
    Ver().close();
    QVERIFY(!forms().Ver.loaded());
}

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
