#include "fakes/fake_platform.h"

#include "entry/form1.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "notices/notice_parts.h"
#include "notices/title_form.h"
#include "notices/ver_form.h"
#include "shell/icons_form.h"

#include <QElapsedTimer>
#include <QScreen>
#include <QtTest>

namespace {
const QByteArray threeMemos = cp932Lines({QStringLiteral("3"), QStringLiteral("0,9,1,2,2027,\"歯医者\",0,0"),
    QStringLiteral("30,12,0,0,0,\"昼休み\",0,0"), QStringLiteral("0,18,15,0,0,\"家賃\",1,0")});

// Pixels of exactly this colour inside a rectangle of the window's own rendering.
int pixelsOf(QWidget &window, const QRect &area, const QColor &colour)
{
    const QImage image = window.grab().toImage();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

QColor pixelAt(QWidget &window, int x, int y)
{
    return window.grab().toImage().pixelColor(x, y);
}

bool isFixedSize(const QWidget &window)
{
    return window.minimumSize() == window.maximumSize();
}

QPoint screenCentre()
{
    return QGuiApplication::primaryScreen()->geometry().center();
}
} // namespace

class TestNotices : public QObject
{
    Q_OBJECT
private slots:
    void splashSaysWhetherMemosAreSet_data();
    void splashSaysWhetherMemosAreSet();
    void splashClosesAfter800ms();
    void pastTimeWarningBringsBackSettingWindow_data();
    void pastTimeWarningBringsBackSettingWindow();
    void tableFullWarningLeavesSettingWindowHidden_data();
    void tableFullWarningLeavesSettingWindowHidden();
    void versionWindowOpensOnceAndCloses();
    void windowsKeepTheirDesign();
    void japaneseTextHasGlyphs();
    void warningArtwork();
};

void TestNotices::splashSaysWhetherMemosAreSet_data()
{
    QTest::addColumn<QByteArray>("dataFile");
    QTest::addColumn<bool>("memosSet");
    QTest::newRow("noDataFile") << QByteArray() << false;
    QTest::newRow("threeMemos") << threeMemos << true;
    QTest::newRow("damagedFile") << QByteArray("2\r\nrubbish\r\n") << false;
}

void TestNotices::splashSaysWhetherMemosAreSet()
{
    QFETCH(QByteArray, dataFile);
    QFETCH(bool, memosSet);
    TestProgram program;
    if (!dataFile.isEmpty())
        program.writeDataFile(dataFile);
    QVERIFY(program.start());
    TitleForm &title = Title();
    QVERIFY(title.isVisible());
    QVERIFY(!form1().isVisible());
    QCOMPARE(title.windowTitle(), QStringLiteral("Title"));
    QVERIFY(title.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(title.size(), QSize(268, 136));
    QVERIFY((title.geometry().center() - screenCentre()).manhattanLength() <= 2);
    QVERIFY(title.Label2->isVisible());
    QCOMPARE(title.Label3->isVisible(), memosSet);

    QCOMPARE(pixelAt(title, 2, 2), QColor(0, 0, 192));
    QCOMPARE(pixelAt(title, 265, 133), QColor(0, 0, 192));
    // Red ink in the third line only when it is shown; yellow "Rekuda31" always.
    QCOMPARE(pixelsOf(title, title.Label3->geometry(), QColor(255, 0, 0)) > 20, memosSet);
    QVERIFY(pixelsOf(title, title.Label1->geometry(), QColor(255, 255, 0)) > 50);
}

void TestNotices::splashClosesAfter800ms()
{
    QElapsedTimer clock;
    clock.start();
    TestProgram program;
    program.writeDataFile(threeMemos);
    QVERIFY(program.start());
    QVERIFY(Title().isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!forms().Title.loaded(), 3000);
    QVERIFY2(clock.elapsed() >= 800, qPrintable(QString::number(clock.elapsed())));
    // Gone for good: nothing brings it back during the run.
    program.advance(5000);
    QVERIFY(!forms().Title.loaded());
}

void TestNotices::pastTimeWarningBringsBackSettingWindow_data()
{
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("okButton") << false;
    QTest::newRow("titleBarClose") << true;
}

void TestNotices::pastTimeWarningBringsBackSettingWindow()
{
    QFETCH(bool, byTitleBar);
    TestProgram program;
    QVERIFY(program.start());
    Form1 &main = form1();
    setValue(main.Check1, 1);
    main.hide();
    keikoku1().show();
    QVERIFY(keikoku1().isVisible());
    if (byTitleBar)
        keikoku1().close();
    else
        QTest::mouseClick(keikoku1().Command1, Qt::LeftButton);
    QVERIFY(!forms().keikoku1.loaded());
    QVERIFY(main.isVisible());
    QCOMPARE(value(main.Check1), 1);
}

void TestNotices::tableFullWarningLeavesSettingWindowHidden_data()
{
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("okButton") << false;
    QTest::newRow("titleBarClose") << true;
}

void TestNotices::tableFullWarningLeavesSettingWindowHidden()
{
    QFETCH(bool, byTitleBar);
    TestProgram program;
    QVERIFY(program.start());
    keikoku2().show();
    if (byTitleBar)
        keikoku2().close();
    else
        QTest::mouseClick(keikoku2().Command1, Qt::LeftButton);
    QVERIFY(!forms().keikoku2.loaded());
    QVERIFY(!form1().isVisible());
}

void TestNotices::versionWindowOpensOnceAndCloses()
{
    TestProgram program;
    QVERIFY(program.start());
    icons().dspver->trigger();
    VerForm *first = &Ver();
    icons().dspver->trigger();
    QCOMPARE(&Ver(), first);
    int shown = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        shown += widget->windowTitle() == QStringLiteral("バージョン") && widget->isVisible();
    QCOMPARE(shown, 1);

    Ver().move(10, 20);
    icons().dspver->trigger();
    // Choosing it again leaves the open window where the user put it.
    QCOMPARE(Ver().pos(), QPoint(10, 20));

    QTest::mouseClick(Ver().Command1, Qt::LeftButton);
    QVERIFY(!forms().Ver.loaded());
    // The next choice opens a fresh window.
    icons().dspver->trigger();
    QVERIFY(Ver().isVisible());
    Ver().close();
    QVERIFY(!forms().Ver.loaded());
}

void TestNotices::windowsKeepTheirDesign()
{
    TestProgram program;
    QVERIFY(program.start());

    keikoku1().show();
    QCOMPARE(keikoku1().windowTitle(), QStringLiteral("警告"));
    QCOMPARE(keikoku1().size(), QSize(246, 102));
    QVERIFY(isFixedSize(keikoku1()));
    // Placed before the frame is known, so off by the frame's width at most.
    QVERIFY((keikoku1().frameGeometry().center() - screenCentre()).manhattanLength() <= 6);
    QCOMPARE(pixelAt(keikoku1(), 2, 100), QColor(192, 192, 192));
    QCOMPARE(keikoku1().Command1->text(), QStringLiteral("OK"));
    // The message needs its two lines, and gets them.
    const QLabel *message = keikoku1().Label2;
    const int lineHeight = message->fontMetrics().lineSpacing();
    const int needed = message->heightForWidth(message->width());
    QVERIFY2(needed > lineHeight && needed <= 2 * lineHeight + 2, qPrintable(QString::number(needed)));

    keikoku2().show();
    QCOMPARE(keikoku2().windowTitle(), QStringLiteral("警告"));
    QCOMPARE(keikoku2().size(), QSize(242, 95));
    QVERIFY(!isFixedSize(keikoku2()));

    Ver().show();
    QVERIFY(isFixedSize(Ver()));
    QVERIFY(!Ver().windowIcon().isNull());
    QCOMPARE(Ver().Command1->text(), QStringLiteral("ＯＫ"));
    // "Ver1.10" sits against the right edge of its label.
    const QRect label = Ver().Label2->geometry();
    QCOMPARE(
        pixelsOf(Ver(), QRect(label.left(), label.top(), label.width() / 4, label.height()), QColor(255, 128, 255)), 0);
}

void TestNotices::japaneseTextHasGlyphs()
{
    TestProgram program;
    program.writeDataFile(threeMemos);
    QVERIFY(program.start());
    const QList<const QWidget *> texts {Title().Label2, Title().Label3, keikoku1().Label1, keikoku1().Label2,
        keikoku2().Label1, keikoku2().Label2, Ver().Command1};
    for (const QWidget *widget : texts) {
        const auto *label = qobject_cast<const QLabel *>(widget);
        const QString text = label ? label->text() : qobject_cast<const QPushButton *>(widget)->text();
        const QFontMetrics metrics(widget->font());
        for (const char32_t ch : text.toUcs4())
            QVERIFY2(metrics.inFontUcs4(ch), qPrintable(QFontInfo(widget->font()).family() + QLatin1Char(' ') + text));
    }
}

void TestNotices::warningArtwork()
{
    for (const int size : {32, 16}) {
        const QImage image = warningPicture(size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QSet<QRgb> colours;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                colours.insert(image.pixel(x, y));
        QVERIFY(colours.size() <= 16);
        QVERIFY(colours.contains(qRgb(255, 255, 0)));
        QVERIFY(colours.contains(qRgb(0, 0, 0)));
        QVERIFY(colours.contains(qRgb(128, 128, 128)));
    }
}

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
