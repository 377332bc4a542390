#include "platform/program_directory.h"

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
    if (::geteuid() != 0)
        return; // the rows above already run as an ordinary user

    const QString own = root + QLatin1String("/own");
    QVERIFY(makeFolder(own + QLatin1String("/read-only"), 0555, true));
    QVERIFY(makeFolder(own + QLatin1String("/data"), 0755, true));
    QVERIFY(makeFolder(own, 0755, true));
    QTest::newRow("user_own_folder_made_read_only") << own + QLatin1String("/read-only") << true << false;
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
    QCOMPARE(QFileInfo(userData).isDir(), !besideProgram);
    QCOMPARE(QFileInfo::exists(programDirectory), programDirectoryExisted);
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
