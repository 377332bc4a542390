// The memo table and its data file: reading, ordering, writing, and the
// damaged and failing cases, driven through start-up and FileWrite.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"

#include "entry/form1.h"
#include "entry/memo_form.h"
#include "platform/posix_files.h"
#include "shell/icons_form.h"

#include <QDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
// Sets form1's variables and the memo text, then adds the memo.
void addMemo(int min, int hour, int day, int month, int year, const QString &text)
{
    Form1 &f = form1();
    f.SetMin = qint16(min), f.SetHure = qint16(hour), f.SetDays = qint16(day);
    f.SetMonth = qint16(month), f.SetYear = qint16(year), f.WeekFlag = 0;
    MEMO().Text1->setText(text);
    setValue(f.Check1, 0);
    f.SetFlg = 1;
    f.FileWrite();
}
} // namespace

class TestStore : public QObject
{
    Q_OBJECT
private slots:
    void roundTripIsByteIdentical_data();
    void roundTripIsByteIdentical();
    void damagedFileIsMovedAside_data();
    void damagedFileIsMovedAside();
    void fileWriteKeepsDateOrder();
    void textIsMadeStorable();
    void failedWriteKeepsRunningAndWritesAgain();
    void replaceIsSafe();
};

void TestStore::roundTripIsByteIdentical_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::newRow("every kind, extension characters, line breaks") << cp932Lines({"4", "0,7,0,0,0,\"毎日の薬\",0,0",
        "15,8,0,0,0,\"①髙～ｶﾅ\",1,34", "0,10,25,0,0,\"一行目", "二行目\",0,0", "30,14,25,12,2026,\"abc\",1,0"})
                                                                   << 4;
    QStringList full;
    for (int i = 0; i < 21; ++i)
        full << memoLine(i, 12, 1, 1, 2027, QStringLiteral("memo %1").arg(i));
    QTest::newRow("21 memos, beyond the capacity") << dataFileOf(full) << 21;
}

void TestStore::roundTripIsByteIdentical()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    TestProgram program;
    program.writeDataFile(bytes);
    QVERIFY(program.start());
    QCOMPARE(form1().DataMaxNumber, qint16(count));
    QCOMPARE(form1().SetFlg, qint16(1));
    QVERIFY(icons().memoedit->isVisible());

    // Writing the table back gives the same bytes, and exit touches nothing.
    const QString out = program.dataPath() + QLatin1String(".out");
    QVERIFY(program.app->store.write(out, program.app->table, count));
    QCOMPARE(readBytes(out), bytes);
    program.app->exitProgram();
    QCOMPARE(program.dataFile(), bytes);
    QVERIFY(program.messages->shown.isEmpty());
}

void TestStore::damagedFileIsMovedAside_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<int>("loaded");
    QTest::newRow("no file: a first start") << false << QByteArray() << false << 0;
    QTest::newRow("zero-byte file, as deleting the last memo leaves") << true << QByteArray() << false << 0;
    QTest::newRow("count 0") << true << cp932Lines({"0"}) << false << 0;
    // Values no window makes are loaded; such a memo just never falls due.
    QTest::newRow("hour 24 beside a memo at 14:30")
        << true << dataFileOf({"0,24,0,0,0,\"a\",0,0", "30,14,25,12,2026,\"会議\",0,0"}) << false << 2;
    QTest::newRow("announces 3, holds 2")
        << true << cp932Lines({"3", "0,7,0,0,0,\"a\",0,0", "0,8,0,0,0,\"b\",0,0"}) << true << 0;
    QTest::newRow("announces 22") << true << cp932Lines({"22", "0,7,0,0,0,\"a\",0,0"}) << true << 0;
    QTest::newRow("negative count") << true << cp932Lines({"-1"}) << true << 0;
    QTest::newRow("not a number") << true << cp932Lines({"x"}) << true << 0;
    QTest::newRow("unterminated quote") << true << cp932Lines({"1", "0,7,0,0,0,\"a,0,0"}) << true << 0;
}

// A damaged file is kept, out of harm's way, where the next save cannot touch
// it (beside an older one), and the user is told where it went; the normal
// empty states stay as they are, and odd values load.
void TestStore::damagedFileIsMovedAside()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, damaged);
    QFETCH(int, loaded);
    TestProgram program;
    if (present)
        program.writeDataFile(bytes);
    const QString older = program.dataPath() + QLatin1String(".bad");
    if (damaged) {
        QFile old(older);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older garbage");
    }
    QVERIFY(program.start());
    QCOMPARE(form1().DataMaxNumber, qint16(loaded));
    QCOMPARE(form1().SetFlg, qint16(loaded > 0 ? 1 : 0));
    QCOMPARE(icons().memoedit->isVisible(), loaded > 0);
    QCOMPARE(program.messages->shown.size(), damaged ? 1 : 0);
    if (loaded > 0) {
        program.advance(3000);
        QVERIFY(alarmShown());
        QCOMPARE(forms().Display().Label1->text(), QStringLiteral("会議"));
    }
    const QStringList files = QDir(program.folder.path()).entryList(QDir::Files);
    if (!damaged) {
        QCOMPARE(files, present ? QStringList {"rekuda31.dat"} : QStringList());
        QCOMPARE(program.dataFile(), present ? bytes : QByteArray("<missing>"));
        return;
    }
    QCOMPARE(files, QStringList({"rekuda31.dat.bad", "rekuda31.dat.bad1"}));
    const QString aside = program.dataPath() + QLatin1String(".bad1");
    QCOMPARE(readBytes(aside), bytes);
    QVERIFY(program.messages->shown.first().contains(aside));
    addMemo(0, 9, 1, 1, 2027, QStringLiteral("new"));
    QCOMPARE(program.dataFile(), dataFileOf({"0,9,1,1,2027,\"new\",0,0"}));
    QCOMPARE(readBytes(aside), bytes);
    QCOMPARE(readBytes(older), QByteArray("older garbage"));
}

// Equal keys go after every equal memo; a repeating memo comes before a one-off.
void TestStore::fileWriteKeepsDateOrder()
{
    TestProgram program;
    program.writeDataFile(dataFileOf(
        {"0,6,1,0,0,\"monthly\",0,0", "0,9,1,1,2027,\"a\",0,0", "0,9,1,1,2027,\"b\",0,0", "0,10,1,1,2027,\"c\",0,0"}));
    QVERIFY(program.start());
    addMemo(0, 9, 1, 1, 2027, QStringLiteral("new"));
    addMemo(0, 7, 0, 0, 0, QStringLiteral("daily"));
    QCOMPARE(program.dataFile(),
        dataFileOf({"0,7,0,0,0,\"daily\",0,0", "0,6,1,0,0,\"monthly\",0,0", "0,9,1,1,2027,\"a\",0,0",
            "0,9,1,1,2027,\"b\",0,0", "0,9,1,1,2027,\"new\",0,0", "0,10,1,1,2027,\"c\",0,0"}));
    QCOMPARE(form1().DataMaxNumber, qint16(6));
    QVERIFY(icons().memoedit->isVisible());
}

void TestStore::textIsMadeStorable()
{
    // A double quote, a wave dash, characters code page 932 lacks.
    const QString typed = QStringLiteral("say \"hi\" 9時〜10時 😀 é");
    const QString stored = QStringLiteral("say ＂hi＂ 9時～10時 ? ?");
    QByteArray written;
    {
        TestProgram program;
        QVERIFY(program.start());
        addMemo(0, 9, 1, 1, 2027, typed);
        QCOMPARE(program.app->table.MemoText[0], stored);
        written = program.dataFile();
        // Exactly the bytes Windows writes for the stored text.
        QCOMPARE(written, dataFileOf({"0,9,1,1,2027,\"" + stored + "\",0,0"}));
    }
    // After a restart the table holds exactly what it held before.
    TestProgram again;
    again.writeDataFile(written);
    QVERIFY(again.start());
    QCOMPARE(form1().DataMaxNumber, qint16(1));
    QCOMPARE(again.app->table.MemoText[0], stored);
}

void TestStore::failedWriteKeepsRunningAndWritesAgain()
{
    TestProgram program;
    const QStringList before {"0,7,0,0,0,\"a\",0,0"};
    program.writeDataFile(dataFileOf(before));
    QVERIFY(program.start());

    program.files->failWrites = true;
    addMemo(0, 9, 1, 1, 2027, QStringLiteral("b"));
    QCOMPARE(program.messages->shown.size(), 1);
    QVERIFY(program.messages->shown.first().contains(program.dataPath()));
    QVERIFY(program.messages->shown.first().contains(QStringLiteral("No space left")));
    QCOMPARE(program.dataFile(), dataFileOf(before));
    QCOMPARE(form1().DataMaxNumber, qint16(2));

    program.files->failWrites = false;
    addMemo(0, 10, 1, 1, 2027, QStringLiteral("c"));
    QCOMPARE(program.dataFile(), dataFileOf({before[0], "0,9,1,1,2027,\"b\",0,0", "0,10,1,1,2027,\"c\",0,0"}));
}

// A short write leaves the old file; a replaced file keeps its mode and link.
void TestStore::replaceIsSafe()
{
    QTemporaryDir dir;
    PosixFiles files;
    QString error;
    const QString plain = dir.filePath(QStringLiteral("rekuda31.dat"));
    QVERIFY(files.replace(plain, QByteArray("old content\r\n"), &error));
    // A file-size limit makes the kernel cut the write short, as a full disk would.
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = files.replace(plain, QByteArray(4096, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QVERIFY(!ok);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(plain), QByteArray("old content\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"rekuda31.dat"}));

    // Memos the user made private stay private.
    QVERIFY(QFile::setPermissions(plain, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(files.replace(plain, "2\r\n", &error));
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(plain).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
    // Deleting a file that is already gone is not an error.
    QVERIFY(files.remove(plain, &error));
    QVERIFY(files.remove(plain, &error));

    // A data file linked to another folder is written, and deleted, there.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("synced")) && QDir(dir.path()).mkdir(QStringLiteral("link")));
    const QString target = dir.filePath(QStringLiteral("synced/memos.dat"));
    const QString link = dir.filePath(QStringLiteral("link/rekuda31.dat"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(files.replace(link, "3\r\n", &error));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(target), QByteArray("3\r\n"));
    QVERIFY(files.remove(link, &error));
    QVERIFY(!QFile::exists(target));
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(files.replace(link, "4\r\n", &error));
    QCOMPARE(readBytes(target), QByteArray("4\r\n"));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("link"))).entryList(QDir::Files | QDir::System),
        QStringList({"rekuda31.dat"}));
}

QTEST_MAIN(TestStore)
#include "tst_store.moc"
