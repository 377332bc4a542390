#include "platform/qt_services.h"

#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// /proc/locks names a file by its device and inode.
QByteArray lockTableName(const struct stat &st)
{
    return QString::asprintf(
        "%02x:%02x:%llu", ::major(st.st_dev), ::minor(st.st_dev), static_cast<unsigned long long>(st.st_ino))
        .toLatin1();
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
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

QString FileLock::fileName() const
{
    return m_directory + QLatin1String("/.rekuda31.lock");
}

bool FileLock::acquire()
{
    const QByteArray path = QFile::encodeName(fileName());
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path.constData(), flags, 0600);
    // A link in a folder of ours was not put there by us: it goes, and
    // whatever it points to stays untouched.
    if (fd < 0 && errno == ELOOP && ::unlink(path.constData()) == 0)
        fd = ::open(path.constData(), flags, 0600);
    struct stat st = {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        // A folder we cannot write to: every save will fail and say so; better
        // a reminder than none.
        if (fd >= 0)
            ::close(fd);
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    release();
    m_fd = fd;
    return true;
}

qint64 FileLock::holder() const
{
    struct stat st = {};
    if (::lstat(QFile::encodeName(fileName()).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    QFile table(QStringLiteral("/proc/locks"));
    if (!table.open(QIODevice::ReadOnly))
        return 0;
    // "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10952883 0 EOF"; waiters are marked "->".
    const QByteArray file = lockTableName(st);
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[5] == file)
            return fields[4].toLongLong();
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
