#include "platform/posix_files.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

QByteArray folderOf(const QByteArray &file)
{
    const qsizetype slash = file.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : file.left(slash);
}

void syncFolder(const QByteArray &file)
{
    const int fd = ::open(folderOf(file).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The file a read, write or deletion is meant for. The user's own links are
// followed, so that a data file linked to another folder stays there; a link
// that belongs to anyone else is the file itself, never a way elsewhere.
struct Resolved
{
    QByteArray path;
    bool unfollowedLink = false;
};

Resolved resolve(const QString &path)
{
    QByteArray current = QFile::encodeName(path);
    for (int hops = 0; hops < 16; ++hops) {
        struct stat st = {};
        if (::lstat(current.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return {current, false};
        if (st.st_uid != ::geteuid())
            return {current, true};
        char target[PATH_MAX];
        const ssize_t n = ::readlink(current.constData(), target, sizeof target);
        if (n <= 0 || n >= ssize_t(sizeof target))
            return {current, true};
        const QByteArray next(target, n);
        current = next.startsWith('/') ? next : folderOf(current) + '/' + next;
    }
    return {current, true};
}

// Where a save or a deletion acts: the file the link leads to, unless that
// is a device, a FIFO or a folder (a link to /dev/null says "keep nothing"):
// then the user's link itself, and what it points to is left as it was.
QByteArray target(const QString &path, const Resolved &file)
{
    struct stat st = {};
    if (!file.unfollowedLink && ::stat(file.path.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return QFile::encodeName(path);
    return file.path;
}

// rename() that fails with EEXIST instead of replacing an existing file.
bool renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without it: a new hard link refuses to replace just the same.
    if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), 0) == 0) {
        ::unlink(from.constData());
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return false;
    // Nor hard links (FAT): check, then rename.
    struct stat st = {};
    if (::lstat(to.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

} // namespace

std::optional<QByteArray> PosixFiles::read(const QString &path)
{
    const Resolved file = resolve(path);
    // Checked before opening, so that a device is never opened at all, and
    // again on the open file; O_NONBLOCK keeps a FIFO from hanging start-up,
    // O_NOFOLLOW a link put there meanwhile from being followed.
    struct stat st = {};
    if (file.unfollowedLink || ::stat(file.path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return readRegular(file.path, false);
}

std::optional<QByteArray> PosixFiles::readOwn(const QString &path)
{
    struct stat st = {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return readRegular(name, true);
}

std::optional<QByteArray> PosixFiles::readRegular(const QByteArray &path, bool ownOnly)
{
    struct stat st = {};
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray bytes;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (!ownOnly || st.st_uid == ::geteuid());
    if (ok)
        bytes.reserve(qsizetype(std::min<qint64>(st.st_size, kSizeLimit) + 1));
    // One byte past the limit tells a file that is too large from one that fits.
    char buffer[65536];
    while (ok && bytes.size() <= kSizeLimit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fd);
    if (!ok || bytes.size() > kSizeLimit)
        return std::nullopt;
    return bytes;
}

bool PosixFiles::exists(const QString &path)
{
    const Resolved file = resolve(path);
    struct stat st = {};
    return file.unfollowedLink || ::stat(file.path.constData(), &st) == 0;
}

bool PosixFiles::replace(const QString &path, const QByteArray &bytes, QString *error)
{
    Resolved file = resolve(path);
    file.path = target(path, file);
    QByteArray temp = file.path + ".tmp-XXXXXX";
    // mkostemp creates the file 0600, whatever the umask.
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = lastError();
        return false;
    }
    // A replaced file keeps its permissions: memos the user shared stay shared.
    struct stat old = {};
    bool ok = true;
    if (!file.unfollowedLink && ::stat(file.path.constData(), &old) == 0 && S_ISREG(old.st_mode)
        && (old.st_mode & 07777) != 0600)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, bytes) && ::fsync(fd) == 0;
    if (!ok)
        *error = lastError();
    if (::close(fd) != 0 && ok) {
        ok = false;
        *error = lastError();
    }
    // rename() replaces a link itself, never what it points to.
    if (ok && ::rename(temp.constData(), file.path.constData()) != 0) {
        ok = false;
        *error = lastError();
    }
    if (!ok) {
        ::unlink(temp.constData());
        return false;
    }
    syncFolder(file.path);
    return true;
}

bool PosixFiles::remove(const QString &path, QString *error)
{
    Resolved file = resolve(path);
    file.path = target(path, file);
    if (::unlink(file.path.constData()) == 0 || errno == ENOENT) {
        syncFolder(file.path);
        return true;
    }
    *error = lastError();
    return false;
}

QString PosixFiles::moveAside(const QString &path)
{
    // Only a regular file can be a damaged data file; a FIFO, a device or
    // another user's link is left exactly as it is.
    const Resolved file = resolve(path);
    struct stat st = {};
    if (file.unfollowedLink || ::stat(file.path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return QString();
    // The file itself moves: a link of the user's keeps pointing where the
    // next save will write.
    const QByteArray from = file.path;
    const QString name = QFile::decodeName(file.path);
    for (int n = 0; n < 1000; ++n) {
        const QString aside = name + QLatin1String(".bad") + (n > 0 ? QString::number(n) : QString());
        const QByteArray to = QFile::encodeName(aside);
        const bool moved = renameNoReplace(from, to);
        if (moved) {
            syncFolder(from);
            return aside;
        }
        if (errno != EEXIST)
            return QString();
    }
    return QString();
}

void PosixFiles::removeStaleTemporaries(const QString &path)
{
    QList<QByteArray> files {QFile::encodeName(path)};
    const Resolved target = resolve(path);
    if (!target.unfollowedLink && target.path != files.first())
        files << target.path;
    for (const QByteArray &file : files) {
        const QByteArray prefix = file.mid(file.lastIndexOf('/') + 1) + ".tmp-";
        DIR *folder = ::opendir(folderOf(file).constData());
        if (!folder)
            continue;
        while (const dirent *entry = ::readdir(folder)) {
            const QByteArray name(entry->d_name);
            // mkostemp's six letters and digits.
            if (name.size() != prefix.size() + 6 || !name.startsWith(prefix))
                continue;
            const QByteArray suffix = name.mid(prefix.size());
            if (std::any_of(suffix.begin(), suffix.end(), [](char c) { return !std::isalnum(uchar(c)); }))
                continue;
            struct stat st = {};
            if (::fstatat(::dirfd(folder), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
                && st.st_uid == ::geteuid())
                ::unlinkat(::dirfd(folder), name.constData(), 0);
        }
        ::closedir(folder);
    }
}
