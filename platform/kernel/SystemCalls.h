#pragma once
// Every system call of the layer, wrapped once: each returns 0 or the errno it met,
// so that the caller can hand it on as the thread's last error.
#include "platform/kernel/Types.h"

#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <vector>

namespace kernel::sys {

// An owned file descriptor, closed when it goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    int Release();
    // Closes the descriptor now; 0 or the errno of close(2). The descriptor is gone
    // either way, and is never closed a second time.
    DWORD Close();

private:
    int m_fd = -1;
};

DWORD Open(const std::string& path, int flags, UniqueFd& fd);
// Opens again, with new flags, the node a descriptor (an O_PATH one too) stands
// for: that very node, whatever its name has come to name since.
DWORD Reopen(int fd, int flags, UniqueFd& reopened);
// A second descriptor of the same open file description.
DWORD Duplicate(int fd, UniqueFd& copy);
// One transfer; done may be short. Interrupted calls are repeated.
DWORD PRead(int fd, void* buffer, std::size_t count, ULONGLONG offset, std::size_t& done);
DWORD PWrite(int fd, const void* buffer, std::size_t count, ULONGLONG offset, std::size_t& done);
DWORD FStat(int fd, struct stat& info);
DWORD FTruncate(int fd, ULONGLONG size);
// The file's data and metadata on stable storage.
DWORD FSync(int fd);
DWORD Stat(const std::string& path, struct stat& info);
// rename(2), replacing what the new name named; unlink(2).
DWORD Rename(const std::string& from, const std::string& to);
DWORD Unlink(const std::string& path);
// Whether the file is immutable or append-only; false where its file system does
// not say.
DWORD IsImmutableOrAppendOnly(int fd, bool& pinned);
DWORD FStatVfs(int fd, struct statvfs& info);
// The alignment direct transfers need; both 0 when the file system has no direct I/O.
DWORD DirectIoAlignment(int fd, DWORD& memory, DWORD& offset);
DWORD Ioctl(int fd, unsigned long request, void* argument);
DWORD Flock(int fd, int operation);
// An open file description lock over the whole file, never waited for: F_RDLCK,
// F_WRLCK or F_UNLCK.
DWORD OfdLock(int fd, short type);
DWORD FChown(int fd, uid_t user, gid_t group);
DWORD PrimaryGroup(uid_t user, gid_t& group);
bool IsRoot();
// false when the variable is not set.
bool GetEnv(const std::string& name, std::string& value);
DWORD GetStatusFlags(int fd, int& flags);
DWORD SetStatusFlags(int fd, int flags);
DWORD StatVfs(const std::string& path, struct statvfs& info);
DWORD RealPath(const std::string& path, std::string& resolved);
DWORD ListDirectory(const std::string& path, std::vector<std::string>& names);
bool Exists(const std::string& path);
// Reads a small text file whole (sysfs attributes, the mount table).
DWORD ReadSmallFile(const std::string& path, std::string& text);

} // namespace kernel::sys
