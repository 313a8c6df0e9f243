// The lock file a Wayland saver holds for its life; see InstanceLock.h.
#include "platform/InstanceLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
int openLockFile(const QByteArray &path)
{
    return ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}
} // namespace

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0)
        ::close(fd_); // closing the descriptor releases the lock
}

QByteArray InstanceLock::path()
{
    const QByteArray folder = qgetenv("XDG_RUNTIME_DIR");
    return folder.isEmpty() ? QByteArray() : folder + "/helixcavern.lock";
}

bool InstanceLock::heldElsewhere()
{
    const QByteArray file = path();
    if (file.isEmpty())
        return false;
    const int fd = openLockFile(file);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool InstanceLock::acquire()
{
    const QByteArray file = path();
    if (file.isEmpty() || fd_ >= 0)
        return true;
    const int fd = openLockFile(file);
    if (fd < 0)
        return true; // an unusable runtime folder takes no saver away
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    fd_ = fd;
    return true;
}
