#include "platform/qt_services.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The folder as it will be once it exists: its nearest existing ancestor
// with links resolved, then the rest. Two instances agree on it whether or
// not the first has created the folder yet.
QString stablePath(const QString &directory)
{
    QString rest;
    for (QString folder = QDir::cleanPath(QDir(directory).absolutePath()); !folder.isEmpty();) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty())
            return QDir::cleanPath(canonical + rest);
        const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
        rest.prepend(folder.mid(slash));
        folder = folder.left(slash);
    }
    return QDir::cleanPath(directory);
}

// A folder that only this user can change: a real directory (not a link),
// ours, writable by nobody else. A missing one (and its parent) is made so
// when asked.
bool isPrivateFolder(const QString &folder, bool create)
{
    const QByteArray name = QFile::encodeName(folder);
    if (create) {
        ::mkdir(QFile::encodeName(QFileInfo(folder).path()).constData(), 0700);
        ::mkdir(name.constData(), 0700);
    }
    struct stat st = {};
    return ::lstat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

struct LockFolder
{
    QString path;
    bool create;
    bool lastResort = false;
};

// Where the lock may live, best first: the session's runtime folder, then a
// folder of ours in the user's cache folder, then one in the temporary
// folder. Another user can take a name in a shared folder first, so each is
// used only when it is private.
QList<LockFolder> lockFolders()
{
    QList<LockFolder> folders;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')))
        folders.append({runtime, false});
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString home = qEnvironmentVariable("HOME");
    if (!cache.startsWith(QLatin1Char('/')) && home.startsWith(QLatin1Char('/')))
        cache = home + QLatin1String("/.cache");
    if (cache.startsWith(QLatin1Char('/')))
        folders.append({cache + QLatin1String("/rekuda31"), true});
    folders.append({QStringLiteral("%1/rekuda31-%2").arg(QDir::tempPath()).arg(::geteuid()), true, true});
    return folders;
}

} // namespace

FileLock::FileLock(QString directory)
    : m_directory(std::move(directory))
{ }

FileLock::~FileLock()
{
    release();
}

void FileLock::release()
{
    for (const int fd : m_fds)
        ::close(fd);
    m_fds.clear();
}

QString FileLock::fileName() const
{
    const QByteArray key
        = QCryptographicHash::hash(stablePath(m_directory).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("rekuda31-%1-%2.lock").arg(::getuid()).arg(QString::fromLatin1(key));
}

// The lock is taken in the runtime folder and in the cache folder alike,
// whichever are private: a start from a shell without the session's
// runtime folder (su, ssh) still meets the running instance in the cache
// folder. The temporary folder serves only when neither is private.
bool FileLock::acquire()
{
    const QString name = fileName();
    bool locked = false;
    for (const LockFolder &folder : lockFolders()) {
        if (folder.lastResort && locked)
            break;
        if (!isPrivateFolder(folder.path, folder.create))
            continue;
        const QString path = folder.path + QLatin1Char('/') + name;
        const int fd
            = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        struct stat st = {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                release();
                return false;
            }
            m_fds.push_back(fd);
            locked = true;
            continue;
        }
        // Not ours after all: the next folder.
        if (fd >= 0)
            ::close(fd);
    }
    return true; // with no private folder anywhere: better a reminder than none
}

qint64 FileLock::holder() const
{
    QFile table(QStringLiteral("/proc/locks"));
    if (!table.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> locks = table.readAll().split('\n');
    for (const LockFolder &folder : lockFolders()) {
        struct stat st = {};
        const QByteArray path = QFile::encodeName(folder.path + QLatin1Char('/') + fileName());
        if (!isPrivateFolder(folder.path, false) || ::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        // "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10952883 0 EOF"; waiters are marked "->".
        const QByteArray file = QString::asprintf(
            "%02x:%02x:%llu", ::major(st.st_dev), ::minor(st.st_dev), static_cast<unsigned long long>(st.st_ino))
                                    .toLatin1();
        for (const QByteArray &line : locks) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[5] == file)
                return fields[4].toLongLong();
        }
    }
    return 0;
}

void MessageBoxes::error(const QString &title, const QString &text)
{
    // Not modal: the clock and the alarms keep running while it is open.
    auto *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->show();
}
