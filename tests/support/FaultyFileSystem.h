#pragma once
// A real file system with chosen faults, served by this process through FUSE
// (libfuse3) on a thread of its own: it shows the files of a folder of the test
// under a mount point, and fails with EIO the reads or writes that cover chosen
// offsets (or corrupts what such a read brings), or every fsync of a file or of a folder, or flush
// (what close(2) returns). A loop device over one of its files is a disk with bad sectors that the
// kernel itself reports.
//
//   std::string why;
//   auto fs = FaultyFileSystem::Mount(folder / "store", folder / "mnt", why);
//   if (!fs) GTEST_SKIP() << why;
//   fs->FailReads("disk.img", 3 * 4096); // mnt/disk.img: a read over byte 12288 fails
//   fs->FailFsync();
//   fs->HoldReads("disk.img", 0);        // a slow disk: the read waits for the test
//   fs->WaitForHeldRead(); ...; fs->LetReadsGo();
//
// Every transfer reaches the handlers as the kernel asked for it (the files are
// opened for direct I/O, nothing is cached). Destroying the object unmounts the
// file system, also when a test failed; whatever still uses it then gets ENOTCONN.
// Faults may be changed while the file system serves requests.
#include "platform/kernel/Types.h"

#include <sys/types.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

struct fuse;

class FaultyFileSystem {
public:
    // Needs /dev/fuse and the right to mount; why says what was missing.
    static std::unique_ptr<FaultyFileSystem> Mount(const std::string& store,
                                                   const std::string& mountPoint, std::string& why);
    ~FaultyFileSystem();
    FaultyFileSystem(const FaultyFileSystem&) = delete;
    FaultyFileSystem& operator=(const FaultyFileSystem&) = delete;

    // name: a file's name in the mount. Each fault stays until the end.
    void FailReads(const std::string& name, ULONGLONG offset);
    void FailWrites(const std::string& name, ULONGLONG offset);
    // A read that covers the offset brings that byte with its bits flipped, as a
    // disk or cable that corrupts what it carries; the file keeps what was written.
    void CorruptReads(const std::string& name, ULONGLONG offset);
    void FailFsync();
    void FailFlush();
    // What fails to keep the bytes written: nothing, the fsync, the flush at the
    // close, or the fsync of a folder (which keeps the names of new files).
    enum class KeepFault { None, Fsync, Flush, FolderFsync };
    void FailKeeping(KeepFault fault);
    // A read that covers the offset waits, in the kernel's read of the file, until
    // LetReadsGo; WaitForHeldRead returns once one does (false after a guard of a
    // minute). Reads after LetReadsGo pass.
    void HoldReads(const std::string& name, ULONGLONG offset);
    bool WaitForHeldRead();
    void LetReadsGo();
    // A counterfeit card: the file holds only its first realSize bytes, and reads
    // and writes past them land at their offset modulo realSize, without an error.
    void Counterfeit(const std::string& name, ULONGLONG realSize);

private:
    friend struct FaultyFileSystemHandlers;
    FaultyFileSystem(std::string store, std::string mountPoint);
    // Called on the serving thread; each returns 0 or an errno.
    int Read(const std::string& name, int fd, void* buffer, std::size_t size, ULONGLONG offset,
             std::size_t& done);
    int Write(const std::string& name, int fd, const void* buffer, std::size_t size,
              ULONGLONG offset, std::size_t& done);
    int Fsync(int fd);
    int Flush();
    int FsyncFolder();
    std::string StorePath(const char* path) const { return m_store + path; }
    // Called with the mutex held.
    static bool Covered(const std::map<std::string, std::set<ULONGLONG>>& faults,
                        const std::string& name, std::size_t size, ULONGLONG offset);
    void HoldIfAsked(const std::string& name, std::size_t size, ULONGLONG offset);
    void Corrupt(const std::string& name, char* buffer, std::size_t size, ULONGLONG offset);
    // Where a piece of a transfer lands in the store, and how much of it fits there.
    std::pair<off_t, std::size_t> Landing(const std::string& name, ULONGLONG offset,
                                          std::size_t left);
    void Serve();

    const std::string m_store;
    const std::string m_mountPoint;
    std::mutex m_mutex;
    std::map<std::string, std::set<ULONGLONG>> m_badReads;
    std::map<std::string, std::set<ULONGLONG>> m_badWrites;
    std::map<std::string, std::set<ULONGLONG>> m_corruptReads;
    std::map<std::string, std::set<ULONGLONG>> m_heldReads;
    std::map<std::string, ULONGLONG> m_realSizes;
    std::condition_variable m_holding;
    bool m_held = false;
    bool m_let = false;
    bool m_fsyncFails = false;
    bool m_flushFails = false;
    bool m_folderFsyncFails = false;
    fuse* m_fuse = nullptr;
    int m_stop = -1; // an eventfd that ends the serving loop
    std::thread m_server;
};
