// Where the memos live and who reaches them. Catches: memos kept in an installed program's folder or in one others can
// write to; a data folder open to others; a read, move, save or deletion that follows another user's link to our file;
// a lock outside a private folder, or one two instances on a data folder miss.
#include "platform/posix_files.h"
#include "platform/program_directory.h"
#include "platform/qt_services.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

const auto makeFolder = [](const QString &dir, mode_t mode, uid_t owner = -1, gid_t group = -1) {
    return QDir().mkpath(dir) && !chmod(QFile::encodeName(dir), mode) && !chown(QFile::encodeName(dir), owner, group);
};
const auto modeOf = [](const QString &path) {
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
};

class TestDataFolder : public QObject
{
    Q_OBJECT
    QTemporaryDir m_root;

private slots:
    void choose_data()
    {
        QTest::addColumn<QString>("programDirectory");
        QTest::addColumn<bool>("besideProgram");
        const auto row = [this](const char *name, mode_t mode, bool beside, uid_t owner = -1, gid_t group = -1) {
            QVERIFY(makeFolder(m_root.filePath(name), mode, owner, group));
            QTest::newRow(name) << m_root.filePath(name) << beside;
        };
        row("unpacked into a folder of the user's", 0755, true);
        row("read-only", 0555, false);
        row("world-writable and sticky, as /tmp", 01777, false);
        QTest::newRow("installed in /usr/bin") << QStringLiteral("/usr/bin") << false;
        if (::geteuid() != 0)
            return;
        row("another user's", 0755, false, 65534, 65534);
        row("group-writable, a shared group", 0775, false, 0, 65534);
        row("group-writable, the user's own group", 0775, true);
    }
    void choose()
    {
        QFETCH(QString, programDirectory);
        QFETCH(bool, besideProgram);
        const QString userData = m_root.filePath(QStringLiteral("data/") + QTest::currentDataTag());
        ApplicationDirectory directory(programDirectory, userData);
        QCOMPARE(directory.path(), besideProgram ? programDirectory : userData);
        directory.create();
        QCOMPARE(modeOf(userData), besideProgram ? mode_t(0) : mode_t(S_IFDIR | 0700));
    }

    // Our own link is followed, so a file linked elsewhere stays there; another user's link (nobody's) to a file of
    // ours is not read nor moved aside, a deletion removes the link and a save replaces it with a private file.
    void linksOfOtherUsersAreNotFollowed()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to give a link to another user");
        const QString ours = m_root.filePath("ours"), link = m_root.filePath("link"), data = m_root.filePath("memos");
        const auto plant = [&] { return QFile::link(ours, link) && !::lchown(QFile::encodeName(link), 65534, 65534); };
        PosixFiles files;
        QString error;
        QVERIFY(files.replace(ours, "my notes\n", &error) && plant() && QFile::link(link, data));
        QVERIFY(files.exists(data) && !files.read(data) && files.moveAside(data).isEmpty() && S_ISLNK(modeOf(link)));
        QVERIFY(files.remove(data, &error) && modeOf(link) == 0 && S_ISLNK(modeOf(data)));
        QVERIFY(plant() && files.replace(data, "1\r\n", &error) && modeOf(link) == (S_IFREG | 0600));
        QCOMPARE(files.read(data).value_or("?") + files.read(ours).value_or("?"), QByteArray("1\r\nmy notes\n"));
    }

    void lockStaysPrivate_data()
    {
        QTest::addColumn<int>("runtime"); // mode of XDG_RUNTIME_DIR; 0: unset
        QTest::addColumn<QString>("expected"); // the lock's folder
        QTest::newRow("runtime folder") << 0700 << "runtime";
        QTest::newRow("runtime folder shared with every user") << 01777 << "home/.cache/rekuda31";
        QTest::newRow("no runtime folder, no home") << 0 << QStringLiteral("rekuda31-%1").arg(::geteuid());
    }
    void lockStaysPrivate() // the last test: it changes the environment
    {
        QFETCH(int, runtime);
        QFETCH(QString, expected);
        const QDir dir(m_root.filePath(QTest::currentDataTag()));
        QVERIFY(makeFolder(dir.filePath("home"), 0700) && makeFolder(dir.filePath("runtime"), runtime | 0700));
        runtime ? qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath("runtime"))) : qunsetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_CACHE_HOME");
        qputenv("HOME", QFile::encodeName(dir.filePath(expected.startsWith("rekuda31") ? "none" : "home")));
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        FileLock first(dir.filePath("data"));
        QVERIFY(first.acquire() && FileLock(dir.filePath("other")).acquire());
        QCOMPARE(modeOf(dir.filePath(expected + u'/' + first.fileName())), mode_t(S_IFREG | 0600));
        QCOMPARE(QFileInfo::exists(dir.filePath("runtime/" + first.fileName())), runtime == 0700);
        QVERIFY(!QFileInfo::exists(dir.filePath("data")) && !FileLock(dir.filePath("data")).acquire());
        qunsetenv("XDG_RUNTIME_DIR"); // a start without the session's runtime folder (su, ssh) still meets it
        QVERIFY(!FileLock(dir.filePath("data")).acquire());
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
