// The memo table and its data file: reading, ordering, writing, and the
// damaged and failing cases, driven through start-up and FileWrite.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"

#include "entry/form1.h"
#include "entry/memo_form.h"
#include "platform/cp932_codec.h"
#include "platform/posix_files.h"
#include "shell/icons_form.h"

#include <QDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

struct stat statOf(const QString &path)
{
    struct stat st = {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
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
    void newFilesArePrivate_data();
    void newFilesArePrivate();
    void nonRegularFilesAreLeftAlone_data();
    void nonRegularFilesAreLeftAlone();
    void staleTemporariesGoOnceLocked();
    void longTextsKeepTheirCharacters_data();
    void longTextsKeepTheirCharacters();
    void withoutTheCodecTheFileIsLeftAlone();
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
    QTest::newRow("a memo's minute not a number") << true << cp932Lines({"1", "x,7,0,0,0,\"a\",0,0"}) << true << 0;
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

void TestStore::newFilesArePrivate_data()
{
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("existingMode"); // 0: no file yet
    QTest::addColumn<int>("expectedMode");
    QTest::newRow("new file, umask 022") << 022 << 0 << 0600;
    QTest::newRow("new file, umask 077") << 077 << 0 << 0600;
    QTest::newRow("existing file shared with the group") << 077 << 0640 << 0640;
}

// Memos are private notes: a new data file is 0600 whatever the umask; an
// existing file keeps the mode its user gave it.
void TestStore::newFilesArePrivate()
{
    QFETCH(int, umask);
    QFETCH(int, existingMode);
    QFETCH(int, expectedMode);
    TestProgram program;
    if (existingMode) {
        program.writeDataFile(dataFileOf({"0,7,0,0,0,\"a\",0,0"}));
        QVERIFY(::chmod(QFile::encodeName(program.dataPath()).constData(), mode_t(existingMode)) == 0);
    }
    const mode_t saved = ::umask(mode_t(umask));
    const auto restore = qScopeGuard([saved] { ::umask(saved); });
    QVERIFY(program.start());
    addMemo(0, 9, 1, 1, 2027, QStringLiteral("new"));
    QCOMPARE(int(statOf(program.dataPath()).st_mode & 07777), expectedMode);
    QCOMPARE(QDir(program.folder.path()).entryList(QDir::Files), QStringList({"rekuda31.dat"}));
}

void TestStore::nonRegularFilesAreLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("movedAside");
    QTest::newRow("FIFO") << "fifo" << false;
    QTest::newRow("link to /dev/zero") << "zero" << false;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("one byte larger than any data file") << "large" << true;
}

// Start-up neither hangs on nor swallows what is not a data file; only a
// regular file that cannot be ours is moved aside.
void TestStore::nonRegularFilesAreLeftAlone()
{
    QFETCH(QString, kind);
    QFETCH(bool, movedAside);
    TestProgram program;
    const QByteArray path = QFile::encodeName(program.dataPath());
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QCOMPARE(::symlink("/dev/zero", path.constData()), 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(program.dataPath()));
    else
        program.writeDataFile(QByteArray(PosixFiles::kSizeLimit + 1, '1'));
    const struct stat before = statOf(program.dataPath());

    QElapsedTimer timer;
    timer.start();
    QVERIFY(program.start());
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(form1().DataMaxNumber, qint16(0));
    QVERIFY(!icons().memoedit->isVisible());
    const QString aside = program.dataPath() + QLatin1String(".bad");
    const struct stat after = statOf(movedAside ? aside : program.dataPath());
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(QFileInfo::exists(aside), movedAside);
}

// A save killed between making its temporary file and renaming it leaves a
// full copy of the memos; start-up removes ours once no other instance runs.
void TestStore::staleTemporariesGoOnceLocked()
{
    // Another file's, not mkostemp's pattern, another user's: all kept.
    QStringList kept {"notes.txt.tmp-a1B2c3", "rekuda31.dat.tmp-a1B2c", "rekuda31.dat.tmp-nobody"};
    const auto plant = [&kept](TestProgram &program) {
        for (const QString &name : kept + QStringList {"rekuda31.dat.tmp-a1B2c3"})
            QVERIFY(writeBytes(program.folder.filePath(name), "1\r\n"));
        QCOMPARE(::chown(QFile::encodeName(program.folder.filePath(kept[2])).constData(), 65534, 65534),
            ::geteuid() == 0 ? 0 : -1);
    };
    const auto left = [](TestProgram &program) { return QDir(program.folder.path()).entryList(QDir::Files); };
    {
        TestProgram second;
        plant(second);
        second.lock->otherInstanceRuns = true;
        QVERIFY(!second.start());
        QCOMPARE(left(second).size(), 4);
    }

    TestProgram program;
    plant(program);
    QVERIFY(program.start());
    if (::geteuid() != 0)
        kept.removeLast(); // ours after all, and removed
    kept.sort();
    QCOMPARE(left(program), kept);
}

void TestStore::longTextsKeepTheirCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    const QString kanji(100000, QChar(0x6F22)); // 漢
    QTest::newRow("kanji only") << kanji << kanji;
    QTest::newRow("one character code page 932 lacks, at the end")
        << kanji + QStringLiteral("é") << kanji + QStringLiteral("?");
    QTest::newRow("input-method forms and characters outside the BMP amid kanji")
        << kanji + QStringLiteral("〜‖−¢£¬😀") + kanji << kanji + QStringLiteral("～∥－￠￡￢?") + kanji;
    QTest::newRow("lone surrogates, controls, half-width kana") << QString(QChar(0xD800)) + QStringLiteral("a\x01\x7f")
            + QChar(0xDC00) + QStringLiteral("ｶﾅ") << QStringLiteral("?a\x01\x7f?ｶﾅ");
}

// Whole memos are converted at once; where that fails, the result is still
// the one character-by-character conversion gives.
void TestStore::longTextsKeepTheirCharacters()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    const Cp932Codec codec;
    QCOMPARE(codec.encodable(text), stored);
    QString back;
    QVERIFY(codec.decode(codec.encode(text), &back));
    QCOMPARE(back, stored);
}

// On a Qt without the code page 932 codec every good file would look
// damaged: saves and deletions then fail with a message and leave it alone.
void TestStore::withoutTheCodecTheFileIsLeftAlone()
{
    struct MissingCodec : Cp932Codec
    {
        bool available() const override { return false; }
    } codec;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rekuda31.dat"));
    const QByteArray bytes = dataFileOf({"0,7,0,0,0,\"a\",0,0"});
    QVERIFY(writeBytes(path, bytes));
    PosixFiles files;
    FakeMessages messages;
    data_file::Store store(files, codec, messages);
    MemoTable table;
    QVERIFY(!store.write(path, table, 1));
    QVERIFY(!store.remove(path));
    QCOMPARE(readBytes(path), bytes);
    QCOMPARE(messages.shown.size(), 2);
    QVERIFY(messages.shown.first().contains(QStringLiteral("windows-31j")));
}

QTEST_MAIN(TestStore)
#include "tst_store.moc"
