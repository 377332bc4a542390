#include "platform/program_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace data_folder {

namespace {
bool isInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}
} // namespace

bool isInstallLocation(const QString &directory)
{
    QString path = QFileInfo(directory).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QDir(directory).absolutePath());
    // /usr covers /usr/local; /snap, /app and /nix are the roots of snaps,
    // Flatpaks and Nix; ~/.local/bin is where a per-user install puts programs.
    static const char *const roots[] = {"/usr", "/opt", "/bin", "/sbin", "/snap", "/app", "/nix"};
    for (const char *root : roots) {
        if (isInside(path, QLatin1String(root)))
            return true;
    }
    const QString home = QFileInfo(QDir::homePath()).canonicalFilePath();
    return !home.isEmpty() && home != QLatin1String("/") && isInside(path, home + QLatin1String("/.local/bin"));
}

bool isWritable(const QString &directory)
{
    const QByteArray name = QFile::encodeName(directory);
    // Catches missing permission and read-only mounts alike, with the
    // effective ids that the program's writes will use.
    if (::faccessat(AT_FDCWD, name.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    if (::geteuid() != 0)
        return true;
    struct stat st = {};
    if (::stat(name.constData(), &st) != 0)
        return false;
    if (st.st_uid == 0)
        return (st.st_mode & S_IWUSR) != 0;
    if (st.st_gid == ::getegid())
        return (st.st_mode & S_IWGRP) != 0;
    return (st.st_mode & S_IWOTH) != 0;
}

// A group that holds this user alone: the user's private group.
bool isPrivateGroup(gid_t gid)
{
    const passwd *user = ::getpwuid(::geteuid());
    const group *grp = ::getgrgid(gid);
    return user && grp && user->pw_gid == gid && std::strcmp(grp->gr_name, user->pw_name) == 0
        && (!grp->gr_mem[0] || (std::strcmp(grp->gr_mem[0], user->pw_name) == 0 && !grp->gr_mem[1]));
}

bool isOwnedAndClosed(const QString &directory)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(directory).constData(), &st) == 0 && st.st_uid == ::geteuid()
        && (st.st_mode & S_IWOTH) == 0 && ((st.st_mode & S_IWGRP) == 0 || isPrivateGroup(st.st_gid));
}

QString choose(const QString &programDirectory, const QString &userDataDirectory)
{
    // Nothing is created here: the choice is made before any copy holds the folder's lock.
    if (!isInstallLocation(programDirectory) && isOwnedAndClosed(programDirectory) && isWritable(programDirectory))
        return programDirectory;
    return userDataDirectory;
}

} // namespace data_folder

ApplicationDirectory::ApplicationDirectory()
    : ApplicationDirectory(
        QCoreApplication::applicationDirPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
{ }

ApplicationDirectory::ApplicationDirectory(QString programDirectory, QString userDataDirectory)
    : m_programDirectory(std::move(programDirectory))
    , m_userDataDirectory(std::move(userDataDirectory))
{ }

QString ApplicationDirectory::path() const
{
    if (!m_path)
        m_path = data_folder::choose(m_programDirectory, m_userDataDirectory);
    return *m_path;
}

bool ApplicationDirectory::create()
{
    QStringList missing;
    for (QString folder = QDir::cleanPath(path()); !folder.isEmpty() && !QFileInfo::exists(folder);) {
        missing.prepend(folder);
        const QString parent = QFileInfo(folder).path();
        folder = parent == folder ? QString() : parent;
    }
    // A folder that cannot be made surfaces as a failed write of the data
    // file, which the store reports.
    for (const QString &folder : std::as_const(missing))
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    return !missing.isEmpty() && QFileInfo(path()).isDir();
}
