#include "platform/kernel/FileHold.h"
#include "platform/kernel/Kernel.h"
#include "platform/kernel/LoopBacking.h"
#include "platform/kernel/SystemCalls.h"

#include <fcntl.h>
#include <sys/file.h>

namespace kernel {

DWORD HoldFile(int fd, const std::string& root) {
    struct stat info {};
    if (DWORD error = sys::FStat(fd, info); error != 0)
        return error;
    if (BacksLoopDevice(root, info))
        return ERROR_BUSY;
    DWORD error = sys::Flock(fd, LOCK_EX | LOCK_NB);
    if (error == EWOULDBLOCK)
        return ERROR_BUSY;
    if (error != 0)
        return error;
    int flags = 0;
    error = sys::GetStatusFlags(fd, flags);
    if (error == 0)
        error = sys::OfdLock(fd, (flags & O_ACCMODE) == O_RDONLY ? F_RDLCK : F_WRLCK);
    if (error == 0)
        return 0;
    sys::Flock(fd, LOCK_UN);
    return error == EAGAIN || error == EACCES ? ERROR_BUSY : error;
}

DWORD ReleaseFile(int fd) {
    DWORD unlocked = sys::OfdLock(fd, F_UNLCK);
    DWORD error = sys::Flock(fd, LOCK_UN);
    return unlocked != 0 ? unlocked : error;
}

} // namespace kernel
