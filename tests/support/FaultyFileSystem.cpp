#define FUSE_USE_VERSION 31
#include "tests/support/FaultyFileSystem.h"

#include <fuse.h>
#include <fuse_lowlevel.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

FaultyFileSystem& Self() {
    return *static_cast<FaultyFileSystem*>(fuse_get_context()->private_data);
}

int Fd(const fuse_file_info* info) {
    return static_cast<int>(info->fh);
}

int Failed() {
    return -errno;
}

// Moves until all is moved, the end of the file is met or an error comes.
template <typename Bytes, typename Call>
int Fully(Bytes* buffer, std::size_t size, std::size_t& done, Call call) {
    done = 0;
    while (done < size) {
        ssize_t moved = call(buffer + done, size - done, done);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0)
            return errno;
        if (moved == 0)
            break;
        done += static_cast<std::size_t>(moved);
    }
    return 0;
}

} // namespace

// The operations libfuse calls, handed on to the object that mounted them.
struct FaultyFileSystemHandlers {
    static void* Init(fuse_conn_info*, fuse_config* config) {
        // Nothing is cached: every read and write of the kernel comes here as asked.
        config->direct_io = 1;
        config->attr_timeout = 0;
        config->entry_timeout = 0;
        config->negative_timeout = 0;
        return fuse_get_context()->private_data;
    }
    static int GetAttr(const char* path, struct stat* info, fuse_file_info*) {
        return lstat(Self().StorePath(path).c_str(), info) == 0 ? 0 : Failed();
    }
    static int Open(const char* path, fuse_file_info* info) {
        int fd = open(Self().StorePath(path).c_str(), info->flags | O_CLOEXEC);
        if (fd < 0)
            return Failed();
        info->fh = static_cast<uint64_t>(fd);
        return 0;
    }
    static int Create(const char* path, mode_t mode, fuse_file_info* info) {
        int fd = open(Self().StorePath(path).c_str(), info->flags | O_CREAT | O_CLOEXEC, mode);
        if (fd < 0)
            return Failed();
        info->fh = static_cast<uint64_t>(fd);
        return 0;
    }
    static int Truncate(const char* path, off_t size, fuse_file_info* info) {
        int result = info != nullptr ? ftruncate(Fd(info), size)
                                     : truncate(Self().StorePath(path).c_str(), size);
        return result == 0 ? 0 : Failed();
    }
    // A file beside an image (a map, a checksum) is replaced by a rename.
    static int Rename(const char* from, const char* to, unsigned int) {
        return rename(Self().StorePath(from).c_str(), Self().StorePath(to).c_str()) == 0 ? 0
                                                                                         : Failed();
    }
    static int Unlink(const char* path) {
        return unlink(Self().StorePath(path).c_str()) == 0 ? 0 : Failed();
    }
    static int Read(const char* path, char* buffer, size_t size, off_t offset,
                    fuse_file_info* info) {
        std::size_t done = 0;
        int error =
            Self().Read(path + 1, Fd(info), buffer, size, static_cast<ULONGLONG>(offset), done);
        return error != 0 ? -error : static_cast<int>(done);
    }
    static int Write(const char* path, const char* buffer, size_t size, off_t offset,
                     fuse_file_info* info) {
        std::size_t done = 0;
        int error =
            Self().Write(path + 1, Fd(info), buffer, size, static_cast<ULONGLONG>(offset), done);
        return error != 0 ? -error : static_cast<int>(done);
    }
    static int Flush(const char*, fuse_file_info*) { return -Self().Flush(); }
    static int Fsync(const char*, int, fuse_file_info* info) { return -Self().Fsync(Fd(info)); }
    static int FsyncDir(const char*, int, fuse_file_info*) { return -Self().FsyncFolder(); }
    static int Release(const char*, fuse_file_info* info) {
        close(Fd(info));
        return 0;
    }

    static fuse_operations Operations() {
        fuse_operations operations{};
        operations.init = Init;
        operations.getattr = GetAttr;
        operations.open = Open;
        operations.create = Create;
        operations.truncate = Truncate;
        operations.rename = Rename;
        operations.unlink = Unlink;
        operations.read = Read;
        operations.write = Write;
        operations.flush = Flush;
        operations.fsync = Fsync;
        operations.fsyncdir = FsyncDir;
        operations.release = Release;
        return operations;
    }
};

FaultyFileSystem::FaultyFileSystem(std::string store, std::string mountPoint)
    : m_store(std::move(store)), m_mountPoint(std::move(mountPoint)) {}

std::unique_ptr<FaultyFileSystem>
FaultyFileSystem::Mount(const std::string& store, const std::string& mountPoint, std::string& why) {
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
        why = "FUSE is missing here: /dev/fuse cannot be opened";
        return nullptr;
    }
    std::filesystem::create_directories(store);
    std::filesystem::create_directories(mountPoint);
    auto fs = std::unique_ptr<FaultyFileSystem>(new FaultyFileSystem(store, mountPoint));
    char name[] = "kolm-faulty-fs";
    char* argv[] = {name, nullptr};
    fuse_args args = FUSE_ARGS_INIT(1, argv);
    static const fuse_operations operations = FaultyFileSystemHandlers::Operations();
    fs->m_fuse = fuse_new(&args, &operations, sizeof operations, fs.get());
    fuse_opt_free_args(&args);
    if (fs->m_fuse == nullptr) {
        why = "libfuse could not start a file system";
        return nullptr;
    }
    if (fuse_mount(fs->m_fuse, mountPoint.c_str()) != 0) {
        fuse_destroy(fs->m_fuse);
        fs->m_fuse = nullptr;
        why = "a FUSE file system cannot be mounted here (mounting needs root or fusermount3)";
        return nullptr;
    }
    fs->m_stop = eventfd(0, EFD_CLOEXEC);
    fs->m_server = std::thread([server = fs.get()] { server->Serve(); });
    return fs;
}

// The serving ends first: unmounting closes the session's descriptor, which ends
// the connection, so that whatever still uses the file system (a loop device not
// yet let go) gets ENOTCONN instead of waiting, and the lazy unmount never blocks.
FaultyFileSystem::~FaultyFileSystem() {
    if (m_fuse == nullptr)
        return;
    LetReadsGo();
    if (m_server.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(m_stop, &one, sizeof one);
        m_server.join();
    }
    fuse_unmount(m_fuse);
    fuse_destroy(m_fuse);
    if (m_stop >= 0)
        close(m_stop);
}

// One request at a time, until the stop event or the end of the session.
void FaultyFileSystem::Serve() {
    fuse_session* session = fuse_get_session(m_fuse);
    fuse_buf buffer{};
    pollfd waits[] = {{fuse_session_fd(session), POLLIN, 0}, {m_stop, POLLIN, 0}};
    while (!fuse_session_exited(session)) {
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (waits[1].revents != 0)
            break;
        int received = fuse_session_receive_buf(session, &buffer);
        if (received == -EINTR || received == -EAGAIN)
            continue;
        if (received <= 0)
            break;
        fuse_session_process_buf(session, &buffer);
    }
    std::free(buffer.mem);
}

void FaultyFileSystem::FailReads(const std::string& name, ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_badReads[name].insert(offset);
}

void FaultyFileSystem::FailWrites(const std::string& name, ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_badWrites[name].insert(offset);
}

void FaultyFileSystem::CorruptReads(const std::string& name, ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_corruptReads[name].insert(offset);
}

void FaultyFileSystem::FailFsync() {
    std::lock_guard lock(m_mutex);
    m_fsyncFails = true;
}

void FaultyFileSystem::FailFlush() {
    std::lock_guard lock(m_mutex);
    m_flushFails = true;
}

void FaultyFileSystem::FailKeeping(KeepFault fault) {
    if (fault == KeepFault::Fsync)
        FailFsync();
    if (fault == KeepFault::Flush)
        FailFlush();
    std::lock_guard lock(m_mutex);
    m_folderFsyncFails = fault == KeepFault::FolderFsync;
}

void FaultyFileSystem::HoldReads(const std::string& name, ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_heldReads[name].insert(offset);
}

bool FaultyFileSystem::WaitForHeldRead() {
    std::unique_lock lock(m_mutex);
    return m_holding.wait_for(lock, std::chrono::minutes(1), [this] { return m_held; });
}

void FaultyFileSystem::LetReadsGo() {
    std::lock_guard lock(m_mutex);
    m_let = true;
    m_holding.notify_all();
}

void FaultyFileSystem::HoldIfAsked(const std::string& name, std::size_t size, ULONGLONG offset) {
    std::unique_lock lock(m_mutex);
    if (m_let || !Covered(m_heldReads, name, size, offset))
        return;
    m_held = true;
    m_holding.notify_all();
    m_holding.wait(lock, [this] { return m_let; });
}

void FaultyFileSystem::Counterfeit(const std::string& name, ULONGLONG realSize) {
    std::lock_guard lock(m_mutex);
    m_realSizes[name] = realSize;
}

// A piece that would run past the real size stops there; the rest wraps around
// with the next piece.
std::pair<off_t, std::size_t> FaultyFileSystem::Landing(const std::string& name, ULONGLONG offset,
                                                        std::size_t left) {
    std::lock_guard lock(m_mutex);
    auto real = m_realSizes.find(name);
    if (real == m_realSizes.end())
        return {static_cast<off_t>(offset), left};
    const ULONGLONG within = offset % real->second;
    return {static_cast<off_t>(within),
            static_cast<std::size_t>(std::min<ULONGLONG>(left, real->second - within))};
}

bool FaultyFileSystem::Covered(const std::map<std::string, std::set<ULONGLONG>>& faults,
                               const std::string& name, std::size_t size, ULONGLONG offset) {
    auto file = faults.find(name);
    if (file == faults.end())
        return false;
    auto bad = file->second.lower_bound(offset);
    return bad != file->second.end() && *bad < offset + size;
}

int FaultyFileSystem::Read(const std::string& name, int fd, void* buffer, std::size_t size,
                           ULONGLONG offset, std::size_t& done) {
    done = 0;
    HoldIfAsked(name, size, offset);
    if (std::lock_guard lock(m_mutex); Covered(m_badReads, name, size, offset))
        return EIO;
    const int error = Fully(static_cast<char*>(buffer), size, done,
                            [&](char* at, std::size_t left, std::size_t moved) {
                                const auto [from, fits] = Landing(name, offset + moved, left);
                                return pread(fd, at, fits, from);
                            });
    Corrupt(name, static_cast<char*>(buffer), done, offset);
    return error;
}

void FaultyFileSystem::Corrupt(const std::string& name, char* buffer, std::size_t size,
                               ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    auto file = m_corruptReads.find(name);
    if (file == m_corruptReads.end())
        return;
    for (auto bad = file->second.lower_bound(offset);
         bad != file->second.end() && *bad < offset + size; ++bad)
        buffer[*bad - offset] = static_cast<char>(~buffer[*bad - offset]);
}

int FaultyFileSystem::Write(const std::string& name, int fd, const void* buffer, std::size_t size,
                            ULONGLONG offset, std::size_t& done) {
    done = 0;
    if (std::lock_guard lock(m_mutex); Covered(m_badWrites, name, size, offset))
        return EIO;
    return Fully(static_cast<const char*>(buffer), size, done,
                 [&](const char* at, std::size_t left, std::size_t moved) {
                     const auto [to, fits] = Landing(name, offset + moved, left);
                     return pwrite(fd, at, fits, to);
                 });
}

int FaultyFileSystem::Fsync(int fd) {
    {
        std::lock_guard lock(m_mutex);
        if (m_fsyncFails)
            return EIO;
    }
    return fsync(fd) == 0 ? 0 : errno;
}

// The store is on the test machine's own disk: a folder's fsync only has its fault to give.
int FaultyFileSystem::FsyncFolder() {
    std::lock_guard lock(m_mutex);
    return m_folderFsyncFails ? EIO : 0;
}

int FaultyFileSystem::Flush() {
    std::lock_guard lock(m_mutex);
    return m_flushFails ? EIO : 0;
}
