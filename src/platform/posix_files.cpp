#include "platform/posix_files.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
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

void syncFolder(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The file a write or deletion is meant for: where a link sends it, so that
// a data file the user linked to another folder stays there.
QString resolved(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? info.symLinkTarget() : target;
}

} // namespace

std::optional<QByteArray> PosixFiles::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A data file is a few kilobytes; anything huge is not ours.
    constexpr qint64 kLimit = 16 * 1024 * 1024;
    if (file.size() > kLimit)
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool PosixFiles::exists(const QString &path)
{
    return QFileInfo::exists(path);
}

bool PosixFiles::replace(const QString &path, const QByteArray &bytes, QString *error)
{
    const QString file = resolved(path);
    const QByteArray target = QFile::encodeName(file);
    QByteArray temp = target + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = lastError();
        return false;
    }
    // The new file takes the old one's permissions: memos made private stay so.
    struct stat old = {};
    ::fchmod(fd, ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    if (!ok)
        *error = lastError();
    if (::close(fd) != 0 && ok) {
        ok = false;
        *error = lastError();
    }
    if (ok && ::rename(temp.constData(), target.constData()) != 0) {
        ok = false;
        *error = lastError();
    }
    if (!ok) {
        ::unlink(temp.constData());
        return false;
    }
    syncFolder(file);
    return true;
}

bool PosixFiles::remove(const QString &path, QString *error)
{
    const QString file = resolved(path);
    if (::unlink(QFile::encodeName(file).constData()) == 0 || errno == ENOENT) {
        syncFolder(file);
        return true;
    }
    *error = lastError();
    return false;
}

QString PosixFiles::moveAside(const QString &path)
{
    QString aside = path + QLatin1String(".bad");
    for (int n = 1; QFileInfo::exists(aside); ++n)
        aside = path + QLatin1String(".bad") + QString::number(n);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0)
        return QString();
    syncFolder(path);
    return aside;
}
