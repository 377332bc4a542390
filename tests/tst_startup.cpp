#include "fakes/fake_platform.h"

#include "entry/form1.h"
#include "shell/icons_form.h"

#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void firstStartWithoutDataFile();
};

void TestStartup::firstStartWithoutDataFile()
{
    TestProgram program;
    QVERIFY(program.start());
    QCOMPARE(form1().SetFlg, qint16(0));
    QCOMPARE(form1().DataMaxNumber, qint16(0));
    QVERIFY(!icons().memoedit->isVisible());
    QCOMPARE(program.tray->adds, 1);
    QVERIFY(!program.dataFileExists());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
