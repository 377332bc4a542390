// The data file rekuda31.dat and the table behind it. Catches: bytes other than Windows writes (separators, quotes,
// line breaks, code page 932, odd values, a full table); a damaged or foreign file loaded, overwritten or dropped
// without a word, not moved aside; typed text kept in a form the file cannot hold; a failed save reported done or
// cutting the old file short; new files open to others; stale temporaries.
#include "fakes/fake_platform.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using data_file::LoadResult;
const Cp932Codec kCodec;
constexpr auto kEverything = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;

// rekuda31.dat in a folder of its own, read and written as the program does.
struct Folder
{
    LoadResult load() { return store.load(path, table, count); }
    QStringList entries() const { return QDir(dir.path()).entryList(kEverything); }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rekuda31.dat"));
    PosixFiles files;
    FakeMessages messages;
    data_file::Store store {files, kCodec, messages};
    MemoTable table;
    qint16 count = -1;
};

class TestStore : public QObject
{
    Q_OBJECT
private slots:
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // or <none>, <fifo>, <folder>, <loop>
        QTest::addColumn<LoadResult>("result");
        QTest::addColumn<QString>("aside"); // where it is moved; ".bad1" beside an older ".bad"
        QTest::addColumn<QByteArray>("written"); // by the next save: as loaded, else a count of 0, unless given
        const auto row = [](const char *name, const QByteArray &bytes, LoadResult result, const char *aside = "",
                             const QByteArray &written = {}) {
            QTest::newRow(name) << bytes << result << QString(aside)
                                << (written.isEmpty() ? result == LoadResult::Loaded ? bytes : "0\r\n" : written);
        };
        const QString memo = QStringLiteral("0,7,0,0,0,\"a\",0,0");
        QByteArray limit = dataFileOf({"0,7,0,0,0,\"\",0,0"});
        limit.insert(limit.indexOf("\"\"") + 1, QByteArray(PosixFiles::kSizeLimit - limit.size(), 'a'));
        row("every kind, extensions, a closing line break, odd values",
            dataFileOf({"15,8,0,0,0,\"①髙～ｶﾅ\",1,34", "0,10,25,0,0,\"一行目\r\n二行目\r\n\",0,0",
                "60,24,40,13,2026,\"a,b\",1,200"}),
            LoadResult::Loaded);
        row("a full table", dataFileOf(QStringList(kSlots, memo)), LoadResult::Loaded);
        row("hand-edited: blanks, LF, CR, text after a quote, a quote unquoted",
            "2\n 5 , 7,0,0,0, \"a\rb\nc\" x,0,\t2\n0,8,0,0,0,ab\"c,0,0\n", LoadResult::Loaded, "",
            dataFileOf({"5,7,0,0,0,\"a\r\nb\r\nc\",0,2", "0,8,0,0,0,\"ab＂c\",0,0"}));
        row("exactly the size limit", limit, LoadResult::Loaded);
        row("one byte over the size limit", limit + ' ', LoadResult::Damaged, ".bad");
        row("no file: a first start", "<none>", LoadResult::Missing);
        row("zero bytes, as deleting the last memo leaves", "", LoadResult::Empty);
        row("count 0", "0\r\n", LoadResult::Empty);
        row("count not a number", "x\r\n", LoadResult::Damaged, ".bad1");
        row("negative count", "-1\r\n", LoadResult::Damaged, ".bad1");
        row("22 memos", dataFileOf(QStringList(kSlots + 1, memo)), LoadResult::Damaged, ".bad1");
        for (const char *line : {"x,7,0,0,0,\"a\",0,0", "0,7,x,0,0,\"a\",0,0", "0,7,0,0,99999,\"a\",0,0",
                 "0,7,0,0,0,\"a\",,0", "0,7,0,0,0,\"a,0,0"})
            row(line, dataFileOf({line}), LoadResult::Damaged, ".bad1");
        row("FIFO", "<fifo>", LoadResult::Damaged);
        row("link to itself", "<loop>", LoadResult::Damaged);
        row("folder", "<folder>", LoadResult::Damaged, "", "<missing>");
    }
    // What loads is written back as Windows writes it. A damaged regular file is moved aside, where no save touches
    // it, and the user is told where; what is no regular file stays where it is.
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(LoadResult, result);
        QFETCH(QString, aside);
        QFETCH(QByteArray, written);
        Folder f;
        QVERIFY(bytes == "<fifo>"     ? !::mkfifo(QFile::encodeName(f.path), 0600)
                : bytes == "<folder>" ? QDir().mkdir(f.path)
                : bytes == "<loop>"   ? !::symlink("rekuda31.dat", QFile::encodeName(f.path))
                                      : bytes == "<none>" || writeBytes(f.path, bytes));
        QVERIFY(aside != QLatin1String(".bad1") || writeBytes(f.path + ".bad", "older"));
        QCOMPARE(f.load(), result);
        QCOMPARE(f.messages.shown.join(u'\n').contains(f.path + aside + u' '), result == LoadResult::Damaged);
        QVERIFY(aside.isEmpty() || readBytes(f.path + aside) == bytes);
        QCOMPARE(f.store.write(f.path, f.table, f.count), written != "<missing>");
        QCOMPARE(readBytes(f.path), written);
        const QStringList left {"rekuda31.dat", "rekuda31.dat.bad", "rekuda31.dat.bad1"};
        QCOMPARE(f.entries(), left.mid(0, aside.isEmpty() ? 1 : aside == QLatin1String(".bad") ? 2 : 3));
    }

    // Typed quotes, input-method forms and characters the file cannot hold, amid a long text.
    void storedText()
    {
        const QString kanji(100000, QChar(0x6F22)); // 漢
        QCOMPARE(data_file::storableText(kanji + QStringLiteral("\"hi\" 9時〜10時‖−¢£¬😀éｶﾅ"), kCodec),
            kanji + QStringLiteral("＂hi＂ 9時～10時∥－￠￡￢??ｶﾅ"));
    }

    // A save cut short leaves the old file and no temporary; a new file is private, a replaced one keeps its mode;
    // deleting what is gone is fine. Temporaries killed saves left beside the file or beside its link's target go;
    // another file's, another pattern's, another user's stay.
    void savesAndTemporaries()
    {
        Folder f;
        QString error;
        const auto rw = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QVERIFY(f.files.replace(f.path, "old\r\n", &error));
        QCOMPARE(QFile::permissions(f.path), rw);
        // A file-size limit makes the kernel cut the write short, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small {100, RLIM_INFINITY}, unlimited {RLIM_INFINITY, RLIM_INFINITY};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = f.files.replace(f.path, QByteArray(4096, 'x'), &error);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY(!written && error == QString::fromLocal8Bit(std::strerror(EFBIG))); // the message says why
        QCOMPARE(readBytes(f.path), QByteArray("old\r\n"));
        QCOMPARE(f.entries(), QStringList {"rekuda31.dat"});
        QCOMPARE(::chmod(QFile::encodeName(f.path), 0640), 0);
        QVERIFY(f.files.replace(f.path, "new\r\n", &error));
        QCOMPARE(QFile::permissions(f.path), rw | QFile::ReadGroup);
        QVERIFY(f.files.remove(f.path, &error) && f.files.remove(f.path, &error)); // the link below needs it gone
        QVERIFY(!f.files.replace(f.dir.filePath(QStringLiteral("gone/rekuda31.dat")), "0\r\n", &error));

        const auto at = [&f](const QString &name) { return f.dir.filePath(name); };
        QVERIFY(writeBytes(at("synced/memos.dat"), "0\r\n") && QFile::link(at("synced/memos.dat"), f.path));
        QStringList kept {"notes.txt.tmp-a1B2c3", "rekuda31.dat", "rekuda31.dat.tmp-a1B2c", "rekuda31.dat.tmp-nobody"};
        for (const QString &name : kept.mid(2)
                + QStringList {"notes.txt.tmp-a1B2c3", "rekuda31.dat.tmp-a1B2c3", "synced/memos.dat.tmp-Z9y8x7"})
            QVERIFY(writeBytes(at(name), "1\r\n"));
        if (::chown(QFile::encodeName(at(kept[3])).constData(), 65534, 65534) != 0)
            kept.removeLast(); // not root: ours after all
        f.files.removeStaleTemporaries(f.path);
        QCOMPARE(f.entries(), kept << "synced");
        QCOMPARE(QDir(at("synced")).entryList(QDir::Files), QStringList {"memos.dat"});
    }
};

QTEST_MAIN(TestStore)
#include "tst_store.moc"
