#include "platform/command_mark.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray markName(const QString &key)
{
    return QStringLiteral("rekuda31-command-%1-%2").arg(::getuid()).arg(key).toUtf8();
}

// A socket bound to the name, or -1 with errno set (EADDRINUSE: taken).
int bindName(const QByteArray &name)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    // The leading NUL puts the name in the abstract namespace: no file, no clean-up.
    const auto length = std::min(name.size(), qsizetype(sizeof(address.sun_path) - 1));
    std::memcpy(address.sun_path + 1, name.constData(), size_t(length));
    const auto size = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), size) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

CommandMark::CommandMark(const QString &key)
    : m_name(markName(key))
{ }

CommandMark::~CommandMark()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CommandMark::hold()
{
    if (m_fd < 0)
        m_fd = bindName(m_name);
    return m_fd >= 0;
}

bool CommandMark::heldByAnyone(const QString &key)
{
    const int fd = bindName(markName(key));
    if (fd < 0)
        return errno == EADDRINUSE;
    ::close(fd);
    return false;
}
