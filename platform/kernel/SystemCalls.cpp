#include "platform/kernel/SystemCalls.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kernel::sys {
namespace {

DWORD LastErrno() {
    return static_cast<DWORD>(errno);
}

bool FitsOffset(ULONGLONG offset, std::size_t count) {
    constexpr auto limit = static_cast<ULONGLONG>(std::numeric_limits<off_t>::max());
    return offset <= limit && count <= limit - offset;
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        UniqueFd old(m_fd);
        m_fd = other.Release();
    }
    return *this;
}

// A close error cannot be reported from here; a descriptor whose close matters
// is closed with Close first.
UniqueFd::~UniqueFd() {
    if (m_fd >= 0)
        close(m_fd);
}

// close(2) is never repeated, not even on EINTR: Linux releases the descriptor
// whatever the result, and a second close could hit one another thread just got.
DWORD UniqueFd::Close() {
    if (m_fd < 0)
        return 0;
    return close(Release()) == 0 ? 0 : LastErrno();
}

int UniqueFd::Release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

DWORD Open(const std::string& path, int flags, UniqueFd& fd) {
    int opened;
    do {
        opened = open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0)
        return LastErrno();
    fd = UniqueFd(opened);
    return 0;
}

// Through the process's own descriptor folder, the kernel's way to reopen a node.
DWORD Reopen(int fd, int flags, UniqueFd& reopened) {
    return Open("/proc/self/fd/" + std::to_string(fd), flags, reopened);
}

DWORD Duplicate(int fd, UniqueFd& copy) {
    const int made = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (made < 0)
        return LastErrno();
    copy = UniqueFd(made);
    return 0;
}

DWORD PRead(int fd, void* buffer, std::size_t count, ULONGLONG offset, std::size_t& done) {
    done = 0;
    if (!FitsOffset(offset, count))
        return EINVAL;
    ssize_t got;
    do {
        got = pread(fd, buffer, count, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return LastErrno();
    done = static_cast<std::size_t>(got);
    return 0;
}

DWORD PWrite(int fd, const void* buffer, std::size_t count, ULONGLONG offset, std::size_t& done) {
    done = 0;
    if (!FitsOffset(offset, count))
        return EINVAL;
    ssize_t put;
    do {
        put = pwrite(fd, buffer, count, static_cast<off_t>(offset));
    } while (put < 0 && errno == EINTR);
    if (put < 0)
        return LastErrno();
    done = static_cast<std::size_t>(put);
    return 0;
}

DWORD FStat(int fd, struct stat& info) {
    return fstat(fd, &info) == 0 ? 0 : LastErrno();
}

DWORD FTruncate(int fd, ULONGLONG size) {
    if (!FitsOffset(size, 0))
        return EINVAL;
    return ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : LastErrno();
}

DWORD FSync(int fd) {
    int result;
    do {
        result = fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : LastErrno();
}

DWORD Stat(const std::string& path, struct stat& info) {
    return stat(path.c_str(), &info) == 0 ? 0 : LastErrno();
}

DWORD Rename(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : LastErrno();
}

DWORD Unlink(const std::string& path) {
    return unlink(path.c_str()) == 0 ? 0 : LastErrno();
}

DWORD IsImmutableOrAppendOnly(int fd, bool& pinned) {
    pinned = false;
    struct statx info {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &info) != 0)
        return LastErrno();
    constexpr ULONGLONG kPinned = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
    pinned = (info.stx_attributes & info.stx_attributes_mask & kPinned) != 0;
    return 0;
}

DWORD FStatVfs(int fd, struct statvfs& info) {
    return fstatvfs(fd, &info) == 0 ? 0 : LastErrno();
}

DWORD DirectIoAlignment(int fd, DWORD& memory, DWORD& offset) {
    memory = offset = 0;
    struct statx info {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &info) != 0)
        return LastErrno();
    if (info.stx_mask & STATX_DIOALIGN) {
        memory = info.stx_dio_mem_align;
        offset = info.stx_dio_offset_align;
    }
    return 0;
}

DWORD Ioctl(int fd, unsigned long request, void* argument) {
    return ioctl(fd, request, argument) == 0 ? 0 : LastErrno();
}

DWORD Flock(int fd, int operation) {
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : LastErrno();
}

DWORD OfdLock(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    int result;
    do {
        result = fcntl(fd, F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : LastErrno();
}

DWORD FChown(int fd, uid_t user, gid_t group) {
    return fchown(fd, user, group) == 0 ? 0 : LastErrno();
}

DWORD PrimaryGroup(uid_t user, gid_t& group) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> text(16384);
    int error = getpwuid_r(user, &entry, text.data(), text.size(), &found);
    if (error != 0)
        return static_cast<DWORD>(error);
    if (found == nullptr)
        return ENOENT;
    group = entry.pw_gid;
    return 0;
}

bool IsRoot() {
    return geteuid() == 0;
}

bool GetEnv(const std::string& name, std::string& value) {
    const char* text = std::getenv(name.c_str());
    value = text != nullptr ? text : "";
    return text != nullptr;
}

DWORD GetStatusFlags(int fd, int& flags) {
    flags = fcntl(fd, F_GETFL);
    return flags >= 0 ? 0 : LastErrno();
}

DWORD SetStatusFlags(int fd, int flags) {
    return fcntl(fd, F_SETFL, flags) == 0 ? 0 : LastErrno();
}

DWORD StatVfs(const std::string& path, struct statvfs& info) {
    return statvfs(path.c_str(), &info) == 0 ? 0 : LastErrno();
}

DWORD RealPath(const std::string& path, std::string& resolved) {
    char* found = realpath(path.c_str(), nullptr);
    if (found == nullptr)
        return LastErrno();
    resolved = found;
    std::free(found);
    return 0;
}

DWORD ListDirectory(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    DIR* folder = opendir(path.c_str());
    if (folder == nullptr)
        return LastErrno();
    DWORD error = 0;
    for (;;) {
        errno = 0;
        dirent* entry = readdir(folder);
        if (entry == nullptr) {
            error = LastErrno();
            break;
        }
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    closedir(folder);
    return error;
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

DWORD ReadSmallFile(const std::string& path, std::string& text) {
    text.clear();
    UniqueFd fd;
    if (DWORD error = Open(path, O_RDONLY, fd); error != 0)
        return error;
    char chunk[4096];
    for (;;) {
        ssize_t got = read(fd.Get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return LastErrno();
        if (got == 0)
            return 0;
        text.append(chunk, static_cast<std::size_t>(got));
    }
}

} // namespace kernel::sys
