#include "framework/ProcessLock.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

ProcessLock::Result ProcessLock::TryAcquire()
{
    if (descriptor >= 0)
        return Result::Held;
    if (path.isEmpty())
        return Result::Unavailable;
    // Not inherited by the programs this one starts (the agent would hold
    // the lock after this copy ended); a link in its place is not followed.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Result::Unavailable;
    int locked;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? Result::HeldByAnother : Result::Unavailable;
    }
    descriptor = fd;
    return Result::Held;
}

void ProcessLock::Release()
{
    if (descriptor < 0)
        return;
    ::close(static_cast<int>(descriptor)); // closing the last descriptor of the file drops the lock
    descriptor = -1;
}
