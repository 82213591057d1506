// What only a real loop device shows: the kernel's own figures for it, and reads
// that bypass its page cache. The promises every disk keeps are held against loop
// devices in KernelContractTest.cpp.
#include "tests/support/LoopDevice.h"
#include "platform/kernel/Kernel.h"
#include "platform/kernel/LinuxMachine.h"
#include "tests/kernel/TempFolder.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

std::string Trimmed(std::optional<std::string> output) {
    std::string text = output.value_or("");
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

class RealLoop : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        m_backing = m_folder / "backing.img";
        WriteBytes(m_backing, Pattern(kSize, 11));
        std::string why;
        m_loop = LoopDevice::Attach(m_backing, GetParam(), why);
        if (!m_loop)
            GTEST_SKIP() << why;
        kernel::InstallMachine(&m_machine);
        std::vector<std::string> drives = m_machine.PhysicalDrivePaths();
        auto found = std::find(drives.begin(), drives.end(), m_loop->Path());
        ASSERT_NE(found, drives.end()) << m_loop->Path() << " is not in the namespace";
        m_path = "\\\\.\\PHYSICALDRIVE" + std::to_string(found - drives.begin());
    }
    void TearDown() override { kernel::InstallMachine(nullptr); }

    HANDLE Open() {
        return CreateFileA(m_path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH, nullptr);
    }

    static constexpr std::size_t kSize = 4 << 20;
    TempFolder m_folder;
    std::string m_backing;
    std::unique_ptr<LoopDevice> m_loop;
    kernel::LinuxMachine m_machine;
    std::string m_path;
};

TEST_P(RealLoop, OpensAsAPhysicalDriveWithTheKernelsFigures) {
    HANDLE drive = Open();
    ASSERT_NE(drive, INVALID_HANDLE_VALUE) << GetLastError();
    DISK_GEOMETRY_EX geometry{};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(drive, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry,
                                sizeof geometry, &returned, nullptr));
    EXPECT_EQ(std::to_string(geometry.DiskSize.QuadPart),
              Trimmed(RunCommand("blockdev --getsize64 " + m_loop->Path())));
    EXPECT_EQ(std::to_string(geometry.Geometry.BytesPerSector),
              Trimmed(RunCommand("blockdev --getss " + m_loop->Path())));
    std::string removable =
        Trimmed(RunCommand("cat /sys/block/" + m_loop->Path().substr(5) + "/removable"));
    EXPECT_EQ(GetDriveTypeA((m_path + "\\").c_str()),
              removable == "1" ? DRIVE_REMOVABLE : DRIVE_FIXED);
    CloseHandle(drive);
}

// The loop device's own page cache goes stale when its backing file changes
// underneath; a buffered read then sees the old bytes, a direct one the new.
TEST_P(RealLoop, ReadsBypassThePageCache) {
    int buffered = open(m_loop->Path().c_str(), O_RDONLY | O_CLOEXEC);
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

INSTANTIATE_TEST_SUITE_P(SectorSizes, RealLoop, ::testing::Values(512u, 4096u));

} // namespace
