#include "platform/qt_services.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMessageBox>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool FileLock::acquire()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    const QByteArray key
        = QCryptographicHash::hash(QDir(m_directory).canonicalPath().toUtf8(), QCryptographicHash::Sha1)
              .toHex()
              .left(16);
    const QString name
        = QStringLiteral("%1/rekuda31-%2-%3.lock").arg(folder).arg(::getuid()).arg(QString::fromLatin1(key));
    m_fd = ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return true; // no lock can be had: better two reminders than none
    // In a shared folder such as /tmp another user could create the name
    // first and, by holding it, keep the program from ever starting.
    struct stat st = {};
    if (::fstat(m_fd, &st) != 0 || st.st_uid != ::geteuid()) {
        ::close(m_fd);
        m_fd = -1;
        return true;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    ::close(m_fd);
    m_fd = -1;
    return false;
}

void MessageBoxes::error(const QString &title, const QString &text)
{
    // Not modal: the clock and the alarms keep running while it is open.
    auto *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->show();
}
