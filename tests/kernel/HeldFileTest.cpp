// A stand-in file that another program holds (a loop device attached over it, a
// file system mounted through one, a flock or a record lock) opens but is not
// taken, as a disk with a mounted partition, and no image is written over it. An
// image being written is held in the same way until its handle closes.
#include "platform/kernel/Kernel.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/kernel/TempFolder.h"
#include "tests/support/LoopDevice.h"
#include "tests/support/LoopMount.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool Control(HANDLE handle, DWORD code) {
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr) != FALSE;
}

// The file attached as a stand-in disk, opened as the drive panel opens it: true
// when it is taken (locked and dismounted), false with the last error otherwise.
bool TakeAsStandIn(const std::string& file) {
    kernel::LinuxMachine machine;
    machine.AttachStandIn(file);
    kernel::InstallMachine(&machine);
    const std::string drive =
        "\\\\.\\PHYSICALDRIVE" + std::to_string(machine.PhysicalDrivePaths().size() - 1);
    HANDLE disk = CreateFileA(drive.c_str(), kReadWrite, kShare, nullptr, OPEN_EXISTING,
                              FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH, nullptr);
    EXPECT_NE(disk, INVALID_HANDLE_VALUE) << "the stand-in opens all the same";
    Control(disk, FSCTL_LOCK_VOLUME);
    const bool taken = Control(disk, FSCTL_DISMOUNT_VOLUME);
    const DWORD error = GetLastError();
    CloseHandle(disk);
    kernel::InstallMachine(nullptr);
    SetLastError(error);
    return taken;
}

HANDLE CreateImage(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Another process holding a lock on the file until it goes: it says when the lock
// is held, then waits for its end of a pipe to close.
class LockHolder {
public:
    enum class Kind { Flock, PosixRecord, OfdRecord };

    static std::shared_ptr<LockHolder> Take(const std::string& file, Kind kind, std::string& why) {
        auto holder = std::shared_ptr<LockHolder>(new LockHolder(file, kind));
        if (!holder->m_held)
            why = "the other process could not take its lock";
        return holder->m_held ? holder : nullptr;
    }
    ~LockHolder() {
        close(m_release);
        waitpid(m_child, nullptr, 0);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

private:
    LockHolder(const std::string& file, Kind kind) {
        int ready[2], release[2];
        if (pipe(ready) != 0 || pipe(release) != 0)
            return;
        m_child = fork();
        if (m_child == 0) {
            close(ready[0]);
            close(release[1]);
            int fd = open(file.c_str(), O_RDWR | O_CLOEXEC);
            char held = fd >= 0 && Lock(fd, kind) ? 1 : 0;
            bool said = write(ready[1], &held, 1) == 1;
            while (said && read(release[0], &held, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        m_release = release[1];
        char held = 0;
        m_held = read(ready[0], &held, 1) == 1 && held == 1;
        close(ready[0]);
    }

    // A record lock on a part of the file only: any lock of another counts.
    static bool Lock(int fd, Kind kind) {
        if (kind == Kind::Flock)
            return flock(fd, LOCK_SH | LOCK_NB) == 0;
        struct flock lock {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 4096;
        lock.l_len = 512;
        return fcntl(fd, kind == Kind::PosixRecord ? F_SETLK : F_OFD_SETLK, &lock) == 0;
    }

    pid_t m_child = -1;
    int m_release = -1;
    bool m_held = false;
};

TEST(HeldFile, AStandInAnotherProgramHoldsIsNotTakenNorWrittenOver) {
    TempFolder folder;
    using Hold = std::function<std::shared_ptr<void>(const std::string& file, std::string& why)>;
    struct Holder {
        const char* name;
        Hold take;
        // A loop device is let go only once every opener has closed it, which
        // nothing here can wait for.
        bool goneAtOnce;
    };
    const Holder holders[] = {
        {"a loop device attached over it",
         [](const std::string& file, std::string& why) -> std::shared_ptr<void> {
             return LoopDevice::Attach(file, 512, why);
         },
         false},
        {"a file system mounted from it through a loop device",
         [&](const std::string& file, std::string& why) -> std::shared_ptr<void> {
             return LoopMount::Make(file, folder / "mounted", {}, true, why);
         },
         false},
        {"another program's flock",
         [](const std::string& file, std::string& why) -> std::shared_ptr<void> {
             return LockHolder::Take(file, LockHolder::Kind::Flock, why);
         },
         true},
        {"another program's POSIX record lock",
         [](const std::string& file, std::string& why) -> std::shared_ptr<void> {
             return LockHolder::Take(file, LockHolder::Kind::PosixRecord, why);
         },
         true},
        {"another program's open file description lock",
         [](const std::string& file, std::string& why) -> std::shared_ptr<void> {
             return LockHolder::Take(file, LockHolder::Kind::OfdRecord, why);
         },
         true},
    };
    std::string skipped;
    for (const Holder& holder : holders) {
        SCOPED_TRACE(holder.name);
        const std::string file = folder / "card.img";
        WriteBytes(file, Pattern(1 << 20, 5));
        std::string why;
        std::shared_ptr<void> held = holder.take(file, why);
        if (!held) {
            skipped += std::string(holder.name) + ": " + why + "; ";
            continue;
        }
        const std::vector<char> before = ReadBytes(file);
        EXPECT_FALSE(TakeAsStandIn(file));
        EXPECT_EQ(GetLastError(), ERROR_BUSY);
        EXPECT_EQ(CreateImage(file), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_BUSY);
        EXPECT_EQ(ReadBytes(file), before);
        held.reset();
        if (holder.goneAtOnce) {
            EXPECT_TRUE(TakeAsStandIn(file)) << "taken once the other program has let go";
        }
    }
    if (!skipped.empty())
        GTEST_SKIP() << skipped;
}

// Linux has no sharing modes: the image is held by locks, which only programs that
// ask for one respect (util-linux's flock here).
TEST(HeldFile, AnImageBeingWrittenIsHeldUntilItsHandleCloses) {
    TempFolder folder;
    const std::string path = folder / "image.img";
    HANDLE image = CreateImage(path);
    ASSERT_NE(image, INVALID_HANDLE_VALUE) << GetLastError();
    const std::vector<char> bytes = Pattern(4096, 8);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(image, bytes.data(), 4096, &written, nullptr));

    const bool withFlock = RunCommand("command -v flock").has_value();
    const std::string flockProbe = "flock --nonblock '" + path + "' true";
    if (withFlock) {
        EXPECT_FALSE(RunCommand(flockProbe)) << "flock(1) waits for the image";
    }
    int probe = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct flock query {};
    query.l_type = F_RDLCK;
    query.l_whence = SEEK_SET;
    ASSERT_EQ(fcntl(probe, F_GETLK, &query), 0);
    close(probe);
    EXPECT_EQ(query.l_type, F_WRLCK) << "a record lock covers the image";
    EXPECT_FALSE(TakeAsStandIn(path));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_EQ(CreateImage(path), INVALID_HANDLE_VALUE) << "a second creation";
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_EQ(ReadBytes(path), bytes);

    CloseHandle(image);
    if (withFlock) {
        EXPECT_TRUE(RunCommand(flockProbe));
    }
    EXPECT_TRUE(TakeAsStandIn(path));
    if (!withFlock)
        GTEST_SKIP() << "flock(1) (util-linux) is not installed";
}

} // namespace
