// rekuda31.dat on disk: its bytes, its saves, where it lives and who reaches it. Catches: bytes other than Windows
// writes; a damaged or foreign file loaded, overwritten or dropped without a word, not moved aside; typed text kept in
// a form the file cannot hold; a save cut short that leaves neither the old memos nor the new; stale temporaries;
// memos kept where others can write; files open to others; a link of another user's followed; a lock that follows a
// link, or that two instances on a data folder miss; a probe for the running copy that makes a file or names a holder
// that is not there.
#include "fakes/fake_platform.h"
#include "platform/program_directory.h"
#include "platform/system_check_probes.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

const auto makeFolder = [](const QString &dir, mode_t mode, uid_t owner = -1, gid_t group = -1) {
    return QDir().mkpath(dir) && !chmod(QFile::encodeName(dir), mode) && !chown(QFile::encodeName(dir), owner, group);
};
const auto modeOf = [](const QString &path) {
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
};
// Puts at path these bytes, or <none>, <fifo>, <folder>, <device> (as /dev/null), <loop> (a link to itself).
const auto plant = [](const QString &path, const QByteArray &what) {
    const QByteArray name = QFile::encodeName(path);
    return what == "<fifo>"  ? !::mkfifo(name, 0600)
        : what == "<folder>" ? QDir().mkdir(path)
        : what == "<device>" ? !::mknod(name, S_IFCHR | 0666, makedev(1, 3))
        : what == "<loop>"   ? !::symlink(name, name)
                             : what == "<none>" || writeBytes(path, what);
};

using data_file::LoadResult;
const Cp932Codec kCodec;
constexpr auto kEverything = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;

// rekuda31.dat in a folder of its own, read and written as the program does.
struct Folder
{
    LoadResult load() { return store.load(path, table); }
    QStringList entries() const { return QDir(dir.path()).entryList(kEverything); }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rekuda31.dat"));
    PosixFiles files;
    FakeMessages messages;
    data_file::Store store {files, kCodec, messages};
    MemoTable table {Memo()}; // a load leaves nothing of what was there
};

class TestFilesOnDisk : public QObject
{
    Q_OBJECT
    QTemporaryDir m_root;

private slots:
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // or what plant() makes
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
        row("hand-edited: blanks, LF, CR, text after a quote, a quote unquoted",
            "2\n 5 , 7,0,0,0, \"a\rb\nc\" x,0,\t2\n0,8,0,0,0,ab\"c,0,0\n", LoadResult::Loaded, "",
            dataFileOf({"5,7,0,0,0,\"a\r\nb\r\nc\",0,2", "0,8,0,0,0,\"ab＂c\",0,0"}));
        row("blank lines and an end-of-file mark after the last record",
            "1\r\n" + memo.toLatin1() + "\r\n\r\n \r\n\x1a", LoadResult::Loaded, "", dataFileOf({memo}));
        row("count 1, a text with a line break and a second record",
            dataFileOf({"0,7,0,0,0,\"a\r\nb\",0,0", memo}).replace(0, 1, "1"), LoadResult::Damaged, ".bad1");
        row("count 2, one record", dataFileOf({memo}).replace(0, 1, "2"), LoadResult::Damaged, ".bad1");
        row("exactly the size limit", limit, LoadResult::Loaded);
        row("one byte over the size limit", limit + ' ', LoadResult::Damaged, ".bad");
        row("no file: a first start", "<none>", LoadResult::Missing);
        row("zero bytes, as deleting the last memo leaves", "", LoadResult::Empty);
        row("count 0", "0\r\n", LoadResult::Empty);
        for (const char *count : {"x", "-1"}) // not a number, negative
            row(count, QByteArray(count) + "\r\n", LoadResult::Damaged, ".bad1");
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
        QVERIFY(plant(f.path, bytes) && (aside != QLatin1String(".bad1") || writeBytes(f.path + ".bad", "older")));
        // rekuda31 --check reads a regular file within the size limit, and says of anything else that it is there.
        const check::DataFileFacts facts = SystemCheckProbes().dataFile(f.path);
        const bool regular = !bytes.startsWith('<') && bytes.size() <= PosixFiles::kSizeLimit;
        QCOMPARE(QStringLiteral("%1 %2").arg(facts.exists).arg(facts.readable),
            QStringLiteral("%1 %2").arg(bytes != "<none>").arg(regular));
        QVERIFY(facts.bytes == (regular ? bytes : QByteArray()));
        QCOMPARE(f.load(), result);
        QCOMPARE(f.messages.shown.join(u'\n').contains(f.path + aside + u' '), result == LoadResult::Damaged);
        QVERIFY(aside.isEmpty() || readBytes(f.path + aside) == bytes);
        QCOMPARE(f.store.write(f.path, f.table), written != "<missing>");
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
        QVERIFY(f.files.replace(f.path, "old\r\n", &error));
        QCOMPARE(modeOf(f.path), mode_t(S_IFREG | 0600));
        // A file-size limit makes the kernel cut the write short, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small {100, RLIM_INFINITY}, unlimited {RLIM_INFINITY, RLIM_INFINITY};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = f.files.replace(f.path, QByteArray(4096, 'x'), &error);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY(!written && error == QString::fromLocal8Bit(std::strerror(EFBIG))); // the message says why
        QCOMPARE(readBytes(f.path), QByteArray("old\r\n"));
        QCOMPARE(f.entries(), QStringList {"rekuda31.dat"});
        QVERIFY(!::chmod(QFile::encodeName(f.path), 0640) && f.files.replace(f.path, "new\r\n", &error));
        QCOMPARE(modeOf(f.path), mode_t(S_IFREG | 0640));
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

    void choose_data()
    {
        QTest::addColumn<QString>("programDirectory");
        QTest::addColumn<bool>("besideProgram");
        QTest::addColumn<int>("copied"); // the data file beside the program: 1 copied, 0 not (and why), -1 nothing said
        const auto row
            = [this](const char *name, mode_t mode, bool beside, int copied, uid_t uid = -1, gid_t gid = -1) {
                  QVERIFY(writeBytes(m_root.filePath(name) + "/rekuda31.dat", "1\r\n0,7,0,0,0,\"a\",0,0\r\n")
                      && makeFolder(m_root.filePath(name), mode, uid, gid));
                  QTest::newRow(name) << m_root.filePath(name) << beside << copied;
              };
        row("unpacked into a folder of the user's", 0755, true, -1);
        row("read-only", 0555, false, 1);
        row("world-writable and sticky, as /tmp", 01777, false, 0);
        QTest::newRow("installed in /usr/bin") << QStringLiteral("/usr/bin") << false << -1;
        qputenv("HOME", QFile::encodeName(m_root.filePath("home")));
        row("home/.local/bin", 0755, false, 1);
        if (::geteuid() != 0)
            return;
        row("another user's", 0755, false, 0, 65534, 65534);
        row("group-writable, a shared group", 0775, false, 0, 0, 65534);
        row("group-writable, the user's own group", 0775, true, -1);
    }
    // The data folder is made private; on the start that makes it, memos beside the program come along unless
    // others may have put them there, and the user is told where they live. The file beside the program stays.
    void choose()
    {
        QFETCH(QString, programDirectory);
        QFETCH(bool, besideProgram);
        QFETCH(int, copied);
        const QString userData = m_root.filePath(QStringLiteral("data/") + QTest::currentDataTag());
        ApplicationDirectory directory(programDirectory, userData);
        QCOMPARE(directory.path(), besideProgram ? programDirectory : userData);
        const bool made = directory.create();
        QVERIFY(made == !besideProgram && !directory.create());
        QCOMPARE(modeOf(userData), besideProgram ? mode_t(0) : mode_t(S_IFDIR | 0700));
        Folder f;
        if (made) // as start-up does
            f.store.adopt(programDirectory + "/rekuda31.dat", userData + "/rekuda31.dat",
                data_folder::isOwnedAndClosed(programDirectory));
        const QByteArray beside = readBytes(programDirectory + "/rekuda31.dat");
        QCOMPARE(readBytes(userData + "/rekuda31.dat"), copied == 1 ? beside : QByteArray("<missing>"));
        QCOMPARE(f.messages.shown.size(), copied >= 0 ? 1 : 0);
        QVERIFY(copied < 0 || f.messages.shown[0].contains(userData + "/rekuda31.dat"));
    }

    void links_data()
    {
        QTest::addColumn<QByteArray>("what"); // what rekuda31.dat -> hop -> there leads to
        QTest::addColumn<bool>("othersHop"); // hop is nobody's
        QTest::addColumn<QString>("acted"); // what a save replaces and a deletion removes
        QTest::newRow("ours to a regular file: written through") << QByteArray("old") << false << "there";
        for (const char *what : {"<fifo>", "<folder>", "<device>"})
            QTest::addRow("ours to a %s: our link replaced", what) << QByteArray(what) << false << "rekuda31.dat";
        QTest::newRow("another user's on the way: not followed") << QByteArray("old") << true << "hop";
    }
    // Our own links are followed to a regular file, so a file linked elsewhere stays there; one that leads to
    // anything else is replaced itself. Another user's link is neither read nor moved aside, but replaced.
    // What the links lead to stays as it was, unless it is what a save writes or a deletion removes.
    void links()
    {
        QFETCH(QByteArray, what);
        QFETCH(bool, othersHop);
        QFETCH(QString, acted);
        if ((othersHop || what == "<device>") && ::geteuid() != 0)
            QSKIP("needs root to make a device node or to give a link to another user");
        Folder f;
        const auto at = [&f](const QString &name) { return f.dir.filePath(name); };
        const auto link = [&] {
            return QFile::link(at("there"), at("hop")) && QFile::link(at("hop"), f.path)
                && (!othersHop || !::lchown(QFile::encodeName(at("hop")), 65534, 65534));
        };
        QVERIFY(plant(at("there"), what) && link() && f.files.exists(f.path));
        const mode_t before = modeOf(at("there"));
        QCOMPARE(f.files.read(f.path).value_or("-"), QByteArray(acted == "there" ? "old" : "-"));
        QVERIFY(acted == "there" || f.files.moveAside(f.path).isEmpty());
        QString error;
        QVERIFY2(f.files.replace(f.path, "1\r\n", &error), qPrintable(error));
        QCOMPARE(f.files.read(f.path).value_or("-") + f.files.read(at(acted)).value_or("-"), "1\r\n1\r\n");
        QCOMPARE(f.files.read(at("there")).value_or("-"), what == "old" ? acted == "there" ? "1\r\n" : "old" : "-");
        for (const QString name : {"rekuda31.dat", "hop", "there"})
            QCOMPARE(modeOf(at(name)), name == "there" ? before : name == acted ? S_IFREG | 0600u : S_IFLNK | 0777u);
        QVERIFY(QFile::remove(f.path) && QFile::remove(at("hop")) && link() && f.files.remove(f.path, &error));
        for (const QString name : {"rekuda31.dat", "hop", "there"})
            QCOMPARE(modeOf(at(name)) == 0, name == acted);
    }
    // Two starts on one data folder meet at its lock; the probe names the holder, none once released. A link planted as
    // the lock file is not followed.
    void oneCopyPerDataFolder()
    {
        const QDir dir(m_root.filePath(QStringLiteral("locks")));
        for (const char *folder : {"data", "other", "planted"})
            QVERIFY(makeFolder(dir.filePath(folder), 0700));
        FileLock first(dir.filePath("data")), neighbour(dir.filePath("other"));
        QVERIFY(first.holder() == 0 && modeOf(dir.filePath("data/.rekuda31.lock")) == 0); // asking makes no file
        QVERIFY(first.acquire() && neighbour.acquire());
        QCOMPARE(modeOf(dir.filePath("data/.rekuda31.lock")), mode_t(S_IFREG | 0600));
        QCOMPARE(FileLock(dir.filePath("data")).holder(), qint64(::getpid()));
        QVERIFY(!FileLock(dir.filePath("data")).acquire()); // another environment's: e2e_check
        first.release(); // its file stays, unlocked, while the neighbour's is held
        QCOMPARE(FileLock(dir.filePath("data")).holder(), 0);
        QVERIFY(writeBytes(dir.filePath("mine"), "x")
            && QFile::link(dir.filePath("mine"), dir.filePath("planted/.rekuda31.lock")));
        QVERIFY(FileLock(dir.filePath("planted")).acquire() && readBytes(dir.filePath("mine")) == "x");
        QCOMPARE(modeOf(dir.filePath("planted/.rekuda31.lock")), mode_t(S_IFREG | 0600));
    }
};

QTEST_GUILESS_MAIN(TestFilesOnDisk)
#include "tst_files_on_disk.moc"
