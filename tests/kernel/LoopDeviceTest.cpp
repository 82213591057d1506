#include "platform/kernel/Kernel.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/kernel/TempFolder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::string Shell(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
            output += chunk;
        pclose(pipe);
    }
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

// A loop device over a backing file, detached when it goes, whatever happened.
class LoopDevice {
public:
    LoopDevice(const std::string& backing, unsigned sectorSize) {
        std::string option =
            sectorSize != 512 ? " --sector-size " + std::to_string(sectorSize) : "";
        m_node = Shell("losetup -f --show" + option + " '" + backing + "'");
    }
    ~LoopDevice() {
        if (Attached())
            Shell("losetup -d " + m_node);
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool Attached() const { return m_node.rfind("/dev/loop", 0) == 0; }
    const std::string& Node() const { return m_node; }

private:
    std::string m_node;
};

class RealLoop : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "loop devices need root";
        m_backing = m_folder / "backing.img";
        WriteBytes(m_backing, Pattern(kSize, 11));
        m_loop = std::make_unique<LoopDevice>(m_backing, GetParam());
        if (!m_loop->Attached())
            GTEST_SKIP() << "no loop device could be attached (losetup failed)";
        kernel::InstallMachine(&m_machine);
        std::vector<std::string> drives = m_machine.PhysicalDrivePaths();
        auto found = std::find(drives.begin(), drives.end(), m_loop->Node());
        ASSERT_NE(found, drives.end()) << m_loop->Node() << " is not in the namespace";
        m_path = "\\\\.\\PHYSICALDRIVE" + std::to_string(found - drives.begin());
    }
    void TearDown() override { kernel::InstallMachine(nullptr); }

    HANDLE Open() {
        return CreateFileA(m_path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH, nullptr);
    }

    static BOOL Control(HANDLE file, DWORD code, void* out = nullptr, DWORD outSize = 0) {
        DWORD returned = 0;
        return DeviceIoControl(file, code, nullptr, 0, out, outSize, &returned, nullptr);
    }

    static constexpr std::size_t kSize = 4 << 20;
    TempFolder m_folder;
    std::string m_backing;
    std::unique_ptr<LoopDevice> m_loop;
    kernel::LinuxMachine m_machine;
    std::string m_path;
};

TEST_P(RealLoop, OpensAsAPhysicalDriveWithItsTrueSizeAndSectorSize) {
    HANDLE drive = Open();
    ASSERT_NE(drive, INVALID_HANDLE_VALUE) << GetLastError();
    DISK_GEOMETRY_EX geometry{};
    ASSERT_TRUE(Control(drive, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, &geometry, sizeof geometry));
    EXPECT_EQ(std::to_string(geometry.DiskSize.QuadPart),
              Shell("blockdev --getsize64 " + m_loop->Node()));
    EXPECT_EQ(std::to_string(geometry.Geometry.BytesPerSector),
              Shell("blockdev --getss " + m_loop->Node()));
    EXPECT_EQ(geometry.Geometry.BytesPerSector, GetParam());
    EXPECT_EQ(geometry.Geometry.TracksPerCylinder, 255u);
    EXPECT_EQ(geometry.Geometry.SectorsPerTrack, 63u);
    std::string removable = Shell("cat /sys/block/" + m_loop->Node().substr(5) + "/removable");
    EXPECT_EQ(GetDriveTypeA((m_path + "\\").c_str()),
              removable == "1" ? DRIVE_REMOVABLE : DRIVE_FIXED);

    // Whole sectors only; a misaligned buffer still gets the device's bytes.
    std::vector<char> storage(2 * GetParam() + 1);
    DWORD done = 0;
    EXPECT_EQ(ReadFile(drive, storage.data(), GetParam() / 2, &done, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(SetFilePointerEx(drive, {LONGLONG{GetParam()}}, nullptr, FILE_BEGIN));
    ASSERT_TRUE(ReadFile(drive, storage.data() + 1, 2 * GetParam(), &done, nullptr));
    ASSERT_EQ(done, 2 * GetParam());
    std::vector<char> expected = Pattern(kSize, 11);
    EXPECT_EQ(std::memcmp(storage.data() + 1, expected.data() + GetParam(), done), 0);

    // Write-through lands in the backing file.
    std::vector<char> fresh = Pattern(GetParam(), 77);
    ASSERT_TRUE(SetFilePointerEx(drive, {LONGLONG{3} * GetParam()}, nullptr, FILE_BEGIN));
    ASSERT_TRUE(WriteFile(drive, fresh.data(), GetParam(), &done, nullptr));
    CloseHandle(drive);
    std::vector<char> backing = ReadBytes(m_backing);
    EXPECT_EQ(std::memcmp(backing.data() + 3 * GetParam(), fresh.data(), fresh.size()), 0);
}

// The loop device's own page cache goes stale when its backing file changes
// underneath; a buffered read then sees the old bytes, a direct one the new.
TEST_P(RealLoop, ReadsBypassThePageCache) {
    int buffered = open(m_loop->Node().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(buffered, 0);
    std::vector<char> seen(GetParam());
    ASSERT_EQ(pread(buffered, seen.data(), seen.size(), 0), static_cast<ssize_t>(seen.size()));
    std::vector<char> fresh = Pattern(GetParam(), 99);
    int backing = open(m_backing.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(pwrite(backing, fresh.data(), fresh.size(), 0), static_cast<ssize_t>(fresh.size()));
    fsync(backing);
    close(backing);
    ASSERT_EQ(pread(buffered, seen.data(), seen.size(), 0), static_cast<ssize_t>(seen.size()));
    close(buffered);
    if (seen == fresh)
        GTEST_SKIP() << "the loop device's page cache was dropped, nothing to compare against";

    HANDLE drive = Open();
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
    std::vector<char> read(GetParam());
    DWORD done = 0;
    ASSERT_TRUE(ReadFile(drive, read.data(), GetParam(), &done, nullptr));
    EXPECT_EQ(read, fresh);
    CloseHandle(drive);
}

TEST_P(RealLoop, LockIsTheKernelsExclusiveClaim) {
    int holder = open(m_loop->Node().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    HANDLE drive = Open();
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Control(drive, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_FALSE(Control(drive, FSCTL_DISMOUNT_VOLUME));
    close(holder);

    ASSERT_TRUE(Control(drive, FSCTL_LOCK_VOLUME));
    EXPECT_LT(open(m_loop->Node().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC), 0);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_TRUE(Control(drive, FSCTL_DISMOUNT_VOLUME));
    EXPECT_TRUE(Control(drive, FSCTL_UNLOCK_VOLUME));
    holder = open(m_loop->Node().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    EXPECT_GE(holder, 0);
    close(holder);
    // Closing the handle gives the claim back too.
    ASSERT_TRUE(Control(drive, FSCTL_LOCK_VOLUME));
    CloseHandle(drive);
    holder = open(m_loop->Node().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    EXPECT_GE(holder, 0);
    close(holder);
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, RealLoop, ::testing::Values(512u, 4096u));

} // namespace
