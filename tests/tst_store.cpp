// The memo table and its data file: reading, ordering, writing, and the
// damaged and failing cases, driven through start-up and FileWrite.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

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
    f.SetMin = qint16(min);
    f.SetHure = qint16(hour);
    f.SetDays = qint16(day);
    f.SetMonth = qint16(month);
    f.SetYear = qint16(year);
    f.WeekFlag = 0;
    MEMO().Text1->setText(text);
    setValue(f.Check1, 0);
    f.SetFlg = 1;
    f.FileWrite();
}

QStringList fullTable()
{
    QStringList memos;
    for (int i = 0; i < 21; ++i)
        memos << memoLine(i, 12, 1, 1, 2027, QStringLiteral("memo %1").arg(i));
    return memos;
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT
private slots:
    void roundTripIsByteIdentical_data();
    void roundTripIsByteIdentical();
    void startsEmpty_data();
    void startsEmpty();
    void asideNameIsNumberedWhenTaken();
    void fileWriteKeepsDateOrder_data();
    void fileWriteKeepsDateOrder();
    void textIsMadeStorable_data();
    void textIsMadeStorable();
    void failedWriteKeepsRunningAndWritesAgain();
    void shortWriteLeavesOldFile();
    void replaceKeepsModeAndLink();
};

void TestStore::roundTripIsByteIdentical_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::newRow("every kind") << cp932Lines({"4", "0,7,0,0,0,\"毎日の薬\",0,0", "15,8,0,0,0,\"会議\",1,34",
        "0,10,25,0,0,\"家賃\",0,0", "30,14,25,12,2026,\"abc\",1,0"})
                                << 4;
    QTest::newRow("NEC and IBM extensions, wave dash") << cp932Lines({"1", "5,9,1,1,2027,\"①髙～ｶﾅ\",0,0"}) << 1;
    QTest::newRow("commas and percent signs in text") << cp932Lines({"1", "0,0,1,1,2027,\"a,b,,c %1 %7\",0,0"}) << 1;
    QTest::newRow("line breaks in text") << cp932Lines({"1", "0,0,1,1,2027,\"一行目", "二行目\",1,0"}) << 1;
    QTest::newRow("21 memos, beyond the capacity") << dataFileOf(fullTable()) << 21;
    QTest::newRow("negative year kept") << cp932Lines({"1", "0,0,1,1,-5,\"x\",0,0"}) << 1;
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

void TestStore::startsEmpty_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("damaged");
    const auto damaged
        = [](const char *name, const QByteArray &bytes) { QTest::newRow(name) << true << bytes << true; };
    QTest::newRow("no file: a first start") << false << QByteArray() << false;
    QTest::newRow("zero-byte file, as deleting the last memo leaves") << true << QByteArray() << false;
    QTest::newRow("count 0") << true << cp932Lines({"0"}) << false;
    damaged("announces 3, holds 2", cp932Lines({"3", "0,7,0,0,0,\"a\",0,0", "0,8,0,0,0,\"b\",0,0"}));
    damaged("announces 22", cp932Lines({"22", "0,7,0,0,0,\"a\",0,0"}));
    damaged("negative count", cp932Lines({"-1"}));
    damaged("not a number", cp932Lines({"x"}));
    damaged("word where a number belongs", cp932Lines({"1", "0,seven,0,0,0,\"a\",0,0"}));
    damaged("number beyond 16 bits", cp932Lines({"1", "0,7,0,0,40000,\"a\",0,0"}));
    damaged("minute 60", cp932Lines({"1", "60,7,0,0,0,\"a\",0,0"}));
    damaged("month 13", cp932Lines({"1", "0,7,1,13,2027,\"a\",0,0"}));
    damaged("unterminated quote", cp932Lines({"1", "0,7,0,0,0,\"a,0,0"}));
    damaged("blank line only", QByteArray("\r\n"));
}

// A damaged file is kept, out of harm's way, where the next save cannot touch
// it; the normal empty states stay as they are.
void TestStore::startsEmpty()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, damaged);
    TestProgram program;
    if (present)
        program.writeDataFile(bytes);
    QVERIFY(program.start());
    QCOMPARE(form1().DataMaxNumber, qint16(0));
    QCOMPARE(form1().SetFlg, qint16(0));
    QVERIFY(!icons().memoedit->isVisible());
    QVERIFY(program.messages->shown.isEmpty());
    const QStringList files = QDir(program.folder.path()).entryList(QDir::Files);
    if (!damaged) {
        QCOMPARE(files, present ? QStringList {"rekuda31.dat"} : QStringList());
        QCOMPARE(program.dataFile(), present ? bytes : QByteArray("<missing>"));
        return;
    }
    QCOMPARE(files, QStringList {"rekuda31.dat.bad"});
    const QString aside = program.dataPath() + QLatin1String(".bad");
    QCOMPARE(readBytes(aside), bytes);
    addMemo(0, 9, 1, 1, 2027, QStringLiteral("new"));
    QCOMPARE(program.dataFile(), dataFileOf({"0,9,1,1,2027,\"new\",0,0"}));
    QCOMPARE(readBytes(aside), bytes);
}

void TestStore::asideNameIsNumberedWhenTaken()
{
    TestProgram program;
    program.writeDataFile("garbage");
    const QString older = program.dataPath() + QLatin1String(".bad");
    QFile old(older);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("older garbage");
    old.close();
    QVERIFY(program.start());
    QCOMPARE(readBytes(program.dataPath() + QLatin1String(".bad1")), QByteArray("garbage"));
    QCOMPARE(readBytes(older), QByteArray("older garbage"));
}

void TestStore::fileWriteKeepsDateOrder_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("added"); // min,hour,day,month,year,text
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("first memo lands in slot 0")
        << QStringList() << QStringList({"30,14,25,12,2026,a"}) << QStringList({"30,14,25,12,2026,\"a\",0,0"});
    QTest::newRow("equal keys go after every equal memo")
        << QStringList({"0,9,1,1,2027,\"a\",0,0", "0,9,1,1,2027,\"b\",0,0", "0,10,1,1,2027,\"c\",0,0"})
        << QStringList({"0,9,1,1,2027,new"})
        << QStringList({"0,9,1,1,2027,\"a\",0,0", "0,9,1,1,2027,\"b\",0,0", "0,9,1,1,2027,\"new\",0,0",
               "0,10,1,1,2027,\"c\",0,0"});
    QTest::newRow("earlier date moves to slot 0 in one add")
        << QStringList({"0,9,1,1,2027,\"a\",0,0", "0,9,1,2,2027,\"b\",0,0"}) << QStringList({"59,23,31,12,2026,new"})
        << QStringList({"59,23,31,12,2026,\"new\",0,0", "0,9,1,1,2027,\"a\",0,0", "0,9,1,2,2027,\"b\",0,0"});
    QTest::newRow("every day before every month before one-off")
        << QStringList({"0,6,1,0,0,\"monthly\",0,0", "0,5,1,1,2027,\"once\",0,0"}) << QStringList({"0,7,0,0,0,daily"})
        << QStringList({"0,7,0,0,0,\"daily\",0,0", "0,6,1,0,0,\"monthly\",0,0", "0,5,1,1,2027,\"once\",0,0"});
    QTest::newRow("a full table takes no more") << fullTable() << QStringList({"0,9,1,1,2027,too many"}) << fullTable();
    QTest::newRow("memos differing only in text keep their order")
        << QStringList({"0,7,0,0,0,\"z\",0,0"}) << QStringList({"0,7,0,0,0,a"})
        << QStringList({"0,7,0,0,0,\"z\",0,0", "0,7,0,0,0,\"a\",0,0"});
}

void TestStore::fileWriteKeepsDateOrder()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, added);
    QFETCH(QStringList, expected);
    TestProgram program;
    if (!existing.isEmpty())
        program.writeDataFile(dataFileOf(existing));
    QVERIFY(program.start());
    for (const QString &memo : added) {
        const QStringList f = memo.split(QLatin1Char(','));
        addMemo(f[0].toInt(), f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt(), f[5]);
    }
    QCOMPARE(program.dataFile(), dataFileOf(expected));
    QCOMPARE(form1().DataMaxNumber, qint16(expected.size()));
    QVERIFY(icons().memoedit->isVisible());
}

void TestStore::textIsMadeStorable_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("double quote becomes full-width") << QStringLiteral("say \"hi\"") << QStringLiteral("say ＂hi＂");
    QTest::newRow("wave dash becomes fullwidth tilde") << QStringLiteral("9時〜10時") << QStringLiteral("9時～10時");
    QTest::newRow("minus, cent, pound, not, double bar")
        << QString(QChar(0x2212)) + QChar(0x00A2) + QChar(0x00A3) + QChar(0x00AC) + QChar(0x2016)
        << QString(QChar(0xFF0D)) + QChar(0xFFE0) + QChar(0xFFE1) + QChar(0xFFE2) + QChar(0x2225);
    QTest::newRow("unencodable becomes ?") << QStringLiteral("ok 😀 é") << QStringLiteral("ok ? ?");
    QTest::newRow("line breaks become CR LF") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
}

void TestStore::textIsMadeStorable()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
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

void TestStore::shortWriteLeavesOldFile()
{
    // A file-size limit makes the kernel cut the write short, as a full disk would.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rekuda31.dat"));
    PosixFiles files;
    QString error;
    QVERIFY(files.replace(path, QByteArray("old content\r\n"), &error));

    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = files.replace(path, QByteArray(4096, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!ok);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(path), QByteArray("old content\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"rekuda31.dat"}));
    // Deleting a file that is already gone is not an error.
    QVERIFY(files.remove(path, &error));
    QVERIFY(files.remove(path, &error));
}

void TestStore::replaceKeepsModeAndLink()
{
    QTemporaryDir dir;
    PosixFiles files;
    QString error;

    // Memos the user made private stay private.
    const QString plain = dir.filePath(QStringLiteral("rekuda31.dat"));
    QVERIFY(files.replace(plain, "1\r\n", &error));
    QVERIFY(QFile::setPermissions(plain, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(files.replace(plain, "2\r\n", &error));
    struct stat st = {};
    QCOMPARE(::stat(QFile::encodeName(plain).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));

    // A data file linked to another folder is written, and deleted, there.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("synced")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("link")));
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
