// Where the memos live and who else can reach them: the folder choice, links
// of other users, and the single-instance lock in shared folders.
#include "fakes/memo_fixtures.h"

#include "platform/posix_files.h"
#include "platform/program_directory.h"
#include "platform/qt_services.h"

#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr uid_t kOtherUser = 65534; // nobody
constexpr gid_t kOtherGroup = 65534; // nogroup

bool makeFolder(const QString &path, mode_t mode, bool otherOwner = false)
{
    const QByteArray name = QFile::encodeName(path);
    if (!QDir().mkpath(path) || ::chmod(name.constData(), mode) != 0)
        return false;
    return !otherOwner || ::chown(name.constData(), kOtherUser, kOtherGroup) == 0;
}

mode_t modeOf(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// A symbolic link that belongs to another user.
bool plantLink(const QString &target, const QString &link)
{
    return QFile::link(target, link) && ::lchown(QFile::encodeName(link).constData(), kOtherUser, kOtherGroup) == 0;
}

// The decision as an ordinary user makes it, in a child process that has
// given up root.
QString chooseAsOtherUser(const QString &programDirectory, const QString &userDataDirectory)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return QStringLiteral("<no pipe>");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kOtherGroup) != 0 || ::setuid(kOtherUser) != 0)
            ::_exit(2);
        const QByteArray answer = data_folder::choose(programDirectory, userDataDirectory).toUtf8();
        const bool written = ::write(fds[1], answer.constData(), size_t(answer.size())) == answer.size();
        ::_exit(written ? 0 : 3);
    }
    ::close(fds[1]);
    QByteArray answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("<child failed with %1>").arg(status);
    return QString::fromUtf8(answer);
}
} // namespace

class TestDataFolder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void choose_data();
    void choose();
    void linksOfOtherUsersAreNotFollowed_data();
    void linksOfOtherUsersAreNotFollowed();
    void lockStaysPrivate_data();
    void lockStaysPrivate();

private:
    QTemporaryDir m_root;
};

void TestDataFolder::initTestCase()
{
    QVERIFY(m_root.isValid());
    // Another user must be able to reach the folders below.
    QVERIFY(makeFolder(m_root.path(), 0755));
}

void TestDataFolder::choose_data()
{
    QTest::addColumn<QString>("programDirectory");
    QTest::addColumn<bool>("asOtherUser"); // run as an ordinary user in a child, when the tests run as root
    QTest::addColumn<bool>("besideProgram");

    const QString root = m_root.path();
    QVERIFY(makeFolder(root + QLatin1String("/unpacked"), 0755));
    QVERIFY(makeFolder(root + QLatin1String("/read-only"), 0555));
    QTest::newRow("unpacked_into_writable_folder") << root + QLatin1String("/unpacked") << false << true;
    QTest::newRow("unpacked_into_read_only_folder") << root + QLatin1String("/read-only") << false << false;
    QTest::newRow("installed_in_usr_bin") << QStringLiteral("/usr/bin") << false << false;
    // A program left in /tmp: anyone could plant rekuda31.dat there as a link.
    QVERIFY(makeFolder(root + QLatin1String("/sticky"), 01777));
    QTest::newRow("world_writable_sticky_folder") << root + QLatin1String("/sticky") << false << false;
    if (::geteuid() != 0)
        return; // the rows above already run as an ordinary user

    const QString own = root + QLatin1String("/own");
    QVERIFY(makeFolder(own + QLatin1String("/read-only"), 0555, true));
    QVERIFY(makeFolder(own + QLatin1String("/data"), 0755, true));
    QVERIFY(makeFolder(own, 0755, true));
    QTest::newRow("user_own_folder_made_read_only") << own + QLatin1String("/read-only") << true << false;
    // Root can write into it, but it belongs to another user.
    QTest::newRow("folder_of_another_user") << own << false << false;
    // Writable by its group: private only when the group is the user's own.
    const QString shared = root + QLatin1String("/group-shared");
    QVERIFY(makeFolder(shared, 0775));
    QCOMPARE(::chown(QFile::encodeName(shared).constData(), ::geteuid(), kOtherGroup), 0);
    QTest::newRow("group_writable_shared_group") << shared << false << false;
    QVERIFY(makeFolder(root + QLatin1String("/group-private"), 0775));
    QTest::newRow("group_writable_private_group") << root + QLatin1String("/group-private") << false << true;
}

void TestDataFolder::choose()
{
    QFETCH(QString, programDirectory);
    QFETCH(bool, asOtherUser);
    QFETCH(bool, besideProgram);
    const QString userData = m_root.filePath(
        (asOtherUser ? QStringLiteral("own/data/%1") : QStringLiteral("data/%1")).arg(QTest::currentDataTag()));
    const bool programDirectoryExisted = QFileInfo::exists(programDirectory);

    const QString chosen
        = asOtherUser ? chooseAsOtherUser(programDirectory, userData) : data_folder::choose(programDirectory, userData);

    QCOMPARE(chosen, besideProgram ? programDirectory : userData);
    // Nothing is made before the instance lock is held ...
    QVERIFY(!QFileInfo::exists(userData));
    QCOMPARE(QFileInfo::exists(programDirectory), programDirectoryExisted);
    if (asOtherUser)
        return;
    // ... and afterwards the user's data folder is made private.
    ApplicationDirectory directory(programDirectory, userData);
    directory.create();
    QCOMPARE(QFileInfo(userData).isDir(), !besideProgram);
    if (!besideProgram)
        QCOMPARE(modeOf(userData) & 0777, mode_t(0700));
}

void TestDataFolder::linksOfOtherUsersAreNotFollowed_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("throughOwnLink"); // our own link leads to the other user's link
    for (const char *operation : {"save", "delete", "move aside", "read"}) {
        QTest::addRow("%s", operation) << QString::fromLatin1(operation) << false;
        QTest::addRow("%s through an own link", operation) << QString::fromLatin1(operation) << true;
    }
}

// Another user's link named rekuda31.dat, pointing at a file of ours, is never
// a way to that file: a save replaces the link, a deletion removes it.
void TestDataFolder::linksOfOtherUsersAreNotFollowed()
{
    if (::geteuid() != 0)
        QSKIP("needs root to give a link to another user");
    QFETCH(QString, operation);
    QFETCH(bool, throughOwnLink);
    QTemporaryDir dir;
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    const QString planted = dir.filePath(QStringLiteral("planted"));
    const QString data = dir.filePath(QStringLiteral("rekuda31.dat"));
    QVERIFY(writeBytes(notes, "my notes\n"));
    QVERIFY(plantLink(notes, throughOwnLink ? planted : data));
    if (throughOwnLink)
        QVERIFY(QFile::link(planted, data));
    const QString foreign = throughOwnLink ? planted : data;

    PosixFiles files;
    QString error;
    if (operation == QLatin1String("save")) {
        QVERIFY(files.replace(data, "1\r\n", &error));
        QCOMPARE(readBytes(foreign), QByteArray("1\r\n"));
        QVERIFY(S_ISREG(modeOf(foreign)));
        QCOMPARE(modeOf(foreign) & 07777, mode_t(0600));
    } else if (operation == QLatin1String("delete")) {
        QVERIFY(files.remove(data, &error));
        QCOMPARE(modeOf(foreign), mode_t(0));
    } else if (operation == QLatin1String("move aside")) {
        QCOMPARE(files.moveAside(data), QString());
        QVERIFY(S_ISLNK(modeOf(foreign)));
    } else {
        QVERIFY(files.exists(data));
        QVERIFY(!files.read(data));
        QVERIFY(S_ISLNK(modeOf(foreign)));
    }
    QCOMPARE(readBytes(notes), QByteArray("my notes\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).filter(".bad"),
        QStringList());
}

void TestDataFolder::lockStaysPrivate_data()
{
    QTest::addColumn<QString>("runtime"); // mode of XDG_RUNTIME_DIR; empty: unset
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("expected"); // the lock's folder
    QTest::newRow("runtime folder") << "0700"
                                    << "home"
                                    << "runtime";
    QTest::newRow("no runtime folder: the home's cache") << ""
                                                         << "home"
                                                         << "home/.cache/rekuda31";
    QTest::newRow("runtime folder shared with every user") << "1777"
                                                           << "home"
                                                           << "home/.cache/rekuda31";
    QTest::newRow("no runtime folder, no home") << ""
                                                << "none" << QStringLiteral("tmp/rekuda31-%1").arg(::geteuid());
}

// Another user who takes the lock's name first, as a file or as a link, never
// gets two instances to run on one data folder; nor does the lock need the
// data folder to exist.
void TestDataFolder::lockStaysPrivate()
{
    QFETCH(QString, runtime);
    QFETCH(QString, home);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const auto at = [&root](const QString &name) { return root.filePath(name); };
    QVERIFY(makeFolder(at("tmp"), 01777) && makeFolder(at("home"), 0700));
    QVERIFY(makeFolder(at("runtime"), runtime.isEmpty() ? 0700 : mode_t(runtime.toUInt(nullptr, 8))));
    const QByteArrayList names {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME", "TMPDIR"};
    const QStringList values {runtime.isEmpty() ? QString() : at("runtime"), QString(), at(home), at("tmp")};
    QByteArrayList saved;
    for (qsizetype i = 0; i < names.size(); ++i) {
        saved << qgetenv(names[i]);
        values[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], QFile::encodeName(values[i]));
    }
    const auto restore = qScopeGuard([&] {
        for (qsizetype i = 0; i < names.size(); ++i)
            saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    });

    const QString data = at("data/rekuda31");
    FileLock first(data);
    const QString name = first.fileName();
    if (::geteuid() == 0 && runtime == QLatin1String("1777")) {
        QVERIFY(writeBytes(at("runtime/" + name), "squatter"));
        QCOMPARE(::chown(QFile::encodeName(at("runtime/" + name)).constData(), kOtherUser, kOtherGroup), 0);
        QVERIFY(plantLink(at("victim"), at("tmp/" + name))); // where the lock used to be
    }
    QVERIFY(first.acquire());
    const QString lock = at(expected + QLatin1Char('/') + name);
    QVERIFY2(S_ISREG(modeOf(lock)), qPrintable(lock));
    QCOMPARE(modeOf(lock) & 07777, mode_t(0600));
    QCOMPARE(modeOf(QFileInfo(lock).path()) & 077, mode_t(0));
    QVERIFY(!QFileInfo::exists(data));
    QVERIFY(!FileLock(data).acquire());
    // Once the first instance has made the data folder, the name is the same.
    QVERIFY(QDir().mkpath(data));
    QVERIFY(!FileLock(data).acquire());
    QVERIFY(FileLock(at("data/other")).acquire());
    QVERIFY(!QFileInfo::exists(at("victim")));
    // A start without the session's runtime folder (su, ssh) still meets it.
    qunsetenv("XDG_RUNTIME_DIR");
    QVERIFY(!FileLock(data).acquire());
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
